"""Checking answers: whether two expressions have the same value, and
whether an answer is in the form a question asks for.

    >>> from kalvira import equivalent, is_expanded, parse
    >>> print(equivalent(parse("2(x+1)"), parse("2x+2")))
    equal
    >>> print(equivalent(parse("(a+b)^2"), parse("a^2+b^2")))
    different: at a = -1/3, b = 3/2 the expected value is 49/36 and the answer's is 85/36
    >>> is_expanded(parse("2(x+1)"))
    False
"""

from __future__ import annotations

import math
import random
from collections.abc import Iterator
from dataclasses import dataclass, replace
from fractions import Fraction
from typing import Literal

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native, forms, school
from kalvira.evaluation import Flat, flattened, numbers_of, point_text, value_at, variables
from kalvira.tree_walk import require_tree

Status = Literal["equal", "probably equal", "different"]

# Points tried, and how many of them must give both expressions a value.
ATTEMPTS = 60
SAMPLES = 8

# Floats agree within this share of the larger magnitude (or of 1, for
# values near zero, such as sin(pi) against 0).
TOLERANCE = 1e-9

# Kinds whose value at a rational point is rational, with powers whose
# exponent is an integer literal: such trees are compared modulo a prime,
# in time linear in their size, where exact values would grow with the
# depth (a chain of 10^5 products is a number of 10^5 digits).
RATIONAL_KINDS = frozenset({"Int", "Var", "Rational", "Neg", "Add", "Mul", "Div"})


@dataclass(frozen=True)
class Verdict:
    """Whether an answer has the expected value; true unless "different".

    `status` is "equal" (proven: the expanded difference is 0),
    "probably equal" (the values agree at `points` random points, but the
    difference does not expand to 0) or "different": then `point` is where
    the values differ, `expected_value` and `answer_value` are the values
    there (`answer_value` None when the answer has none there).
    `form_reason` says why an answer of the right value is not in the form
    asked for; the verdict is then false.
    """

    status: Status
    points: int = 0
    point: dict[str, Fraction] | None = None
    expected_value: Fraction | float | None = None
    answer_value: Fraction | float | None = None
    form_reason: str | None = None

    def __bool__(self) -> bool:
        return self.status != "different" and self.form_reason is None

    def __str__(self) -> str:
        if self.form_reason is not None:
            return f"{self._value_text()}, but {self.form_reason}"
        return self._value_text()

    def _value_text(self) -> str:
        if self.status == "equal":
            return "equal"
        if self.status == "probably equal":
            points = "1 point" if self.points == 1 else f"{self.points} points"
            return f"probably equal: the values agree at {points}, without a proof"
        where = f"at {point_text(self.point)} " if self.point else ""
        if self.answer_value is None:
            return f"different: {where}the expected value is {self.expected_value} but the answer has none"
        return f"different: {where}the expected value is {self.expected_value} and the answer's is {self.answer_value}"


def equivalent(expected: Expr, answer: Expr, form: str | None = None) -> Verdict:
    """Whether `answer` has the value of `expected` wherever both have one.

    First a proof: expected - answer, expanded exactly, is 0, or both are
    constants with the same exact value. Then both are evaluated at random
    points (the same in every call), exactly where they are rational and
    as floats with a relative tolerance otherwise; points where either has
    no value are skipped. A point where they differ makes the verdict
    "different". Raises ValueError when `expected` has no value at any
    point tried.

    With a `form` (one of kalvira.forms.FORMS: "expanded", "simplified",
    "factored", "lowest-terms", "single-fraction", "same-up-to-order"), an
    answer of the expected value is also tested for that form, and the
    verdict's `form_reason` says why it is not in it.
    """
    require_tree(expected, "expected")
    require_tree(answer, "answer")
    if form is not None:
        forms.require_form(form)
    verdict = _compared_at_points(expected, answer, _difference_expands_to_zero(expected, answer))
    if not verdict or form is None:
        return verdict
    return replace(verdict, form_reason=forms.not_in_form(form, answer, expected))


def _difference_expands_to_zero(expected: Expr, answer: Expr) -> bool:
    # The school expansion is exact, so a 0 there is a proof.
    try:
        expanded = school.expand(core.Add(expected, core.Neg(answer)))
    except ValueError:
        return False
    return isinstance(expanded, core.Int) and expanded.value() == 0


def _compared_at_points(expected: Expr, answer: Expr, proven: bool) -> Verdict:
    agreed = 0
    answer_undefined: Verdict | None = None
    names = sorted(set(variables(expected)) | set(variables(answer)))
    expected_nodes, answer_nodes = flattened(expected), flattened(answer)
    modular = bool(names) and _is_rational_function(expected_nodes) and _is_rational_function(answer_nodes)
    for point in _points(names):
        if modular and _agree_modulo_prime(expected, answer, point):
            agreed += 1
            if agreed == SAMPLES:
                break
            continue
        # Exact values: where they differ modulo the prime (then they differ
        # exactly, and the verdict shows them), or either has no residue.
        numbers = numbers_of(point)
        try:
            expected_value = value_at(expected_nodes, numbers)
        except ValueError:
            continue
        try:
            answer_value = value_at(answer_nodes, numbers)
        except ValueError:
            answer_undefined = answer_undefined or Verdict("different", 0, point, expected_value, None)
            continue
        if not _agree(expected_value, answer_value):
            return Verdict("different", agreed, point, expected_value, answer_value)
        agreed += 1
        if not names:
            # Constants: their one value decides, and exact values are a proof.
            proven = proven or isinstance(expected_value, Fraction) and isinstance(answer_value, Fraction)
            break
        if agreed == SAMPLES:
            break
    if agreed == 0:
        if answer_undefined is not None:
            return answer_undefined
        raise ValueError("the expected expression has no value at any of the points tried")
    return Verdict("equal" if proven else "probably equal", agreed)


def _is_rational_function(nodes: Flat) -> bool:
    return all(kind in RATIONAL_KINDS or kind == "Pow" and nodes[second][0] == "Int" for kind, _, second in nodes)


def _agree_modulo_prime(expected: Expr, answer: Expr, point: dict[str, Fraction]) -> bool:
    """Whether both have a value modulo the prime at the point, and the same:
    then their exact values agree but for a chance of about the degree in
    2^61, as for the wrap check."""
    prime = _native.RESIDUE_PRIME
    residues = {name: value.numerator * pow(value.denominator, -1, prime) % prime for name, value in point.items()}
    expected_residue = _native.residue(expected, residues)
    return expected_residue is not None and expected_residue == _native.residue(answer, residues)


def is_expanded(tree: Expr) -> bool:
    """Whether `expand` leaves the tree as it is, up to the order of the
    terms and of the factors within a term: x^2 + 2x + 1 and 2yx + x^2 are
    expanded; 2(x+1), x + x and 2*3x are not."""
    return forms.not_in_form("expanded", tree) is None


def is_simplified(tree: Expr) -> bool:
    """Whether `simplify` leaves the tree as it is, up to the order of the
    terms and factors: x - 1 and 1 + x are simplified; x + x, x + 0 and
    (x^2-1)/(x-1) are not."""
    return forms.not_in_form("simplified", tree) is None


def is_factored(tree: Expr) -> bool:
    """Whether the factors are those `factor` gives, in any order and each
    up to its sign: (x+2)(x+3), (3+x)(x+2), (2-x)(3-x) and x^2 + 1 are
    factored; x^2 + 5x + 6 and (2x+2)(x+1) are not."""
    return forms.not_in_form("factored", tree) is None


def _points(names: list[str]) -> Iterator[dict[str, Fraction]]:
    """Points with small fractions for coordinates, the same in every call."""
    rng = random.Random(16)
    for _ in range(ATTEMPTS):
        yield {name: Fraction(rng.randint(-12, 12), rng.choice((1, 1, 2, 3, 5, 7))) for name in names}


def _agree(a: Fraction | float, b: Fraction | float) -> bool:
    if isinstance(a, Fraction) and isinstance(b, Fraction):
        return a == b
    try:
        return math.isclose(a, b, rel_tol=TOLERANCE, abs_tol=TOLERANCE)
    except OverflowError:  # an exact value beyond the floats: surely not close to a float
        return False
