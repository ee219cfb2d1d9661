"""Trees as Python values once kalvira is imported: structural ==, != and
hash, the operators against parse, repr (the constructor form), str and
to_text (school notation read back by parse), at any depth; and the core
alone keeping its identity semantics."""

import copy
import os
import subprocess
import sys
from decimal import Decimal
from fractions import Fraction

import _kalvira_core as kc
import pytest
from hypothesis import given, settings

from kalvira import Add, Int, Mul, Neg, Pow, Rational, Var, batch, expand, parse, show, to_text
from kalvira.tree_walk import fold
from tree_strategies import school_trees, trees

DEPTH = int(os.environ.get("KALVIRA_PROBE_DEPTH", "1000000"))
x, y = Var("x"), Var("y")


LEAF_FIELDS = {kc.Int: ("value",), kc.Var: ("name",), kc.Rational: ("num", "den")}


def constructor_form_oracle(tree):
    """The straightforward constructor form, one Python string per node."""

    def write(node, operands):
        arguments = operands or [repr(getattr(node, field)()) for field in LEAF_FIELDS.get(type(node), ())]
        return f"{type(node).__name__}({', '.join(arguments)})"

    return fold(tree, write)


def test_the_core_alone_keeps_identity_semantics():
    script = """
import sys, _kalvira_core as kc
a, b = kc.Int(1), kc.Int(1)
assert (a == b) is False and a != b and a == a and hash(a) == hash(a) != hash(b)
assert repr(a).startswith("<_kalvira_core.Int object at 0x") and bool(a)
for attempt in (lambda: a + 1, lambda: -a, lambda: a * a):
    try:
        attempt()
    except TypeError:
        continue
    raise AssertionError("an operator on the bare core")
assert "kalvira" not in sys.modules
print("ok")
"""
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=60)
    assert done.stdout == "ok\n", done.stderr


def test_equal_trees_are_one_key():
    assert parse("x^2 + 1") == parse("x^2 + 1") and not parse("x") != parse("x")
    assert len({parse("x"), parse("x"), parse("y")}) == 2
    assert {parse("2x + 1"): "linear"}[Add(Mul(Int(2), x), Int(1))] == "linear"
    # Structure, not value: these stand for the same number or sum.
    for a, b in [(Int(2), Rational(2, 1)), (parse("x + y"), parse("y + x")), (Neg(Int(2)), Int(-2))]:
        assert a != b and not a == b
    assert Int(1) != 1 and Var("x") != "x"


@settings(max_examples=200, derandomize=True, deadline=None)
@given(trees())
def test_hash_agrees_with_equality(tree):
    twin = copy.deepcopy(tree)
    assert twin == tree and hash(twin) == hash(tree)
    assert Neg(tree) != tree and Add(tree, Int(0)) != Add(tree, Int(1))


def test_shared_trees_compare_and_hash_at_once():
    a, b = x, copy.deepcopy(x)
    for _ in range(64):
        a, b = Mul(a, a), Mul(b, b)
    assert a == b and hash(a) == hash(b) and a != Mul(a, b.left())


OPERATORS = [
    (lambda: x + y, "x + y"),
    (lambda: x - y, "x - y"),
    (lambda: x - 3, "x - 3"),
    (lambda: x + -3, "x + -3"),
    (lambda: 3 - x, "3 - x"),
    (lambda: 2 * x, "2*x"),
    (lambda: x * 2, "x*2"),
    (lambda: -2 * x, "-2*x"),
    (lambda: x / 2, "x/2"),
    (lambda: 1 / x, "1/x"),
    (lambda: x**2, "x^2"),
    (lambda: 2**x, "2^x"),
    (lambda: x**-1, "x^-1"),
    (lambda: -x, "-x"),
    (lambda: +x, "x"),
    (lambda: -(x**2), "-x^2"),
    (lambda: -Int(3), "-(3)"),
    (lambda: -x * y, "(-x)*y"),
    (lambda: -(x * y), "-x*y"),
    (lambda: (x + 1) * (x - 1), "(x+1)(x-1)"),
    (lambda: 2 * x**2 - x / y + 1, "2x^2 - x/y + 1"),
]


@pytest.mark.parametrize("build, text", OPERATORS, ids=[text for _, text in OPERATORS])
def test_operators_build_what_parse_builds(build, text):
    assert build() == parse(text)


def test_fractions_become_rationals():
    assert Fraction(1, 2) * x == Mul(Rational(1, 2), x) and x + Fraction(-6, 4) == Add(x, Rational(-3, 2))
    assert kc.simplify(x ** Fraction(1, 2)) == Pow(x, Rational(1, 2))


@pytest.mark.parametrize(
    "attempt, error, message",
    [
        (lambda: x + 2**31, ValueError, "the integer 2147483648 does not fit in 32 bits"),
        (lambda: (-(2**31) - 1) * x, ValueError, "the integer -2147483649 does not fit in 32 bits"),
        (lambda: x / Fraction(1, 2**31), ValueError, "the integer 2147483648 does not fit"),
        (lambda: x * 0.5, TypeError, "exact integers and fractions only, not a float"),
        (lambda: Decimal("1.5") + x, TypeError, "not a Decimal"),
        (lambda: x + "1", TypeError, "unsupported operand"),
        (lambda: x + True, TypeError, "unsupported operand"),
        (lambda: pow(x, 2, 3), TypeError, "unsupported operand"),
        (lambda: bool(x), TypeError, "the truth value of an expression is ambiguous"),
    ],
)
def test_refused_operands_say_why(attempt, error, message):
    with pytest.raises(error, match=message):
        attempt()


@settings(max_examples=500, derandomize=True, deadline=None)
@given(school_trees())
def test_school_text_reads_back(tree):
    for text in (str(tree), to_text(tree), to_text(tree, unicode=True)):
        assert parse(text) == tree, text


@settings(max_examples=200, derandomize=True, deadline=None)
@given(trees())
def test_repr_is_the_constructor_form(tree):
    assert repr(tree) == constructor_form_oracle(tree)
    assert eval(repr(tree), vars(kc)) == tree


@pytest.mark.parametrize(
    "tree, text, unicode",
    [
        (parse("(x+1)^2 - 3x"), "(x + 1)^2 - 3x", "(x + 1)² - 3x"),
        (parse("2*3 + 2x*y + x(y+1)"), "2*3 + 2xy + x*(y + 1)", "2·3 + 2xy + x·(y + 1)"),
        (parse("l*n + p*i + sqrt(2)x + pi x_1"), "l*n + p*i + sqrt(2)x + pi*x_1", "l·n + p·i + √2·x + πx₁"),
        (
            parse("√x^2 + √(x^2) + x^-1 + 2^3^2"),
            "sqrt(x)^2 + sqrt(x^2) + x^-1 + 2^(3^2)",
            "(√x)² + √(x²) + x⁻¹ + 2^(3²)",
        ),
        (Add(Rational(-1, 2), Var("ab")), "-1/2 + ab", "-1/2 + ab"),
        (
            parse("-xy + (-x)y - x/-y + -(2x) - -2x/y"),
            "-xy + (-x)y - x/(-y) - 2x - -2x/y",
            "-xy + (-x)y - x/(-y) - 2x - -2x/y",
        ),
    ],
)
def test_school_text_examples(tree, text, unicode):
    assert (to_text(tree), to_text(tree, unicode=True)) == (text, unicode)


def test_names_that_are_not_utf8():
    tree = Var(b"\xff")
    assert repr(tree) == "Var(b'\\xff')" and eval(repr(tree), vars(kc)) == tree and str(tree) == "\\xff"


def test_notebooks_typeset_bare_and_shown_trees():
    tree = parse("x^2/2")
    assert tree._repr_latex_() == show(tree)._repr_latex_() == "$\\frac{x^{2}}{2}$"
    assert repr(show(tree)) == repr(tree) == "Div(Pow(Var('x'), Int(2)), Int(2))"


def test_deep_trees_compare_hash_and_print():
    # One chain through every binding level: sums, products, signs, powers, calls.
    grow = (lambda t: Add(t, y), lambda t: Mul(x, t), lambda t: Neg(t), lambda t: Pow(t, y), lambda t: kc.Sin(t))
    built = x
    for level in range(DEPTH):
        built = grow[level % len(grow)](built)
    text = str(built)
    parsed = parse(text)
    assert parsed == built and hash(parsed) == hash(built) and parsed != Neg(built)
    assert repr(built).count("(") == repr(parsed).count("(") > DEPTH


@pytest.mark.parametrize("notation", ["text", "unicode"])
def test_batch_writes_school_text_as_to_text_does(notation):
    texts = ["(x-1)^3", "(2x+√3)^2", "sin(pi/4) + 2^10", "l*n*(x_1 + 1)", "(x"]
    expected = [to_text(expand(parse(text)), unicode=notation == "unicode") for text in texts[:-1]]
    assert batch("expand", texts, jobs=2, notation=notation)[:-1] == expected
    with pytest.raises(ValueError, match="unknown notation 'tex'"):
        batch("expand", texts, notation="tex")
