"""Rendering cases beyond the worked examples in data/reference-cases.json:
signs at the most negative 32-bit integer, the digit rule for products, and
very deep trees."""

import pytest

import _kalvira_core as kc
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
        ("Mul(x, Rational(-1, 2))", r"x-\frac{1}{2}"),
        ("Mul(Rational(1, 2), Rational(-1, 3))", r"\frac{1}{2} \cdot -\frac{1}{3}"),
    ],
)
def test_product_separator_follows_the_rendered_digits(term, latex):
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
