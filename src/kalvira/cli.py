"""The command line: kalvira {simplify,expand,latex} [EXPRESSION ...] [options].

Each expression is parsed from school notation and its result printed as
one line of LaTeX (or, with --tree, as the Python that builds it).
"""

from __future__ import annotations

import argparse
import os
import sys
from typing import Callable, Iterator, NoReturn, TextIO

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira.display import constructor_form
from kalvira.parser import ParseError, parse
from kalvira.png import write_png

COMMANDS: dict[str, Callable[[Expr], Expr]] = {
    "simplify": core.simplify,
    "expand": core.expand,
    "latex": lambda tree: tree,
}


class UsageError(Exception):
    """Arguments the command line cannot run with."""


class _Parser(argparse.ArgumentParser):
    # One line on standard error instead of argparse's usage block.
    def error(self, message: str) -> NoReturn:
        raise UsageError(message)


def _argument_parser() -> argparse.ArgumentParser:
    parser = _Parser(
        prog="kalvira",
        allow_abbrev=False,
        description="Simplify or expand expressions written in school notation and print them as LaTeX.",
        epilog='example: kalvira expand "(x+1)^3"   prints   x^{3} + 3x^{2} + 3x + 1',
    )
    parser.add_argument("command", choices=COMMANDS, help="expand multiplies out and collects like terms; latex only renders")
    parser.add_argument("expressions", nargs="*", metavar="EXPRESSION", help="read from standard input when none is given and no --file")
    parser.add_argument("-f", "--file", help="a worksheet: one expression per line; blank lines and lines starting with # are skipped")
    parser.add_argument("--tree", action="store_true", help="print the constructor form of each result instead of LaTeX")
    parser.add_argument("--png", metavar="FILE", help="also draw the results into a PNG image (needs matplotlib)")
    return parser


OPTIONS_WITH_VALUE = ("-f", "--file", "--png")
OPTIONS = ("-h", "--help", "--tree", "--", *OPTIONS_WITH_VALUE)


def _protect_expressions(argv: list[str]) -> list[str]:
    """An expression such as "-x+1" starts like an option; a leading space,
    which parse ignores, keeps argparse from reading it as one."""
    protected, takes_value = [], False
    for arg in argv:
        name = arg.split("=", 1)[0]
        is_option = name in OPTIONS or arg.startswith("-f")  # -fFILE is -f FILE
        protected.append(f" {arg}" if arg.startswith("-") and not is_option and not takes_value else arg)
        takes_value = arg in OPTIONS_WITH_VALUE
    return protected


def _worksheet(lines: TextIO, name: str) -> Iterator[tuple[str, str]]:
    for number, line in enumerate(lines, start=1):
        text = line.strip()
        if text and not text.startswith("#"):
            yield f"{name}, line {number}", text


def _inputs(options: argparse.Namespace) -> Iterator[tuple[str, str]]:
    for text in map(str.strip, options.expressions):
        yield repr(text), text
    if options.file == "-" or (options.file is None and not options.expressions):
        yield from _worksheet(sys.stdin, "standard input")
    elif options.file is not None:
        try:
            with open(options.file, encoding="utf-8") as lines:
                yield from _worksheet(lines, options.file)
        except OSError as error:
            raise UsageError(f"cannot read {options.file}: {error.strerror}") from None


def _run(options: argparse.Namespace) -> int:
    operation = COMMANDS[options.command]
    status, drawn = 0, []
    for label, text in _inputs(options):
        try:
            result = operation(parse(text))
        except ParseError as error:
            print(f"kalvira: {label}: {error.summary}", file=sys.stderr)
            status = 2
            continue
        except (ValueError, MemoryError) as error:
            print(f"kalvira: {label}: {error or 'out of memory'}", file=sys.stderr)
            status = 2
            continue
        latex = result.to_string()
        print(constructor_form(result) if options.tree else latex, flush=True)
        drawn.append(latex)
    if options.png:
        write_png(drawn, options.png)
    return status


def main(argv: list[str] | None = None) -> int:
    """Runs the command line; returns the exit status (2 on any error, 130 on Ctrl-C)."""
    try:
        arguments = sys.argv[1:] if argv is None else argv
        return _run(_argument_parser().parse_intermixed_args(_protect_expressions(arguments)))
    except UsageError as error:
        print(f"kalvira: {error} (see kalvira --help)", file=sys.stderr)
        return 2
    except ValueError as error:
        print(f"kalvira: {error}", file=sys.stderr)
        return 2
    except KeyboardInterrupt:
        return 130
    except BrokenPipeError:
        # The reader went away (kalvira ... | head); stop quietly.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 0
