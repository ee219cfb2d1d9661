"""The school operations against SymPy as an independent referee, on
generated expressions: expand equals sympy.expand, simplify of a rational
expression is sympy.cancel's fraction in lowest terms, factor has the
irreducible factors of sympy.factor_list, and every result keeps the value
of its input at exact points. A refusal ("does not fit in 32 bits") must be
true of the exact answer.

KALVIRA_REFEREE_TREES sets how many expressions each operation gets
(default 1000; run with 7000 or more for the full 20,000-tree check)."""

import os
import random
from fractions import Fraction

import pytest

sympy = pytest.importorskip("sympy")

from kalvira import Mul, Neg, Pow, evaluate, expand, factor, parse, simplify, to_sympy, variables  # noqa: E402

COUNT = int(os.environ.get("KALVIRA_REFEREE_TREES", "1000"))
X, Y = sympy.symbols("x y")
INT32 = range(-(2**31), 2**31)
POINTS = [{"x": Fraction(-7, 3), "y": Fraction(5, 2)}, {"x": Fraction(11, 5), "y": Fraction(-2, 7)}]


def random_expression(rng, depth):
    """School notation of sums, differences, products, quotients by numbers,
    powers and negations over x, y and small numbers and fractions."""
    if depth == 0 or rng.random() < 0.25:
        return rng.choice(["x", "y", "x", str(rng.randint(-9, 9)), f"{rng.randint(1, 9)}/{rng.randint(2, 6)}"])
    left, right = random_expression(rng, depth - 1), random_expression(rng, depth - 1)
    shape = rng.choice(["({}) + ({})", "({}) - ({})", "({})({})", "({})*({})", "-({})", "({})/{}", "({})^{}"])
    if shape == "({})/{}":
        return shape.format(left, rng.choice([2, 3, -4, 6]))
    if shape == "({})^{}":
        return shape.format(left, rng.randint(0, 3))
    return shape.format(left, right)


def random_polynomial(rng, letters):
    """A polynomial of degree at most two in one or two letters, small
    integer coefficients, as a SymPy expression."""
    monomials = [1, X, X**2] + ([Y, X * Y, Y**2] if letters == 2 else [])
    return sum(rng.randint(-4, 4) * m for m in rng.sample(monomials, rng.randint(1, 3)))


def random_factor(rng, letters):
    a, b, c = rng.choice([1, 1, 2, 3, -1]), rng.randint(-6, 6), rng.randint(-9, 9)
    other = Y if letters == 2 and rng.random() < 0.5 else 1
    return rng.choice([a * X + b * other, X**2 + b * X * other + c * other**2, X**3 + c, c * X, a * X * Y + b])


def school_text(polynomial):
    """An expanded SymPy polynomial in kalvira's school notation."""
    return str(sympy.expand(polynomial)).replace("**", "^")


def fits(expr):
    """Whether every integer of a SymPy result fits 32 bits."""
    return all(int(n) in INT32 for n in expr.atoms(sympy.Rational) for n in (n.p, n.q))


def keeps_its_value(tree, result):
    for point in POINTS:
        try:
            expected = evaluate(tree, point)
        except ValueError:
            continue
        assert evaluate(result, point) == expected, (tree.to_string(), result.to_string(), point)


def refereed(operation, tree, exact):
    """Our result, or None after checking that a refusal is justified by
    the exact answer `exact` (a SymPy expression)."""
    try:
        return operation(tree)
    except ValueError as error:
        assert "does not fit in 32 bits" in str(error) and not fits(exact), (tree.to_string(), str(error))
        return None


def chunks(seed_base):
    return [range(seed_base + start, seed_base + min(start + 250, COUNT)) for start in range(0, COUNT, 250)]


@pytest.mark.parametrize("seeds", chunks(0))
def test_expand_is_sympys_expansion(seeds):
    for seed in seeds:
        tree = parse(random_expression(random.Random(seed), 4))
        exact = sympy.expand(to_sympy(tree))
        result = refereed(expand, tree, exact)
        if result is not None:
            assert to_sympy(result) == exact, (tree.to_string(), result.to_string())
            keeps_its_value(tree, result)


@pytest.mark.parametrize("seeds", chunks(10**6))
def test_simplify_of_a_quotient_is_sympys_cancel(seeds):
    for seed in seeds:
        rng = random.Random(seed)
        letters = rng.choice([1, 2])
        common, top, bottom = (random_polynomial(rng, letters) for _ in range(3))
        if 0 in (common, bottom):
            continue
        tree = parse(f"({school_text(common * top)})/({school_text(common * bottom)})")
        exact = sympy.cancel(to_sympy(tree))
        result = refereed(simplify, tree, exact)
        if result is None:
            continue
        ours_num, ours_den = sympy.fraction(to_sympy(result))
        num, den = sympy.fraction(exact)
        assert sympy.expand(ours_num * den - num * ours_den) == 0, (tree.to_string(), result.to_string())
        assert sympy.degree_list(ours_den, X, Y) == sympy.degree_list(den, X, Y), (tree.to_string(), result.to_string())
        keeps_its_value(tree, result)


def positive(polynomial):
    """The factor with the sign that makes its leading coefficient positive."""
    return sympy.expand(polynomial if sympy.Poly(polynomial, X, Y).LC() > 0 else -polynomial)


def our_factors(result):
    """The non-constant factors of our product, read off its tree (SymPy
    would multiply a lone number into a sum), with their multiplicities."""
    found, pending = {}, [result]
    while pending:
        node = pending.pop()
        if isinstance(node, (Mul, Neg)):
            pending += [node.left(), node.right()] if isinstance(node, Mul) else [node.operand()]
            continue
        base, multiplicity = (node.base(), node.exp().value()) if isinstance(node, Pow) else (node, 1)
        if variables(base):
            key = positive(to_sympy(base))
            found[key] = found.get(key, 0) + multiplicity
    return found


@pytest.mark.parametrize("seeds", chunks(2 * 10**6))
def test_factor_has_sympys_irreducible_factors(seeds):
    for seed in seeds:
        rng = random.Random(seed)
        letters = rng.choice([1, 2])
        product = sympy.expand(sympy.Mul(*(random_factor(rng, letters) for _ in range(rng.randint(2, 4)))))
        if not product.free_symbols:
            continue
        tree = parse(school_text(product))
        result = refereed(factor, tree, product)
        if result is None:
            continue
        expected = {}
        for base, multiplicity in sympy.factor_list(product, X, Y)[1]:
            expected[positive(base)] = expected.get(positive(base), 0) + multiplicity
        assert our_factors(result) == expected, (tree.to_string(), result.to_string())
        assert sympy.expand(to_sympy(result) - product) == 0, (tree.to_string(), result.to_string())
