"""The command line's working: kalvira steps {expand,simplify,factor} EXPRESSION ...

Prints the numbered steps of each expression in LaTeX (--text, --unicode:
in school notation), the explanations in English or (--lang ja) Japanese;
--png draws the numbered lines of the working with their explanations.
"""

from __future__ import annotations

import sys
from dataclasses import dataclass, field

from kalvira.batch import Notation
from kalvira.cli_options import (
    ANY_TEXT,
    HELP_OPTION,
    POSITIVE_WHOLE_NUMBER,
    Option,
    UsageError,
    chosen_format,
    one_of,
    read_options,
)
from kalvira.cli_output import flush_output, write_line
from kalvira.parser import parse
from kalvira.step_texts import LANGUAGES
from kalvira.working import DEFAULT_MAX_STEPS, Steps, TracedOperation, is_traced_operation, steps

USAGE = (
    "usage: kalvira steps {expand,simplify,factor} EXPRESSION ... [--lang {en,ja}] [--max-steps N] [--text | --unicode]"
    " [--png FILE] [-h]"
)

HELP = f"""{USAGE}

Show the working of expand, simplify or factor, step by step, as a teacher
writes it: each line is the whole expression after one step, with the
method used in the teacher's words; the last line is the operation's answer.

arguments:
  EXPRESSION        an expression in school notation; one that starts with
                    "-" goes after "--"
  --lang {{en,ja}}    the language of the explanations (default: en)
  --max-steps N     show at most N steps, then the result (default: {DEFAULT_MAX_STEPS})
  --text            write the working in school notation (x^2 + 2x + 1, sqrt(2))
                    instead of LaTeX
  --unicode         the same with Unicode symbols (x² + 2x + 1, √2)
  --png FILE        also draw the working into a PNG image (needs matplotlib)
  -h, --help        print this help

example: kalvira steps simplify "1/sqrt(8)"
"""

OPTIONS = (
    Option(("--lang",), "lang", one_of(*LANGUAGES)),
    Option(("--max-steps",), "max_steps", POSITIVE_WHOLE_NUMBER),
    Option(("--text",), "text"),
    Option(("--unicode",), "unicode"),
    Option(("--png",), "png", ANY_TEXT),
    HELP_OPTION,
)

FORMATS: dict[str, Notation] = {"--text": "text", "--unicode": "unicode"}


@dataclass
class StepsOptions:
    """What the arguments of `kalvira steps` ask for."""

    operation: TracedOperation = "simplify"
    expressions: list[str] = field(default_factory=list)
    lang: str = "en"
    max_steps: int = DEFAULT_MAX_STEPS
    text: bool = False
    unicode: bool = False
    png: str = ""
    help: bool = False


def read_steps_arguments(arguments: list[str]) -> StepsOptions:
    """The options of the arguments after "steps"; raises UsageError."""
    options = StepsOptions()
    words = read_options(arguments, OPTIONS, options, "steps")
    if options.help:
        return options
    operation = words[0] if words else ""
    if not is_traced_operation(operation):
        raise UsageError('steps needs expand, simplify or factor first, as in kalvira steps simplify "1/sqrt(8)"')
    if len(words) == 1:
        raise UsageError("steps needs an expression to show the working of")
    options.operation, options.expressions = operation, words[1:]
    return options


def _written(working: Steps, notation: str) -> str:
    return str(working) if notation == "latex" else working.to_text(unicode=notation == "unicode")


def lines_to_draw(working: Steps) -> list[str]:
    """The numbered lines as mathtext: each step's expression, and below it
    the explanation, its words as text and its mathematics as a formula
    (left out where the font cannot draw the words)."""
    from kalvira.png import has_glyphs

    lines = [f"${working.start_latex}$"]
    for number, step in enumerate(working, 1):
        lines.append(f"{number}.  $= {step.latex}$")
        if has_glyphs(step.wording):
            lines.append("        " + f"${step.math}$".join(step.wording.split("{}")))
    return lines


def run_steps(arguments: list[str]) -> int:
    """Runs `kalvira steps ...`; returns the exit status (2 when any expression failed)."""
    options = read_steps_arguments(arguments)
    if options.help:
        print(HELP, end="")
        return 0
    notation = chosen_format(options, FORMATS, "latex")
    failed = False
    drawn: list[str] = []
    for number, text in enumerate(options.expressions):
        try:
            working = steps(parse(text.strip()), options.operation, options.lang, options.max_steps)
        except ValueError as error:
            print(f"kalvira: {text!r}: {error}", file=sys.stderr)
            failed = True
            continue
        write_line(("\n" if number else "") + _written(working, notation))
        if options.png:
            drawn += lines_to_draw(working)
    flush_output()
    if options.png:
        from kalvira.png import write_png

        write_png(drawn, options.png)
    return 2 if failed else 0
