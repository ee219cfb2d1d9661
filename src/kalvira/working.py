"""The working of expand, simplify and factor, step by step, as a teacher
writes it on the board.

    >>> from kalvira import parse, steps
    >>> print(steps(parse("(x+3)(x-3)"), "expand").to_text(unicode=True))
       (x + 3)(x - 3)
    1. = x² - 3²
         use the formula (a + b)(a - b) = a² - b²
    2. = x² - 9
         multiply: 3² = 9

Each method a class uses (working_expand, working_simplify,
working_factor) recognises its pattern at the top levels of the tree and
computes the pieces of its line with the school operations on subtrees,
so every line keeps the value of the one before; the last line is the
operation's own result. Lines that change nothing visible or only reorder
terms are left out.
"""

from __future__ import annotations

from collections.abc import Callable, Iterator
from dataclasses import dataclass
from typing import Literal, TypeGuard, get_args

from _kalvira_core import Expr

from kalvira import _native
from kalvira.step_texts import LANGUAGES, LEFT_OUT, RULES, text
from kalvira.tree_walk import require_tree
from kalvira.values import to_text
from kalvira.working_close import closing_line
from kalvira.working_expand import expand_lines
from kalvira.working_factor import factor_lines
from kalvira.working_line import Line
from kalvira.working_simplify import simplify_lines
from kalvira.working_terms import Equation, is_small, term_texts

# The operations whose working can be shown.
TracedOperation = Literal["expand", "simplify", "factor"]
Render = Callable[[Expr], str]

LATEX: Render = Expr.to_string

DEFAULT_MAX_STEPS = 100

# The rule of the last line of a working cut short by max_steps.
LEFT_OUT_RULE = "left-out"

OPERATIONS: dict[str, tuple[Callable[[Expr], Expr], Callable[[Expr, Expr], Iterator[Line]]]] = {
    "expand": (_native.school_expand, expand_lines),
    "simplify": (_native.school_simplify, simplify_lines),
    "factor": (_native.school_factor, factor_lines),
}


def is_traced_operation(name: str) -> TypeGuard[TracedOperation]:
    return name in get_args(TracedOperation)


def _written(equation: Equation, render: Render) -> str:
    if equation.unequal:
        relation = " \\neq " if render is LATEX else " ≠ "
    else:
        relation = " = "
    return relation.join(render(side) for side in equation.sides)


def _math(equations: tuple[Equation, ...], render: Render) -> str:
    return ", ".join(_written(equation, render) for equation in equations)


@dataclass(frozen=True)
class Step:
    """One line of the working: the whole expression after it (`tree` and
    its LaTeX), the method's name (`rule`), the mathematics of what changed
    (`changes`: equations such as x·x = x², x ≠ 4), and the explanation
    ("{}" of `wording` filled with `math`, the changes in LaTeX)."""

    tree: Expr
    latex: str
    rule: str
    changes: tuple[Equation, ...]
    wording: str
    math: str

    @property
    def explanation(self) -> str:
        return self.wording.format(self.math)


class Steps:
    """The working from `start` to `result`, a sequence of Step. In Jupyter
    it shows as an aligned derivation; str() gives numbered lines, and
    to_text() the same in school notation."""

    def __init__(
        self, start: Expr, start_latex: str, steps: list[Step], result: Expr, left_out: bool, lang: str = "en"
    ) -> None:
        self.start = start
        self.start_latex = start_latex
        self.steps = tuple(steps)
        self.result = result
        self.left_out = left_out
        self.lang = lang

    def __len__(self) -> int:
        return len(self.steps)

    def __iter__(self) -> Iterator[Step]:
        return iter(self.steps)

    def __getitem__(self, index: int) -> Step:
        return self.steps[index]

    def __str__(self) -> str:
        return self._numbered(LATEX)

    def to_text(self, unicode: bool = False) -> str:
        """The numbered lines in school notation, as kalvira.to_text writes
        trees: the expressions and the mathematics of the explanations."""
        return self._numbered(lambda tree: to_text(tree, unicode=unicode))

    def _numbered(self, render: Render) -> str:
        width = len(f"{len(self.steps)}. ")
        lines = [" " * width + render(self.start)]
        for number, step in enumerate(self.steps, 1):
            lines.append(f"{number}. ".rjust(width) + "= " + render(step.tree))
            math = step.math if render is LATEX or step.rule == LEFT_OUT_RULE else _math(step.changes, render)
            lines.append(" " * (width + 2) + step.wording.format(math))
        return "\n".join(lines)

    def __repr__(self) -> str:
        return f"<Steps: {len(self.steps)} from {self.start_latex!r}>"

    def _repr_latex_(self) -> str:
        lines = [f"& {self.start_latex}"]
        lines += [f"&= {step.latex} && {_latex_words(step)}" for step in self.steps]
        return "$$\\begin{aligned}\n" + " \\\\\n".join(lines) + "\n\\end{aligned}$$"


def _latex_words(step: Step) -> str:
    """The explanation in LaTeX: the words as \\text, the mathematics as it is."""
    words = [f"\\text{{{piece}}}" if piece else "" for piece in step.wording.split("{}")]
    return step.math.join(words) if len(words) > 1 else words[0]


class _EnoughSteps(Exception):
    """The working has reached max_steps."""


class _Board:
    """Writes the offered lines that a reader follows: a line that changes
    nothing visible or only reorders the terms of the one before is left
    out, and a line with the result's terms in another order becomes the
    result itself."""

    def __init__(self, operation: str, start: Expr, result: Expr, lang: str, max_steps: int | None) -> None:
        self.operation = operation
        self.start = start
        self.start_latex = start.to_string()
        self.result = result
        self.result_latex = result.to_string()
        self.result_terms = term_texts(result)
        self.lang = lang
        self.max_steps = max_steps
        self.lines: list[Step] = []
        self.left_out = False

    def last(self) -> Expr:
        return self.lines[-1].tree if self.lines else self.start

    def last_latex(self) -> str:
        return self.lines[-1].latex if self.lines else self.start_latex

    def done(self) -> bool:
        return self.last_latex() == self.result_latex

    def write(self, line: Line) -> None:
        tree, latex = line.tree, line.tree.to_string()
        if latex == self.last_latex():
            return
        terms = term_texts(tree)
        if terms is not None and terms == term_texts(self.last()):
            if terms != self.result_terms:
                return
            line = Line(self.result, "order", (Equation((self.last(), self.result)),))
        if terms is not None and terms == self.result_terms:
            tree, latex = self.result, self.result_latex
        if self.max_steps is not None and len(self.lines) == self.max_steps:
            self.left_out = True
            raise _EnoughSteps
        wording = text(RULES[line.rule], self.lang)
        self.lines.append(Step(tree, latex, line.rule, line.changes, wording, _math(line.changes, LATEX)))

    def finish(self) -> Steps:
        if self.left_out:
            if not self.done():
                wording = text(LEFT_OUT, self.lang)
                self.lines.append(Step(self.result, self.result_latex, LEFT_OUT_RULE, (), wording, str(self.max_steps)))
        elif not self.done():
            self.lines.append(self._closing())
        return Steps(self.start, self.start_latex, self.lines, self.result, self.left_out, self.lang)

    def _closing(self) -> Step:
        line = closing_line(self.last(), self.result, self.operation)
        wording = text(RULES[line.rule], self.lang)
        return Step(self.result, self.result_latex, line.rule, line.changes, wording, _math(line.changes, LATEX))


def steps(tree: Expr, operation: TracedOperation, lang: str = "en", max_steps: int | None = DEFAULT_MAX_STEPS) -> Steps:
    """The working of expand(tree), simplify(tree) or factor(tree), step by step.

    Each step holds the whole expression after it (`tree`, `latex`), the
    method used (`rule`), the mathematics of what changed (`changes`) and an
    explanation in the teacher's words (`explanation`, in English for
    lang="en", in Japanese for "ja"). Every step keeps the value of the one
    before; the last step's expression is exactly what the operation
    returns. At most `max_steps` steps are shown (None: all); then a last
    line gives the result and says that the rest was left out (`left_out`
    is true). Raises what the operation raises. The tree is not changed;
    Ctrl-C stops the working with KeyboardInterrupt.
    """
    require_tree(tree, "tree")
    if not is_traced_operation(operation):
        raise ValueError(f"unknown operation {operation!r}: expected 'expand', 'simplify' or 'factor'")
    if lang not in LANGUAGES:
        raise ValueError(f"unknown language {lang!r}: expected 'en' or 'ja'")
    if max_steps is not None and (type(max_steps) is not int or max_steps < 1):
        raise ValueError(f"max_steps must be a positive whole number or None, not {max_steps!r}")
    operate, lines = OPERATIONS[operation]
    result = operate(tree)
    board = _Board(operation, tree, result, lang, max_steps)
    try:
        for line in lines(tree, result) if is_small(tree) else ():
            board.write(line)
            if board.done():
                break
    except _EnoughSteps:
        pass
    return board.finish()
