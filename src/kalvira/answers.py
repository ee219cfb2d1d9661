"""Checking answers: whether two expressions have the same value, and
whether an answer is in the form a question asks for.

    >>> from kalvira import equivalent, is_expanded, parse
    >>> print(equivalent(parse("2(x+1)"), parse("2x+2")))
    equal
    >>> print(equivalent(parse("(a+b)^2"), parse("a^2+b^2")))
    different: at a = 2, b = 6 the expected value is 64 and the answer's is 40
    >>> print(equivalent(parse("ln(x^2)"), parse("2ln(x)")))
    equal where both are defined; the answer is undefined for x < 0
    >>> is_expanded(parse("2(x+1)"))
    False
"""

from __future__ import annotations

from dataclasses import dataclass, replace
from decimal import Decimal, localcontext
from fractions import Fraction
from typing import Literal

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native, forms, school
from kalvira.certified import Certified, compare_at
from kalvira.domains import (
    boundary_points,
    conditions,
    defined_at,
    has_only_rational_edges,
    region_text,
    same_conditions,
)
from kalvira.domains import edges as domain_edges
from kalvira.evaluation import Undefined, flattened, point_text, variables
from kalvira.sample_points import points
from kalvira.tree_walk import require_tree

Status = Literal["equal", "probably equal", "equal where both are defined", "different", "cannot tell"]

# A verdict of "probably equal" needs this many points where both sides have
# a value and agree, drawn from at most ATTEMPTS points tried. Beyond the
# edges of the domains and the points beside them, at least SEARCHED points
# are tried for a place where only one side has a value.
AGREEMENTS = 20
ATTEMPTS = 160
SEARCHED = 40

# Kinds whose value at a rational point is rational, with powers whose
# exponent is an integer literal: such trees are compared modulo a prime,
# in time linear in their size, where exact values would grow with the
# depth (a chain of 10^5 products is a number of 10^5 digits).
RATIONAL_KINDS = frozenset({"Int", "Var", "Rational", "Neg", "Add", "Mul", "Div"})

Value = Certified | None


@dataclass(frozen=True)
class Verdict:
    """Whether an answer has the expected value.

    `status` is one of
    - "equal": proven, the exact difference is 0, with no sampling;
    - "probably equal": the values agree at `points` points (at least 20)
      where both have one, without a proof;
    - "equal where both are defined": they agree wherever both have a value,
      but the answer has none at some points where the expected one has:
      `domain_note` says where;
    - "different": at `point` both have values, `expected_value` and
      `answer_value`, that differ (exactly, or by certified bounds); when the
      answer has no value wherever the expected one has, `answer_value` is None;
    - "cannot tell": too few points where both have a value, and no proof.
    `domain_note` also tells where only the expected expression has no value
    (as for (x^2-1)/(x-1) against x + 1), which does not count against the
    answer. `form_reason` says why an answer of the right value is not in
    the form asked for. The verdict is true for "equal" and "probably
    equal" without a form reason; `accepted(domain_differences=True)` also
    accepts "equal where both are defined".
    """

    status: Status
    points: int = 0
    point: dict[str, Fraction] | None = None
    expected_value: Value = None
    answer_value: Value = None
    form_reason: str | None = None
    domain_note: str | None = None

    def __bool__(self) -> bool:
        return self.accepted()

    def accepted(self, domain_differences: bool = False) -> bool:
        """Whether a marker takes the answer: its value is right (where both
        are defined, if `domain_differences`) and it is in the form asked for."""
        statuses = ("equal", "probably equal") + (("equal where both are defined",) if domain_differences else ())
        return self.status in statuses and self.form_reason is None

    def __str__(self) -> str:
        text = self._value_text()
        if self.domain_note is not None:
            text = f"{text}; {self.domain_note}"
        if self.form_reason is not None:
            return f"{text}, but {self.form_reason}"
        return text

    def _value_text(self) -> str:
        if self.status in ("equal", "equal where both are defined"):
            return self.status
        if self.status in ("probably equal", "cannot tell"):
            return f"{self.status}: {self._agreement()}, without a proof"
        where = f"at {point_text(self.point)} " if self.point else ""
        expected = number_text(self.expected_value)
        if self.answer_value is None:
            return f"different: {where}the expected value is {expected} but the answer has none"
        return (
            f"different: {where}the expected value is {expected} and the answer's is {number_text(self.answer_value)}"
        )

    def _agreement(self) -> str:
        if self.point == {}:
            return "the values agree to at least 60 digits"
        if self.points == 0:
            return "no point found where both have a value"
        return "the values agree at 1 point" if self.points == 1 else f"the values agree at {self.points} points"


def number_text(value: Value) -> str:
    """A value as a verdict shows it: a fraction written out, or rounded to
    12 significant digits ("≈ 1.23e+4500") where Python refuses to write
    an integer that long."""
    try:
        return str(value)
    except ValueError:
        assert isinstance(value, Fraction)
    with localcontext() as context:
        context.prec = 12
        return f"≈ {Decimal(value.numerator) / Decimal(value.denominator):.11e}"


def equivalent(expected: Expr, answer: Expr, form: str | None = None) -> Verdict:
    """Whether `answer` has the value of `expected` wherever both have one.

    First a proof: expected - answer is exactly 0 in the algebra layer (the
    domains are compared too). Otherwise both are evaluated, exactly or with
    certified bounds, at points drawn from both domains over wide ranges
    (negative, large, fractional and near the edges of the domains), the
    same in every call; a point where they differ makes the verdict
    "different", agreement at 20 points "probably equal". Raises ValueError
    when `expected` has no value at any point tried.

    With a `form` (one of kalvira.forms.FORMS: "expanded", "simplified",
    "factored", "lowest-terms", "single-fraction", "same-up-to-order"), an
    answer of the expected value is also tested for that form, and the
    verdict's `form_reason` says why it is not in it.
    """
    require_tree(expected, "expected")
    require_tree(answer, "answer")
    if form is not None:
        forms.require_form(form)
    verdict = _Comparison(expected, answer).verdict()
    if not verdict.accepted(domain_differences=True) or form is None:
        return verdict
    return replace(verdict, form_reason=forms.not_in_form(form, answer, expected))


def _difference_is_zero(expected: Expr, answer: Expr) -> bool:
    # The algebra layer is exact, so a 0 there is a proof.
    try:
        difference = school.expand(core.Add(expected, core.Neg(answer)))
    except ValueError:
        return False
    return isinstance(difference, core.Int) and difference.value() == 0


class _Comparison:
    """Both sides at the points tried: how many agree, and the first point
    where only one side has a value."""

    def __init__(self, expected: Expr, answer: Expr) -> None:
        self.expected, self.answer = expected, answer
        self.names = sorted(set(variables(expected)) | set(variables(answer)))
        self.conditions = (conditions(expected), conditions(answer))
        self.agreed = 0
        # Where the answer has no value but the expected one has, and the reverse.
        self.answer_gap: dict[str, Fraction] | None = None
        self.expected_gap: dict[str, Fraction] | None = None
        self.first_value: Value = None

    def verdict(self) -> Verdict:
        proven = _difference_is_zero(self.expected, self.answer)
        if proven and same_conditions(*self.conditions):
            return Verdict("equal")
        different = self._sample(proven)
        if different is not None:
            return different
        note = self._domain_note()
        if self.answer_gap is not None and (proven or self.agreed > 0):
            return Verdict("equal where both are defined", self.agreed, domain_note=note)
        if proven:
            return Verdict("equal", domain_note=note)
        if self.agreed == 0:
            if self.answer_gap is not None:
                return Verdict("different", 0, self.answer_gap, self.first_value, None)
            raise ValueError("the expected expression has no value at any of the points tried")
        enough = self.agreed >= AGREEMENTS or not self.names
        point: dict[str, Fraction] | None = {} if not self.names else None
        return Verdict("probably equal" if enough else "cannot tell", self.agreed, point, domain_note=note)

    def _sample(self, proven: bool) -> Verdict | None:
        """Compares the sides at each point (only whether each has a value,
        when the values are proven equal); the verdict "different" at the
        first point where both have values that differ."""
        modular = not proven and _is_rational_function(self.expected) and _is_rational_function(self.answer)
        found = self.conditions[0] + self.conditions[1]
        edges = {name: domain_edges(found, name) for name in self.names}
        boundary = boundary_points(found, self.names) if len(self.names) > 1 else []
        near_edges = len(boundary) + sum(len(near) for near in edges.values()) * 12
        # Without conditions both sides are defined everywhere: nothing to search.
        enough_searched = SEARCHED + near_edges if found else 0
        for tried, point in enumerate(points(self.names, edges, ATTEMPTS + near_edges if self.names else 1, boundary)):
            if tried >= enough_searched and (proven or self.agreed >= AGREEMENTS):
                break
            try:
                different = self._compare(point, proven, modular)
            except ValueError:  # a value too large to work out there: try the next point
                continue
            if different is not None:
                return different
        return None

    def _compare(self, point: dict[str, Fraction], proven: bool, modular: bool) -> Verdict | None:
        if modular and _agree_modulo_prime(self.expected, self.answer, point):
            self.agreed += 1
        elif proven:
            self._note_gap(point, defined_at(self.expected, point), defined_at(self.answer, point))
        else:
            compared = compare_at(self.expected, self.answer, point)
            expected, answer = _defined(compared.expected), _defined(compared.answer)
            if compared.status == "differ":
                return Verdict("different", self.agreed, point, expected, answer)
            self.agreed += compared.status == "same"
            self._note_gap(point, expected is not None, answer is not None)
            self.first_value = self.first_value if self.first_value is not None else expected
        return None

    def _note_gap(self, point: dict[str, Fraction], expected_defined: bool, answer_defined: bool) -> None:
        if expected_defined and not answer_defined and self.answer_gap is None:
            self.answer_gap = point
        if answer_defined and not expected_defined and self.expected_gap is None:
            self.expected_gap = point

    def _domain_note(self) -> str | None:
        notes = []
        for side, gap, has_value, lacks_value in (
            ("the answer", self.answer_gap, self.expected, self.answer),
            ("the expected expression", self.expected_gap, self.answer, self.expected),
        ):
            if gap is not None:
                notes.append(f"{side} is undefined {self._where(gap, has_value, lacks_value)}")
        return "; ".join(notes) or None

    def _where(self, gap: dict[str, Fraction], has_value: Expr, lacks_value: Expr) -> str:
        """Where `lacks_value` has no value but `has_value` has: a region of
        the one variable when the domains can change only at rational edges,
        else the first point found."""
        found = self.conditions[0] + self.conditions[1]
        if len(self.names) == 1 and has_only_rational_edges(found, self.names[0]):
            name = self.names[0]
            region = region_text(
                name,
                domain_edges(found, name),
                lambda at: defined_at(has_value, {name: at}) and not defined_at(lacks_value, {name: at}),
            )
            if region:
                only_points = all(piece.startswith(f"{name} = ") for piece in region.split(" or "))
                return f"at {region}" if only_points else f"for {region}"
        return f"at some points, such as {point_text(gap)}"


def _defined(value: Certified | Undefined) -> Value:
    return None if isinstance(value, Undefined) else value


def _is_rational_function(tree: Expr) -> bool:
    nodes = flattened(tree)
    return all(kind in RATIONAL_KINDS or kind == "Pow" and nodes[second][0] == "Int" for kind, _, second in nodes)


def _agree_modulo_prime(expected: Expr, answer: Expr, point: dict[str, Fraction]) -> bool:
    """Whether both have a value modulo the prime at the point, and the same:
    then their exact values agree but for a chance of about the degree in
    2^61, as for the wrap check, and both have a value there."""
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
