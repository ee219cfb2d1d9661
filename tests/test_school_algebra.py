"""The exact algebra layer through kalvira._native: school expand, simplify
and factor on the layer's own cases (kernels, roots, rationalising, exact
trigonometric values, refusals), compared as exact LaTeX."""

import math
import random
import re
from fractions import Fraction

import _kalvira_core as kc
import pytest

from kalvira import _native, evaluate, parse, to_text

EXPAND = [
    ("3(x-2) - 2(x+1)", "x - 8"),
    ("(x+1)^2 - (x-1)^2", "4x"),
    ("(2x-3y)^2", "4x^{2} - 12xy + 9y^{2}"),
    ("(x-1/2)^2", "x^{2} - x + \\frac{1}{4}"),
    ("x/2 + x/3", "\\frac{5}{6}x"),
    ("(sqrt(3)+1)^2", "4 + 2\\sqrt{3}"),
    ("(y+x)(x-y)", "x^{2} - y^{2}"),
    ("-(x-1)^2", "-x^{2} + 2x - 1"),
    ("(a+b)^3", "a^{3} + 3a^{2}b + 3ab^{2} + b^{3}"),
    ("2 pi r", "2\\pi r"),
    ("sqrt(3)/2 x + x", "x + \\frac{\\sqrt{3}}{2}x"),
    ("3 sqrt(2)/4", "\\frac{3\\sqrt{2}}{4}"),
    ("sqrt(2)(sqrt(3) + 2sqrt(2) + pi)", "4 + \\sqrt{6} + \\sqrt{2}\\pi"),
    ("(cbrt(2) + 1)^3", "3 + 3\\sqrt[3]{2} + 3\\sqrt[3]{4}"),
    ("sin(x) x + x^2 + sin(x)^2", "x^{2} + x\\sin\\left(x\\right) + \\sin\\left(x\\right)^{2}"),
    ("sin(x + x) - sin(2x)", "0"),
]

SIMPLIFY = [
    ("1/2 + 1/3", "\\frac{5}{6}"),
    ("(2/3)^2", "\\frac{4}{9}"),
    ("2^3 2^-2", "2"),
    ("x^3 x^4", "x^{7}"),
    ("x + x + x", "3x"),
    ("9y/3", "3y"),
    ("3/sqrt(3)", "\\sqrt{3}"),
    ("(x^2-16)/(x-4)", "x + 4"),
    ("(x^2-1)/(x^2+2x+1)", "\\frac{x - 1}{x + 1}"),
    ("x/(2x + 2y) + 1", "\\frac{3x + 2y}{2x + 2y}"),
    ("1/(1 - x)", "-\\frac{1}{x - 1}"),
    ("x/(1 - x) + 1/(x - 1)", "-1"),
    ("(2 - x)/(x + 1)", "\\frac{-x + 2}{x + 1}"),
    # roots of integers and their relations
    ("sqrt(2) sqrt(2)", "2"),
    ("sqrt(12)", "2\\sqrt{3}"),
    ("cbrt(16)", "2\\sqrt[3]{2}"),
    ("cbrt(-16)", "-2\\sqrt[3]{2}"),
    ("sqrt(2) sqrt(3)", "\\sqrt{6}"),
    ("sqrt(8/3)", "\\frac{2\\sqrt{6}}{3}"),
    ("4^(1/2) + 8^(2/3)", "6"),
    ("sqrt(x) sqrt(x) + sqrt(x)", "x + \\sqrt{x}"),
    ("cbrt(x+1)^4", "x\\sqrt[3]{x + 1} + \\sqrt[3]{x + 1}"),
    ("1/(sqrt(x) + 1)", "\\frac{\\sqrt{x} - 1}{x - 1}"),
    # rationalised denominators
    ("1/(2sqrt(2))", "\\frac{\\sqrt{2}}{4}"),
    ("1/(sqrt(3)-1)", "\\frac{1 + \\sqrt{3}}{2}"),
    ("1/2 + sqrt(3)/3 + x/2", "\\frac{1}{2}x + \\frac{1}{2} + \\frac{\\sqrt{3}}{3}"),
    ("1/cbrt(2)", "\\frac{\\sqrt[3]{4}}{2}"),
    ("1/(1 + cbrt(2))", "\\frac{1 - \\sqrt[3]{2} + \\sqrt[3]{4}}{3}"),
    ("x/(sqrt(2) x + x)", "-1 + \\sqrt{2}"),
    # exact values at multiples of pi/6 and pi/4; others stay
    ("sin(pi/6) + cos(pi/3) + tan(pi/4)", "2"),
    ("cos(pi/6)", "\\frac{\\sqrt{3}}{2}"),
    ("tan(pi/3) - tan(-pi/6)", "\\frac{4\\sqrt{3}}{3}"),
    ("sin(5pi/4)", "-\\frac{\\sqrt{2}}{2}"),
    ("cos(7pi/6) + sin(-pi/2)", "-\\frac{2 + \\sqrt{3}}{2}"),
    ("sin(pi/12)", "\\sin\\left(\\frac{\\pi}{12}\\right)"),
    ("ln(1) + ln(e) + ln(e^3) + ln(e^x)", "x + 4"),
    ("ln(e^-2) + sqrt(2) + 1", "-1 + \\sqrt{2}"),
    ("ln(2) + ln(2)", "2\\ln\\left(2\\right)"),
    # powers of one base merge; halves and thirds are roots
    ("x^(1/2) x^(1/2) + x^(3/2)", "x\\sqrt{x} + x"),
    ("x^n x^n + e^x e^-x + 2^x 2^x", "x^{2n} + 2^{2x} + 1"),
]

FACTOR = [
    ("x^2 + 5x + 6", "\\left(x + 2\\right)\\left(x + 3\\right)"),
    ("2x^2 - 8", "2\\left(x - 2\\right)\\left(x + 2\\right)"),
    ("x^3 - 1", "\\left(x - 1\\right)\\left(x^{2} + x + 1\\right)"),
    ("x^2 - 5xy + 6y^2", "\\left(x - 2y\\right)\\left(x - 3y\\right)"),
    ("xy - x + y - 1", "\\left(x + 1\\right)\\left(y - 1\\right)"),
    ("12x^2y - 18xy^2", "6xy\\left(2x - 3y\\right)"),
    ("x^2 + 1", "x^{2} + 1"),
    ("x^2 + 2x + 1", "\\left(x + 1\\right)^{2}"),
    ("-x^2 + 5x - 6", "-\\left(x - 2\\right)\\left(x - 3\\right)"),
    ("6x^2 - 5x - 6", "\\left(2x - 3\\right)\\left(3x + 2\\right)"),
    ("x^4 - 1", "\\left(x - 1\\right)\\left(x + 1\\right)\\left(x^{2} + 1\\right)"),
    ("2 pi r + 2 pi h", "2\\pi\\left(h + r\\right)"),
    ("(x+1)/2 + (x+1)/3", "\\frac{5}{6}\\left(x + 1\\right)"),
    ("(x^2-4)/(2x^2)", "\\frac{\\left(x - 2\\right)\\left(x + 2\\right)}{2x^{2}}"),
    ("-x/(x+1)", "-\\frac{x}{x + 1}"),
    ("(x+1000)^4", "\\left(x + 1000\\right)^{4}"),
    ("cbrt(x+1)^4", "\\sqrt[3]{x + 1}\\left(x + 1\\right)"),
    ("0", "0"),
    ("-12", "-12"),
]

ALL = (_native.school_expand, _native.school_simplify, _native.school_factor)
MULTIPLIED_OUT = ALL[:2]  # factor keeps (x+1000)^4 as it is

REFUSED = [
    ("1/(x - x)", "division by zero"),
    ("sqrt(-4)", "the square root of the negative number -4"),
    ("tan(pi/2)", "tan is not defined"),
    ("tan(3pi/2)", "tan is not defined"),
    ("ln(0)", "ln is defined only for positive numbers, not for 0"),
    ("ln(-1/2)", "not for -1/2"),
    ("x^2147483647 x", "the exponent 2147483648 does not fit in 32 bits"),
    ("sqrt(2147483647 * 3)", "the number 6442450941 does not fit in 32 bits"),
    ("(x+1)^100000", "the exponent 100000 is too large"),
    ("(a+b+c+1)^200", "the exponent 200 is too large to multiply out"),
    ("sqrt(2)^(2^30)", "the power with exponent 1073741824 is too large to work out"),
    ("2^100 x", "the coefficient 126765060022822940149670320537... (31 digits) does not fit in 32 bits"),
]
REFUSED_MULTIPLIED_OUT = [
    ("(x+1000)^4", "the coefficient 4000000000 does not fit in 32 bits"),
    ("(x + 1/65536)^2", "the coefficient 4294967296 does not fit in 32 bits"),
]

CASES = (
    [(_native.school_expand, text, latex) for text, latex in EXPAND]
    + [(_native.school_simplify, text, latex) for text, latex in SIMPLIFY]
    + [(_native.school_factor, text, latex) for text, latex in FACTOR]
)


@pytest.mark.parametrize(("operation", "text", "latex"), CASES, ids=[f"{op.__name__}:{t}" for op, t, _ in CASES])
def test_school_results_in_latex(operation, text, latex):
    assert operation(parse(text)).to_string() == latex


@pytest.mark.parametrize(
    ("operations", "text", "message"),
    [(ALL, text, message) for text, message in REFUSED]
    + [(MULTIPLIED_OUT, text, message) for text, message in REFUSED_MULTIPLIED_OUT]
    + [((_native.school_factor,), "x^2 - x^2000000", "the polynomial of degree 1999998 is too large to factorise")],
)
def test_refusals_name_the_cause(operations, text, message):
    tree = parse(text)
    for operation in operations:
        with pytest.raises(ValueError, match=re.escape(message)):
            operation(tree)


def test_every_renderer_shows_the_school_form():
    result = _native.school_expand(parse("(2x-3y)^2 + sqrt(12) x/3"))
    assert result.to_string() == "4x^{2} - 12xy + 9y^{2} + \\frac{2\\sqrt{3}}{3}x"
    assert to_text(result) == "4x^2 - 12xy + 9y^2 + 2sqrt(3)/3*x"
    assert to_text(result, unicode=True) == "4x² - 12xy + 9y² + 2√3/3·x"
    # A leading minus stands where school notation reads it back.
    cases = [
        ("2 - 2x", "-2x + 2"),
        ("-x/(x+1)", "-x/(x + 1)"),
        ("-3x^2 + 3", "-3x^2 + 3"),
        ("x 2sqrt(2)pi", "2sqrt(2)pi*x"),
    ]
    for text, school_text in cases:
        for operation in (_native.school_expand, _native.school_factor):
            result = operation(parse(text))
            assert parse(to_text(result)) == result and "-(" not in to_text(result)
        assert to_text(_native.school_expand(parse(text))) == school_text
    leading_number = _native.school_simplify(parse("cbrt(-8) + sqrt(2)"))
    assert [to_text(leading_number), to_text(leading_number, unicode=True)] == ["-2 + sqrt(2)", "-2 + √2"]


def test_deep_trees_and_argument_untouched():
    x = kc.Var("x")
    sum_tree, negations = x, x
    for _ in range(200_000):
        sum_tree = kc.Add(sum_tree, kc.Int(1))
        negations = kc.Neg(negations)
    assert _native.school_expand(sum_tree).to_string() == "x + 200000"
    assert _native.school_simplify(negations) is not negations
    assert _native.school_simplify(negations).to_string() == "x"
    assert type(sum_tree.left()) is kc.Add and sum_tree.right().value() == 1


def test_shared_subtrees_are_worked_once():
    tree = kc.Add(kc.Var("x"), kc.Int(1))
    for _ in range(60):  # 2^60 paths through 120 distinct nodes
        tree = kc.Div(kc.Add(tree, tree), kc.Int(2))
    assert _native.school_expand(tree).to_string() == "x + 1"


def random_text(rng, depth=4):
    """A school expression over x, y, small numbers and a few roots."""
    if depth == 0 or rng.random() < 0.25:
        return rng.choice(["x", "y", "x", "2", "3", "-1", "1/2", "sqrt(2)", "sqrt(3)", "cbrt(2)"])
    left, right = random_text(rng, depth - 1), random_text(rng, depth - 1)
    form = rng.choice(["({}) + ({})", "({}) - ({})", "({})({})", "({})({})", "({})^2", "({})^3", "({})/({})", "({})/2"])
    return form.format(left, right)


def generated_trees(count, seed):
    rng = random.Random(seed)
    for _ in range(count):
        text = random_text(rng)
        try:
            _native.school_simplify(parse(text))
        except ValueError:  # division by zero, numbers beyond 32 bits
            continue
        yield text


POINTS = [{"x": Fraction(3, 7), "y": Fraction(-5, 2)}, {"x": Fraction(-2), "y": Fraction(11, 3)}]


def values_agree(a, b):
    if isinstance(a, Fraction) and isinstance(b, Fraction):
        return a == b
    return math.isclose(a, b, rel_tol=1e-9, abs_tol=1e-9)


@pytest.mark.parametrize("seed", range(4))
def test_generated_results_keep_their_value_and_are_fixed_points(seed):
    for text in generated_trees(60, seed):
        tree = parse(text)
        expanded = _native.school_expand(tree)
        for operation in (_native.school_simplify, _native.school_factor):
            result = operation(tree)
            for point in POINTS:
                try:
                    expected = evaluate(tree, point)
                except ValueError:  # the point is a pole of the expression
                    continue
                assert values_agree(evaluate(result, point), expected), (text, result.to_string(), point)
        # The school form read back from its text is worked out to itself,
        # and a factorisation multiplied out is the expansion.
        assert _native.school_expand(parse(to_text(expanded))).to_string() == expanded.to_string(), text
        factored = _native.school_factor(tree)
        assert _native.school_expand(factored).to_string() == expanded.to_string(), text
