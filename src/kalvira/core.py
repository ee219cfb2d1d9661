"""The core's own simplify and expand, as `_kalvira_core` defines them: one
bottom-up pass of fixed rules, and an expansion that keeps negated sums
closed, computes with 32-bit integers that wrap around and orders terms by
their LaTeX text. `kalvira.simplify` and `kalvira.expand` give the school
answers instead; these stay for programs that rely on the core's output
byte for byte (and behind `--core` on the command line).

    >>> from kalvira import core, parse
    >>> core.expand(parse("(2x-3y)^2")).to_string()
    '-12yx + 9y^{2} + 4x^{2}'
"""

from _kalvira_core import expand, simplify

__all__ = ["expand", "simplify"]
