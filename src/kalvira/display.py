"""Readable forms of a tree: the constructor form and a notebook wrapper."""

from __future__ import annotations

from _kalvira_core import Expr

from kalvira import _native
from kalvira.tree_walk import require_tree
from kalvira.values import latex_display


def constructor_form(tree: Expr) -> str:
    """The Python expression that builds the tree, e.g. "Add(Var('x'), Int(1))";
    written natively, in time linear in its length. Also `repr(tree)`."""
    return _native.constructor_form(require_tree(tree, "tree"))


class Shown:
    """A tree shown in Jupyter as typeset LaTeX; its repr is the constructor form."""

    __slots__ = ("tree",)

    def __init__(self, tree: Expr) -> None:
        self.tree = tree

    def _repr_latex_(self) -> str:
        return latex_display(self.tree)

    def __repr__(self) -> str:
        return constructor_form(self.tree)

    def __str__(self) -> str:
        return self.tree.to_string()


def show(tree: Expr) -> Shown:
    """Wraps a tree for display; the tree itself is not changed."""
    return Shown(tree)
