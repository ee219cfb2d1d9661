"""The node classes by kind, their children, and a bottom-up walk without recursion.

Trees may be a million levels deep and may share subtrees, so every
algorithm of this package that visits a whole tree goes through `fold`.
"""

from __future__ import annotations

from typing import Any, Callable, TypeVar

import _kalvira_core as core
from _kalvira_core import Expr

T = TypeVar("T")

# Accessors by class; each takes a node of its own class.
UNARY: dict[type[Expr], Callable[[Any], Expr]] = {
    cls: cls.operand
    for cls in (core.Neg, core.Sqrt, core.Cbrt, core.Sin, core.Cos, core.Tan, core.Log)
}
BINARY: dict[type[Expr], tuple[Callable[[Any], Expr], Callable[[Any], Expr]]] = {
    core.Add: (core.Add.left, core.Add.right),
    core.Mul: (core.Mul.left, core.Mul.right),
    core.Div: (core.Div.num, core.Div.den),
    core.Pow: (core.Pow.base, core.Pow.exp),
}
LEAVES: tuple[type[Expr], ...] = (core.Int, core.Var, core.Rational, core.Pi, core.E)

NODE_CLASSES: dict[str, type[Expr]] = {
    cls.__name__: cls for cls in (*LEAVES, *UNARY, *BINARY)
}


def require_tree(value: object, what: str) -> Expr:
    """`value` itself when it is a tree; else a TypeError naming `what`."""
    if not isinstance(value, Expr):
        raise TypeError(f"{what} must be an expression tree, not {type(value).__name__}")
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
    raise TypeError(f"expected an expression tree node, got {cls.__name__}")


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


def fold(tree: Expr, visit: Callable[[Expr, list[T]], T]) -> T:
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
