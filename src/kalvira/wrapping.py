"""Results that lost their value to the core's 32-bit arithmetic.

The core computes with signed 32-bit integers that wrap around, so
expand(parse("(x+1000)^4")) has the coefficient -294967296 where the exact
one is 4000000000. `wrapped` tells such results from exact ones, and the
command line warns about them (or, with --strict, refuses them).
"""

from __future__ import annotations

from _kalvira_core import Expr

from kalvira import _native
from kalvira.tree_walk import require_tree

WARNING = "coefficients exceeded 32 bits and wrapped around; the result is exact modulo 2^32"


def wrapped(tree: Expr, result: Expr) -> bool:
    """Whether `result` (simplify or expand of `tree`) has another value than
    `tree` because an integer exceeded 32 bits and wrapped around.

    Both trees are evaluated exactly modulo the prime 2^61 - 1 at one
    pseudo-random point (the same in every run), in C++, in time linear in
    their sizes; a lost value goes unseen with a chance of about the tree's
    degree in 2^61. Where that check has no value to compare (square or
    cube roots, sin, cos, tan or ln, a power whose exponent is not an
    integer literal, a denominator 0 at the point), the exact algebra
    layer works out tree - result, and a difference other than 0 is a lost
    value. False where neither can tell: where the exact layer refuses the
    difference (a division by zero, the square root of a negative number,
    work too large to do) and for trees with the cube root of anything but
    a number, as the core takes cbrt(u^3) to u and the exact layer does
    not. A wrap that leaves the value as it is (such as one inside a factor
    multiplied by 0) is no loss and is not reported.
    """
    return _native.wrapped(require_tree(tree, "tree"), require_tree(result, "result"))
