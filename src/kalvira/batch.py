"""Many texts at once: parsing, the operation and rendering run in C++, on
as many threads as asked for, without the GIL.

    >>> from kalvira import batch
    >>> batch("expand", ["(x-1)^2", "1/0", "(x"])
    ['x^{2} - 2x + 1', BatchError(kind='math', message='division by zero', position=None),
     BatchError(kind='parse', message='unexpected end of input at position 3', position=3)]
"""

from __future__ import annotations

from collections.abc import Callable, Iterable
from typing import Literal, NamedTuple

from _kalvira_core import Expr
from _kalvira_core import expand as core_expand
from _kalvira_core import simplify as core_simplify

from kalvira import _native, school
from kalvira.parser import ParseError, parse
from kalvira.wrapping import wrapped

Operation = Literal["latex", "simplify", "expand", "factor"]
Notation = Literal["latex", "text", "unicode"]

# The school operations, and the core's under the names the native batch
# knows them by.
OPERATIONS: dict[str, Callable[[Expr], Expr]] = {
    "latex": lambda tree: tree,
    "simplify": school.simplify,
    "expand": school.expand,
    "factor": school.factor,
    "core_simplify": core_simplify,
    "core_expand": core_expand,
}


def operation_name(operation: str, core: bool) -> str:
    """The name of `operation` in OPERATIONS and in the native batch: with
    core, the core's own simplify or expand."""
    if not core or operation == "latex":
        return operation
    if operation not in ("simplify", "expand"):
        raise ValueError(f"the core has no operation {operation!r}: it offers 'simplify' and 'expand'")
    return f"core_{operation}"


class WrappedResult(str):
    """The LaTeX of a result of the core's simplify or expand whose value
    differs from its text's because an integer exceeded 32 bits and wrapped
    around: the result is exact only modulo 2^32. It is the same text as
    any other result; only its type tells (see `kalvira.wrapped` for what
    the check can and cannot see)."""

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


def batch(operation: Operation, texts: Iterable[str], jobs: int = 1,
          notation: Notation = "latex", core: bool = False) -> list[str | BatchError]:
    """For each text, the LaTeX of `operation` applied to it, or a BatchError.

    Gives what parse, the operation ("latex" only renders; "simplify",
    "expand" and "factor" are kalvira's) and to_string give one by one, in
    the order of `texts`, whatever `jobs` is. With notation="text" or
    "unicode" the results are written as `to_text` writes them instead.
    With jobs > 1 that many threads share the work. With core=True,
    simplify and expand are the core's (`kalvira.core`), and a result whose
    integers wrapped around at 32 bits comes as a `WrappedResult`. Ctrl-C
    stops the batch within a fraction of a second and raises
    KeyboardInterrupt.
    """
    if type(jobs) is not int or jobs < 1:
        raise ValueError(f"jobs must be a positive integer, not {jobs!r}")
    name = operation_name(operation, core)
    texts_or_none, failures, wrapped_indices = _native.run_batch(name, texts, jobs, notation)
    results: list[str | BatchError] = texts_or_none  # type: ignore[assignment]  # every None is replaced
    for index, kind, message, position in failures:
        results[index] = BatchError(kind, message, position)
    for index in wrapped_indices:
        results[index] = WrappedResult(results[index])
    return results


def batch_in_python(operation: Operation, texts: Iterable[str], render: Callable[[Expr], str],
                    core: bool = False) -> list[str | BatchError]:
    """What `batch` gives, computed text by text through Python trees, each
    result written by `render` (the command line's --tree uses it)."""
    name = operation_name(operation, core)
    apply, check_wrap = OPERATIONS[name], name.startswith("core_")
    results: list[str | BatchError] = []
    for text in texts:
        try:
            tree = parse(text)
            result = apply(tree)
            rendered = render(result)
            results.append(WrappedResult(rendered) if check_wrap and wrapped(tree, result) else rendered)
        except ParseError as error:
            results.append(BatchError("parse", error.summary, error.position))
        except ValueError as error:
            results.append(BatchError("math", str(error)))
        except MemoryError:
            results.append(BatchError("memory", "out of memory"))
    return results
