"""The command line: kalvira {simplify,expand,factor,latex} [EXPRESSION ...] [options];
check and eval are in cli_check, steps in cli_steps.

Expressions go through the batch path: parsing, the operation and writing
the result in C++, on every core (cli_formats has the output formats).
Output line k answers expression k; see cli_options for the arguments.
"""

from __future__ import annotations

import os
import sys
from collections.abc import Callable, Iterator
from functools import partial

from kalvira.batch import Operation, WrappedResult, batch, is_operation
from kalvira.cli_check import ANSWER_COMMANDS
from kalvira.cli_formats import runner
from kalvira.cli_options import USAGE, Options, UsageError, help_text, read_arguments, version_text
from kalvira.cli_output import WriteFailed, flush_output, standard_output, writing
from kalvira.worksheet import NO_RESULT, answer, expressions
from kalvira.wrapping import WARNING

# Bytes read at a time from a file; a pipe or terminal gives what it has.
CHUNK = 1 << 20

STANDARD_INPUT = "standard input"


class _ReadFailed(Exception):
    """The input could not be read; the message is the system's reason."""


def _lines_of(fd: int) -> Iterator[list[str]]:
    """The lines of a file descriptor, a run of whole lines at a time, without
    their line ends ("\\n" or "\\r\\n", as strip removes the "\\r") and without
    a byte-order mark at the start. Bytes that are not UTF-8 become lone
    surrogates, which `answer` reports as undecodable lines. A failed read
    raises _ReadFailed, so that it is not taken for a failed write."""
    pending = bytearray()
    at_start = True
    while True:
        try:
            block = os.read(fd, CHUNK)
        except OSError as error:
            raise _ReadFailed(error.strerror) from None
        pending += block
        cut = pending.rfind(b"\n") + 1 if block else len(pending)
        if cut:
            text = pending[:cut].decode("utf-8", "surrogateescape")
            del pending[:cut]
            if at_start:
                text, at_start = text.removeprefix("\ufeff"), False
            lines = text.split("\n")
            if block:
                lines.pop()  # what follows the last line end
            yield lines
        if not block:
            return


def _line_label(name: str, first_number: int, indices: list[int], index: int) -> str:
    """Where expression `index` of a run of lines that starts at line `first_number` stands."""
    return f"{name}, line {first_number + indices[index]}"


class _Session:
    """Answers expressions, writes the answers, the errors and the warnings
    of wrapped results (errors with --strict), and remembers whether any
    failed and which expressions to draw."""

    def __init__(self, operation: Operation, options: Options) -> None:
        self.output = standard_output().buffer
        self.run = runner(operation, options)
        self.strict = options.strict
        self.drawing = bool(options.png)
        self.drawn: list[str] = []
        self.failed = False

    def _emit(
        self, texts: list[str], outputs: list[str], errors: list[tuple[int, str]], label_of: Callable[[int], str]
    ) -> None:
        warnings = [index for index, output in enumerate(outputs) if isinstance(output, WrappedResult)]
        if self.strict:
            for index in warnings:
                outputs[index] = NO_RESULT
            errors = sorted(errors + [(index, WARNING) for index in warnings])
            warnings = []
        with writing():
            if outputs:
                self.output.write(("\n".join(outputs) + "\n").encode("utf-8", "backslashreplace"))
            self.output.flush()
        for index, message in errors:
            print(f"kalvira: {label_of(index)}: {message}", file=sys.stderr)
        for index in warnings:
            print(f"kalvira: {label_of(index)}: warning: {WARNING}", file=sys.stderr)
        self.failed = self.failed or bool(errors)
        if self.drawing:
            self.drawn += [text for text, output in zip(texts, outputs, strict=True) if output]

    def arguments(self, texts: list[str]) -> None:
        outputs, errors = answer(self.run, texts)
        self._emit(texts, outputs, errors, lambda index: repr(texts[index]))

    def worksheet(self, name: str, fd: int) -> None:
        number = 1
        try:
            for lines in _lines_of(fd):
                indices, texts = expressions(lines)
                outputs, errors = answer(self.run, texts)
                self._emit(texts, outputs, errors, partial(_line_label, name, number, indices))
                number += len(lines)
        except _ReadFailed as reason:
            print(f"kalvira: cannot read {name}: {reason}", file=sys.stderr)
            self.failed = True

    def file(self, name: str) -> None:
        if name == "-":
            self.standard_input()
            return
        try:
            fd = os.open(name, os.O_RDONLY)
        except OSError as error:
            print(f"kalvira: cannot read {name}: {error.strerror}", file=sys.stderr)
            self.failed = True
            return
        try:
            self.worksheet(name, fd)
        finally:
            os.close(fd)

    def standard_input(self) -> None:
        if sys.stdin is not None and sys.stdin.isatty():
            print("kalvira: reading expressions from the terminal, one per line; Ctrl-D ends", file=sys.stderr)
        self.worksheet(STANDARD_INPUT, 0)


def _run(options: Options) -> int:
    if options.command in ANSWER_COMMANDS:
        sys.set_int_max_str_digits(0)  # exact values and verdicts may have any number of digits
        return ANSWER_COMMANDS[options.command](options)
    operation = options.command
    if not is_operation(operation):  # read_arguments lets only commands through
        raise UsageError(f"unknown command {operation!r}")
    if options.png and os.path.isdir(options.png):
        raise UsageError(f"--png needs the name of an image file, and {options.png} is a directory")
    session = _Session(operation, options)
    session.arguments([text.strip() for text in options.expressions])
    for name in options.files:
        session.file(name)
    if not options.expressions and not options.files:
        session.standard_input()
    if options.png:
        from kalvira.png import write_png

        drawn = [f"${latex}$" for latex in batch(operation, session.drawn, core=options.core) if isinstance(latex, str)]
        write_png(drawn, options.png)
    return 2 if session.failed else 0


def _silence_standard_output() -> None:
    """Points standard output at /dev/null, so that the interpreter's last
    flush at exit does not fail a second time."""
    os.dup2(os.open(os.devnull, os.O_WRONLY), 1)


def _command(arguments: list[str]) -> int:
    if arguments[0] == "steps":
        from kalvira.cli_steps import run_steps

        return run_steps(arguments[1:])
    options = read_arguments(arguments)
    if options.help or options.version:
        print(help_text() if options.help else version_text())
        return 0
    return _run(options)


def main(argv: list[str] | None = None) -> int:
    """Runs the command line; returns the exit status (0, 2 on any error, 130
    on Ctrl-C; check gives 1 when an answer is not accepted)."""
    arguments = sys.argv[1:] if argv is None else argv
    if not arguments:
        print(
            f'{USAGE}\nkalvira: give a command and expressions, as in kalvira expand "(x+1)^3"; see kalvira --help',
            file=sys.stderr,
        )
        return 2
    try:
        status = _command(arguments)
        flush_output()
        return status
    except UsageError as error:
        print(f"kalvira: {error} (see kalvira --help)", file=sys.stderr)
        return 2
    except ValueError as error:
        print(f"kalvira: {error}", file=sys.stderr)
        return 2
    except WriteFailed as error:
        print(f"kalvira: {error}", file=sys.stderr)
        _silence_standard_output()
        return 2
    except KeyboardInterrupt:
        return 130
    except BrokenPipeError:
        # The reader went away (kalvira ... | head); stop quietly.
        _silence_standard_output()
        return 0
