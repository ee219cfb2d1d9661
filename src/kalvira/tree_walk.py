"""The node classes by kind, their children, and a bottom-up walk without recursion.

Trees may be a million levels deep and may share subtrees, so every walk
over a whole tree written in Python goes through `fold` (the others are
native).
"""

from __future__ import annotations

from collections.abc import Callable
from typing import Any

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native

# The kinds, from the core's one list of them: the class of each name, and
# by class the accessors of its children and of a leaf's data (each takes a
# node of its own class).
NODE_CLASSES: dict[str, type[Expr]] = {name: getattr(core, name) for name, _, _, _ in _native.NODE_KINDS}
_CHILDREN = {
    NODE_CLASSES[name]: tuple(getattr(NODE_CLASSES[name], get) for get in children)
    for name, _, children, _ in _native.NODE_KINDS
}
UNARY: dict[type[Expr], Callable[[Any], Expr]] = {cls: get[0] for cls, get in _CHILDREN.items() if len(get) == 1}
BINARY: dict[type[Expr], tuple[Callable[[Any], Expr], Callable[[Any], Expr]]] = {
    cls: (get[0], get[1]) for cls, get in _CHILDREN.items() if len(get) == 2
}
LEAVES: tuple[type[Expr], ...] = tuple(cls for cls, get in _CHILDREN.items() if not get)
_LEAF_DATA: dict[type[Expr], tuple[Callable[[Any], int | str], ...]] = {
    NODE_CLASSES[name]: tuple(getattr(NODE_CLASSES[name], get) for get in data)
    for name, data, _, _ in _native.NODE_KINDS
}
# How many constructor arguments each kind takes: a leaf's data or a node's children.
ARITY: dict[str, int] = {name: len(data) + len(children) for name, data, children, _ in _native.NODE_KINDS}


def not_a_tree(value: object, what: str) -> TypeError:
    """The error for a `value` given as `what` that is not an expression tree."""
    return TypeError(f"{what} must be an expression tree, not {type(value).__name__}")


def require_tree(value: object, what: str) -> Expr:
    """`value` itself when it is a tree; else a TypeError naming `what`."""
    if not isinstance(value, Expr):
        raise not_a_tree(value, what)
    return value


def children(node: Expr) -> tuple[Expr, ...]:
    """The operands of a node, left to right; a leaf has none."""
    cls = type(node)
    if cls in UNARY:
        return (UNARY[cls](node),)
    if cls in BINARY:
        first, second = BINARY[cls]
        return (first(node), second(node))
    if cls in LEAVES:
        return ()
    raise not_a_tree(node, "a node")


def leaf_arguments(node: Expr) -> tuple[int | str, ...]:
    """The constructor arguments of a leaf: Int(5) gives (5,), Pi() gives ()."""
    return tuple(get(node) for get in _LEAF_DATA.get(type(node), ()))


def variable_name_fault(name: object) -> str | None:
    """Why `name` cannot name a Var, or None when it can: a str that is UTF-8
    text (no lone surrogates) or bytes."""
    if isinstance(name, bytes):
        return None
    if not isinstance(name, str):
        return f"a variable name must be text, not {type(name).__name__}"
    try:
        name.encode("utf-8")
    except UnicodeEncodeError:
        return "a variable name must be valid UTF-8 text"
    return None


def fold[T](tree: Expr, visit: Callable[[Expr, list[T]], T]) -> T:
    """Combines a tree bottom-up: `visit(node, results of its children)`.

    Uses an explicit stack, so depth is limited by memory only. A subtree
    reached through several parents is visited once: while a wrapper of a
    node is alive the core hands out that same Python object again, so
    every visited node is kept alive and recognised by its `id`.
    """
    done: dict[int, T] = {}
    alive: list[Expr] = []
    stack = [tree]
    while stack:
        node = stack[-1]
        if id(node) in done:
            stack.pop()
            continue
        operands = children(node)
        pending = [child for child in operands if id(child) not in done]
        if pending:
            stack.extend(reversed(pending))
            continue
        stack.pop()
        done[id(node)] = visit(node, [done[id(child)] for child in operands])
        alive.append(node)
    return done[id(tree)]
