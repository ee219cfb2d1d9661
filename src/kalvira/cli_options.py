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

COMMANDS = ("simplify", "expand", "factor", "latex", "check", "eval")

# The commands that --core gives the core's own operation.
CORE_COMMANDS = ("simplify", "expand")

FORMS = ("expanded", "simplified", "factored")

USAGE = ("usage: kalvira {simplify,expand,factor,latex} [EXPRESSION ...] [-f FILE] [-j N]"
         " [--tree | --text | --unicode | --mathml] [--png FILE] [--core [--strict]] [--version] [-h]\n"
         "       kalvira check EXPECTED ANSWER ... [--form {expanded,simplified,factored}]\n"
         "       kalvira eval EXPRESSION ... [NAME=VALUE ...]\n"
         "       kalvira steps {simplify,expand} EXPRESSION ... [--lang {en,ja}] [--max-steps N] [--text | --unicode]"
         " [--png FILE]")

HELP = """{usage}

Simplify, expand or factor expressions written in school notation and
print each result as one line of LaTeX, in the form a teacher writes.

commands:
  simplify          work out numbers, collect like terms and surds, and
                    write a quotient as one fraction in lowest terms
  expand            multiply out and collect like terms
  factor            factorise over the integers
  latex             only render
  check             tell for each ANSWER whether it has the value of
                    EXPECTED: "equal" (proven), "probably equal" (agrees
                    at random points) or "different" (with a point where
                    the values differ); exit status 0 when every answer is
                    accepted, 1 when one is not, 2 on bad input
  eval              the exact value of each expression (a fraction where
                    it is rational, else a decimal), with the variables
                    given as NAME=VALUE (x=2 y=1/2 z=0.5 t=pi/4)
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
  --text            print school notation, which kalvira reads back
                    (x^2 + 2x + 1)
  --unicode         the same with Unicode symbols (x² + 2x + 1, √2, π)
  --mathml          print MathML, for web pages and screen readers
                    (needs latex2mathml: pip install 'kalvira-core[mathml]')
  --png FILE        also draw the results into a PNG image (needs matplotlib)
  --core            simplify or expand with the core's own single pass of
                    rules (32-bit integers that wrap around, terms in the
                    order of their LaTeX), byte for byte as before
  --strict          with --core: refuse a result whose integers exceeded
                    32 bits (its line stays empty, exit status 2) instead
                    of warning
  --form FORM       check: accept only answers in expanded, simplified or
                    factored form
  --version         print the version
  -h, --help        print this help

Output line k answers expression k. An expression without a result prints
an empty line, and its error goes to standard error naming the file and
line; the exit status is then 2. A result with an integer beyond 32 bits
is refused with such an error; with --core it wraps around and is printed
with a warning on standard error.

example: kalvira expand "(x+1)^3"   prints   x^{{3}} + 3x^{{2}} + 3x + 1"""

FLAGS = {"--tree": "tree", "--text": "text", "--unicode": "unicode", "--mathml": "mathml", "--core": "core",
         "--strict": "strict", "-h": "help", "--help": "help", "--version": "version"}
VALUED = {"-f": "files", "--file": "files", "-j": "jobs", "--jobs": "jobs", "--png": "png", "--form": "form"}


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
        self.text = False
        self.unicode = False
        self.mathml = False
        self.png = ""
        self.core = False
        self.strict = False
        self.form = ""
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


def _form(value: str) -> str:
    if value not in FORMS:
        raise UsageError(f"--form needs expanded, simplified or factored, not {value!r}")
    return value


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
        elif VALUED[name] == "form":
            options.form = _form(value)
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
        raise UsageError("no command given: choose simplify, expand, factor, latex, check or eval,"
                         " as in kalvira expand \"(x+1)^3\"")
    options.command, options.expressions = words[0], words[1:]
    if options.command not in COMMANDS:
        raise UsageError(f"unknown command {options.command!r}{_suggestion(options.command, list(COMMANDS))}"
                         " (choose simplify, expand, factor, latex, check or eval)")
    if options.form and options.command != "check":
        raise UsageError("--form belongs to the check command")
    if options.core and options.command not in CORE_COMMANDS:
        raise UsageError("--core belongs to the simplify and expand commands")
    return options


def help_text() -> str:
    return HELP.format(usage=USAGE, cores=len(os.sched_getaffinity(0)))


def version_text() -> str:
    return f"kalvira {__version__}"
