"""Standard output of the command line, shared by every command.

A write that fails is reported as a failed write (never as a failed read of
the input), with exit status 2; a reader that goes away (`| head`) raises
BrokenPipeError, which `cli.main` turns into a quiet end with status 0.
"""

from __future__ import annotations

import sys
from collections.abc import Iterator
from contextlib import contextmanager
from typing import TextIO


class WriteFailed(Exception):
    """Standard output refused the results (a full disk, a closed descriptor)."""


@contextmanager
def writing() -> Iterator[None]:
    """Turns a failed write to standard output into WriteFailed."""
    try:
        yield
    except BrokenPipeError:
        raise
    except OSError as error:
        raise WriteFailed(f"cannot write the results: {error.strerror}") from None


def standard_output() -> TextIO:
    """sys.stdout, or WriteFailed when the process has none."""
    if sys.stdout is None:
        raise WriteFailed("standard output is closed")
    return sys.stdout


def write_line(text: str = "") -> None:
    with writing():
        print(text, file=standard_output())


def flush_output() -> None:
    """Writes what is still buffered, so that its failure is reported too."""
    if sys.stdout is not None:
        with writing():
            sys.stdout.flush()
