"""The command line's output formats: LaTeX (the default), --tree (the
constructor form), --text and --unicode (school notation), all written in
C++ on the batch path, and --mathml (the LaTeX converted with latex2mathml,
the extra `mathml`).
"""

from __future__ import annotations

from collections.abc import Callable
from typing import Literal

from kalvira.batch import BatchError, Notation, Operation, WrappedResult, batch
from kalvira.cli_options import Options, UsageError, chosen_format
from kalvira.worksheet import Runner

# Each format's flag and the format it chooses, also the Options attribute the flag sets.
FORMATS: dict[str, Notation | Literal["mathml"]] = {
    "--tree": "tree",
    "--text": "text",
    "--unicode": "unicode",
    "--mathml": "mathml",
}

MATHML_MISSING = "--mathml needs latex2mathml: pip install 'kalvira-core[mathml]'"


def _mathml_converter() -> Callable[[str], str]:
    try:
        from latex2mathml.converter import convert
    except ImportError:
        raise UsageError(MATHML_MISSING) from None
    return convert


def _to_mathml(convert: Callable[[str], str], latex: str | BatchError) -> str | BatchError:
    if isinstance(latex, BatchError):
        return latex
    try:
        mathml = " ".join(convert(latex).splitlines())
        return WrappedResult(mathml) if isinstance(latex, WrappedResult) else mathml
    except Exception as error:  # the converter's own faults, on names it cannot typeset
        return BatchError("mathml", f"cannot write MathML: {error}")


def runner(operation: Operation, options: Options) -> Runner:
    """Answers a list of texts with `operation` (the core's with --core), in the chosen format."""
    form = chosen_format(options, FORMATS, "latex")
    if form == "mathml":
        convert = _mathml_converter()
        return lambda texts: [
            _to_mathml(convert, latex) for latex in batch(operation, texts, options.jobs, core=options.core)
        ]
    return lambda texts: batch(operation, texts, options.jobs, form, options.core)
