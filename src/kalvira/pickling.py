"""Pickling and copying of trees, registered with copyreg for every node class.

A tree is pickled as a flat list of constructor calls in bottom-up order,
each child named by its index in the list, so pickle never recurses into
the tree and a shared subtree is written once.
"""

from __future__ import annotations

import copyreg
from typing import Callable

from _kalvira_core import Expr

from kalvira.tree_walk import LEAVES, NODE_CLASSES, fold, leaf_arguments

Step = tuple[str, *tuple[int | str, ...]]


def flatten(tree: Expr) -> list[Step]:
    """The steps that rebuild `tree`; the last one builds the root."""
    steps: list[Step] = []

    def record(node: Expr, operands: list[int]) -> int:
        steps.append((type(node).__name__, *(operands or leaf_arguments(node))))
        return len(steps) - 1

    fold(tree, record)
    return steps


def _node(kind: object, arguments: list[int | str], nodes: list[Expr]) -> Expr:
    cls = NODE_CLASSES.get(kind) if isinstance(kind, str) else None
    if cls is None:
        raise ValueError(f"not a pickled expression tree: unknown node kind {kind!r}")
    if cls in LEAVES:
        return cls(*arguments)
    if all(type(index) is int and 0 <= index < len(nodes) for index in arguments):
        return cls(*(nodes[index] for index in arguments))  # type: ignore[index]
    raise ValueError("not a pickled expression tree: a child refers to no earlier node")


def rebuild(steps: list[Step]) -> Expr:
    """Inverse of `flatten`; malformed steps raise ValueError."""
    nodes: list[Expr] = []
    try:
        for kind, *arguments in steps:
            nodes.append(_node(kind, arguments, nodes))
    except TypeError as error:
        # Steps of the wrong shape, or arguments a constructor refuses.
        raise ValueError(f"not a pickled expression tree: {error}") from None
    if not nodes:
        raise ValueError("not a pickled expression tree: no nodes")
    return nodes[-1]


def _reduce(tree: Expr) -> tuple[Callable[[list[Step]], Expr], tuple[list[Step]]]:
    return rebuild, (flatten(tree),)


def register_reducers() -> None:
    """Lets pickle, copy and deepcopy handle every node class."""
    for cls in NODE_CLASSES.values():
        copyreg.pickle(cls, _reduce)
