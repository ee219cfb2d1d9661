"""Keys of trees that ignore the order of the summands of a sum and of the
factors of a product, and how sums and products come apart into them."""

from __future__ import annotations

import _kalvira_core as core
from _kalvira_core import Expr

# Levels of sums, products, quotients and powers whose order is ignored;
# below them a subtree counts by its text, which keeps the comparison
# iterative for trees of any depth.
KEY_LEVELS = 3


def order_free_key(tree: Expr, levels: int = KEY_LEVELS) -> str:
    """A text of the tree that is the same for any order of the summands of
    a sum and the factors of a product, within the top `levels` levels."""
    if levels == 0:
        return tree.to_string()
    terms = sorted(_term_key(term, levels) for term in summands(tree))
    return terms[0] if len(terms) == 1 else "sum(" + ",".join(terms) + ")"


def _term_key(term: Expr, levels: int) -> str:
    """A summand's sign and its factors, sorted; a negation or a negative
    integer factor counts as a sign."""
    negative, factors = signed_factors(term)
    keys = []
    for factor in factors:
        if isinstance(factor, core.Int) and factor.value() < 0:
            negative = not negative
            keys.append(str(-factor.value()))
        else:
            keys.append(_factor_key(factor, levels))
    return ("-" if negative else "+") + "prod(" + ",".join(sorted(keys)) + ")"


def signed_factors(term: Expr) -> tuple[bool, list[Expr]]:
    """Whether a product is negated an odd number of times, and its factors,
    however nested, left to right, with the negations taken off."""
    negative, factors, pending = False, [], [term]
    while pending:
        node = pending.pop()
        if isinstance(node, core.Mul):
            pending += [node.right(), node.left()]
        elif isinstance(node, core.Neg):
            negative = not negative
            pending.append(node.operand())
        else:
            factors.append(node)
    return negative, factors


def _factor_key(factor: Expr, levels: int) -> str:
    if isinstance(factor, core.Pow):
        return f"pow({order_free_key(factor.base(), levels - 1)},{factor.exp().to_string()})"
    if isinstance(factor, core.Div):
        return f"div({order_free_key(factor.num(), levels - 1)},{order_free_key(factor.den(), levels - 1)})"
    if isinstance(factor, core.Add):
        return order_free_key(factor, levels - 1)
    return factor.to_string()


def summands(tree: Expr) -> list[Expr]:
    """The summands of a sum, however nested, left to right."""
    summands, pending = [], [tree]
    while pending:
        node = pending.pop()
        if isinstance(node, core.Add):
            pending += [node.right(), node.left()]
        else:
            summands.append(node)
    return summands
