"""Exact symbolic mathematics at school level, with a C++ core.

Write expressions in school notation, simplify or expand them exactly
(32-bit integers and fractions), and print them as LaTeX::

    >>> from kalvira import parse, expand
    >>> expand(parse("(x+1)^3")).to_string()
    'x^{3} + 3x^{2} + 3x + 1'

- `parse(text)` reads school notation into a tree (see its docstring for
  the tree each form becomes); bad input raises `ParseError`, a ValueError
  that points at the position.
- `simplify(tree)` and `expand(tree)` return new trees; `tree.to_string()`
  is the LaTeX text. Errors of the mathematics (division by zero, ...)
  are ValueErrors with Japanese messages.
- The node classes `Int`, `Var`, `Rational`, `Neg`, `Add`, `Mul`, `Div`,
  `Pow`, `Sqrt`, `Cbrt`, `Sin`, `Cos`, `Tan`, `Log`, `Pi`, `E` (all `Expr`)
  build trees directly: Add(Var("x"), Int(1)).
- `show(tree)` displays a tree as typeset LaTeX in Jupyter; its repr is the
  constructor form (`constructor_form(tree)`).
- Trees pickle, copy and deep-copy once this package is imported, whatever
  their depth, so they can be sent to multiprocessing workers.
- `steps(tree, "simplify" | "expand", lang="en" | "ja")` shows the working
  step by step in the teacher's words; in Jupyter as an aligned derivation.
- `to_sympy(tree)` converts to SymPy (pip install 'kalvira-core[sympy]').
- `batch(operation, texts, jobs=1)` parses, simplifies or expands and
  renders many texts in C++, on `jobs` threads: a list of LaTeX strings,
  with a `BatchError` where a text has no result. `kalvira.dask` runs it
  on a Dask cluster (pip install 'kalvira-core[dask]').

The command line `kalvira` (or `python -m kalvira`) does the same from a
shell: kalvira expand "(x+1)^3", and kalvira steps simplify "1/sqrt(8)".
"""

from _kalvira_core import (
    Add,
    Cbrt,
    Cos,
    Div,
    E,
    Expr,
    Int,
    Log,
    Mul,
    Neg,
    Pi,
    Pow,
    Rational,
    Sin,
    Sqrt,
    Tan,
    Var,
    expand,
    simplify,
)

from kalvira._version import __version__
from kalvira.batch import BatchError, batch
from kalvira.display import Shown, constructor_form, show
from kalvira.interop import to_sympy
from kalvira.parser import ParseError, parse
from kalvira.pickling import register_reducers
from kalvira.working import Step, Steps, steps

register_reducers()

__all__ = [
    "Add", "Cbrt", "Cos", "Div", "E", "Expr", "Int", "Log", "Mul", "Neg", "Pi", "Pow",
    "Rational", "Sin", "Sqrt", "Tan", "Var", "expand", "simplify",
    "BatchError", "ParseError", "Shown", "Step", "Steps", "batch", "constructor_form", "parse", "show", "steps", "to_sympy", "__version__",
]
