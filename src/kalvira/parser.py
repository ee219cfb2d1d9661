"""School notation, such as "3(x+1)^2 - sin(pi/4)", into expression trees.

The grammar is handed to Lark's LALR(1) parser, which runs on an explicit
stack and builds the tree through the callbacks below while it parses: no
recursion, so a hundred thousand nested parentheses parse like any other
input, and Lark reports the position of every syntax error.
"""

from __future__ import annotations

from dataclasses import dataclass
from typing import Callable

from lark import Lark, Token, Transformer, v_args
from lark.exceptions import UnexpectedCharacters, UnexpectedInput, UnexpectedToken

import _kalvira_core as core
from _kalvira_core import Expr

INT_MIN, INT_MAX = -(2**31), 2**31 - 1

GRAMMAR = r"""
start: sum

?sum: product
    | sum "+" product       -> add
    | sum "-" product       -> subtract

?product: signed
    | product "*" signed    -> mul
    | product "/" signed    -> div
    | product power         -> mul

?signed: power
    | "-" signed            -> negate
    | "+" signed

?power: atom
    | atom ("^" | "**") signed -> pow

?atom: INTEGER              -> integer
    | DECIMAL               -> decimal
    | PI                    -> pi
    | E                     -> e
    | VARIABLE              -> variable
    | FUNCTION "(" sum ")"  -> function
    | "(" sum ")"           -> group

INTEGER: /[0-9]+/
DECIMAL.3: /[0-9]*\.[0-9]+|[0-9]+\./
PI.2: "pi" | "π"
E.2: /e(?!_)/
FUNCTION.2: "sqrt" | "cbrt" | "sin" | "cos" | "tan" | "ln" | "log"
VARIABLE: /[^\W\d_](_([0-9]+|[^\W\d_]|\{[^{}\s]+\}))?/

%ignore /\s+/
"""

FUNCTIONS: dict[str, Callable[[Expr], Expr]] = {
    "sqrt": core.Sqrt,
    "cbrt": core.Cbrt,
    "sin": core.Sin,
    "cos": core.Cos,
    "tan": core.Tan,
    "ln": core.Log,
    "log": core.Log,
}

# How the parser's expectations read in an error message.
EXPECTED_NAMES = {"RPAR": "')'", "LPAR": "'('"}


class ParseError(ValueError):
    """Input that is not an expression; `position` counts characters from 1."""

    def __init__(self, text: str, offset: int, reason: str, hint: str = "") -> None:
        self.text = text
        self.position = offset + 1
        self.reason = reason
        self.summary = f"{reason} at position {self.position}" + (f"; {hint}" if hint else "")
        line_start = text.rfind("\n", 0, offset) + 1
        line_end = text.find("\n", offset)
        line = text[line_start : len(text) if line_end < 0 else line_end]
        caret = " " * (offset - line_start) + "^"
        super().__init__(f"{self.summary}\n  {line}\n  {caret}")


class _Refused(Exception):
    """Raised by a callback; `parse` turns it into a ParseError with the text."""

    def __init__(self, offset: int, reason: str, hint: str) -> None:
        super().__init__(reason)
        self.offset = offset
        self.reason = reason
        self.hint = hint


@dataclass(frozen=True)
class _Literal:
    """An integer literal not yet made a node, so that a minus sign written
    right before it can make it negative (and -2147483648 fits)."""

    value: int
    offset: int
    negative: bool = False


def _node(item: Expr | _Literal) -> Expr:
    if not isinstance(item, _Literal):
        return item
    if not INT_MIN <= item.value <= INT_MAX:
        raise _Refused(
            item.offset,
            f"the integer {item.value} does not fit in 32 bits",
            f"integers run from {INT_MIN} to {INT_MAX}",
        )
    return core.Int(item.value)


@v_args(inline=True)
class _BuildTree(Transformer[Token, Expr]):
    """Parser callbacks: each builds the node of one grammar rule."""

    def start(self, item: Expr | _Literal) -> Expr:
        return _node(item)

    def integer(self, token: Token) -> _Literal:
        return _Literal(int(token), token.start_pos or 0)

    def decimal(self, token: Token) -> Expr:
        raise _Refused(token.start_pos or 0, "decimal numbers are not supported", "write a fraction such as 3/2")

    def pi(self, _token: Token) -> Expr:
        return core.Pi()

    def e(self, _token: Token) -> Expr:
        return core.E()

    def variable(self, token: Token) -> Expr:
        return core.Var(str(token))

    def function(self, name: Token, argument: Expr | _Literal) -> Expr:
        return FUNCTIONS[str(name)](_node(argument))

    def group(self, item: Expr | _Literal) -> Expr:
        return _node(item)

    def negate(self, item: Expr | _Literal) -> Expr | _Literal:
        if isinstance(item, _Literal) and not item.negative:
            return _Literal(-item.value, item.offset, negative=True)
        return core.Neg(_node(item))

    def add(self, left: Expr | _Literal, right: Expr | _Literal) -> Expr:
        return core.Add(_node(left), _node(right))

    def subtract(self, left: Expr | _Literal, right: Expr | _Literal) -> Expr:
        return core.Add(_node(left), core.Neg(_node(right)))

    def mul(self, left: Expr | _Literal, right: Expr | _Literal) -> Expr:
        return core.Mul(_node(left), _node(right))

    def div(self, left: Expr | _Literal, right: Expr | _Literal) -> Expr:
        return core.Div(_node(left), _node(right))

    def pow(self, base: Expr | _Literal, exponent: Expr | _Literal) -> Expr:
        return core.Pow(_node(base), _node(exponent))


_PARSER = Lark(GRAMMAR, parser="lalr", transformer=_BuildTree())


def parse(text: str) -> Expr:
    """Reads school notation into an expression tree.

    Integers, one-letter variables (any Unicode letter, with an optional
    subscript: x_1, a_n, x_{12}), + - * / ^ ** and parentheses, implicit
    products ("2x", "3(x+1)", "2pi", "(x+1)(x-1)", "xy" is x times y), pi or
    π, e, and the functions sqrt, cbrt, sin, cos, tan, ln (log is ln), whose
    argument is always in parentheses.

    The tree of each form:

    - "a + b" is Add(a, b); "a - b" is Add(a, Neg(b)), which renders "a - b".
    - "a*b", "a b" and "ab" are Mul(a, b); "a/b" is Div(a, b). These four
      bind alike, from the left: "1/2x" is Mul(Div(1, 2), x).
    - "a^b" and "a**b" are Pow(a, b), from the right: "2^3^2" is 2^(3^2).
    - A minus sign right before an integer makes a negative Int: "-3" is
      Int(-3), "x^-1" is Pow(x, Int(-1)), and "-2147483648" is allowed.
      Before anything else it is Neg: "-x", "-(3)", "--3" (Neg(Int(-3))).
      Powers bind first: "-x^2" and "-3^2" are Neg(Pow(...)).
    - "1/2" is Div(Int(1), Int(2)); `simplify` makes fractions Rational.

    Raises ParseError, a ValueError whose message gives the position and
    shows it with a caret under the text; integers outside 32 bits are
    refused, never wrapped.
    """
    if not isinstance(text, str):
        raise TypeError(f"parse expects a str, not {type(text).__name__}")
    try:
        return _PARSER.parse(text)  # type: ignore[return-value]
    except _Refused as refused:
        raise ParseError(text, refused.offset, refused.reason, refused.hint) from None
    except UnexpectedInput as error:
        raise ParseError(text, *_describe(text, error)) from None


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
