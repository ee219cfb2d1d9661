"""The command line's working: kalvira steps {simplify,expand} EXPRESSION ...

Prints the numbered steps of each expression in LaTeX (--text, --unicode:
in school notation), the explanations in English or (--lang ja) Japanese;
--png draws the numbered lines of the working with their explanations.
"""

from __future__ import annotations

import sys

from kalvira.cli_options import UsageError
from kalvira.cli_output import flush_output, write_line
from kalvira.parser import parse
from kalvira.working import DEFAULT_MAX_STEPS, Steps, steps

USAGE = ("usage: kalvira steps {simplify,expand} EXPRESSION ... [--lang {en,ja}] [--max-steps N] [--text | --unicode]"
         " [--png FILE] [-h]")

HELP = f"""{USAGE}

Show the working of simplify or expand, step by step: each line is the
whole expression after one step, with what was done in the teacher's words.

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

OPERATIONS = ("simplify", "expand")
VALUED = ("--lang", "--max-steps", "--png")
NOTATIONS = ("--text", "--unicode")


class _Request:
    def __init__(self) -> None:
        self.words: list[str] = []
        self.lang = "en"
        self.max_steps = DEFAULT_MAX_STEPS
        self.png = ""
        self.notation = ""
        self.help = False


def _set(request: _Request, name: str, value: str) -> None:
    if name == "--lang":
        if value not in ("en", "ja"):
            raise UsageError(f"--lang is en or ja, not {value!r}")
        request.lang = value
    elif name == "--max-steps":
        if not value.isdecimal() or int(value) < 1:
            raise UsageError(f"--max-steps needs a positive whole number, not {value!r}")
        request.max_steps = int(value)
    else:
        request.png = value


def _read(arguments: list[str]) -> _Request:
    request = _Request()
    pending = list(arguments)
    while pending:
        argument = pending.pop(0)
        name, equals, value = argument.partition("=")
        if argument == "--":
            request.words += pending
            break
        if argument in ("-h", "--help"):
            request.help = True
        elif argument in NOTATIONS:
            if request.notation and request.notation != argument:
                raise UsageError("--text and --unicode exclude each other")
            request.notation = argument
        elif name in VALUED:
            if not equals:
                if not pending:
                    raise UsageError(f"{name} needs a value")
                value = pending.pop(0)
            _set(request, name, value)
        elif argument.startswith("--") and argument[2:3].isalpha():
            raise UsageError(f"unknown option {name} of steps (an expression that starts with - goes after --)")
        else:
            request.words.append(argument)
    if request.help:
        return request
    if not request.words or request.words[0] not in OPERATIONS:
        raise UsageError('steps needs simplify or expand first, as in kalvira steps simplify "1/sqrt(8)"')
    if len(request.words) == 1:
        raise UsageError("steps needs an expression to show the working of")
    return request


def _written(working: Steps, notation: str) -> str:
    return working.to_text(unicode=notation == "--unicode") if notation else str(working)


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
    request = _read(arguments)
    if request.help:
        print(HELP, end="")
        return 0
    operation, texts = request.words[0], request.words[1:]
    failed = False
    drawn: list[str] = []
    for number, text in enumerate(texts):
        try:
            working = steps(parse(text.strip()), operation, request.lang, request.max_steps)  # type: ignore[arg-type]
        except ValueError as error:
            print(f"kalvira: {text!r}: {error}", file=sys.stderr)
            failed = True
            continue
        write_line(("\n" if number else "") + _written(working, request.notation))
        if request.png:
            drawn += lines_to_draw(working)
    flush_output()
    if request.png:
        from kalvira.png import write_png

        write_png(drawn, request.png)
    return 2 if failed else 0
