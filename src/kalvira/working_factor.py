"""The working of factor: multiplied out first where needed, the common
factor taken out, then the method the rest needs: a formula (difference of
squares, perfect square, sum and difference of cubes), two numbers from
their product and sum, the cross method, grouping, substitution for
x^4 + bx^2 + c, the factor theorem for a cubic with an integer root."""

from __future__ import annotations

from collections.abc import Iterator

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native
from kalvira.working_line import Line
from kalvira.working_terms import (
    Equation,
    Signed,
    factors_of,
    formula,
    int_value,
    is_number,
    product_of,
    signed_terms,
    signed_tree,
    split_sign,
    sum_of,
    term_texts,
)

FORMULAS = {
    "difference-of-squares": formula("a^2 - b^2", "(a+b)(a-b)"),
    "square-plus": formula("a^2 + 2ab + b^2", "(a+b)^2"),
    "square-minus": formula("a^2 - 2ab + b^2", "(a-b)^2"),
    "sum-of-cubes": formula("a^3 + b^3", "(a+b)(a^2 - ab + b^2)"),
    "difference-of-cubes": formula("a^3 - b^3", "(a-b)(a^2 + ab + b^2)"),
}


def _degree(term: Expr) -> int:
    degree = 0
    for factor in factors_of(term) or []:
        if isinstance(factor, core.Var):
            degree += 1
        elif isinstance(factor, core.Pow) and isinstance(factor.base(), core.Var):
            exponent = factor.exp()
            degree += exponent.value() if isinstance(exponent, core.Int) else 0
    return degree


def _is_monomial(factor: Expr) -> bool:
    return (
        is_number(factor)
        or isinstance(factor, core.Var)
        or (isinstance(factor, core.Pow) and isinstance(factor.base(), core.Var))
    )


def _coefficient(term: Signed) -> Expr:
    sign, body = term
    numbers = [f for f in factors_of(body) or [] if is_number(f)]
    return signed_tree(sign, numbers[0] if numbers else core.Int(1))


def _named(rest: Expr, factors: list[Expr], result: Expr) -> Line:
    """The line that factorises `rest` (with no common factor left) into the
    result, named by its method."""
    terms = signed_terms(rest, open_brackets=False) or []
    degrees = [_degree(t) for _, t in terms]
    letters = _native.variables(rest)
    polynomial_factors = [f for f in factors if not _is_monomial(f)]
    if len(polynomial_factors) == 1 and isinstance(polynomial_factors[0], core.Pow) and len(terms) == 3:
        sign = split_sign(terms[1][1])[0] * terms[1][0]
        return Line(result, "formula", (FORMULAS["square-plus" if sign > 0 else "square-minus"],))
    if len(terms) == 2 and len(polynomial_factors) == 2:
        if max(degrees) % 3 == 0 and max(degrees) != 0 and any(_degree_of(f) == 2 for f in polynomial_factors):
            name = "sum-of-cubes" if terms[1][0] > 0 else "difference-of-cubes"
            return Line(result, "formula", (FORMULAS[name],))
        return Line(result, "formula", (FORMULAS["difference-of-squares"],))
    if len(letters) == 1 and len(terms) == 3 and degrees == [2, 1, 0] and len(polynomial_factors) == 2:
        a, b, c = (_coefficient(t) for t in terms)
        if a.to_string() == "1":
            p, q = (
                _native.school_simplify(_native.substitute(f, {letters[0]: core.Int(0)})) for f in polynomial_factors
            )
            return Line(
                result,
                "sum-product",
                (Equation((core.Mul(p, q), c)), Equation((sum_of([(1, p), (1, q)]), b))),
            )
        return Line(result, "cross-method", (Equation((rest, product_of(polynomial_factors))),))
    return Line(result, "factor", (Equation((rest, product_of(polynomial_factors) if polynomial_factors else rest)),))


def _degree_of(factor: Expr) -> int:
    terms = signed_terms(factor, open_brackets=False) or []
    return max((_degree(t) for _, t in terms), default=0)


def _substitution(rest: Expr, letter: str) -> Iterator[Line]:
    """x^4 + bx^2 + c with t = x^2: the quadratic in t factorised, x^2 put back."""
    t = core.Var("t" if letter != "t" else "u")
    square = core.Pow(core.Var(letter), core.Int(2))
    values = [_native.school_simplify(_native.substitute(rest, {letter: core.Int(k)})) for k in (0, 1, 2)]
    c, at_one, at_two = values
    # rest = a x^4 + b x^2 + c: a + b = rest(1) - c and 16a + 4b = rest(2) - c.
    one = _native.school_simplify(core.Add(at_one, core.Neg(c)))
    two = _native.school_simplify(core.Add(at_two, core.Neg(c)))
    lead = _native.school_simplify(core.Div(core.Add(two, core.Neg(core.Mul(core.Int(4), one))), core.Int(12)))
    middle = _native.school_simplify(core.Add(one, core.Neg(lead)))
    quadratic = _native.school_expand(
        core.Add(core.Add(core.Mul(lead, core.Pow(t, core.Int(2))), core.Mul(middle, t)), c)
    )
    factored = _native.school_factor(quadratic)
    back = _native.substitute(factored, {t.name(): square})
    yield Line(back, "substitution", (Equation((t, square)), Equation((quadratic, factored))))


def _integer_root(rest: Expr, factors: list[Expr], letter: str) -> Iterator[Line]:
    """A cubic with a linear factor x - r: the value at r is 0, so x - r divides it."""
    for factor in factors:
        terms = signed_terms(factor, open_brackets=False) or []
        if len(terms) == 2 and _degree(terms[0][1]) == 1 and terms[0][1].to_string() == letter:
            root_value = signed_tree(-terms[1][0], terms[1][1])
            if not isinstance(root_value, core.Int):
                continue
            quotient = _native.school_simplify(core.Div(rest, factor))
            at_root = _native.substitute(rest, {letter: root_value})
            yield Line(core.Mul(factor, quotient), "factor-theorem", (Equation((at_root, core.Int(0))),))
            return


def _polynomial_factors(product: Expr) -> set[str]:
    return {f.to_string() for f in factors_of(split_sign(product)[1]) or [] if not _is_monomial(f)}


def _shared_factor(first: Expr, second: Expr) -> Expr | None:
    """A polynomial factor of both products, None when they have none."""
    shared = _polynomial_factors(second)
    return next((f for f in factors_of(split_sign(first)[1]) or [] if f.to_string() in shared), None)


def factor_lines(tree: Expr, result: Expr) -> Iterator[Line]:
    if isinstance(tree, core.Div):
        return
    expanded = _native.school_expand(tree)
    if term_texts(expanded) != term_texts(tree) and expanded.to_string() != result.to_string():
        yield Line(expanded, "expand-first", (Equation((tree, expanded)),))
    sign, body = split_sign(result)
    factors = factors_of(body) or [body]
    common = [f for f in factors if _is_monomial(f)]
    others = [f for f in factors if not _is_monomial(f)]
    rest = expanded
    taken: Expr = core.Int(1)
    if others and (common or sign < 0):
        taken = signed_tree(sign, product_of(common) if common else core.Int(1))
        rest = _native.school_simplify(core.Div(expanded, taken))
        yield Line(_times(taken, rest), "common-factor", (Equation((taken,)),))
    for line in _rest_lines(rest, factors, others, result):
        yield line if line.tree is result else Line(_times(taken, line.tree), line.rule, line.changes)


def _times(taken: Expr, rest: Expr) -> Expr:
    """The common factor taken out before the rest: 2(x + 1), -(x - 2)."""
    value = int_value(taken)
    if value == 1:
        return rest
    if value == -1:
        return core.Neg(rest)
    return product_of([taken, *(factors_of(rest) or [rest])])


def _rest_lines(rest: Expr, factors: list[Expr], others: list[Expr], result: Expr) -> Iterator[Line]:
    """The lines that factorise what is left once the common factor is out."""
    letters = _native.variables(rest)
    terms = signed_terms(rest, open_brackets=False) or []
    degrees = [_degree(t) for _, t in terms]
    halves = [_native.school_factor(sum_of(terms[:2])), _native.school_factor(sum_of(terms[2:]))]
    shared = _shared_factor(*halves) if len(terms) == 4 and len(others) > 1 else None
    if shared is not None:
        grouped = sum_of([(1, half) for half in halves])
        yield Line(grouped, "grouping", (Equation((rest, grouped)),))
        yield Line(result, "common-factor", (Equation((shared,)),))
    elif len(letters) == 1 and len(terms) == 3 and degrees == [4, 2, 0] and len(others) > 1:
        yield from _substitution(rest, letters[0])
    elif len(letters) == 1 and degrees and degrees[0] == 3 and len(terms) > 2 and len(others) > 1:
        yield from _integer_root(rest, others, letters[0])
    if others:
        yield _named(rest, factors, result)
