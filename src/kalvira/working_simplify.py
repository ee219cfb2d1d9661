"""The working of simplify: special angles and logarithms, roots and
powers of numbers, the laws of exponents, numbers and fractions worked out
(over a common denominator), a rational expression factorised and
cancelled (with its excluded values), denominators rationalised; like terms
and surds are collected on the last line.

Each method finds the topmost subtrees it applies to and rewrites all of
them on one line, with the school operations on those subtrees.
"""

from __future__ import annotations

from collections.abc import Callable, Iterator
from fractions import Fraction
from math import lcm

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native
from kalvira.tree_walk import children
from kalvira.working_expand import multiplied_out
from kalvira.working_line import Line
from kalvira.working_terms import (
    Equation,
    Signed,
    factors_of,
    has_letters,
    int_value,
    is_number,
    replaced,
    signed_terms,
    split_sign,
    sum_of,
)

Path = tuple[int, ...]
# A method's lines for one subtree: (rule, the subtree after, equations).
Stage = tuple[str, Expr, tuple[Equation, ...]]
Method = Callable[[Expr], list[Stage]]

simplified = _native.school_simplify
TRIG = (core.Sin, core.Cos, core.Tan)


def _one(rule: str, node: Expr, after: Expr) -> list[Stage]:
    if after.to_string() == node.to_string():
        return []
    return [(rule, after, (Equation((node, after)),))]


def _is_numeric(node: Expr) -> bool:
    """Built of numbers by +, -, ·, / and whole powers only."""
    stack = [node]
    while stack:
        top = stack.pop()
        if isinstance(top, core.Pow):
            if not isinstance(top.exp(), core.Int):
                return False
        elif not isinstance(top, (core.Add, core.Mul, core.Div, core.Neg, core.Int, core.Rational)):
            return False
        stack.extend(children(top))
    return True


def special_angle(node: Expr) -> list[Stage]:
    if not isinstance(node, TRIG) or has_letters(node):
        return []
    after = simplified(node)
    return (
        []
        if "sin" in _native.school_text(after) or "cos" in _native.school_text(after)
        else _one("special-angle", node, after)
    )


def logarithm(node: Expr) -> list[Stage]:
    return _one("logarithm", node, simplified(node)) if isinstance(node, core.Log) else []


def root(node: Expr) -> list[Stage]:
    if isinstance(node, (core.Sqrt, core.Cbrt)) and isinstance(node.operand(), core.Int):
        return _one("root", node, simplified(node))
    return []


def power(node: Expr) -> list[Stage]:
    base = node.base() if isinstance(node, core.Pow) else node
    if isinstance(node, core.Pow) and not has_letters(base) and _is_numeric(base) and isinstance(node.exp(), core.Int):
        return _one("power", node, simplified(node))
    return []


def _base(factor: Expr) -> core.Var | None:
    """The letter of a factor x or x^n with n a whole number."""
    if isinstance(factor, core.Var):
        return factor
    if isinstance(factor, core.Pow) and isinstance(factor.exp(), core.Int) and isinstance(factor.base(), core.Var):
        base = factor.base()
        return base if isinstance(base, core.Var) else None
    return None


def _same_number_base(node: Expr) -> list[Stage]:
    """2^3 2^-2 = 2^(3 - 2), then the power worked out."""
    factors = factors_of(node) if isinstance(node, core.Mul) else None
    if not factors or not all(isinstance(f, core.Pow) and int_value(f.exp()) is not None for f in factors):
        return []
    bases = {f.base().to_string() for f in factors if isinstance(f, core.Pow)}
    if len(bases) != 1 or not isinstance(factors[0], core.Pow) or int_value(factors[0].base()) is None:
        return []
    exponents = [split_sign(f.exp()) for f in factors if isinstance(f, core.Pow)]
    shown = core.Pow(factors[0].base(), sum_of(exponents))
    after = simplified(node)
    return [("exponent-laws", shown, (Equation((node, shown)),)), ("power", after, (Equation((shown, after)),))]


def exponent_laws(node: Expr) -> list[Stage]:
    """x^3 x^4 = x^7, x^5/x^2 = x^3, (x^2)^3 = x^6; 2^3 2^-2 = 2^(3 - 2)."""
    same_base = _same_number_base(node)
    if same_base:
        return same_base
    if isinstance(node, core.Pow) and isinstance(node.exp(), core.Int) and _base(node.base()) is not None:
        return _one("exponent-laws", node, simplified(node))
    pieces = [node.num(), node.den()] if isinstance(node, core.Div) else [node] if isinstance(node, core.Mul) else []
    bases: list[str] = []
    for piece in pieces:
        for factor in factors_of(piece) or []:
            base = _base(factor)
            if base is None and not is_number(factor):
                return []
            if base is not None:
                bases.append(base.name())
    if len(bases) == len(set(bases)):
        return []
    return _one("exponent-laws", node, simplified(node))


def multiply_out(node: Expr) -> list[Stage]:
    """A power or product of sums of numbers multiplied out by its formula
    or by distribution: (sqrt(3) + 1)^2."""
    if has_letters(node) or not isinstance(node, (core.Pow, core.Mul)):
        return []
    worked = multiplied_out(node)
    if worked is None:
        return []
    rule, changes, shown = worked
    after = simplified(node)
    return [(rule, shown, changes), ("simplify", after, (Equation((shown, after)),))]


def numbers(node: Expr) -> list[Stage]:
    """Numbers worked out; a sum of fractions over a common denominator
    first, then its numerators added."""
    if has_letters(node) or not _is_numeric(node) or isinstance(node, (core.Int, core.Rational)):
        return []
    after = simplified(node)
    terms = signed_terms(node, open_brackets=False) or []
    values = [_fraction(simplified(term)) for _, term in terms]
    if len(terms) > 1 and all(v is not None for v in values):
        known = [v for v in values if v is not None]
        common = lcm(*(v.denominator for v in known))
        if len({v.denominator for v in known}) > 1:
            over: list[Signed] = [
                (
                    sign if v >= 0 else -sign,
                    core.Div(core.Int(abs(v.numerator) * common // v.denominator), core.Int(common)),
                )
                for (sign, _), v in zip(terms, known, strict=True)
            ]
            shown = sum_of(over)
            return [
                ("common-denominator", shown, (Equation((node, shown)),)),
                ("add-numerators", after, (Equation((shown, after)),)),
            ]
    rule = (
        "reduce" if isinstance(node, core.Div) and all(isinstance(c, core.Int) for c in children(node)) else "numbers"
    )
    return _one(rule, node, after)


def _fraction(value: Expr) -> Fraction | None:
    sign, magnitude = split_sign(value)
    if isinstance(magnitude, core.Int):
        return Fraction(sign * magnitude.value())
    if isinstance(magnitude, core.Rational):
        return Fraction(sign * magnitude.num(), magnitude.den())
    if isinstance(magnitude, core.Div):
        numerator, denominator = int_value(magnitude.num()), int_value(magnitude.den())
        if numerator is not None and denominator is not None:
            return Fraction(sign * numerator, denominator)
    return None


def _excluded(cancelled: Expr) -> tuple[Equation, ...]:
    """The values a cancelled factor excludes: x ≠ 4 for x - 4, else factor ≠ 0."""
    letters = _native.variables(cancelled)
    if not letters:
        return ()
    if len(letters) == 1:
        x = core.Var(letters[0])
        at_zero = _native.substitute(cancelled, {letters[0]: core.Int(0)})
        slope = simplified(core.Add(_native.substitute(cancelled, {letters[0]: core.Int(1)}), core.Neg(at_zero)))
        if slope.to_string() != "0":
            root_value = simplified(core.Div(core.Neg(at_zero), slope))
            line = core.Add(core.Mul(slope, x), at_zero)
            if simplified(core.Add(cancelled, core.Neg(line))).to_string() == "0":
                return (Equation((x, root_value), unequal=True),)
    return (Equation((_native.school_factor(cancelled), core.Int(0)), unequal=True),)


def rational_expression(node: Expr) -> list[Stage]:
    """A quotient of polynomials factorised and cancelled."""
    if not isinstance(node, core.Div) or not has_letters(node.den()):
        return []
    if not (_is_polynomial(node.num()) and _is_polynomial(node.den())):
        return []
    shown = core.Div(_native.school_factor(node.num()), _native.school_factor(node.den()))
    after = simplified(node)
    denominator = after.den() if isinstance(after, core.Div) else core.Int(1)
    cancelled = _native.school_factor(simplified(core.Div(node.den(), denominator)))
    if not has_letters(cancelled):
        return []  # nothing to cancel: the factorised form would not stay
    stages: list[Stage] = []
    if shown.to_string() != node.to_string():
        stages.append(("factor-fraction", shown, (Equation((node, shown)),)))
    stages.append(("cancel", after, (Equation((shown, after)), *_excluded(cancelled))))
    return stages


def _is_polynomial(node: Expr) -> bool:
    stack = [node]
    while stack:
        top = stack.pop()
        if isinstance(top, core.Pow):
            exponent = int_value(top.exp())
            if exponent is None or exponent < 0:
                return False
            stack.append(top.base())
        elif isinstance(top, (core.Add, core.Mul, core.Neg)):
            stack.extend(children(top))
        elif not isinstance(top, (core.Int, core.Rational, core.Var)):
            return False
    return True


def _conjugate(denominator: Expr) -> Expr | None:
    terms = signed_terms(denominator, open_brackets=False)
    if terms is None or len(terms) > 2:
        return None
    if len(terms) == 1:
        roots = [f for f in factors_of(terms[0][1]) or [] if isinstance(f, core.Sqrt)]
        return roots[0] if len(roots) == 1 else None
    (s, a), (t, b) = terms
    return sum_of([(s, a), (-t, b)])


def rationalise(node: Expr) -> list[Stage]:
    """A root in a number's denominator removed, multiplying by the conjugate."""
    if not isinstance(node, core.Div) or has_letters(node.den()) or "sqrt" not in _native.school_text(node.den()):
        return []
    conjugate = _conjugate(node.den())
    if conjugate is None:
        return []
    one = int_value(node.num()) == 1
    shown = core.Div(conjugate if one else core.Mul(node.num(), conjugate), core.Mul(node.den(), conjugate))
    after = simplified(node)
    return [
        ("rationalise", shown, (Equation((core.Div(conjugate, conjugate),)),)),
        ("numbers", after, (Equation((shown, after)),)),
    ]


METHODS: tuple[Method, ...] = (
    special_angle,
    logarithm,
    root,
    exponent_laws,
    power,
    multiply_out,
    rational_expression,
    rationalise,
    numbers,
)


def _topmost(tree: Expr, method: Method) -> list[tuple[Path, list[Stage]]]:
    """The topmost subtrees the method applies to, with their stages."""
    found = []
    stack: list[tuple[Path, Expr]] = [((), tree)]
    while stack:
        path, node = stack.pop()
        try:
            stages = method(node)
        except ValueError:
            stages = []  # a subtree with no value: the operation says so on the last line
        if stages:
            found.append((path, stages))
            continue
        stack += [(path + (i,), child) for i, child in reversed(list(enumerate(children(node))))]
    return found


def simplify_lines(tree: Expr, result: Expr) -> Iterator[Line]:
    for method in METHODS:
        found = _topmost(tree, method)
        for stage in range(max((len(stages) for _, stages in found), default=0)):
            changes: list[Equation] = []
            rule = ""
            for path, stages in found:
                if stage < len(stages):
                    rule, after, equations = stages[stage]
                    tree = replaced(tree, path, after)
                    changes += equations
            yield Line(tree, rule, tuple(changes))
