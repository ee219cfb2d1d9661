"""Pickling and copying of trees, installed on the core classes by `import kalvira`.

A tree is pickled as the list of its distinct nodes that `_native.nodes`
gives, children before parents, each child named by its index in the list,
so pickle never recurses into the tree and a shared subtree is written
once. The number of nodes and the index of the root go with the list, and
every node but the root must be a child of a later one, so a truncated or
damaged pickle is refused rather than read as another tree. Pickles of
earlier versions, a list of steps `(kind, *arguments)` alone, still load.
"""

from __future__ import annotations

from collections.abc import Callable
from typing import Any

from _kalvira_core import Expr, Var

from kalvira import _native
from kalvira.operators import int32
from kalvira.tree_walk import ARITY, LEAVES, NODE_CLASSES, variable_name_fault

# (kind, first, second), as `_native.nodes` lists a node.
Entry = tuple[str, Any, Any]


class _Malformed(ValueError):
    def __init__(self, fault: str) -> None:
        super().__init__(f"not a pickled expression tree: {fault}")


def _entry(step: object) -> Entry:
    """A step of either format as an entry: old steps lack the Nones."""
    if type(step) is not tuple or not 1 <= len(step) <= 3:
        raise _Malformed(f"a node is written as {step!r}")
    kind, first, second = (*step, None, None)[:3]
    if kind not in ARITY:
        raise _Malformed(f"unknown node kind {kind!r}")
    given = sum(argument is not None for argument in (first, second))
    if given != ARITY[kind] or (given == 1 and second is not None):
        raise _Malformed(f"{kind} takes {ARITY[kind]} argument(s), not {given}")
    return kind, first, second


def _integer(value: object) -> int:
    if type(value) is not int:
        raise _Malformed(f"an integer is written as {value!r}")
    try:
        return int32(value)
    except ValueError as error:
        raise _Malformed(str(error)) from None


def _leaf(kind: str, first: Any, second: Any) -> Expr:
    if kind == "Var":
        fault = variable_name_fault(first)
        if fault:
            raise _Malformed(fault)
        return Var(first)
    arguments = [_integer(argument) for argument in (first, second) if argument is not None]
    try:
        return NODE_CLASSES[kind](*arguments)
    except ValueError as error:  # Rational(n, 0)
        raise _Malformed(str(error)) from None


def _child(index: object, nodes: list[Expr], used: bytearray) -> Expr:
    if type(index) is not int or not 0 <= index < len(nodes):
        raise _Malformed("a child refers to no earlier node")
    used[index] = 1
    return nodes[index]


def rebuild(steps: object, count: object = None, root: object = None) -> Expr:
    """The tree that `steps` lists (with `count` nodes, the root at index
    `root`; pickles of earlier versions give the steps alone and the root is
    the last); anything malformed raises ValueError naming the fault."""
    if type(steps) is not list or not steps:
        raise _Malformed("no nodes")
    if count is not None and count != len(steps):
        raise _Malformed(f"{len(steps)} nodes where {count!r} were written")
    root = len(steps) - 1 if root is None else root
    if type(root) is not int or not 0 <= root < len(steps):
        raise _Malformed(f"the root {root!r} is no node")
    nodes: list[Expr] = []
    used = bytearray(len(steps))
    for step in steps:
        kind, first, second = _entry(step)
        if NODE_CLASSES[kind] in LEAVES:
            nodes.append(_leaf(kind, first, second))
        else:
            children = [_child(index, nodes, used) for index in (first, second) if index is not None]
            nodes.append(NODE_CLASSES[kind](*children))
    used[root] = 1
    if not all(used):
        raise _Malformed("a node belongs to no tree")
    return nodes[root]


Reduced = tuple[Callable[..., Expr], tuple[list[Entry], int, int]]


def _reduce(tree: Expr) -> Reduced:
    entries = _native.nodes(tree)
    return rebuild, (entries, len(entries), len(entries) - 1)


def _reduce_ex(tree: Expr, protocol: int) -> Reduced:
    return _reduce(tree)


def register_reducers() -> None:
    """Lets pickle, copy and deepcopy handle every node class at every
    protocol, through the nodes' own __reduce_ex__ and __reduce__ (which
    refuse in the core alone)."""
    setattr(Expr, "__reduce__", _reduce)
    setattr(Expr, "__reduce_ex__", _reduce_ex)
