"""The operations a person means: expand, simplify and factor on exact
algebra, with results in the form a teacher writes.

    >>> from kalvira import expand, factor, parse, simplify
    >>> expand(parse("(2x-3y)^2")).to_string()
    '4x^{2} - 12xy + 9y^{2}'
    >>> simplify(parse("(x^2-16)/(x-4)")).to_string()
    'x + 4'
    >>> factor(parse("x^2 + 5x + 6")).to_string()
    '\\\\left(x + 2\\\\right)\\\\left(x + 3\\\\right)'

Coefficients are exact integers and fractions of any size while working; a
result whose integer does not fit the tree's 32 bits is refused with a
ValueError naming it, never wrapped. The core's single-pass rules stay
reachable as `kalvira.core.simplify` and `kalvira.core.expand`.
"""

from __future__ import annotations

from typing import overload

from _kalvira_core import Expr

from kalvira import _native
from kalvira.tree_walk import require_tree


@overload
def expand(expr: Expr) -> Expr: ...
@overload
def expand(expr: None) -> None: ...
def expand(expr: Expr | None) -> Expr | None:
    """Every product, negation, division by a number and power with a whole
    exponent multiplied out, like terms collected, terms by descending
    degree: (x+1)^2 - (x-1)^2 gives 4x. None gives None."""
    return None if expr is None else _native.school_expand(require_tree(expr, "expr"))


@overload
def simplify(expr: Expr) -> Expr: ...
@overload
def simplify(expr: None) -> None: ...
def simplify(expr: Expr | None) -> Expr | None:
    """Numbers worked out, like terms and surds collected, a quotient as one
    fraction in lowest terms: (x^2-16)/(x-4) gives x + 4, cos(pi/6) gives
    sqrt(3)/2. None gives None."""
    return None if expr is None else _native.school_simplify(require_tree(expr, "expr"))


@overload
def factor(expr: Expr) -> Expr: ...
@overload
def factor(expr: None) -> None: ...
def factor(expr: Expr | None) -> Expr | None:
    """Factorised over the integers: content and sign first, then the
    irreducible factors, repeated ones as powers: 2x^2 - 8 gives
    2(x - 2)(x + 2); x^2 + 1 stays. A quotient factors its numerator and
    denominator. None gives None."""
    return None if expr is None else _native.school_factor(require_tree(expr, "expr"))
