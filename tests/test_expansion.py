"""Expansion cases beyond the worked examples in data/reference-cases.json:
binomial powers, term order of a trinomial square, complete cancellation,
and results left unsimplified."""

from math import comb

import _kalvira_core as kc
import pytest

from reference_cases import build, term_of


def binomial_latex(n):
    """Expected text of (x + 1)^n: terms in descending key order, constant last."""

    def key(k):
        return "x" if k == 1 else f"x^{{{k}}}"

    ks = sorted(range(1, n + 1), key=lambda k: key(k).encode(), reverse=True)
    terms = [key(k) if comb(n, k) == 1 else f"{comb(n, k)}{key(k)}" for k in ks]
    return " + ".join(terms + ["1"])


@pytest.mark.parametrize("n", [4, 5, 6, 7, 8, 12])
def test_binomial_power(n):
    x = kc.Var("x")
    result = kc.expand(kc.Pow(kc.Add(x, kc.Int(1)), kc.Int(n)))
    assert result.to_string() == binomial_latex(n)
    assert type(result) is kc.Add
    assert type(result.right()) is kc.Int and result.right().value() == 1


def test_square_of_a_trinomial_orders_terms_by_text():
    result = kc.expand(build("Pow(Add(Add(x, y), z), Int(2))"))
    assert result.to_string() == "2zy + 2zx + z^{2} + 2yx + y^{2} + x^{2}"
    # The sum is nested to the left, first term innermost.
    node, rendered = result, []
    while type(node) is kc.Add:
        rendered.append(node.right().to_string())
        node = node.left()
    rendered.append(node.to_string())
    assert rendered[::-1] == ["2zy", "2zx", "z^{2}", "2yx", "y^{2}", "x^{2}"]


@pytest.mark.parametrize(
    "term",
    [
        # (x + y)(x - y) - x^2 + y^2
        "Add(Add(Mul(Add(x, y), Add(x, Neg(y))), Neg(Pow(x, Int(2)))), Pow(y, Int(2)))",
        # (x + 1)^3 - (x^3 + 3x^2 + 3x + 1), the subtracted terms spelled out
        "Add(Add(Add(Add(Pow(Add(x, Int(1)), Int(3)), Neg(Pow(x, Int(3)))),"
        " Mul(Int(-3), Pow(x, Int(2)))), Mul(Int(-3), x)), Int(-1))",
    ],
)
def test_complete_cancellation_gives_integer_zero(term):
    result = kc.expand(build(term))
    assert term_of(result) == "Int(0)"


@pytest.mark.parametrize(
    "term, expanded, simplified",
    [
        ("Cbrt(Mul(x, Mul(x, x)))", "Cbrt(Pow(Var('x'), Int(3)))", "Var('x')"),
        ("Log(Mul(E(), E()))", "Log(Pow(E(), Int(2)))", "Int(2)"),
    ],
)
def test_expansion_result_is_not_simplified_again(term, expanded, simplified):
    result = kc.expand(build(term))
    assert term_of(result) == expanded
    # Simplifying the result would change it, so expand really stopped short.
    assert term_of(kc.simplify(result)) == simplified


def test_deep_sum_collects():
    x, y = kc.Var("x"), kc.Var("y")
    tree = x
    for i in range(1, 600):
        tree = kc.Add(tree, y if i % 2 else x)
    assert kc.expand(tree).to_string() == "300y + 300x"
