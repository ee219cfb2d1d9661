"""The command line's arguments, read by hand, by one reader for every
subcommand: argparse costs more start-up time than the whole of a
one-expression run, and cannot tell "-x+1" (an expression) from an option
the way users expect.

An argument is an option when it is "--", one of the short options exactly
("-h", "-f", "-j"), or starts with "--" and a letter; anything else that
starts with "-" ("-x+1", "-fx", "--3") is an expression. After "--" every
argument is an expression. Each subcommand lists its options as a table of
`Option`s; `read_options` reads any such table.
"""

from __future__ import annotations

import os
from collections.abc import Callable, Mapping
from dataclasses import dataclass, field

from kalvira._version import __version__
from kalvira.forms import FORMS

COMMANDS = ("simplify", "expand", "factor", "latex", "check", "eval")

# The commands that --core gives the core's own operation.
CORE_COMMANDS = ("simplify", "expand")


USAGE = (
    "usage: kalvira {simplify,expand,factor,latex} [EXPRESSION ...] [-f FILE] [-j N]"
    " [--tree | --text | --unicode | --mathml] [--png FILE] [--core [--strict]] [--version] [-h]\n"
    "       kalvira check EXPECTED ANSWER ... [--form FORM] [--accept-domain-differences]\n"
    "       kalvira eval EXPRESSION ... [NAME=VALUE ...]\n"
    "       kalvira steps {expand,simplify,factor} EXPRESSION ... [--lang {en,ja}] [--max-steps N] [--text | --unicode]"
    " [--png FILE]"
)

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
                    at 20 points, exactly or within certified bounds),
                    "equal where both are defined" (the answer has no
                    value somewhere EXPECTED has), "different" (with a
                    point where the values differ) or "cannot tell";
                    exit status 0 when every answer is accepted (equal
                    or probably equal), 1 when one is not, 2 on bad input
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
  --form FORM       check: accept only answers in the form FORM, and say
                    why one is not: expanded, simplified, factored (each
                    factor up to its sign), lowest-terms, single-fraction
                    or same-up-to-order (as EXPECTED but for the order of
                    terms and factors)
  --accept-domain-differences
                    check: also accept answers that are equal where both
                    are defined
  --version         print the version
  -h, --help        print this help

Output line k answers expression k. An expression without a result prints
an empty line, and its error goes to standard error naming the file and
line; the exit status is then 2. A result with an integer beyond 32 bits
is refused with such an error; with --core it wraps around and is printed
with a warning on standard error.

example: kalvira expand "(x+1)^3"   prints   x^{{3}} + 3x^{{2}} + 3x + 1"""


class UsageError(Exception):
    """Arguments the command line cannot run with."""


@dataclass(frozen=True)
class OptionValue:
    """How an option's value is read: `read` gives it, or None when the text
    is not `what` the option needs ("a positive whole number")."""

    what: str
    read: Callable[[str], object]


def _positive_whole_number(text: str) -> int | None:
    return int(text) if text.isdecimal() and int(text) >= 1 else None


POSITIVE_WHOLE_NUMBER = OptionValue("a positive whole number", _positive_whole_number)
ANY_TEXT = OptionValue("a value", lambda text: text)


def one_of(*choices: str) -> OptionValue:
    """A value that is one of `choices`, which the refusal lists ("a, b or c")."""
    listed = " or ".join(filter(None, (", ".join(choices[:-1]), choices[-1])))
    return OptionValue(listed, lambda text: text if text in choices else None)


@dataclass(frozen=True)
class Option:
    """One option: its names (the long one last), the attribute it sets and,
    for an option that takes a value, how the value is read; a flag sets its
    attribute to True, a `repeated` option appends each value to a list."""

    names: tuple[str, ...]
    attribute: str
    value: OptionValue | None = None
    repeated: bool = False


HELP_OPTION = Option(("-h", "--help"), "help")

OPTIONS = (
    Option(("-f", "--file"), "files", ANY_TEXT, repeated=True),
    Option(("-j", "--jobs"), "jobs", POSITIVE_WHOLE_NUMBER),
    Option(("--tree",), "tree"),
    Option(("--text",), "text"),
    Option(("--unicode",), "unicode"),
    Option(("--mathml",), "mathml"),
    Option(("--png",), "png", ANY_TEXT),
    Option(("--core",), "core"),
    Option(("--strict",), "strict"),
    Option(("--form",), "form", one_of(*FORMS)),
    Option(("--accept-domain-differences",), "accept_domain_differences"),
    Option(("--version",), "version"),
    HELP_OPTION,
)


@dataclass
class Options:
    """What the arguments ask for."""

    command: str = ""
    expressions: list[str] = field(default_factory=list)
    files: list[str] = field(default_factory=list)
    jobs: int = field(default_factory=lambda: len(os.sched_getaffinity(0)))
    tree: bool = False
    text: bool = False
    unicode: bool = False
    mathml: bool = False
    png: str = ""
    core: bool = False
    strict: bool = False
    form: str = ""
    accept_domain_differences: bool = False
    help: bool = False
    version: bool = False


def _suggestion(word: str, choices: list[str]) -> str:
    import difflib  # only on this error path: it is slow to import

    close = difflib.get_close_matches(word, choices, n=1, cutoff=0.5)
    return f"; did you mean {close[0]}?" if close else ""


class _Reader:
    """Reads the options of one command line into an object's attributes."""

    def __init__(self, options: tuple[Option, ...], command: str) -> None:
        self.by_name = {name: option for option in options for name in option.names}
        self.long_names = [option.names[-1] for option in options if option.names[-1].startswith("--")]
        self.of_command = f" of {command}" if command else ""

    def is_option(self, argument: str) -> bool:
        return argument in self.by_name or (argument.startswith("--") and argument[2:3].isalpha())

    def set(self, into: object, argument: str, following: list[str]) -> None:
        """Applies one option; a value not written as --name=value is taken
        from the front of `following`."""
        name, equals, text = argument.partition("=") if argument.startswith("--") else (argument, "", "")
        option = self.by_name.get(name)
        if option is None:
            raise UsageError(
                f"unknown option {name}{self.of_command}{_suggestion(name, self.long_names)}"
                " (an expression that starts with - goes after --)"
            )
        if option.value is None:
            if equals:
                raise UsageError(f"{name} takes no value")
            setattr(into, option.attribute, True)
            return
        if not equals:
            if not following:
                raise UsageError(f"{name} needs a value")
            text = following.pop(0)
        value = option.value.read(text)
        if value is None:
            raise UsageError(f"{option.names[-1]} needs {option.value.what}, not {text!r}")
        if option.repeated:
            getattr(into, option.attribute).append(value)
        else:
            setattr(into, option.attribute, value)


def read_options(arguments: list[str], options: tuple[Option, ...], into: object, command: str = "") -> list[str]:
    """Sets the attributes of `into` from the options among `arguments` and
    returns the other arguments, the words, in order; raises UsageError.

    An argument is an option when it is "--", one of the names of `options`
    exactly, or starts with "--" and a letter; after "--" every argument is
    a word. `command` names the subcommand in the error of an unknown option.
    """
    reader = _Reader(options, command)
    pending = list(arguments)
    words: list[str] = []
    while pending:
        argument = pending.pop(0)
        if argument == "--":
            words += pending
            break
        if reader.is_option(argument):
            reader.set(into, argument, pending)
        else:
            words.append(argument)
    return words


def chosen_format[T: str](options: object, formats: Mapping[str, T], default: T) -> T:
    """The one format whose flag the options give, `default` when none;
    UsageError for several. `formats` maps each flag to its format, which is
    also the name of the attribute the flag sets."""
    chosen = [flag for flag, form in formats.items() if getattr(options, form)]
    if len(chosen) > 1:
        raise UsageError(f"choose one output format, not {' and '.join(chosen)}")
    return formats[chosen[0]] if chosen else default


def read_arguments(arguments: list[str]) -> Options:
    """The options of `arguments`; raises UsageError."""
    options = Options()
    words = read_options(arguments, OPTIONS, options)
    if options.help or options.version:
        return options
    if not words:
        raise UsageError(
            'no command given: choose simplify, expand, factor, latex, check or eval, as in kalvira expand "(x+1)^3"'
        )
    options.command, options.expressions = words[0], words[1:]
    if options.command not in COMMANDS:
        raise UsageError(
            f"unknown command {options.command!r}{_suggestion(options.command, list(COMMANDS))}"
            " (choose simplify, expand, factor, latex, check or eval)"
        )
    for flag, given in (("--form", options.form), ("--accept-domain-differences", options.accept_domain_differences)):
        if given and options.command != "check":
            raise UsageError(f"{flag} belongs to the check command")
    if options.core and options.command not in CORE_COMMANDS:
        raise UsageError("--core belongs to the simplify and expand commands")
    return options


def help_text() -> str:
    return HELP.format(usage=USAGE, cores=len(os.sched_getaffinity(0)))


def version_text() -> str:
    return f"kalvira {__version__}"
