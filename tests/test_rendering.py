"""Rendering cases beyond the worked examples in data/reference-cases.json:
signs at the most negative 32-bit integer, how products join their operands'
texts, and very deep trees."""

import _kalvira_core as kc
import pytest

from reference_cases import build


@pytest.mark.parametrize(
    "term, latex",
    [
        ("Int(-2147483648)", "-2147483648"),
        ("Rational(-2147483648, 3)", r"-\frac{2147483648}{3}"),
        ("Rational(-2147483648, -1)", "-2147483648"),
        ("Add(x, Rational(-2147483648, 3))", r"x - \frac{2147483648}{3}"),
        ("Add(x, Rational(-2147483648, -1))", "x - 2147483648"),
        ("Add(Add(x, Int(-2147483648)), Int(-2147483648))", "x - 2147483648 - 2147483648"),
        ("Add(Int(-2147483648), x)", "-2147483648 + x"),
        # The operand of a subtracted negation keeps its own sign.
        ("Add(x, Neg(Int(-2147483648)))", "x - -2147483648"),
        ("Neg(Int(-2147483648))", "--2147483648"),
        ("Pow(Int(-2147483648), Int(2))", r"\left(-2147483648\right)^{2}"),
        ("Pow(Rational(-2147483648, 3), Int(2))", r"\left(-\frac{2147483648}{3}\right)^{2}"),
        ("Pow(x, Int(-2147483648))", "x^{-2147483648}"),
        ("Mul(Int(2), Int(-2147483648))", r"2 \cdot -2147483648"),
        ("Mul(Int(-2147483648), x)", "-2147483648x"),
    ],
)
def test_most_negative_integer_keeps_its_sign(term, latex):
    assert build(term).to_string() == latex


@pytest.mark.parametrize(
    "term, latex",
    [
        ('Mul(Var("a1"), Int(2))', r"a1 \cdot 2"),
        ('Mul(Int(2), Var("3b"))', r"2 \cdot 3b"),
        ('Mul(Var("a1"), Var("2b"))', r"a1 \cdot 2b"),
        ("Mul(Rational(1, 2), Rational(-1, 3))", r"\frac{1}{2} \cdot -\frac{1}{3}"),
        # A right text starting with a minus sign is wrapped once, also when
        # found past an empty operand.
        ("Mul(x, Rational(-1, 2))", r"x\left(-\frac{1}{2}\right)"),
        ('Mul(x, Var("-a"))', r"x\left(-a\right)"),
        ("Mul(x, Neg(y))", r"x\left(-y\right)"),
        ('Mul(x, Mul(Var(""), Int(-3)))', r"x\left(-3\right)"),
        ("Add(Mul(Int(2), y), Mul(Int(-3), x))", "2y + -3x"),
        # A control word meets only an ASCII letter with a space between.
        ('Mul(Mul(Int(2), Pi()), Var("r"))', r"2\pi r"),
        (r'Mul(Var("\\pi"), Var("R"))', r"\pi R"),
        (r'Mul(Var("a\\beta"), E())', r"a\beta e"),
        ('Mul(Pi(), Mul(Var(""), x))', r"\pi x"),
        ("Mul(Pi(), Int(2))", r"\pi2"),
        ("Mul(Pi(), Sin(x))", r"\pi\sin\left(x\right)"),
        ('Mul(Pi(), Var("\u00e9"))', "\\pi\u00e9"),
        (r'Mul(Var("\\"), Mul(Var("pi"), x))', r"\pix"),
    ],
)
def test_product_joins_follow_the_rendered_texts(term, latex):
    assert build(term).to_string() == latex


DEPTH = 3000


def test_deep_left_nested_sum_renders_flat():
    names = [f"v{i}" for i in range(DEPTH)]
    tree = kc.Var(names[0])
    for name in names[1:]:
        tree = kc.Add(tree, kc.Var(name))
    assert tree.to_string() == " + ".join(names)


def test_deep_right_nested_sum_renders_flat():
    names = [f"v{i}" for i in range(DEPTH)]
    tree = kc.Var(names[-1])
    for name in reversed(names[:-1]):
        tree = kc.Add(kc.Var(name), tree)
    assert tree.to_string() == " + ".join(names)


def test_deep_negation_and_product_chains():
    x = kc.Var("x")
    neg = x
    for _ in range(DEPTH):
        neg = kc.Neg(neg)
    assert neg.to_string() == "-" * DEPTH + "x"
    prod = x
    for _ in range(DEPTH):
        prod = kc.Mul(prod, kc.Var("y"))
    assert prod.to_string() == "x" + "y" * DEPTH


def test_deep_products_past_empty_names():
    # Each level looks past an empty left operand for the minus sign below.
    signed = kc.Int(-3)
    for _ in range(DEPTH):
        signed = kc.Mul(kc.Var(""), signed)
    assert kc.Mul(kc.Var("x"), signed).to_string() == r"x\left(-3\right)"
    # A control word ends every left text; only the letter at the bottom is
    # kept apart from it.
    spaced = kc.Var("r")
    for _ in range(DEPTH):
        spaced = kc.Mul(kc.Pi(), kc.Mul(kc.Var(""), spaced))
    assert spaced.to_string() == "\\pi" * DEPTH + " r"
