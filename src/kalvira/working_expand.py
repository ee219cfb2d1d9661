"""The working of expand: brackets after a minus sign opened, the product
formulas by name, otherwise distribution with each product shown, the
products worked out; the like terms are collected on the last line."""

from __future__ import annotations

from collections.abc import Iterator
from itertools import product

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native
from kalvira.working_line import Line
from kalvira.working_terms import (
    LIMIT,
    Equation,
    Signed,
    factors_of,
    formula,
    int_value,
    is_number,
    opened_brackets,
    product_of,
    same,
    signed_terms,
    signed_tree,
    split_sign,
    sum_of,
)

FORMULAS = {
    "square-plus": formula("(a+b)^2", "a^2 + 2ab + b^2"),
    "square-minus": formula("(a-b)^2", "a^2 - 2ab + b^2"),
    "cube-plus": formula("(a+b)^3", "a^3 + 3a^2 b + 3a b^2 + b^3"),
    "cube-minus": formula("(a-b)^3", "a^3 - 3a^2 b + 3a b^2 - b^3"),
    "difference-of-squares": formula("(a+b)(a-b)", "a^2 - b^2"),
    "sum-and-product": formula("(x+a)(x+b)", "x^2 + (a+b)x + ab"),
}


def _power(base: Expr, exponent: int) -> Expr:
    return core.Pow(base, core.Int(exponent))


def _times(number: int, *factors: Expr) -> Expr:
    """number · factors, leaving out factors 1 (the printer would hide them)."""
    return product_of([core.Int(number), *(f for f in factors if int_value(f) != 1)])


def _binomial_power(a: Signed, b: Signed, n: int) -> tuple[str, list[Signed]]:
    """(a ± b)^2 or (a ± b)^3 by its formula: each term a^(n-k) b^k with its
    sign and coefficient, the powers written out."""
    (s, x), (t, y) = a, b
    name = ("square" if n == 2 else "cube") + ("-plus" if s * t > 0 else "-minus")
    if n == 2:
        return name, [(1, _power(x, 2)), (s * t, _times(2, x, y)), (1, _power(y, 2))]
    return name, [
        (s, _power(x, 3)),
        (t, _times(3, _power(x, 2), y)),
        (s, _times(3, x, _power(y, 2))),
        (t, _power(y, 3)),
    ]


def _two_binomials(first: list[Signed], second: list[Signed]) -> tuple[str, list[Signed]] | None:
    """(a + b)(a - b) and (x + a)(x + b) by their formulas."""
    (s, a), (t, b) = first
    (u, c), (v, d) = second
    if s < 0 or u < 0 or not same(a, c):
        return None
    if same(b, d) and t == -v:
        return "difference-of-squares", [(1, _power(a, 2)), (-1, _power(b, 2))]
    if isinstance(a, core.Var) and is_number(b) and is_number(d):
        p, q = signed_tree(t, b), signed_tree(v, d)
        middle = core.Mul(sum_of([(t, b), (v, d)]), a)
        return "sum-and-product", [(1, _power(a, 2)), (1, middle), (1, core.Mul(p, q))]
    return None


def _distributed(sign: int, factors: list[list[Signed]]) -> list[Signed] | None:
    """Every product of one term from each factor, with its sign; None for
    more than LIMIT products."""
    count = 1
    for terms in factors:
        count *= len(terms)
    if count > LIMIT:
        return None
    pieces = []
    for choice in product(*factors):
        piece_sign = sign
        kept = []
        for term_sign, term in choice:
            piece_sign *= term_sign
            if not (isinstance(term, core.Int) and term.value() == 1):
                kept.append(term)
        pieces.append((piece_sign, product_of(kept) if kept else core.Int(1)))
    return pieces


def _method(sign: int, term: Expr) -> tuple[str, list[Signed], bool] | None:
    """How a term is multiplied out: the method's name, the signed pieces it
    gives, and whether they are products still to work out."""
    n = int_value(term.exp()) if isinstance(term, core.Pow) else None
    if isinstance(term, core.Pow) and n in (2, 3):
        terms = signed_terms(term.base())
        if terms is not None and len(terms) == 2:
            name, pieces = _binomial_power(terms[0], terms[1], n)
            return name, [(sign * s, p) for s, p in pieces], True
        if terms is not None and n == 2 and len(terms) > 2:
            pieces_of_square = _distributed(sign, [terms, terms])
            return ("distribute", pieces_of_square, True) if pieces_of_square else None
        return None
    if not isinstance(term, core.Mul):
        return None
    factors = factors_of(term)
    if factors is None:
        return None
    split = [signed_terms(f) or [(1, f)] for f in factors]
    sums = [terms for terms in split if len(terms) > 1]
    if not sums:
        return None
    if len(split) == 2 and len(sums) == 2 and all(len(terms) == 2 for terms in sums):
        formula = _two_binomials(sums[0], sums[1])
        if formula is not None:
            name, pieces = formula
            return name, [(sign * s, p) for s, p in pieces], True
    distributed = _distributed(sign, split)
    if distributed is None:
        return None
    pieces = distributed
    by_a_number = len(sums) == 1 and all(is_number(t) for terms in split if len(terms) == 1 for _, t in terms)
    if by_a_number:
        return "distribute", [(s * v, w) for s, p in pieces for v, w in [split_sign(_native.school_expand(p))]], False
    return "distribute", pieces, True


def _explained(name: str, terms: list[Signed]) -> tuple[str, tuple[Equation, ...]]:
    if name == "distribute":
        return "distribute", tuple(Equation((signed_tree(*term),)) for term in terms)
    return "formula", (FORMULAS[name],)


def multiplied_out(term: Expr) -> tuple[str, tuple[Equation, ...], Expr] | None:
    """A product or power multiplied out by its method, the products still
    shown: the rule, its mathematics and the sum of the pieces."""
    method = _method(1, term)
    if method is None:
        return None
    rule, changes = _explained(method[0], [(1, term)])
    return rule, changes, sum_of(method[1])


def expand_lines(tree: Expr, result: Expr) -> Iterator[Line]:
    terms = signed_terms(tree)
    if terms is None:
        return
    opened = opened_brackets(tree)
    if opened:
        changes = tuple(Equation((neg, sum_of(signed_terms(neg) or [(1, neg)]))) for neg in opened)
        yield Line(sum_of(terms), "remove-brackets", changes)
    # Each term as the pieces it has become so far, and whether they are
    # products still to work out.
    slots: list[list[Signed]] = [[term] for term in terms]
    to_work_out: list[bool] = [False] * len(terms)
    methods = [_method(sign, term) for sign, term in terms]
    for name in dict.fromkeys(m[0] for m in methods if m is not None):
        chosen = [i for i, m in enumerate(methods) if m is not None and m[0] == name]
        for i in chosen:
            method = methods[i]
            assert method is not None
            slots[i], to_work_out[i] = method[1], method[2]
        rule, changes = _explained(name, [terms[i] for i in chosen])
        yield Line(sum_of([piece for slot in slots for piece in slot]), rule, changes)
    worked: list[Equation] = []
    for i, slot in enumerate(slots):
        if not to_work_out[i]:
            continue
        new_slot = []
        for sign, piece in slot:
            value = _native.school_expand(piece)
            if value.to_string() != piece.to_string() and len(worked) < 8:
                worked.append(Equation((piece, value)))
            if not (isinstance(value, core.Int) and value.value() == 0):
                new_slot += [(sign * s, t) for s, t in signed_terms(value, open_brackets=False) or [(1, value)]]
        slots[i] = new_slot
    if worked:
        yield Line(sum_of([piece for slot in slots for piece in slot]), "multiply", tuple(worked))
