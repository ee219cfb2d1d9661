"""Where an expression has a value: the conditions that its quotients,
roots, logarithms, tangents and powers set, the rational points where
those conditions change (the edges of the domain), and a description of
where one expression has a value and another has none.

    >>> from kalvira import parse
    >>> from kalvira.domains import conditions, edges
    >>> [str(condition) for condition in conditions(parse("sqrt(x-20) + 1/(x^2-1)"))]
    ['x - 20 >= 0', 'x^2 - 1 != 0']
    >>> edges(conditions(parse("sqrt(x-20) + 1/(x^2-1)")), "x")
    [Fraction(-1, 1), Fraction(1, 1), Fraction(20, 1)]
"""

from __future__ import annotations

from collections.abc import Callable, Sequence
from dataclasses import dataclass
from fractions import Fraction
from typing import Any, Literal

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native, school
from kalvira.certified import certified_value
from kalvira.evaluation import Undefined, variables
from kalvira.order_free import signed_factors
from kalvira.tree_walk import fold
from kalvira.values import to_text

Relation = Literal["!=", ">=", ">"]

# Beyond this many conditions a tree is not analysed further: the edges and
# descriptions are for school answers, and each condition costs a factorisation.
MAX_CONDITIONS = 32


@dataclass(frozen=True)
class Condition:
    """`tree` != 0, >= 0 or > 0; tangents set "cos(tree) != 0" as `tree` with
    relation "tan", which has no rational edges."""

    tree: Expr
    relation: Relation | Literal["tan"]

    def __str__(self) -> str:
        if self.relation == "tan":
            return f"cos({to_text(self.tree)}) != 0"
        return f"{to_text(self.tree)} {self.relation} 0"


def conditions(tree: Expr) -> list[Condition]:
    """The conditions on the variables of every node of the tree, each
    subtree once, in the order of a walk from the leaves."""
    found: list[Condition] = []
    if not _may_set_conditions(_native.nodes(tree)):
        return found

    def visit(node: Expr, _: list[None]) -> None:
        condition = _condition_of(node)
        # A condition on numbers holds everywhere or nowhere: sampling sees it.
        if condition is not None and variables(condition.tree):
            found.append(condition)

    fold(tree, visit)
    return found


# Kinds that set a condition on their operands wherever they are.
CONDITIONAL_KINDS = frozenset({"Div", "Sqrt", "Log", "Tan"})


def _may_set_conditions(nodes: list[tuple[str, Any, Any]]) -> bool:
    """Whether a node of the flattened tree may set a condition: a quotient,
    a root, ln, tan, or a power whose exponent is not a whole number."""
    return any(
        kind in CONDITIONAL_KINDS or kind == "Pow" and (nodes[second][0] != "Int" or nodes[second][1] < 0)
        for kind, _, second in nodes
    )


def _condition_of(node: Expr) -> Condition | None:
    if isinstance(node, core.Div):
        return Condition(node.den(), "!=")
    if isinstance(node, core.Sqrt):
        return Condition(node.operand(), ">=")
    if isinstance(node, core.Log):
        return Condition(node.operand(), ">")
    if isinstance(node, core.Tan):
        return Condition(node.operand(), "tan")
    if isinstance(node, core.Pow):
        return _power_condition(node)
    return None


def _power_condition(power: core.Pow) -> Condition | None:
    base, exponent = power.base(), power.exp()
    if isinstance(exponent, core.Neg) and isinstance(exponent.operand(), core.Int):
        return Condition(base, "!=")
    if isinstance(exponent, core.Int):
        return Condition(base, "!=") if exponent.value() < 0 else None
    if isinstance(exponent, core.Rational):
        return Condition(base, ">=" if exponent.den() % 2 == 0 else "!=")
    return Condition(base, ">")


def same_conditions(first: Sequence[Condition], second: Sequence[Condition]) -> bool:
    """Whether both lists set the same conditions, once each is worked out
    (x != 0 and 2x != 0 are the same)."""
    if max(len(first), len(second)) > MAX_CONDITIONS:
        return False
    return _keys(first) == _keys(second)


def _keys(found: Sequence[Condition]) -> set[tuple[str, str]]:
    keys: set[tuple[str, str]] = set()
    for condition in found:
        if condition.relation == "!=":
            keys.update(("!=", factor.to_string()) for factor in _polynomial_factors(condition.tree))
        else:
            keys.add((condition.relation, _worked_out(condition.tree).to_string()))
    return keys


def _worked_out(tree: Expr) -> Expr:
    try:
        return school.simplify(tree)
    except ValueError:  # no value anywhere, or too large: keep it as written
        return tree


def _polynomial_factors(tree: Expr) -> list[Expr]:
    """The factors of the tree's numerator that are not numbers; a quotient's
    denominator sets its own condition."""
    try:
        factored = school.factor(tree)
    except ValueError:
        return [tree]
    if isinstance(factored, core.Div):
        factored = factored.num()
    _, factors = signed_factors(factored)
    terms = [factor.base() if isinstance(factor, core.Pow) else factor for factor in factors]
    return [factor for factor in terms if variables(factor)]


def edges(found: Sequence[Condition], name: str) -> list[Fraction]:
    """The rational points where a condition on the one variable `name`
    changes: the roots of the linear factors of each condition's
    expression, sorted."""
    roots: set[Fraction] = set()
    for condition in found[:MAX_CONDITIONS]:
        if condition.relation == "tan" or variables(condition.tree) != [name]:
            continue
        for factor in _polynomial_factors(_worked_out(condition.tree)):
            root = _linear_root(factor, name)
            if root is not None:
                roots.add(root)
    return sorted(roots)


def has_only_rational_edges(found: Sequence[Condition], name: str) -> bool:
    """Whether the conditions can change only at the points `edges` gives:
    every condition is on `name` alone and each of its factors is linear."""
    if len(found) > MAX_CONDITIONS:
        return False
    for condition in found:
        if condition.relation == "tan" or variables(condition.tree) not in ([], [name]):
            return False
        for factor in _polynomial_factors(_worked_out(condition.tree)):
            if _linear_root(factor, name) is None:
                return False
    return True


def boundary_points(found: Sequence[Condition], names: Sequence[str]) -> list[dict[str, Fraction]]:
    """Points on the boundaries of the conditions and beside them, where a
    domain of several variables changes: for each variable a factor is
    linear in, with the others given small values, its root, and the
    points 1/10 away on both sides."""
    found_points: dict[tuple[Fraction, ...], dict[str, Fraction]] = {}
    for condition in found[:MAX_CONDITIONS]:
        if condition.relation == "tan":
            continue
        for factor in _polynomial_factors(_worked_out(condition.tree)):
            for name in variables(factor):
                for shift in OTHER_VALUES:
                    others = {other: shift + index for index, other in enumerate(names) if other != name}
                    root = _linear_root(factor, name, others)
                    if root is None:
                        continue
                    for offset in BOUNDARY_OFFSETS:
                        point = {**others, name: root + offset}
                        found_points.setdefault(tuple(point[key] for key in names), point)
    return list(found_points.values())


# The values of the other variables while a boundary is solved for one, and
# the steps taken across it.
OTHER_VALUES = (Fraction(1), Fraction(-2))
BOUNDARY_OFFSETS = (Fraction(0), Fraction(1, 10), Fraction(-1, 10))


def _linear_root(factor: Expr, name: str, others: dict[str, Fraction] | None = None) -> Fraction | None:
    """The root in x of a factor a*x + b (a and b numbers once the `others`
    have their values), read from its values at 0 and 1 and checked
    exactly; None when the factor is not linear in x."""
    value: Callable[[Fraction], Fraction | None] = lambda at: _exact_value(factor, {**(others or {}), name: at})  # noqa: E731
    at_zero, at_one = value(Fraction(0)), value(Fraction(1))
    if at_zero is None or at_one is None or at_one == at_zero:
        return None
    root = -at_zero / (at_one - at_zero)
    at_two, at_root = value(Fraction(2)), value(root)
    if at_root != 0 or at_two != 2 * at_one - at_zero:
        return None
    return root


def _exact_value(tree: Expr, point: dict[str, Fraction]) -> Fraction | None:
    try:
        value = certified_value(tree, point)
    except (Undefined, ValueError):
        return None
    return value if isinstance(value, Fraction) else None


def defined_at(tree: Expr, point: dict[str, Fraction]) -> bool:
    """Whether the tree has a value at the point."""
    try:
        certified_value(tree, point)
    except Undefined:
        return False
    return True


def region_text(name: str, edge_points: Sequence[Fraction], inside: Callable[[Fraction], bool]) -> str:
    """The set of x where `inside` holds, as "x < 0", "x = 1" or
    "-1 <= x < 2 or x > 3", given that it can change only at `edge_points`
    (sorted): each edge and a point of each interval between them decide."""
    pieces = _pieces(list(edge_points))
    held = [inside(sample) for _, _, sample in pieces]
    texts: list[str] = []
    index = 0
    while index < len(pieces):
        if not held[index]:
            index += 1
            continue
        start = index
        while index + 1 < len(pieces) and held[index + 1]:
            index += 1
        texts.append(_span_text(name, pieces[start], pieces[index]))
        index += 1
    return " or ".join(texts)


# A piece of the line: an open interval (low, high; None is infinite) or an
# edge (low == high), with a point of it.
Piece = tuple[Fraction | None, Fraction | None, Fraction]


def _pieces(edge_points: list[Fraction]) -> list[Piece]:
    if not edge_points:
        return [(None, None, Fraction(0))]
    pieces: list[Piece] = [(None, edge_points[0], edge_points[0] - 1)]
    for low, high in zip(edge_points, edge_points[1:] + [None], strict=True):
        pieces.append((low, low, low))
        pieces.append((low, high, low + 1 if high is None else (low + high) / 2))
    return pieces


def _span_text(name: str, first: Piece, last: Piece) -> str:
    low, high = first[0], last[1]
    closed_low = first[0] == first[1]  # starts at an edge
    closed_high = last[0] == last[1]
    if low is None and high is None:
        return f"every {name}"
    if low == high:
        return f"{name} = {low}"
    if low is None:
        return f"{name} {'<=' if closed_high else '<'} {high}"
    if high is None:
        return f"{name} {'>=' if closed_low else '>'} {low}"
    return f"{low} {'<=' if closed_low else '<'} {name} {'<=' if closed_high else '<'} {high}"
