"""Pieces of trees that the working reads and writes: the signed terms of a
sum, the factors of a product, sums and products rebuilt from them.

Every reader here looks at the top levels only and stops after LIMIT
pieces (returning None), so the working never walks far into a deep tree;
the school operations themselves handle the rest.
"""

from __future__ import annotations

from dataclasses import dataclass

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native
from kalvira.parser import parse
from kalvira.tree_walk import children

# How many terms, factors or nodes a reader of the top levels looks at.
LIMIT = 64

Signed = tuple[int, Expr]


@dataclass(frozen=True)
class Equation:
    """Mathematics of an explanation: trees joined by "=" (or by "≠" when
    `unequal`); one tree alone is written as it is."""

    sides: tuple[Expr, ...]
    unequal: bool = False


def formula(left: str, right: str) -> Equation:
    """A named formula, "(a+b)^2 = a^2 + 2ab + b^2", from its two sides' texts."""
    return Equation((parse(left), parse(right)))


def same(a: Expr, b: Expr) -> bool:
    return _native.structural_equal(a, b)


def int_value(node: Expr) -> int | None:
    """The value of an Int, None for any other node."""
    return node.value() if isinstance(node, core.Int) else None


def is_number(node: Expr) -> bool:
    return isinstance(node, (core.Int, core.Rational))


def split_sign(node: Expr, depth: int = 0) -> Signed:
    """(-1, t) for a term that carries a minus sign (-t, a negative number or
    a product or quotient led by one), else (1, node). Looks LIMIT levels
    down at most."""
    if depth > LIMIT:
        return 1, node
    if isinstance(node, core.Neg):
        sign, inner = split_sign(node.operand(), depth + 1)
        return -sign, inner
    if isinstance(node, core.Int) and node.value() < 0:
        return -1, core.Int(-node.value())
    if isinstance(node, core.Rational) and node.num() < 0:
        return -1, core.Rational(-node.num(), node.den())
    if isinstance(node, (core.Mul, core.Div)):
        first, second = (node.left(), node.right()) if isinstance(node, core.Mul) else (node.num(), node.den())
        sign, inner = split_sign(first, depth + 1)
        if sign < 0:
            if isinstance(node, core.Mul):
                return -1, second if isinstance(inner, core.Int) and inner.value() == 1 else core.Mul(inner, second)
            return -1, core.Div(inner, second)
    return 1, node


def signed_terms(tree: Expr, open_brackets: bool = True) -> list[Signed] | None:
    """The terms of a sum with their signs, left to right; a negated sum is
    opened (with `open_brackets`) with its signs changed. None beyond LIMIT terms."""
    terms: list[Signed] = []
    stack: list[Signed] = [(1, tree)]
    while stack:
        sign, node = stack.pop()
        if isinstance(node, core.Add):
            stack += [(sign, node.right()), (sign, node.left())]
        elif open_brackets and isinstance(node, core.Neg) and isinstance(node.operand(), (core.Add, core.Neg)):
            stack.append((-sign, node.operand()))
        else:
            inner_sign, term = split_sign(node)
            terms.append((sign * inner_sign, term))
        if len(terms) + len(stack) > LIMIT:
            return None
    return terms


def opened_brackets(tree: Expr) -> list[Expr]:
    """The negated sums that signed_terms opens: -(2x + 1) in x - (2x + 1)."""
    found: list[Expr] = []
    stack = [tree]
    while stack and len(found) + len(stack) <= LIMIT:
        node = stack.pop()
        if isinstance(node, core.Add):
            stack += [node.right(), node.left()]
        elif isinstance(node, core.Neg) and isinstance(node.operand(), core.Add):
            found.append(node)
    return found


def sum_of(terms: list[Signed]) -> Expr:
    """The sum of signed terms as a teacher writes it: a - b, never a + (-b)."""
    if not terms:
        return core.Int(0)
    normal = [(sign * inner_sign, term) for sign, node in terms for inner_sign, term in [split_sign(node)]]
    total = signed_tree(*normal[0])
    for sign, term in normal[1:]:
        total = core.Add(total, core.Neg(term) if sign < 0 else term)
    return total


def signed_tree(sign: int, term: Expr) -> Expr:
    """The term with its sign, the minus in its leading number where it has
    one: -3, -2x, -(x + 1)."""
    if sign > 0:
        return term
    if isinstance(term, core.Int):
        return core.Int(-term.value())
    if isinstance(term, core.Rational):
        return core.Rational(-term.num(), term.den())
    lead = int_value(term.left()) if isinstance(term, core.Mul) else None
    if isinstance(term, core.Mul) and lead is not None and lead > 1:
        return core.Mul(core.Int(-lead), term.right())
    return core.Neg(term)


def product_of(factors: list[Expr]) -> Expr:
    total = factors[0]
    for factor in factors[1:]:
        total = core.Mul(total, factor)
    return total


def factors_of(tree: Expr) -> list[Expr] | None:
    """The factors of a product, left to right; None beyond LIMIT."""
    found: list[Expr] = []
    stack = [tree]
    while stack:
        node = stack.pop()
        if isinstance(node, core.Mul):
            stack += [node.right(), node.left()]
        else:
            found.append(node)
        if len(found) + len(stack) > LIMIT:
            return None
    return found


def term_texts(tree: Expr) -> list[str] | None:
    """The LaTeX of a sum's signed terms, sorted: two lines with the same
    texts differ only in the order of their terms. None beyond LIMIT."""
    terms = signed_terms(tree, open_brackets=False)
    if terms is None:
        return None
    return sorted(("-" if sign < 0 else "+") + term.to_string() for sign, term in terms)


def has_letters(tree: Expr) -> bool:
    return bool(_native.variables(tree))


# The largest tree whose working the methods write; a larger one is shown
# with its result at once, so that no method walks far into a deep tree.
NODES = 2000


def is_small(tree: Expr) -> bool:
    """Whether the tree has at most NODES nodes, counting shared ones each
    time; stops counting past that."""
    stack = [tree]
    count = 0
    while stack:
        count += 1
        if count > NODES:
            return False
        stack.extend(children(stack.pop()))
    return True


def replaced(tree: Expr, path: tuple[int, ...], piece: Expr) -> Expr:
    """The tree with the subtree at `path` (child indices) replaced by piece."""
    above = []
    node = tree
    for index in path:
        above.append(node)
        node = children(node)[index]
    for parent, index in zip(reversed(above), reversed(path), strict=True):
        operands = list(children(parent))
        operands[index] = piece
        piece = type(parent)(*operands)
    return piece
