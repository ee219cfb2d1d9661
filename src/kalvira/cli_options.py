"""The command line's arguments, read by hand: argparse costs more start-up
time than the whole of a one-expression run, and cannot tell "-x+1" (an
expression) from an option the way users expect.

An argument is an option when it is "--", one of the short options exactly
("-h", "-f", "-j"), or starts with "--" and a letter; anything else that
starts with "-" ("-x+1", "-fx", "--3") is an expression. After "--" every
argument is an expression.
"""

from __future__ import annotations

import os

from kalvira._version import __version__

COMMANDS = ("simplify", "expand", "latex")

USAGE = "usage: kalvira {simplify,expand,latex} [EXPRESSION ...] [-f FILE] [-j N] [--tree] [--png FILE] [--version] [-h]"

HELP = """{usage}

Simplify or expand expressions written in school notation and print each
result as one line of LaTeX.

commands:
  simplify          simplify each expression
  expand            multiply out and collect like terms
  latex             only render
  steps             show the working step by step, as in
                    kalvira steps simplify "1/sqrt(8)" (see kalvira steps -h)

arguments:
  EXPRESSION        an expression; read from standard input when there is
                    none and no --file. One that starts with "-" and could
                    be taken for an option goes after "--"
  -f, --file FILE   a worksheet: one expression per line, "-" for standard
                    input; may be given more than once. A "#" starts a
                    comment; blank lines and comment lines have no output
  -j, --jobs N      threads to work on (default: all cores, here {cores})
  --tree            print the Python constructor form of each result
  --png FILE        also draw the results into a PNG image (needs matplotlib)
  --version         print the version
  -h, --help        print this help

Output line k answers expression k. An expression without a result prints
an empty line, and its error goes to standard error naming the file and
line; the exit status is then 2.

example: kalvira expand "(x+1)^3"   prints   x^{{3}} + 3x^{{2}} + 3x + 1"""

FLAGS = {"--tree": "tree", "-h": "help", "--help": "help", "--version": "version"}
VALUED = {"-f": "files", "--file": "files", "-j": "jobs", "--jobs": "jobs", "--png": "png"}


class UsageError(Exception):
    """Arguments the command line cannot run with."""


class Options:
    """What the arguments ask for."""

    def __init__(self) -> None:
        self.command = ""
        self.expressions: list[str] = []
        self.files: list[str] = []
        self.jobs = len(os.sched_getaffinity(0))
        self.tree = False
        self.png = ""
        self.help = False
        self.version = False


def _suggestion(word: str, choices: list[str]) -> str:
    import difflib  # only on this error path: it is slow to import

    close = difflib.get_close_matches(word, choices, n=1, cutoff=0.5)
    return f"; did you mean {close[0]}?" if close else ""


def _is_option(argument: str) -> bool:
    return argument == "--" or argument in FLAGS or argument in VALUED or (
        argument.startswith("--") and argument[2:3].isalpha())


def _jobs(value: str) -> int:
    if not value.isdecimal() or int(value) < 1:
        raise UsageError(f"--jobs needs a positive whole number, not {value!r}")
    return int(value)


def _set_option(options: Options, argument: str, following: list[str]) -> None:
    """Applies one option; a value not written as --name=value is taken from
    the front of `following`."""
    name, equals, value = argument.partition("=") if argument.startswith("--") else (argument, "", "")
    if name in FLAGS and not equals:
        setattr(options, FLAGS[name], True)
    elif name in VALUED:
        if not equals:
            if not following:
                raise UsageError(f"{name} needs a value")
            value = following.pop(0)
        if VALUED[name] == "files":
            options.files.append(value)
        elif VALUED[name] == "jobs":
            options.jobs = _jobs(value)
        else:
            options.png = value
    elif name in FLAGS:
        raise UsageError(f"{name} takes no value")
    else:
        known = [option for option in (*FLAGS, *VALUED) if option.startswith("--")]
        raise UsageError(f"unknown option {name}{_suggestion(name, known)}"
                         " (an expression that starts with - goes after --)")


def read_arguments(arguments: list[str]) -> Options:
    """The options of `arguments`; raises UsageError."""
    options = Options()
    pending = list(arguments)
    words: list[str] = []
    while pending:
        argument = pending.pop(0)
        if argument == "--":
            words += pending
            break
        if _is_option(argument):
            _set_option(options, argument, pending)
        else:
            words.append(argument)
    if options.help or options.version:
        return options
    if not words:
        raise UsageError("no command given: choose simplify, expand or latex, as in kalvira expand \"(x+1)^3\"")
    options.command, options.expressions = words[0], words[1:]
    if options.command not in COMMANDS:
        raise UsageError(f"unknown command {options.command!r}{_suggestion(options.command, list(COMMANDS))}"
                         " (choose simplify, expand or latex)")
    return options


def help_text() -> str:
    return HELP.format(usage=USAGE, cores=len(os.sched_getaffinity(0)))


def version_text() -> str:
    return f"kalvira {__version__}"
