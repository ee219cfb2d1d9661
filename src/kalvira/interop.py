"""Conversion to SymPy (the optional extra `sympy`)."""

from __future__ import annotations

from collections.abc import Callable
from typing import Any

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira.tree_walk import fold, require_tree


def to_sympy(tree: Expr, *, real: bool = False) -> Any:
    """The tree as a SymPy expression, evaluated by SymPy's usual rules.

    Variables become plain symbols, equal to a program's own
    sympy.Symbol("x"); with real=True they are real symbols instead, which
    matches the library's real roots and logarithms (SymPy then simplifies
    sqrt(x**2) to Abs(x)). Cbrt is the real cube root either way.
    """
    try:
        import sympy
    except ImportError:
        raise ImportError("to_sympy needs SymPy: pip install 'kalvira-core[sympy]'") from None

    def real_cbrt(arg: Any) -> Any:
        return sympy.real_root(arg, 3) if arg.is_number else sympy.cbrt(arg)

    leaves: dict[type[Expr], Callable[[Any], Any]] = {
        core.Int: lambda node: sympy.Integer(node.value()),
        core.Var: lambda node: sympy.Symbol(node.name(), real=True) if real else sympy.Symbol(node.name()),
        core.Rational: lambda node: sympy.Rational(node.num(), node.den()),
        core.Pi: lambda node: sympy.pi,
        core.E: lambda node: sympy.E,
    }
    operations: dict[type[Expr], Callable[..., Any]] = {
        core.Neg: lambda a: -a,
        core.Add: lambda a, b: a + b,
        core.Mul: lambda a, b: a * b,
        core.Div: lambda a, b: a / b,
        core.Pow: lambda a, b: a**b,
        core.Sqrt: sympy.sqrt,
        core.Cbrt: real_cbrt,
        core.Sin: sympy.sin,
        core.Cos: sympy.cos,
        core.Tan: sympy.tan,
        core.Log: sympy.log,
    }

    def convert(node: Expr, operands: list[Any]) -> Any:
        cls = type(node)
        return operations[cls](*operands) if cls in operations else leaves[cls](node)

    return fold(require_tree(tree, "tree"), convert)
