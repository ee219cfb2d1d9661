"""Conversion to SymPy (the optional extra `sympy`)."""

from __future__ import annotations

from collections.abc import Callable
from typing import Any

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira.tree_walk import fold, leaf_arguments, require_tree


def to_sympy(tree: Expr, *, real: bool = False) -> Any:
    """The tree as a SymPy expression, evaluated by SymPy's usual rules.

    Variables become plain symbols, equal to a program's own
    sympy.Symbol("x"); with real=True they are real symbols instead, which
    matches the library's real roots and logarithms (SymPy then simplifies
    sqrt(x**2) to Abs(x)). Cbrt is the real cube root either way (with plain
    symbols, a Piecewise that is the real root wherever x is real).
    """
    try:
        import sympy
    except ImportError:
        raise ImportError("to_sympy needs SymPy: pip install 'kalvira-core[sympy]'") from None

    def symbol(name: str) -> Any:
        return sympy.Symbol(name, real=True) if real else sympy.Symbol(name)

    # What each kind means, given its operands or a leaf's data.
    meanings: dict[type[Expr], Callable[..., Any]] = {
        core.Int: sympy.Integer,
        core.Var: symbol,
        core.Rational: sympy.Rational,
        core.Pi: lambda: sympy.pi,
        core.E: lambda: sympy.E,
        core.Neg: lambda a: -a,
        core.Add: lambda a, b: a + b,
        core.Mul: lambda a, b: a * b,
        core.Div: lambda a, b: a / b,
        core.Pow: lambda a, b: a**b,
        core.Sqrt: sympy.sqrt,
        core.Cbrt: lambda a: sympy.real_root(a, 3),
        core.Sin: sympy.sin,
        core.Cos: sympy.cos,
        core.Tan: sympy.tan,
        core.Log: sympy.log,
    }

    def convert(node: Expr, operands: list[Any]) -> Any:
        return meanings[type(node)](*operands, *leaf_arguments(node))

    return fold(require_tree(tree, "tree"), convert)
