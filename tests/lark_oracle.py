"""The grammar of school notation, run by Lark's LALR(1) parser: the oracle
that the native parser is compared with. Same trees, same refusals (syntax
first, then the leftmost refused literal), same positions."""

from __future__ import annotations

from collections.abc import Callable
from dataclasses import dataclass

import _kalvira_core as core
from _kalvira_core import Expr
from lark import Lark, Token, Transformer, v_args
from lark.exceptions import UnexpectedCharacters, UnexpectedInput, UnexpectedToken

from kalvira import ParseError

LETTER = r"[^\W\d_⁰¹²³⁴-⁹₀-₉]"
NOT_A_FUNCTION = "".join(f"(?<!{name})" for name in ("sqrt", "cbrt", "sin", "cos", "tan", "ln", "log", "pi", "π"))

GRAMMAR = rf"""
start: sum

?sum: term
    | sum _PLUS term           -> add
    | sum MINUS term           -> subtract

?term: product
    | MINUS term               -> negate
    | _PLUS term

?product: power
    | product _TIMES signed    -> mul
    | product _DIVIDE signed   -> div
    | product power            -> mul

?signed: power
    | MINUS signed             -> negate
    | _PLUS signed

?power: atom
    | atom _POWER signed       -> pow
    | atom SUPERSCRIPT         -> superscript

?atom: INTEGER                 -> integer
    | DECIMAL                  -> decimal
    | PI                       -> pi
    | E                        -> e
    | VARIABLE                 -> variable
    | FUNCTION "(" sum ")"     -> function
    | UNKNOWN_FUNCTION LPAR sum RPAR -> unknown_function
    | "(" sum ")"              -> group
    | ROOT root_operand        -> root

?root_operand: atom
    | atom SUPERSCRIPT         -> superscript

LPAR: "("
RPAR: ")"
_PLUS: "+"
MINUS: "-" | "−"
_TIMES: "*" | "·" | "×"
_DIVIDE: "/" | "÷"
_POWER: "^" | "**"
ROOT: "√" | "∛"
SUPERSCRIPT: /⁻?[⁰¹²³⁴-⁹]+/
INTEGER: /[0-9]+/
DECIMAL.3: /[0-9]*\.[0-9]+|[0-9]+\./
UNKNOWN_FUNCTION.3: /{LETTER}{{2,}}{NOT_A_FUNCTION}(?=\()/
PI.2: "pi" | "π"
E.2: /e(?![_₀-₉])/
FUNCTION.2: "sqrt" | "cbrt" | "sin" | "cos" | "tan" | "ln" | "log"
VARIABLE: /{LETTER}(_([0-9]+|{LETTER}|\{{[^{{}}\s]+\}})|[₀-₉]+)?/

%ignore /\s+/
"""

FUNCTIONS = {
    "sqrt": core.Sqrt,
    "cbrt": core.Cbrt,
    "sin": core.Sin,
    "cos": core.Cos,
    "tan": core.Tan,
    "ln": core.Log,
    "log": core.Log,
    "√": core.Sqrt,
    "∛": core.Cbrt,
}
SUPERSCRIPTS = str.maketrans("⁰¹²³⁴⁵⁶⁷⁸⁹⁻", "0123456789-")
SUBSCRIPTS = str.maketrans("₀₁₂₃₄₅₆₇₈₉", "0123456789")
EXPECTED_NAMES = {"RPAR": "')'", "LPAR": "'('"}
INT_MIN, INT_MAX = -(2**31), 2**31 - 1


@dataclass(frozen=True)
class _Literal:
    """An integer not yet a node, so that a minus sign right before it can
    make it negative; `digits` has no leading zeros."""

    digits: str
    offset: int
    negative: bool = False


def _literal(written: str, offset: int, negative: bool = False) -> _Literal:
    return _Literal(written.lstrip("0") or "0", offset, negative)


@dataclass
class _Chain:
    """A product or quotient whose first factor is an integer literal, not
    yet a node, so that a term's minus sign still goes to that integer:
    "-2x" is Mul(Int(-2), x) while "-xy" is Neg(Mul(x, y))."""

    first: _Literal
    factors: list[tuple[Callable[[Expr, Expr], Expr], Expr]]


Item = Expr | _Literal | _Chain


@v_args(inline=True)
class _BuildTree(Transformer[Token, Expr]):
    """Parser callbacks. Refusals are noted, not raised, so that a syntax
    fault anywhere in the text wins; the leftmost refusal is raised after."""

    def __init__(self) -> None:
        super().__init__()
        self.refusals: list[tuple[int, str, str]] = []
        self.text = ""  # the text being parsed, for the hints that quote it

    def refuse(self, offset: int, reason: str, hint: str = "") -> Expr:
        self.refusals.append((offset, reason, hint))
        return core.Int(0)

    def node(self, item: Item) -> Expr:
        if isinstance(item, _Chain):
            tree = self.node(item.first)
            for operation, factor in item.factors:
                tree = operation(tree, factor)
            return tree
        if not isinstance(item, _Literal):
            return item
        value = int(item.digits) * (-1 if item.negative else 1) if len(item.digits) <= 10 else None
        if value is not None and INT_MIN <= value <= INT_MAX:
            return core.Int(value)
        digits = item.digits if len(item.digits) <= 20 else f"{item.digits[:10]}... ({len(item.digits)} digits)"
        sign = "-" if item.negative else ""
        return self.refuse(
            item.offset,
            f"the integer {sign}{digits} does not fit in 32 bits",
            f"integers run from {INT_MIN} to {INT_MAX}",
        )

    def start(self, item: Item) -> Expr:
        return self.node(item)

    def integer(self, token: Token) -> _Literal:
        return _literal(str(token), token.start_pos or 0)

    def decimal(self, token: Token) -> Expr:
        return self.refuse(token.start_pos or 0, "decimal numbers are not supported", "write a fraction such as 3/2")

    def pi(self, _token: Token) -> Expr:
        return core.Pi()

    def e(self, _token: Token) -> Expr:
        return core.E()

    def variable(self, token: Token) -> Expr:
        name, start = str(token), token.start_pos or 0
        for index, char in enumerate(name):
            if "\ud800" <= char <= "\udfff":
                return self.refuse(start + index, f"unexpected character {char!r}")
        if len(name) > 1 and name[1] != "_":
            name = name[0] + "_" + name[1:].translate(SUBSCRIPTS)
        return core.Var(name)

    def function(self, name: Token, argument: Item) -> Expr:
        return FUNCTIONS[str(name)](self.node(argument))

    def unknown_function(self, name: Token, open_: Token, argument: Item, close: Token) -> Expr:
        self.node(argument)
        group = self.text[open_.start_pos : close.end_pos]
        text_only = not any("\ud800" <= char <= "\udfff" for char in group)
        shown = group if len(group) <= 20 and text_only else "(...)"
        return self.refuse(
            name.start_pos or 0,
            f"unknown function '{name}'",
            f"write {''.join(letter + '*' for letter in str(name))}{shown} for a product",
        )

    def group(self, item: Item) -> Expr:
        return self.node(item)

    def root(self, sign: Token, item: Item) -> Expr:
        return FUNCTIONS[str(sign)](self.node(item))

    def negate(self, minus: Token, item: Item) -> Item:
        leading = item.first if isinstance(item, _Chain) else item
        if isinstance(leading, _Literal) and not leading.negative:
            signed = _Literal(leading.digits, minus.start_pos or 0, negative=True)
            return _Chain(signed, item.factors) if isinstance(item, _Chain) else signed
        return core.Neg(self.node(item))

    def add(self, left: Item, right: Item) -> Expr:
        return core.Add(self.node(left), self.node(right))

    def subtract(self, left: Item, _minus: Token, right: Item) -> Expr:
        return core.Add(self.node(left), core.Neg(self.node(right)))

    def mul(self, left: Item, right: Item) -> Item:
        return self.chain(left, core.Mul, right)

    def div(self, left: Item, right: Item) -> Item:
        return self.chain(left, core.Div, right)

    def chain(self, left: Item, operation: Callable[[Expr, Expr], Expr], right: Item) -> Item:
        """The product so far with one more factor; one that begins with an
        integer literal stays a chain."""
        if isinstance(left, _Literal):
            return _Chain(left, [(operation, self.node(right))])
        if isinstance(left, _Chain):
            left.factors.append((operation, self.node(right)))
            return left
        return operation(left, self.node(right))

    def pow(self, base: Item, exponent: Item) -> Expr:
        return core.Pow(self.node(base), self.node(exponent))

    def superscript(self, base: Item, exponent: Token) -> Expr:
        written = str(exponent).translate(SUPERSCRIPTS)
        literal = _literal(written.lstrip("-"), exponent.start_pos or 0, written.startswith("-"))
        return core.Pow(self.node(base), self.node(literal))


_BUILDER = _BuildTree()
_PARSER = Lark(GRAMMAR, parser="lalr", transformer=_BUILDER)


def parse(text: str) -> Expr:
    """What kalvira.parse gives, read by the grammar."""
    _BUILDER.refusals = []
    _BUILDER.text = text
    try:
        tree: Expr = _PARSER.parse(text)
    except UnexpectedInput as error:
        raise ParseError(text, *_describe(text, error)) from None
    if _BUILDER.refusals:
        raise ParseError(text, *min(_BUILDER.refusals))
    return tree


def _describe(text: str, error: UnexpectedInput) -> tuple[int, str, str]:
    """Offset, reason and hint of a syntax error."""
    if isinstance(error, UnexpectedCharacters):
        offset = error.pos_in_stream or 0
        return offset, f"unexpected character {text[offset]!r}", ""
    assert isinstance(error, UnexpectedToken)  # the only other kind LALR raises
    if error.token.type != "$END":
        offset, reason = error.token.start_pos or 0, f"unexpected {str(error.token)!r}"
    else:
        offset, reason = (len(text), "unexpected end of input") if text.strip() else (0, "the expression is empty")
    hint = ""
    if error.expected and error.expected <= EXPECTED_NAMES.keys():
        hint = "expected " + " or ".join(sorted(EXPECTED_NAMES[name] for name in error.expected))
    return offset, reason, hint
