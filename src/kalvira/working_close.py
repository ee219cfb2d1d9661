"""The last line of a working, when the methods leave the result to be
written: like terms (or like surds) collected, or what is left worked out."""

from __future__ import annotations

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native
from kalvira.tree_walk import children
from kalvira.working_line import Line
from kalvira.working_terms import (
    LIMIT,
    Equation,
    Signed,
    factors_of,
    is_number,
    same,
    signed_terms,
    split_sign,
    sum_of,
    term_texts,
)


def like_key(term: Expr) -> str:
    """What a term is a multiple of, as text: "x^{2}" for -3x^2, "" for a number."""
    factors = factors_of(split_sign(_native.school_simplify(term))[1])
    if factors is None:
        return term.to_string()
    kept = [f for f in factors if not is_number(f) and not (isinstance(f, core.Div) and is_number(f.den()))]
    return " ".join(f.to_string() for f in kept)


def like_groups(tree: Expr) -> list[Equation]:
    """Each group of two or more like terms of a sum, written as their sum =
    the collected term."""
    terms = signed_terms(tree, open_brackets=False)
    if terms is None or len(terms) < 2:
        return []
    groups: dict[str, list[Signed]] = {}
    for term in terms:
        groups.setdefault(like_key(term[1]), []).append(term)
    equations = []
    for members in groups.values():
        if len(members) > 1:
            together = sum_of(members)
            equations.append(Equation((together, _native.school_simplify(together))))
    return equations


def narrowed(before: Expr, after: Expr) -> Equation:
    """The smallest subtrees that differ: while both sides are nodes of one
    class of which exactly one child differs, that child (LIMIT levels at most)."""
    for _ in range(LIMIT):
        if type(before) is not type(after):
            break
        pairs = list(zip(children(before), children(after), strict=True))
        differing = [pair for pair in pairs if not same(*pair)]
        if len(differing) != 1:
            break
        before, after = differing[0]
    return Equation((before, after))


def closing_line(last: Expr, result: Expr, generic: str) -> Line:
    if term_texts(last) == term_texts(result) is not None:
        return Line(result, "order", (Equation((last, result)),))
    groups = like_groups(last)
    if groups:
        surds = any("sqrt" in _native.school_text(e.sides[0]) for e in groups)
        return Line(result, "collect-surds" if surds else "collect-terms", tuple(groups))
    return Line(result, generic, (narrowed(last, result),))
