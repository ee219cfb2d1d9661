"""Certified values: exact values and exact zeros, the causes of points
without a value, correct digits against SymPy, comparisons, deep trees."""

from fractions import Fraction

import _kalvira_core as kc
import pytest
import sympy
from hypothesis import given, settings

from kalvira import Undefined, evaluate, expand, parse, to_sympy
from kalvira.certified import Ball, certified_value, compare_at
from tree_strategies import trees

F = Fraction


@pytest.mark.parametrize(
    "text, point, value",
    [
        ("sin(pi) + cos(pi/2) + tan(pi) + sqrt(2)^2 - 2", {}, F(0)),
        ("sqrt(cos(pi/2)) + sqrt(tan(pi))", {}, F(0)),
        ("sin(pi/6) + cos(pi/3) + tan(pi/4)", {}, F(2)),
        ("(sqrt(3) + 1)(sqrt(3) - 1) + x", {"x": F(10**40, 3)}, F(10**40 + 6, 3)),
        ("(x - y)/(x^2 - y^2)", {"x": F(1, 2), "y": F(1, 3)}, F(6, 5)),
        ("ln(e^x) + 0^pi", {"x": F(3)}, F(3)),
        ("x^100", {"x": 3}, F(3**100)),
    ],
)
def test_exact_values_and_zeros(text, point, value):
    result = certified_value(parse(text), point)
    assert result == value and type(result) is Fraction


@pytest.mark.parametrize(
    "text, point, cause",
    [
        ("1/sin(pi)", {}, "division by zero"),
        ("1/(x - sqrt(2)^2)", {"x": 2}, "division by zero"),
        ("0^(-pi)", {}, "division by zero"),
        ("sqrt(pi - 4)", {}, "square root of a negative"),
        ("sqrt(sqrt(2) - 3/2 + x)", {"x": F(-1, 10**30)}, "square root of a negative"),
        ("ln(x - pi)", {"x": 3}, "logarithm"),
        ("tan(5pi/2) + x", {"x": 1}, "tangent"),
        ("(-2)^(1/4)", {}, "even denominator"),
        ("(-2)^pi", {}, "not rational"),
    ],
)
def test_undefined_names_the_cause(text, point, cause):
    for evaluation in (certified_value, evaluate):
        with pytest.raises(Undefined, match=cause):
            evaluation(parse(text), point)


@pytest.mark.parametrize(
    "text, error",
    [
        ("2^(10^9)", "too large"),
        ("pi^(10^9)", "too large"),
        ("1/(sin(1)^2 + cos(1)^2 - 1)", "cannot decide whether a divisor is zero"),
    ],
)
def test_refusals(text, error):
    with pytest.raises(ValueError, match=error):
        certified_value(parse(text), {})


def test_a_hidden_zero_is_a_narrow_ball_around_zero():
    value = certified_value(parse("sin(1)^2 + cos(1)^2 - 1"), {})
    assert isinstance(value, Ball) and value.contains(F(0)) and value.high - value.low < F(1, 10**1000)
    with pytest.raises(ValueError, match="cannot decide whether the value is zero"):
        evaluate(parse("sin(1)^2 + cos(1)^2 - 1"))


@pytest.mark.parametrize(
    "expected, answer, point, status",
    [
        ("sqrt(2)", "665857/470832", {}, "differ"),
        ("(x - 3sqrt(2))^8", None, {"x": F(5)}, "same"),
        ("sin(x)^2 + cos(x)^2", "1", {"x": F(7, 3)}, "same"),
        ("ln(x^2)", "2ln(x)", {"x": F(-2)}, "unknown"),
        ("pi", "355/113", {}, "differ"),
        ("1/3", "2/6", {}, "same"),
    ],
)
def test_compare_at(expected, answer, point, status):
    tree = parse(expected)
    comparison = compare_at(tree, expand(tree) if answer is None else parse(answer), point)
    assert comparison.status == status
    if status == "unknown":
        assert isinstance(comparison.answer, Undefined)


def test_ball_digits_are_the_correctly_rounded_ones():
    assert str(certified_value(parse("sqrt(2)"), {}, 20)).startswith("1.41421356237309504880")
    assert str(Ball(F(-19996, 10000), F(-19994, 10000))) == "-2.00"
    assert str(Ball(F(123456), F(123458))) == "1.2346e+5"


@settings(max_examples=150, deadline=None)
@given(trees())
def test_every_digit_agrees_with_sympy(tree):
    point = {"x": F(2, 3), "y": F(-5, 7)}
    try:
        value = certified_value(tree, point, 25)
    except ValueError:
        return
    reference = sympy.N(to_sympy(tree).subs({"x": sympy.Rational(2, 3), "y": sympy.Rational(-5, 7)}), 60)
    if isinstance(value, Fraction):
        assert abs(reference - sympy.Rational(value.numerator, value.denominator)) < sympy.Float(10) ** -50
    elif reference.is_real:
        low, high = (sympy.Rational(end.numerator, end.denominator) for end in (value.low, value.high))
        slack = sympy.Float(10) ** -50 * (1 + abs(reference))
        assert low - slack <= reference <= high + slack
        if not value.contains(F(0)):
            assert float(value) == pytest.approx(float(reference), rel=1e-15)


def test_deep_trees():
    tree = kc.Var("x")
    for level in range(100_000):
        tree = kc.Add(tree, kc.Sqrt(kc.Int(2))) if level % 2 else kc.Neg(tree)
    value = certified_value(tree, {"x": F(1)})
    assert value == 1  # each Neg undoes the sum before it: the roots cancel exactly
