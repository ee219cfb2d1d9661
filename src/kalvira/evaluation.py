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
from collections.abc import Callable, Mapping
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

# A float cosine below this counts as zero, so that tan(pi/2) is refused
# rather than given as 1.6e16.
COSINE_ZERO = 1e-12


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
    """The tree's distinct nodes, children first, for `value_at`: a tree
    evaluated at many points is walked in C++ once."""
    return _native.nodes(require_tree(tree, "tree"))


def numbers_of(mapping: Point) -> dict[str, Value]:
    """The variables' numbers by name, checked as `evaluate` takes them."""
    return {_name(key): _number(value) for key, value in mapping.items()}


def value_at(nodes: Flat, point: Mapping[str, Value]) -> Fraction | float:
    """`evaluate` of a flattened tree at a point of `numbers_of`."""
    values: list[Value] = []
    try:
        for kind, first, second in nodes:
            if kind in _BINARY:
                values.append(_BINARY[kind](values[first], values[second]))
            elif kind in _UNARY:
                values.append(_UNARY[kind](values[first]))
            else:
                values.append(_leaf(kind, first, second, point))
    except Undefined as error:
        raise Undefined(f"{error} (at {point_text(point)})" if point else str(error)) from None
    result = values[-1]
    if isinstance(result, float):
        if not math.isfinite(result):
            raise ValueError(TOO_LARGE_FOR_A_FLOAT)
        return result
    return Fraction(result)


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
    return _exact(Fraction(int(value.numerator), int(value.denominator)))


def _exact(value: Fraction) -> int | Fraction:
    return value.numerator if value.denominator == 1 else value


def _bits(value: int | Fraction) -> int:
    # bit_length ignores the sign; abs() would copy the number on every step.
    if isinstance(value, int):
        return value.bit_length()
    return max(value.numerator.bit_length(), value.denominator.bit_length())


def _bounded(value: Value) -> Value:
    if not isinstance(value, float) and _bits(value) > MAX_EXACT_BITS:
        raise ValueError(TOO_LARGE_EXACTLY)
    return value


def _float(value: Value) -> float:
    try:
        return float(value)
    except OverflowError:
        raise ValueError(TOO_LARGE_FOR_A_FLOAT) from None


def _quotient(a: Value, b: Value) -> Value:
    if b == 0:
        raise Undefined("undefined: division by zero")
    if isinstance(a, int) and isinstance(b, int):
        return _exact(Fraction(a, b))
    return _bounded(a / b)


def _root(value: int | Fraction, degree: int) -> int | Fraction | None:
    """The exact root of a non-negative number, or None when it is irrational."""
    fraction = Fraction(value)
    numerator = _integer_root(fraction.numerator, degree)
    denominator = _integer_root(fraction.denominator, degree)
    if numerator is None or denominator is None:
        return None
    return _exact(Fraction(numerator, denominator))


def _integer_root(n: int, degree: int) -> int | None:
    if degree == 2:
        root = math.isqrt(n)
    else:
        root = round(n ** (1 / degree)) if n.bit_length() < 1000 else _newton_root(n, degree)
        while root**degree > n:
            root -= 1
        while (root + 1) ** degree <= n:
            root += 1
    return root if root**degree == n else None


def _newton_root(n: int, degree: int) -> int:
    root = 1 << (n.bit_length() // degree + 1)
    while True:
        better = ((degree - 1) * root + n // root ** (degree - 1)) // degree
        if better >= root:
            return root
        root = better


def _real_root(value: Value, degree: int) -> Value:
    """The real root of odd degree of any number, of even degree of a
    non-negative one; exact where it is rational."""
    if value < 0:
        if degree % 2 == 0:
            raise Undefined("undefined: an even root of a negative number")
        return -_real_root(-value, degree)
    if not isinstance(value, float):
        exact = _root(value, degree)
        if exact is not None:
            return exact
    return math.sqrt(_float(value)) if degree == 2 else _float(value) ** (1 / degree)


def _power(base: Value, exponent: Value) -> Value:
    if not isinstance(exponent, float) and Fraction(exponent).denominator == 1:
        return _integer_power(base, int(exponent))
    if base == 0:
        if exponent < 0:
            raise Undefined("undefined: division by zero (zero to a negative power)")
        return 0
    if not isinstance(exponent, float):
        fraction = Fraction(exponent)
        if fraction.denominator % 2 == 0 and base < 0:
            raise Undefined("undefined: a negative number to a fractional power with an even denominator")
        return _integer_power(_real_root(base, fraction.denominator), fraction.numerator)
    if base < 0:
        raise Undefined("undefined: a negative number to a power that is not an integer")
    return _float_power(_float(base), exponent)


def _integer_power(base: Value, exponent: int) -> Value:
    if exponent < 0:
        if base == 0:
            raise Undefined("undefined: division by zero (zero to a negative power)")
        return _quotient(1, _integer_power(base, -exponent))
    if isinstance(base, float):
        return _float_power(base, exponent)
    if exponent > 1 and _bits(base) > 1 and (_bits(base) - 1) * exponent > MAX_EXACT_BITS:
        raise ValueError(TOO_LARGE_EXACTLY)
    return base**exponent


def _float_power(base: float, exponent: float) -> float:
    try:
        return math.pow(base, exponent)
    except OverflowError:
        raise ValueError(TOO_LARGE_FOR_A_FLOAT) from None


def _square_root(value: Value) -> Value:
    if value < 0:
        raise Undefined("undefined: the square root of a negative number")
    return _real_root(value, 2)


def _logarithm(value: Value) -> Value:
    if value <= 0:
        raise Undefined("undefined: the logarithm of a number that is not positive")
    if value == 1:
        return 0
    if isinstance(value, Fraction):
        return math.log(value.numerator) - math.log(value.denominator)
    return math.log(value)


def _tangent(value: Value) -> Value:
    if value == 0:
        return 0
    if isinstance(value, float) and abs(math.cos(value)) < COSINE_ZERO:
        raise Undefined("undefined: the tangent of pi/2 (plus a multiple of pi)")
    return math.tan(_float(value))


def _variable(point: Mapping[str, Value], name: str) -> Value:
    if name not in point:
        raise ValueError(f"no value given for the variable {name}")
    return point[name]


def _function(at_zero: int, function: Callable[[float], float]) -> Callable[[Value], Value]:
    return lambda value: at_zero if value == 0 else function(_float(value))


def _leaf(kind: str, first: Any, second: Any, point: Mapping[str, Value]) -> Value:
    if kind == "Int":
        return int(first)
    if kind == "Var":
        return _variable(point, first)
    if kind == "Rational":
        return _exact(Fraction(int(first), int(second)))
    return math.pi if kind == "Pi" else math.e


_UNARY: dict[str, Callable[[Value], Value]] = {
    "Neg": lambda a: -a,
    "Sqrt": _square_root,
    "Cbrt": lambda a: _real_root(a, 3),
    "Sin": _function(0, math.sin),
    "Cos": _function(1, math.cos),
    "Tan": _tangent,
    "Log": _logarithm,
}
_BINARY: dict[str, Callable[[Value, Value], Value]] = {
    "Add": lambda a, b: a + b,
    "Mul": lambda a, b: _bounded(a * b),
    "Div": _quotient,
    "Pow": _power,
}
