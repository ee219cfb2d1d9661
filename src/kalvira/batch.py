"""Many texts at once: parsing, the operation and rendering run in C++, on
as many threads as asked for, without the GIL.

    >>> from kalvira import batch
    >>> batch("expand", ["(x-1)^2", "1/0", "(x"])
    ['x^{2} - 2x + 1', BatchError(kind='math', message='division by zero', position=None),
     BatchError(kind='parse', message='unexpected end of input at position 3', position=3)]
"""

from __future__ import annotations

from collections.abc import Iterable
from typing import Literal, NamedTuple, TypeGuard, get_args

from kalvira import _native

Operation = Literal["latex", "simplify", "expand", "factor"]
# How results are written: LaTeX, school notation (as `to_text` writes it,
# plain or with Unicode symbols) or the constructor form (as `repr` writes a tree).
Notation = Literal["latex", "text", "unicode", "tree"]


def is_operation(name: str) -> TypeGuard[Operation]:
    return name in get_args(Operation)


def operation_name(operation: str, core: bool) -> str:
    """The name of `operation` in the native batch: with
    core, the core's own simplify or expand."""
    if not core or operation == "latex":
        return operation
    if operation not in ("simplify", "expand"):
        raise ValueError(f"the core has no operation {operation!r}: it offers 'simplify' and 'expand'")
    return f"core_{operation}"


class WrappedResult(str):
    """A result, written in any notation, of the core's simplify or expand
    whose value differs from its text's because an integer exceeded 32 bits
    and wrapped around: the result is exact only modulo 2^32. It is the same
    text as any other result; only its type tells (see `kalvira.wrapped` for
    what the check can and cannot see)."""

    __slots__ = ()


class BatchError(NamedTuple):
    """Why one text of a batch has no result.

    `kind` is "parse" (not an expression; `position` is the character,
    counted from 1, where it goes wrong, and `message` the ParseError's
    summary), "math" (division by zero, a coefficient beyond 32 bits and
    the like: `message` says which; the core's messages are Japanese) or
    "memory" (the text needed more memory than there is; the other texts
    still run).
    """

    kind: str
    message: str
    position: int | None = None


def batch(
    operation: Operation, texts: Iterable[str], jobs: int = 1, notation: Notation = "latex", core: bool = False
) -> list[str | BatchError]:
    """For each text, the LaTeX of `operation` applied to it, or a BatchError.

    Gives what parse, the operation ("latex" only renders; "simplify",
    "expand" and "factor" are kalvira's) and to_string give one by one, in
    the order of `texts`, whatever `jobs` is. With notation="text" or
    "unicode" the results are written as `to_text` writes them instead, and
    with "tree" as `repr` writes them. With jobs > 1 that many threads share
    the work. With core=True, simplify and expand are the core's
    (`kalvira.core`), and a result whose integers wrapped around at 32 bits
    comes as a `WrappedResult`. Ctrl-C stops the batch within a fraction of
    a second and raises KeyboardInterrupt.
    """
    if type(jobs) is not int or jobs < 1:
        raise ValueError(f"jobs must be a positive whole number, not {jobs!r}")
    written, failures, wrapped_indices = _native.run_batch(operation_name(operation, core), texts, jobs, notation)
    failed = {index: BatchError(kind, message, position) for index, kind, message, position in failures}
    wrapped = set(wrapped_indices)
    return [
        failed[index] if text is None else WrappedResult(text) if index in wrapped else text
        for index, text in enumerate(written)
    ]
