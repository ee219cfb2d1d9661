"""Certified values: a tree at an exact rational point, exactly where the
value is rational, otherwise as a ball with a guaranteed error bound.

    >>> from fractions import Fraction
    >>> from kalvira import parse
    >>> from kalvira.certified import certified_value, compare_at
    >>> certified_value(parse("sin(pi/6) + x"), {"x": Fraction(1, 3)})
    Fraction(5, 6)
    >>> print(certified_value(parse("sqrt(2)"), {}))
    1.4142135623730950488...
    >>> compare_at(parse("sqrt(2)"), parse("665857/470832"), {}).status
    'differ'

The exact algebra layer works the value out first, with the letters bound
to their numbers, so exact zeros are zero (sin(pi), cos(pi/2), a sum that
cancels) and a point without a value is decided exactly. What stays
irrational is evaluated in Arb's ball arithmetic, the precision rising
until every sign that matters (divisors, the arguments of roots and
logarithms, the cosine under a tangent, the bases of fractional powers) is
decided and the ball is narrow enough.
"""

from __future__ import annotations

import math
from collections.abc import Mapping
from dataclasses import dataclass
from fractions import Fraction
from typing import Literal

from _kalvira_core import Expr

from kalvira import _native
from kalvira.evaluation import MAX_EXACT_BITS, TOO_LARGE_EXACTLY, Undefined, point_text, variables
from kalvira.tree_walk import require_tree

# Comparisons work to this many digits: about 210 bits.
COMPARE_DIGITS = 64
# Bits beyond the digits asked for, so that the ball's digits round alike.
_GUARD_BITS = 10


@dataclass(frozen=True)
class Ball:
    """A real number known to lie in [low, high] (exact endpoints), low < high;
    the number is irrational or not decided exactly."""

    low: Fraction
    high: Fraction

    def __float__(self) -> float:
        """The nearest float to the midpoint."""
        return float((self.low + self.high) / 2)

    def __str__(self) -> str:
        """Only the correct digits, correctly rounded: "1.4142135623730950488".
        A ball that holds zero shows its bound: "0 +/- 1e-4900"."""
        if self.low <= 0 <= self.high:
            bound = max(-self.low, self.high)
            return "0" if bound == 0 else f"0 +/- 1e{_decimal_exponent(bound) + 1}"
        if self.high < 0:
            return "-" + str(Ball(-self.high, -self.low))
        return _correct_digits(self.low, self.high)

    def contains(self, value: Fraction) -> bool:
        return self.low <= value <= self.high


Certified = Fraction | Ball


def certified_value(tree: Expr, point: Mapping[str, Fraction], digits: int = 20) -> Certified:
    """The value at an exact rational point (every variable of the tree given).
    A Fraction whenever the value is rational and decided exactly -- including
    exact zeros such as sin(pi), cos(pi/2), tan(pi), sqrt(2)^2 - 2, a sum that
    cancels -- otherwise a Ball whose relative width is below 10^-digits. A
    value whose ball still holds zero at the highest precision (about 16,000
    bits) may be a zero the exact layer cannot see (sin(1)^2 + cos(1)^2 - 1):
    it comes as that ball, far narrower than asked for.
    Raises Undefined (cause named: division by zero, square root of a negative
    number, ln of a number that is not positive, tan at pi/2 + k pi, negative
    number to a fractional power with even denominator) where the point has no
    value -- decided exactly, never by a float near zero (sqrt(cos(pi/2)) is 0,
    1/sin(pi) is Undefined). Raises ValueError when a value is too large to
    work out (2^(10^9)) or a sign that matters cannot be decided (a divisor
    that is zero by an identity the exact layer does not know). Polls Ctrl-C;
    works at any depth."""
    tree = require_tree(tree, "tree")
    if isinstance(digits, bool) or not isinstance(digits, int) or digits < 1:
        raise ValueError(f"digits must be a positive integer, not {digits!r}")
    numbers = {name: _exact_number(value) for name, value in point.items()}
    hexadecimal = {}
    for name in variables(tree):
        if name not in numbers:
            raise ValueError(f"no value given for the variable {name}")
        value = numbers[name]
        hexadecimal[name] = (format(value.numerator, "x"), format(value.denominator, "x"))
    bits = math.ceil(digits * math.log2(10)) + _GUARD_BITS
    outcome = _native.certified_value(tree, hexadecimal, bits)
    if outcome[0] == "undefined":
        raise Undefined(
            f"undefined: {outcome[1]} (at {point_text(numbers)})" if numbers else f"undefined: {outcome[1]}"
        )
    if outcome[0] == "exact":
        value = Fraction(outcome[1], outcome[2])
        if max(value.numerator.bit_length(), value.denominator.bit_length()) > MAX_EXACT_BITS:
            raise ValueError(TOO_LARGE_EXACTLY)
        return value
    return Ball(_dyadic(*outcome[1]), _dyadic(*outcome[2]))


@dataclass(frozen=True)
class Comparison:
    status: Literal["same", "differ", "unknown"]
    expected: Certified | Undefined  # the value, or the Undefined error of that side
    answer: Certified | Undefined


def compare_at(expected: Expr, answer: Expr, point: Mapping[str, Fraction]) -> Comparison:
    """Both values at the point. "same": both defined and equal exactly, or
    their balls still overlap at a high precision (at least ~200 bits);
    "differ": both defined and their balls are disjoint (a proof), or
    exactly different; "unknown": either side is Undefined (see the fields).
    Raises ValueError as certified_value does."""
    first = _value_or_undefined(expected, point)
    second = _value_or_undefined(answer, point)
    if isinstance(first, Undefined) or isinstance(second, Undefined):
        return Comparison("unknown", first, second)
    return Comparison("same" if _overlap(first, second) else "differ", first, second)


def _value_or_undefined(tree: Expr, point: Mapping[str, Fraction]) -> Certified | Undefined:
    try:
        return certified_value(tree, point, COMPARE_DIGITS)
    except Undefined as error:
        return error


def _overlap(a: Certified, b: Certified) -> bool:
    if isinstance(a, Fraction):
        return a == b if isinstance(b, Fraction) else b.contains(a)
    if isinstance(b, Fraction):
        return a.contains(b)
    return a.low <= b.high and b.low <= a.high


def _exact_number(value: object) -> Fraction:
    if isinstance(value, bool) or not isinstance(value, (int, Fraction)):
        raise TypeError(f"a variable's value must be an int or a Fraction, not {type(value).__name__}")
    return Fraction(value)


def _dyadic(mantissa: int, exponent: int) -> Fraction:
    return Fraction(mantissa << exponent) if exponent >= 0 else Fraction(mantissa, 1 << -exponent)


def _decimal_exponent(value: Fraction) -> int:
    """floor(log10(value)) of a positive value, exactly."""
    guess = math.floor((value.numerator.bit_length() - value.denominator.bit_length()) * math.log10(2))
    while _power_of_ten(guess) > value:
        guess -= 1
    while _power_of_ten(guess + 1) <= value:
        guess += 1
    return guess


def _power_of_ten(exponent: int) -> Fraction:
    return Fraction(10**exponent) if exponent >= 0 else Fraction(1, 10**-exponent)


def _correct_digits(low: Fraction, high: Fraction) -> str:
    """The most significant digits to which low and high round alike, so
    that every digit shown is the correctly rounded one of any number
    between them."""
    exponent = _decimal_exponent(high)
    most = exponent - _decimal_exponent(high - low) + 1 if high > low else 40
    for count in range(max(most, 1), 0, -1):
        scale = _power_of_ten(count - 1 - exponent)
        mantissa = round(low * scale)
        if mantissa == round(high * scale):
            if mantissa == 10**count:  # 9.99... rounded up to 10.0...
                return _decimal_text(str(mantissa // 10), exponent + 1)
            return _decimal_text(str(mantissa), exponent + (len(str(mantissa)) - count))
    return f"[{float(low)!r}, {float(high)!r}]"


def _decimal_text(digits: str, exponent: int) -> str:
    """digits[0].digits[1:] times 10^exponent, in plain notation while every
    digit before the point is known, otherwise in exponent notation."""
    if -5 <= exponent < len(digits) and exponent < 21:
        if exponent < 0:
            return "0." + "0" * (-exponent - 1) + digits
        whole, fraction = digits[: exponent + 1], digits[exponent + 1 :]
        return whole + ("." + fraction if fraction else "")
    fraction = digits[1:]
    return f"{digits[0]}{'.' + fraction if fraction else ''}e{exponent:+d}"
