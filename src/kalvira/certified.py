"""Temporary stand-in with the agreed interface (replaced at merge)."""

from __future__ import annotations

from collections.abc import Mapping
from dataclasses import dataclass
from fractions import Fraction
from typing import Literal

from _kalvira_core import Expr

from kalvira.evaluation import Undefined, evaluate


@dataclass(frozen=True)
class Ball:
    low: Fraction
    high: Fraction

    def __float__(self) -> float:
        return float((self.low + self.high) / 2)

    def __str__(self) -> str:
        return repr(float(self))

    def contains(self, value: Fraction) -> bool:
        return self.low <= value <= self.high


Certified = Fraction | Ball


def certified_value(tree: Expr, point: Mapping[str, Fraction], digits: int = 20) -> Certified:
    value = evaluate(tree, point)
    if isinstance(value, Fraction):
        return value
    width = Fraction(abs(value) + 1) * Fraction(1, 10**12)
    return Ball(Fraction(value) - width, Fraction(value) + width)


@dataclass(frozen=True)
class Comparison:
    status: Literal["same", "differ", "unknown"]
    expected: Certified | Undefined
    answer: Certified | Undefined


def compare_at(expected: Expr, answer: Expr, point: Mapping[str, Fraction]) -> Comparison:
    values: list[Certified | Undefined] = []
    for tree in (expected, answer):
        try:
            values.append(certified_value(tree, point))
        except Undefined as error:
            values.append(error)
    first, second = values
    if isinstance(first, Undefined) or isinstance(second, Undefined):
        return Comparison("unknown", first, second)
    low = lambda v: v.low if isinstance(v, Ball) else v  # noqa: E731
    high = lambda v: v.high if isinstance(v, Ball) else v  # noqa: E731
    return Comparison("same" if low(first) <= high(second) and low(second) <= high(first) else "differ", first, second)
