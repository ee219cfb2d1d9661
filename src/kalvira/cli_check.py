"""The command line's answer commands:

    kalvira check EXPECTED ANSWER ... [--form FORM] [--accept-domain-differences]
    kalvira eval EXPRESSION ... [NAME=VALUE ...]

check prints one verdict line per answer ("ANSWER: equal", or with a
form "ANSWER: equal, but not expanded: 2(x + 1) = 2x + 2"); eval one value
line per expression. An answer or expression that cannot be read or has
no value gets an empty line, and its error goes to standard error.
"""

from __future__ import annotations

import sys
from collections.abc import Callable
from fractions import Fraction

from _kalvira_core import Expr, Var

from kalvira.answers import equivalent
from kalvira.cli_options import Options, UsageError
from kalvira.cli_output import write_line
from kalvira.evaluation import evaluate, substitute
from kalvira.parser import parse

# Exit statuses: every answer accepted, one not accepted, bad input.
ACCEPTED, NOT_ACCEPTED, BAD_INPUT = 0, 1, 2


def _failed(text: str, error: ValueError) -> int:
    write_line()
    print(f"kalvira: {text!r}: {getattr(error, 'summary', error)}", file=sys.stderr)
    return BAD_INPUT


def _verdict_line(expected: Expr, text: str, options: Options) -> tuple[str, bool]:
    """The answer's line, and whether it is accepted."""
    verdict = equivalent(expected, parse(text), options.form or None)
    return f"{text}: {verdict}", verdict.accepted(options.accept_domain_differences)


def check(options: Options) -> int:
    if len(options.expressions) < 2:
        raise UsageError(
            'check needs the expected expression and at least one answer, as in kalvira check "2(x+1)" "2x+2"'
        )
    expected_text, *answers = (text.strip() for text in options.expressions)
    expected = parse(expected_text)  # a ParseError ends the run with status 2
    status = ACCEPTED
    for text in answers:
        try:
            line, accepted = _verdict_line(expected, text, options)
        except ValueError as error:
            status = _failed(text, error)
            continue
        write_line(line)
        if not accepted:
            status = max(status, NOT_ACCEPTED)
    return status


def _variable_value(assignment: str) -> tuple[str, Fraction | Expr]:
    """NAME=VALUE: a decimal or fraction ("0.5", "-3/4") exactly, anything
    else ("pi/4", "sqrt(2)") as that expression, which must have a value and
    is put in place of the variable, so that sin(t)^2 at t = pi/4 is exactly
    1/2. Exponent
    notation is refused: in school notation 1e2 is 1·e·2."""
    name, _, value = (side.strip() for side in assignment.partition("="))
    try:
        variable = parse(name)
    except ValueError:
        variable = None
    if not isinstance(variable, Var):
        raise UsageError(f"{name!r} in {assignment!r} is not a variable name")
    try:
        number = Fraction(value)
    except ValueError:
        number = None
    if number is not None and "e" in value.lower():
        raise UsageError(
            f"the value in {assignment!r} is exponent notation, which school notation reads as a"
            f" product with e; write {variable.name()}={number}"
        )
    if number is not None:
        return variable.name(), number
    try:
        tree = parse(value)
        evaluate(tree)
        return variable.name(), tree
    except ValueError as error:
        raise UsageError(f"the value in {assignment!r} is not a number: {getattr(error, 'summary', error)}") from None


def _number_text(value: Fraction | float) -> str:
    return str(value) if isinstance(value, Fraction) else repr(value)


def evaluate_expressions(options: Options) -> int:
    texts = [text.strip() for text in options.expressions if "=" not in text]
    if not texts:
        raise UsageError('eval needs an expression, as in kalvira eval "x^2 + 1" x=3')
    point: dict[str, Fraction] = {}
    trees: dict[str, Expr] = {}
    for assignment in (text for text in options.expressions if "=" in text):
        name, value = _variable_value(assignment)
        if name in point or name in trees:
            raise UsageError(f"{name} is given a value twice; give each variable one value")
        if isinstance(value, Fraction):
            point[name] = value
        else:
            trees[name] = value
    status = ACCEPTED
    for text in texts:
        try:
            line = _number_text(evaluate(substitute(parse(text), trees), point))
        except ValueError as error:
            status = _failed(text, error)
            continue
        write_line(line)
    return status


ANSWER_COMMANDS: dict[str, Callable[[Options], int]] = {"check": check, "eval": evaluate_expressions}
