"""School notation, such as "3(x+1)^2 - sin(pi/4)" or "x² · √2", into
expression trees.

The parser is native (kalvira._native): it reads the text on explicit
stacks, never recursing, so a million nested parentheses parse like any
other input. This module only turns its refusals into ParseError.
"""

from __future__ import annotations

from _kalvira_core import Expr

from kalvira import _native


class ParseError(ValueError):
    """Input that is not an expression; `position` counts characters from 1."""

    def __init__(self, text: str, offset: int, reason: str, hint: str = "") -> None:
        self.text = text
        self.position = offset + 1
        self.reason = reason
        self.hint = hint
        self.summary = f"{reason} at position {self.position}" + (f"; {hint}" if hint else "")
        line_start = text.rfind("\n", 0, offset) + 1
        line_end = text.find("\n", offset)
        line = text[line_start : len(text) if line_end < 0 else line_end]
        caret = " " * (offset - line_start) + "^"
        super().__init__(f"{self.summary}\n  {line}\n  {caret}")

    def __reduce__(self) -> tuple[type[ParseError], tuple[str, int, str, str]]:
        return ParseError, (self.text, self.position - 1, self.reason, self.hint)


def parse(text: str) -> Expr:
    """Reads school notation into an expression tree.

    Integers, one-letter variables (any Unicode letter, with an optional
    subscript: x_1, a_n, x_{12}, x₁), + - * / ^ ** and parentheses, implicit
    products ("2x", "3(x+1)", "2pi", "(x+1)(x-1)", "xy" is x times y), pi or
    π, e, and the functions sqrt, cbrt, sin, cos, tan, ln (log is ln), whose
    argument is always in parentheses. The symbols a teacher types read as
    their keyboard forms: · and × as *, ÷ as /, − as -, superscripts as
    powers (x², x⁻¹, (x+1)³; a run of superscript digits is one integer, so
    x²³ is x^23), √ and ∛ as sqrt and cbrt of the atom after them.

    The tree of each form:

    - "a + b" is Add(a, b); "a - b" is Add(a, Neg(b)), which renders "a - b".
    - "a*b", "a b" and "ab" are Mul(a, b); "a/b" is Div(a, b). These four
      bind alike, from the left: "1/2x" is Mul(Div(1, 2), x).
    - "a^b" and "a**b" are Pow(a, b), from the right: "2^3^2" is 2^(3^2).
      A superscript takes the atom right before it and cannot be raised
      again: "x²^3" is refused, "(x²)^3" is not.
    - "√x" is Sqrt(x) and "√(x+1)" Sqrt(x + 1); the root takes its atom's
      superscript, so "√x²" is Sqrt(Pow(x, 2)), but "√x^2" is Pow(Sqrt(x), 2)
      and "√2x" is Mul(Sqrt(2), x).
    - A minus sign right before an integer makes a negative Int: "-3" is
      Int(-3), "-2x" is Mul(Int(-2), x), "x^-1" is Pow(x, Int(-1)), and
      "-2147483648" is allowed. Before anything else it is Neg: "-x",
      "-(3)", "--3" (Neg(Int(-3))). Powers bind first: "-x^2" and "-3^2"
      are Neg(Pow(...)). A minus in front of a term covers its whole chain
      of products and quotients: "-xy" and "-x*y" are Neg(Mul(x, y)), "-x/y"
      is Neg(Div(x, y)); after *, / or ^ it covers one factor: "x*-yz" is
      Mul(Mul(x, Neg(y)), z).
    - "1/2" is Div(Int(1), Int(2)); `simplify` makes fractions Rational.

    Raises ParseError, a ValueError whose message gives the position and
    shows it with a caret under the text. Refused are: decimals; integers
    outside 32 bits (at their minus sign when they have one); two or more
    letters right before "(" that do not end in a function name or pi
    ("sqr(x)", "SIN(x)": names are matched exactly; "xsin(x)" is x·sin(x));
    and lone surrogates. When a text has several faults, a fault of syntax
    is reported first, else the leftmost refused literal.
    """
    if not isinstance(text, str):
        raise TypeError(f"parse expects a str, not {type(text).__name__}")
    try:
        return _native.parse(text)
    except _native.ParseFailure as failure:
        raise ParseError(text, *failure.args) from None
