"""Arithmetic on trees, installed on the core classes by `import kalvira`.

`+ - * / **`, unary `-` and `+` combine trees with trees, with Python
ints in the signed 32-bit range and with `fractions.Fraction` (as
`Rational`), on either side. They build exactly what `parse` builds for
the same text: `a - b` is Add(a, Neg(b)) like "a - b", `2*x` is
Mul(Int(2), x) like "2*x", `-x` is Neg(x) (for any tree, so -Int(3) is
Neg(Int(3)), what "-(3)" reads as) and `x**2` is Pow(x, Int(2)); nothing
is simplified. Python's precedence is Python's: `-x*y` is (-x)*y, what
"(-x)*y" reads as, and `-(x*y)` is what "-x*y" reads as. Ints outside 32 bits raise ValueError, never wrapping;
floats and Decimals raise TypeError, since the trees are exact.
"""

from __future__ import annotations

from collections.abc import Callable
from decimal import Decimal
from fractions import Fraction

from _kalvira_core import Add, Div, Expr, Int, Mul, Neg, Pow, Rational

from kalvira import _native

INEXACT = (
    "trees hold exact integers and fractions only, not a {kind}: write it as an int or a "
    "fractions.Fraction (Fraction(1, 2), or Fraction('0.5') for a decimal)"
)


INT32 = range(-(2**31), 2**31)


def int32(value: int) -> int:
    """`value` itself, or ValueError (in the parser's words) when it does not fit in 32 bits."""
    if value in INT32:
        return value
    raise ValueError(_native.integer_range_error(value < 0, str(abs(value))))


def number_tree(value: int | Fraction) -> Int | Rational:
    """Int or Rational of `value`; ValueError when it does not fit in 32 bits."""
    if isinstance(value, int):
        return Int(int32(value))
    return Rational(int32(value.numerator), int32(value.denominator))


def as_tree(value: object) -> Expr | None:
    """The tree an operand stands for; None when it is no number or tree."""
    if isinstance(value, Expr):
        return value
    if isinstance(value, (int, Fraction)) and not isinstance(value, bool):
        return number_tree(value)
    if isinstance(value, (float, Decimal)):
        raise TypeError(INEXACT.format(kind=type(value).__name__))
    return None


def _subtract(a: Expr, b: Expr) -> Expr:
    return Add(a, Neg(b))


Build = Callable[[Expr, Expr], Expr]

BINARY: dict[str, Build] = {
    "add": Add,
    "sub": _subtract,
    "mul": Mul,
    "truediv": Div,
    "pow": Pow,
}


def _forward(build: Build) -> Callable[[Expr, object], Expr]:
    def method(self: Expr, other: object) -> Expr:
        operand = as_tree(other)
        return NotImplemented if operand is None else build(self, operand)

    return method


def _reflected(build: Build) -> Callable[[Expr, object], Expr]:
    def method(self: Expr, other: object) -> Expr:
        operand = as_tree(other)
        return NotImplemented if operand is None else build(operand, self)

    return method


_raise = _forward(Pow)


def _power(self: Expr, other: object, modulo: object = None) -> Expr:
    return _raise(self, other) if modulo is None else NotImplemented


def _negative(self: Expr) -> Expr:
    return Neg(self)


def _positive(self: Expr) -> Expr:
    return self


UNARY_AND_POWER = {"__pow__": _power, "__neg__": _negative, "__pos__": _positive}


def install_operators() -> None:
    """Puts the operators on Expr, which every node class inherits."""
    for name, build in BINARY.items():
        setattr(Expr, f"__{name}__", _forward(build))
        setattr(Expr, f"__r{name}__", _reflected(build))
    for name, method in UNARY_AND_POWER.items():
        setattr(Expr, name, method)
