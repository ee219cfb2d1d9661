"""Values of trees: their variables, substitution, and exact evaluation.

    >>> from fractions import Fraction
    >>> from kalvira import evaluate, parse, substitute, variables
    >>> variables(parse("a x^2 + b"))
    ['a', 'b', 'x']
    >>> evaluate(parse("(x+1)^2 / 4"), {"x": Fraction(1, 2)})
    Fraction(9, 16)
    >>> evaluate(parse("sqrt(2) x"), {"x": 3})
    4.242640687119285

Evaluation is exact mathematics, not the core's 32-bit arithmetic: a
Fraction wherever the value is rational, and otherwise the float nearest to
it, from a ball with a guaranteed error bound (see kalvira.certified).
"""

from __future__ import annotations

import math
from collections.abc import Mapping
from fractions import Fraction
from numbers import Rational as RationalNumber
from typing import Any

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native
from kalvira.operators import number_tree
from kalvira.tree_walk import require_tree, variable_name_fault

# A number given or computed; while evaluating, ints stand for integral
# fractions, being faster.
Value = int | Fraction | float
# Numbers of variables, given by name or as Var nodes.
Point = Mapping[str, Value] | Mapping[core.Var, Value] | Mapping[str | core.Var, Value]

# Exact values larger than this many bits are refused rather than computed:
# the next power or product of such numbers could take minutes.
MAX_EXACT_BITS = 1 << 20

TOO_LARGE_EXACTLY = f"the exact value needs more than {MAX_EXACT_BITS:,} bits; refused as too large to compute"
TOO_LARGE_FOR_A_FLOAT = "the value is too large for a float"


class Undefined(ValueError):
    """The tree has no value at the point: the message names the cause."""


def variables(tree: Expr) -> list[str]:
    """The names of the tree's variables, each once, sorted."""
    return _native.variables(require_tree(tree, "tree"))


# Replacements of variables, given by name or as Var nodes.
Replacement = Expr | int | Fraction
Replacements = Mapping[str, Replacement] | Mapping[core.Var, Replacement] | Mapping[str | core.Var, Replacement]


def substitute(tree: Expr, mapping: Replacements) -> Expr:
    """The tree with each variable of `mapping` (given by name or as a Var)
    replaced by its tree, int or Fraction (as Int or Rational; 32-bit
    numbers only). Subtrees without such a variable are shared with `tree`,
    which itself stays as it was; without any, `tree` itself comes back."""
    replacements = {_name(key): _as_tree(value) for key, value in mapping.items()}
    return _native.substitute(require_tree(tree, "tree"), replacements)


def evaluate(tree: Expr, mapping: Point | None = None) -> Fraction | float:
    """The value of the tree with each variable given its number in `mapping`.

    The value is an exact Fraction, of any size, wherever it is rational at
    the point, and zero where it is exactly zero (sin(pi), cos(pi/2), a sum
    that cancels); floats in `mapping` count as their exact binary values.
    Otherwise (pi, e, inexact roots, sin, cos, tan, ln) it is the float
    nearest to the value, worked out with a guaranteed error bound
    (kalvira.certified), so every digit it prints is correct. Raises
    Undefined (a ValueError) exactly where the tree has no value: division
    by zero, the square root of a negative number, the logarithm of a number
    that is not positive, tan at pi/2 (plus a multiple of pi), a negative
    number to a fractional power; ValueError for a variable without a value,
    for values too large to work out (such as 2^(10^9)) or for a float, and
    where a sign that matters cannot be decided; TypeError for values that
    are not numbers.
    """
    from kalvira.certified import Ball, certified_value

    point = {name: Fraction(value) for name, value in numbers_of(mapping or {}).items()}
    for digits in _FLOAT_DIGITS:
        value = certified_value(tree, point, digits)
        if isinstance(value, Fraction):
            return value
        if value.contains(Fraction(0)):
            raise ValueError(f"cannot decide whether the value is zero: it lies within {Ball(value.low, value.high)}")
        low, high = _float(value.low), _float(value.high)
        if low == high:
            return low
    return _float(float(value))


# The digits of the balls that evaluate asks for, until both ends of one
# round to the same float; only a value very near the midpoint of two
# floats needs more than the first.
_FLOAT_DIGITS = (20, 40, 80)


# A tree as `_native.nodes` lists it: children before parents.
Flat = list[tuple[str, Any, Any]]


def flattened(tree: Expr) -> Flat:
    """The tree's distinct nodes, children first, as (kind, first, second):
    a leaf's data, or the indices of the operands in the list."""
    return _native.nodes(require_tree(tree, "tree"))


def numbers_of(mapping: Point) -> dict[str, Value]:
    """The variables' numbers by name, checked as `evaluate` takes them."""
    return {_name(key): _number(value) for key, value in mapping.items()}


def point_text(point: Mapping[str, Value]) -> str:
    """A point as "x = 2, y = 1/2"."""
    return ", ".join(f"{name} = {value}" for name, value in sorted(point.items()))


def _name(key: object) -> str:
    if isinstance(key, core.Var):
        return key.name()
    if isinstance(key, str):
        fault = variable_name_fault(key)
        if fault:
            raise TypeError(fault)
        return key
    raise TypeError(f"a variable is given by its name or as a Var, not as {type(key).__name__}")


def _as_tree(value: object) -> Expr:
    if isinstance(value, Expr):
        return value
    if isinstance(value, bool) or not isinstance(value, (int, Fraction)):
        raise TypeError(f"a variable is replaced by a tree, an int or a Fraction, not by {type(value).__name__}")
    return number_tree(value)


def _number(value: object) -> Value:
    if isinstance(value, bool) or not isinstance(value, (RationalNumber, float)):
        raise TypeError(f"a variable's value must be an int, a Fraction or a float, not {type(value).__name__}")
    if isinstance(value, float):
        if not math.isfinite(value):
            raise ValueError(f"a variable's value must be finite, not {value}")
        return value
    return Fraction(int(value.numerator), int(value.denominator))


def _float(value: Value) -> float:
    try:
        return float(value)
    except OverflowError:
        raise ValueError(TOO_LARGE_FOR_A_FLOAT) from None
