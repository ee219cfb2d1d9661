"""Exact symbolic mathematics at school level, with a C++ core.

Write expressions in school notation, expand, simplify or factor them
exactly, and print the answer as a teacher writes it, in LaTeX::

    >>> from kalvira import parse, expand
    >>> expand(parse("(2x-3y)^2")).to_string()
    '4x^{2} - 12xy + 9y^{2}'

- `parse(text)` reads school notation into a tree (see its docstring for
  the tree each form becomes); bad input raises `ParseError`, a ValueError
  that points at the position.
- `expand(tree)`, `simplify(tree)` and `factor(tree)` return new trees in
  school form (terms by descending degree, like terms collected, fractions
  in lowest terms, factors over the integers); `tree.to_string()` is the
  LaTeX text. Errors of the mathematics (division by zero, a result
  beyond 32 bits, ...) are ValueErrors. `kalvira.core.simplify` and
  `kalvira.core.expand` are the core's own single-pass operations, with
  32-bit arithmetic that wraps and Japanese messages.
- The node classes `Int`, `Var`, `Rational`, `Neg`, `Add`, `Mul`, `Div`,
  `Pow`, `Sqrt`, `Cbrt`, `Sin`, `Cos`, `Tan`, `Log`, `Pi`, `E` (all `Expr`)
  build trees directly: Add(Var("x"), Int(1)).
- Once this package is imported, trees are Python values (installed on the
  core classes; `_kalvira_core` imported alone keeps identity semantics):
  `==`, `!=` and `hash` go by structure, so trees work as dict keys and set
  members; `+ - * / **` and unary `-` build trees from trees, ints of 32
  bits and fractions.Fraction (`2*x + 1` is what parse("2*x + 1") gives;
  floats are refused); `repr(tree)` is the constructor form, `str(tree)`
  school notation, and a bare tree typesets in Jupyter. `bool(tree)`
  raises TypeError rather than guess.
- `to_text(tree, unicode=False)` writes the school notation that parse
  reads back: "x^2 + 2x + 1", or "x² + 2x + 1" with Unicode symbols.
- `variables(tree)`, `substitute(tree, mapping)` and `evaluate(tree,
  mapping)`: the exact value at a point, a Fraction where it is rational,
  else the nearest float, every digit certified; `Undefined` (a
  ValueError) names why a point has none.
- `equivalent(expected, answer)` tells whether an answer has the expected
  value: a `Verdict` ("equal", "probably equal", "equal where both are
  defined" with a note on the domains, "different" with a point, or
  "cannot tell"); with `form=` ("expanded", "factored", "lowest-terms", ...; see
  `kalvira.forms`) a false verdict also says why an equal answer is not in
  that form. `is_expanded(tree)`, `is_simplified(tree)` and
  `is_factored(tree)` check the form.
- `wrapped(tree, result)` tells whether a result of the core's operations
  lost its value because a 32-bit integer wrapped around; `batch` with
  core=True marks such results as
  `WrappedResult`, and the command line warns about them.
- `show(tree)` displays a tree as typeset LaTeX in Jupyter; its repr is the
  constructor form (`constructor_form(tree)`).
- Trees pickle, copy and deep-copy once this package is imported, whatever
  their depth, so they can be sent to multiprocessing workers.
- `steps(tree, "expand" | "simplify" | "factor", lang="en" | "ja")` shows the working
  step by step in the teacher's words; in Jupyter as an aligned derivation.
- `to_sympy(tree)` converts to SymPy (pip install 'kalvira-core[sympy]').
- `batch(operation, texts, jobs=1)` parses, simplifies, expands or factors and
  renders many texts in C++, on `jobs` threads: a list of LaTeX strings,
  with a `BatchError` where a text has no result. `kalvira.dask` runs it
  on a Dask cluster (pip install 'kalvira-core[dask]').

The command line `kalvira` (or `python -m kalvira`) does the same from a
shell: kalvira expand "(x+1)^3", kalvira factor "x^2 + 5x + 6",
kalvira check "2(x+1)" "2x+2", kalvira eval "x^2 + y" x=2 y=1/2, and kalvira steps simplify "1/sqrt(8)".
"""

# The node classes of the core's list of kinds and Expr; simplify and
# expand are the school operations below, the core's are in kalvira.core.
from _kalvira_core import *  # noqa: F403
from _kalvira_core import Expr

from kalvira import _native, core
from kalvira._version import __version__
from kalvira.answers import Verdict, equivalent, is_expanded, is_factored, is_simplified
from kalvira.batch import BatchError, WrappedResult, batch
from kalvira.display import Shown, constructor_form, show
from kalvira.evaluation import Undefined, evaluate, substitute, variables
from kalvira.interop import to_sympy
from kalvira.parser import ParseError, parse
from kalvira.pickling import register_reducers
from kalvira.school import expand, factor, simplify
from kalvira.values import install_value_semantics, to_text
from kalvira.working import Step, Steps, steps
from kalvira.wrapping import wrapped

register_reducers()
install_value_semantics()

__all__ = [
    *(name for name, _, _, _ in _native.NODE_KINDS),
    "Expr",
    "core",
    "expand",
    "factor",
    "simplify",
    "BatchError",
    "ParseError",
    "Shown",
    "batch",
    "constructor_form",
    "parse",
    "show",
    "to_sympy",
    "to_text",
    "__version__",
    "Undefined",
    "Verdict",
    "WrappedResult",
    "equivalent",
    "evaluate",
    "is_expanded",
    "is_factored",
    "is_simplified",
    "substitute",
    "variables",
    "wrapped",
    "Step",
    "Steps",
    "steps",
]
