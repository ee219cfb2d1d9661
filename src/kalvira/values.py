"""Trees as Python values, installed on the core classes by `import kalvira`.

`_kalvira_core` alone compares trees by identity and prints them as
`<_kalvira_core.Add object at ...>`. Once the package is imported:

- `==`, `!=` and `hash` go by structure (the core's iterative equality and
  a structural hash, both native, so any depth works and Ctrl-C interrupts
  them). A tree equals only another tree: comparing with an int or a str
  is False, as for any two unrelated types.
- `repr(tree)` is the constructor form, "Add(Var('x'), Int(1))", and
  `str(tree)` the school notation that `parse` reads back, "x + 1"
  (`to_text`); `_repr_latex_` typesets a bare tree in Jupyter.
- `bool(tree)` raises TypeError: whether "x - x" is true is not a question
  about the tree, and a silent answer would hide such a test's mistake.
- The arithmetic operators build trees (see `kalvira.operators`).
- `Var` refuses a name with a lone surrogate, which is no UTF-8 text, by
  saying so (the core's own refusal is pybind11's generic one).
"""

from __future__ import annotations

import functools
from typing import NoReturn

from _kalvira_core import Expr, Var

from kalvira import _native
from kalvira.operators import install_operators
from kalvira.tree_walk import require_tree, variable_name_fault

_core_var_init = Var.__init__


def to_text(tree: Expr, unicode: bool = False) -> str:
    """The tree in the school notation that `parse` reads: "x^2 + 2x + 1".

    With `unicode=True` it uses the symbols of a printed page: "x² + 2x + 1",
    "2·3", "√2", "π", "x₁". Parentheses stand only where the reading needs
    them, so parse(to_text(tree)) == tree for every tree that parse can
    build. The others are written as near as the notation allows: a
    Rational n/d reads back as Div(Int(n), Int(d)), and a variable whose
    name is not one letter with an optional subscript (x, x_1, x_a,
    x_{12}) is written as it is named, so it reads back otherwise ("ab" as
    a product, "e" and "π" as the constants).
    """
    return _native.school_text(require_tree(tree, "tree"), bool(unicode))


def latex_display(tree: Expr) -> str:
    """The tree as inline LaTeX for Jupyter: "$x^{2} + 1$"."""
    return f"${tree.to_string()}$"


class _Comparisons:
    """The comparison methods that install_value_semantics copies onto Expr."""

    def __eq__(self, other: object) -> bool:
        if not isinstance(self, Expr) or not isinstance(other, Expr):
            return NotImplemented
        return _native.structural_equal(self, other)

    def __ne__(self, other: object) -> bool:
        if not isinstance(self, Expr) or not isinstance(other, Expr):
            return NotImplemented
        return not _native.structural_equal(self, other)


def _hash(self: Expr) -> int:
    return _native.structural_hash(self)


def _repr(self: Expr) -> str:
    return _native.constructor_form(self)


def _str(self: Expr) -> str:
    return _native.school_text(self, False)


def _no_truth_value(self: Expr) -> NoReturn:
    raise TypeError(
        "the truth value of an expression is ambiguous: compare trees with == "
        "(simplify(a - b) == Int(0)) or test for a missing tree with `is None`"
    )


@functools.wraps(_core_var_init)
def _var_init(self: Var, name: str) -> None:
    fault = variable_name_fault(name) if isinstance(name, str) else None
    if fault:
        raise TypeError(fault)
    _core_var_init(self, name)


def install_value_semantics() -> None:
    """Puts the value methods on Expr, which every node class inherits."""
    methods = {
        "__eq__": _Comparisons.__eq__,
        "__ne__": _Comparisons.__ne__,
        "__hash__": _hash,
        "__repr__": _repr,
        "__str__": _str,
        "__bool__": _no_truth_value,
        "_repr_latex_": latex_display,
    }
    for name, method in methods.items():
        setattr(Expr, name, method)
    setattr(Var, "__init__", _var_init)
    install_operators()
