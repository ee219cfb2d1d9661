"""The command line's output formats: LaTeX (the default), --tree (the
constructor form, through Python trees), --text and --unicode (school
notation, written in C++ on the batch path) and --mathml (the LaTeX
converted with latex2mathml, the extra `mathml`).
"""

from __future__ import annotations

from collections.abc import Callable

from kalvira.batch import BatchError, Notation, Operation, WrappedResult, batch, batch_in_python
from kalvira.cli_options import Options, UsageError

Runner = Callable[[list[str]], list["str | BatchError"]]

# Each format's option and the Options attribute it sets.
FORMATS = {"--tree": "tree", "--text": "text", "--unicode": "unicode", "--mathml": "mathml"}

MATHML_MISSING = "--mathml needs latex2mathml: pip install 'kalvira-core[mathml]'"


def chosen_format(options: Options) -> str:
    """The one format the options ask for, "latex" when none; UsageError for several."""
    chosen = [option for option, attribute in FORMATS.items() if getattr(options, attribute)]
    if len(chosen) > 1:
        raise UsageError(f"choose one output format, not {' and '.join(chosen)}")
    return FORMATS[chosen[0]] if chosen else "latex"


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


def runner(options: Options) -> Runner:
    """Answers a list of texts in the chosen format."""
    operation: Operation = options.command  # type: ignore[assignment]
    form = chosen_format(options)
    if form == "tree":
        from kalvira.display import constructor_form

        return lambda texts: batch_in_python(operation, texts, constructor_form, options.core)
    if form == "mathml":
        convert = _mathml_converter()
        return lambda texts: [_to_mathml(convert, latex)
                              for latex in batch(operation, texts, options.jobs, core=options.core)]
    notation: Notation = form  # type: ignore[assignment]
    return lambda texts: batch(operation, texts, options.jobs, notation, options.core)
