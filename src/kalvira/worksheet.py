"""Worksheets: lines that each hold an expression, a comment or nothing,
answered with one output line per expression.

The command line and the Dask recipe both go through `expressions` and
`answer`, so their output is the same byte for byte.
"""

from __future__ import annotations

from collections.abc import Callable, Sequence

from kalvira.batch import BatchError

# The output line of a text without a result: empty, since every result
# renders to at least one character. The error goes to standard error.
NO_RESULT = ""

UNDECODABLE = BatchError("decode", "not valid UTF-8 text")

# Answers a list of texts: a result or why there is none, for each.
Runner = Callable[[list[str]], list["str | BatchError"]]


def _decodable(text: str) -> bool:
    """False for text read with 'surrogateescape' from bytes that are not
    UTF-8: the undecodable bytes became lone surrogates, which UTF-8 cannot
    encode."""
    if text.isascii():
        return True
    try:
        text.encode("utf-8")
    except UnicodeEncodeError:
        return False
    return True


def answer(run: Runner, texts: list[str]) -> tuple[list[str], list[tuple[int, str]]]:
    """The output line of every text, and (index, message) of each error."""
    decodable = [index for index, text in enumerate(texts) if _decodable(text)]
    if len(decodable) == len(texts):
        results = run(texts)
    else:
        results = [UNDECODABLE] * len(texts)
        for index, result in zip(decodable, run([texts[index] for index in decodable]), strict=True):
            results[index] = result
    outputs = [result if isinstance(result, str) else NO_RESULT for result in results]
    errors = [(index, result.message) for index, result in enumerate(results) if not isinstance(result, str)]
    return outputs, errors


def expressions(lines: Sequence[str]) -> tuple[list[int], list[str]]:
    """The index and text of each line that holds an expression: a `#`
    starts a comment, and blank lines and whole-line comments are skipped."""
    indices, texts = [], []
    for index, line in enumerate(lines):
        text = line.partition("#")[0].strip()
        if text:
            indices.append(index)
            texts.append(text)
    return indices, texts
