"""Form tests for answers: whether a tree is written in the form a question
asks for, and if not, why.

Each test returns None when the tree is in the form, else a reason that
names what is wrong and shows the school operation's result:

    >>> from kalvira import parse
    >>> not_in_form("factored", parse("x^2 - 4"))
    'not factored: x² - 4 = (x - 2)(x + 2)'
"""

from __future__ import annotations

import math
from collections import Counter
from collections.abc import Callable
from fractions import Fraction
from functools import reduce

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import school
from kalvira.order_free import order_free_key, signed_factors, summands
from kalvira.tree_walk import require_tree
from kalvira.values import to_text


def _text(tree: Expr) -> str:
    return to_text(tree, unicode=True)


def _unless_unchanged(operation: Callable[[Expr], Expr], what: str, tree: Expr) -> str | None:
    """None when `operation` leaves the tree as it is up to the order of the
    terms and factors, else "not WHAT: tree = result"."""
    result = operation(tree)
    if order_free_key(tree) == order_free_key(result):
        return None
    return f"not {what}: {_text(tree)} = {_text(result)}"


def not_expanded(tree: Expr) -> str | None:
    return _unless_unchanged(school.expand, "expanded", tree)


def not_simplified(tree: Expr) -> str | None:
    return _unless_unchanged(school.simplify, "simplified", tree)


# A product seen as its numbers, without their signs and not multiplied
# together (2·3x is not 6x), and the multiset of its other factors, each a
# key that ignores the factor's sign.
Signature = tuple[tuple[Fraction, ...], Counter[str]]


def _factors(term: Expr) -> list[Expr]:
    """The factors of a product, however nested, with negations removed."""
    return signed_factors(term)[1]


def _sign_free_key(factor: Expr) -> str:
    """The same key for a factor and its negation written term by term:
    x - 2 and 2 - x, -x - 1 and x + 1."""
    if isinstance(factor, core.Pow):
        return f"pow({_sign_free_key(factor.base())},{factor.exp().to_string()})"
    if not isinstance(factor, core.Add):
        return order_free_key(factor)
    negated_terms: list[Expr] = [core.Neg(term) for term in summands(factor)]
    negated = reduce(core.Add, negated_terms)
    return min(order_free_key(factor), order_free_key(negated))


def _number(node: Expr) -> Fraction | None:
    """The value of a number written as an integer, a Rational or an
    integer over a nonzero integer; None for anything else."""
    if isinstance(node, core.Int):
        return Fraction(node.value())
    if isinstance(node, core.Rational):
        return Fraction(node.num(), node.den())
    if isinstance(node, core.Div):
        top, bottom = node.num(), node.den()
        if isinstance(top, core.Int) and isinstance(bottom, core.Int) and bottom.value() != 0:
            return Fraction(top.value(), bottom.value())
    return None


def _signature(tree: Expr) -> Signature:
    """A number written as a quotient (1/2) counts as that number; another
    quotient's numerator counts as part of the product, and a denominator
    that is a number as its reciprocal: (2x + 1)/2 as 1/2·(2x + 1)."""
    numbers, others = [], Counter[str]()
    for factor in _factors(tree):
        number = _number(factor)
        if number is not None:
            numbers.append(abs(number))
        elif isinstance(factor, core.Div):
            (top_numbers, top), (bottom_numbers, bottom) = _signature(factor.num()), _signature(factor.den())
            numbers += top_numbers
            others += top
            if bottom:
                others[f"div({bottom_numbers},{sorted(bottom.elements())})"] += 1
            else:
                numbers += [1 / number for number in bottom_numbers]
        else:
            others[_sign_free_key(factor)] += 1
    return tuple(sorted(numbers)), others


def not_factored(tree: Expr) -> str | None:
    """Factored when the factors are those of `factor`'s result, in any
    order, each up to its sign: (2 - x)(3 - x) as (x - 2)(x - 3), and
    -(2 - x) as x - 2. The overall sign needs no check of its own: the
    tree and the result have the same value, so matching factors leave
    them equal or opposite, and opposite only for the value 0."""
    result = school.factor(tree)
    if _signature(tree) == _signature(result):
        return None
    return f"not factored: {_text(tree)} = {_text(result)}"


def _shares_a_factor(quotient: core.Div) -> bool:
    """Whether the factorised numerator and denominator have a factor in
    common: an integer greater than 1 or a polynomial, up to its sign."""
    (top_numbers, top), (bottom_numbers, bottom) = (
        _signature(school.factor(side)) for side in (quotient.num(), quotient.den())
    )
    top_content, bottom_content = math.prod(top_numbers), math.prod(bottom_numbers)
    whole = top_content.denominator == bottom_content.denominator == 1
    common_number = whole and math.gcd(top_content.numerator, bottom_content.numerator) > 1
    return common_number or bool(top & bottom)


def _is_fraction(factor: Expr) -> bool:
    return isinstance(factor, (core.Div, core.Rational))


def _numeric_denominator(factor: Expr) -> int:
    """The denominator of a Rational or of a quotient by an integer, else 1."""
    if isinstance(factor, core.Rational):
        return factor.den()
    denominator = factor.den() if isinstance(factor, core.Div) else None
    return denominator.value() if isinstance(denominator, core.Int) and denominator.value() != 0 else 1


def _over_one_denominator(tree: Expr) -> Expr:
    """The simplified tree as one fraction where it can be: simplify writes
    a quotient of polynomials as one, but numbers as coefficients (3/2·x,
    x + 1/2), which go over their least common denominator here."""
    result = school.simplify(tree)
    common = math.lcm(*(_numeric_denominator(factor) for term in summands(result) for factor in _factors(term)))
    if common == 1:
        return result
    return core.Div(school.expand(core.Mul(core.Int(common), result)), core.Int(common))


def not_in_lowest_terms(tree: Expr) -> str | None:
    """In lowest terms when no quotient among the summands has a numerator
    and a denominator that share a factor; a tree without a quotient is."""
    quotients = [factor for term in summands(tree) for factor in _factors(term) if isinstance(factor, core.Div)]
    if not any(_shares_a_factor(quotient) for quotient in quotients):
        return None
    return f"not in lowest terms: {_text(tree)} = {_text(_over_one_denominator(tree))}"


def not_a_single_fraction(tree: Expr) -> str | None:
    """A single fraction has at most one fraction bar at the top: a tree
    without one, or one summand with one quotient among its factors (a
    number written as a fraction counts). A sum with a fraction, 1/x + 1/y
    or x + 1/2, is not."""
    terms = summands(tree)
    bars = sum(_is_fraction(factor) for term in terms for factor in _factors(term))
    if bars == 0 or bars == 1 and len(terms) == 1:
        return None
    return f"not a single fraction: {_text(tree)} = {_text(_over_one_denominator(tree))}"


def not_same_up_to_order(tree: Expr, expected: Expr) -> str | None:
    """The same as `expected` up to the order of the summands of sums and
    the factors of products, however they are grouped: x + (y + 1) as
    1 + x + y, 2xy as y(2x). A negation counts as the sign of its term."""
    if order_free_key(tree) == order_free_key(expected):
        return None
    return f"not the same up to order as {_text(expected)}"


FORM_TESTS: dict[str, Callable[[Expr, Expr], str | None]] = {
    "expanded": lambda tree, _: not_expanded(tree),
    "simplified": lambda tree, _: not_simplified(tree),
    "factored": lambda tree, _: not_factored(tree),
    "lowest-terms": lambda tree, _: not_in_lowest_terms(tree),
    "single-fraction": lambda tree, _: not_a_single_fraction(tree),
    "same-up-to-order": not_same_up_to_order,
}

FORMS = tuple(FORM_TESTS)


def require_form(form: str) -> str:
    """The form, when it is one of FORMS; else a ValueError listing them."""
    if form not in FORM_TESTS:
        raise ValueError(f"unknown form {form!r}: choose {', '.join(FORMS)}")
    return form


def not_in_form(form: str, tree: Expr, expected: Expr | None = None) -> str | None:
    """Why `tree` is not in `form` (one of FORMS), or None when it is;
    same-up-to-order compares with `expected`, which it needs."""
    test = FORM_TESTS[require_form(form)]
    if form == "same-up-to-order" and expected is None:
        raise ValueError("the form same-up-to-order needs the expected answer")
    return test(require_tree(tree, "tree"), tree if expected is None else expected)
