"""The working of simplify and expand, step by step, in the teacher's words.

    >>> from kalvira import parse, steps
    >>> print(steps(parse("1/sqrt(8)"), "simplify"))
       \\frac{1}{\\sqrt{8}}
    1. = \\frac{1}{2\\sqrt{2}}
         take the square factor out of the root: \\sqrt{8} = 2\\sqrt{2}

The core reports every rewrite (kalvira._native.trace_rewrites): where in
the tree, the subtree before and after, the rule, and the whole expression
after it. Rewrites a reader cannot see are dropped,
a run of them that comes back to an earlier line drops that run, and
neighbouring rewrites of one rule at one depth share a line. Expansion is
traced through the literal school method, whose results are those of
`expand` byte for byte.
"""

from __future__ import annotations

from collections.abc import Callable, Iterator
from dataclasses import dataclass
from typing import Literal, TypeGuard, get_args

import _kalvira_core as core
from _kalvira_core import Expr

from kalvira import _native
from kalvira.step_texts import LANGUAGES, LEFT_OUT, RULES, TIDY_TERMS, text
from kalvira.tree_walk import children, require_tree
from kalvira.values import to_text

# The operations whose working can be traced.
TracedOperation = Literal["simplify", "expand"]
Path = tuple[int, ...]
Render = Callable[[Expr], str]

LATEX: Render = Expr.to_string

DEFAULT_MAX_STEPS = 100

# The rule of the last line of a working cut short by max_steps.
LEFT_OUT_RULE = "left-out"


def is_traced_operation(name: str) -> TypeGuard[TracedOperation]:
    return name in get_args(TracedOperation)


@dataclass(frozen=True)
class Change:
    """One piece of the expression that a step rewrote: at `path` (child
    indices from the root), `before` became `after`."""

    path: Path
    before: Expr
    after: Expr


@dataclass(frozen=True)
class Step:
    """One line of the working: the whole expression after it (`tree` and
    its LaTeX), what changed, the rule's name and the explanation
    ("{}" of `wording` filled with `math`)."""

    tree: Expr
    latex: str
    rule: str
    changes: tuple[Change, ...]
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
            lines.append(" " * (width + 2) + self._explanation(step, render))
        return "\n".join(lines)

    def _explanation(self, step: Step, render: Render) -> str:
        if render is LATEX or step.rule == LEFT_OUT_RULE:
            return step.explanation
        wording, math = _wording_and_math(step.rule, list(step.changes), self.lang, render)
        return wording.format(math)

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


def _narrowed(change: Change) -> Change:
    """The change reduced to the smallest subtree that differs: while both
    sides are nodes of one class of which exactly one child differs, that
    child."""
    path, before, after = change.path, change.before, change.after
    while type(before) is type(after):
        pairs = list(zip(children(before), children(after), strict=True))
        differing = [i for i, (b, a) in enumerate(pairs) if b.to_string() != a.to_string()]
        if len(differing) != 1:
            break
        i = differing[0]
        path, (before, after) = path + (i,), pairs[i]
    return Change(path, before, after)


def _sum_of(terms: list[Expr]) -> Expr:
    total = terms[0]
    for term in terms[1:]:
        total = core.Add(total, term)
    return total


def _leading_base(node: Expr) -> Expr:
    return node.base() if isinstance(node, core.Pow) else node


def _product_shown(rule: str, before: Expr, render: Render) -> str:
    """The product that a distribution multiplies out, as a reader writes
    it: (x + 1)(x + 1) for the square of x + 1."""
    if rule == "expand-product":
        return render(before)
    if isinstance(before, core.Mul):
        left, right = _leading_base(before.left()), _leading_base(before.right())
    else:
        left = right = _leading_base(before)
    return render(core.Mul(left, right))


def _collected_terms(before: Expr, render: Render) -> list[str]:
    """The like terms that a collection merges: "x + x = 2x"."""
    merged = []
    for members, term in _native.like_terms(before):
        if len(members) > 1:
            merged.append(f"{render(_sum_of(members))} = {render(term) if term is not None else '0'}")
    return merged


def _wording_and_math(rule: str, changes: list[Change], lang: str, render: Render = LATEX) -> tuple[str, str]:
    """The explanation of a step: its words, and the mathematics written by
    `render` that fills their "{}"."""
    rewrites = [f"{render(c.before)} = {render(c.after)}" for c in changes]
    if rule in ("expand-product", "expand-square", "expand-times-base"):
        return text(RULES[rule], lang), ", ".join(_product_shown(rule, c.before, render) for c in changes)
    if rule == "collect-terms":
        merged = [item for c in changes for item in _collected_terms(c.before, render)]
        if not merged:
            return text(TIDY_TERMS, lang), ", ".join(rewrites)
        return text(RULES[rule], lang), ", ".join(merged)
    return text(RULES[rule], lang), ", ".join(rewrites)


class _Tracer:
    """Turns the reported rewrites into lines of the working."""

    def __init__(self, start: Expr, lang: str, max_steps: int | None) -> None:
        self.start = start
        self.start_latex = start.to_string()
        self.lang = lang
        self.max_steps = max_steps
        self.lines: list[Step] = []
        self.left_out = False
        # Rewrites of the current last line, and the depth they were at.
        self.last: tuple[str, int] | None = None
        self.last_changes: list[Change] = []

    def latex(self) -> str:
        return self.lines[-1].latex if self.lines else self.start_latex

    def __call__(self, rule: str, path: Path, before: Expr, after: Expr, whole: Expr) -> bool:
        if type(before) is type(after) and before.to_string() == after.to_string():
            return True  # nothing a reader can see changed
        latex = whole.to_string()
        if latex == self.latex():
            return True
        earlier = [self.start_latex] + [line.latex for line in self.lines]
        if latex in earlier:
            # A run of rewrites came back to an earlier line: drop the run.
            del self.lines[earlier.index(latex) :]
            self.last, self.last_changes = None, []
            return True
        change = _narrowed(Change(path, before, after))
        if self.last == (rule, len(path)):
            self.last_changes.append(change)
            self.lines.pop()
        else:
            if self.max_steps is not None and len(self.lines) == self.max_steps:
                self.left_out = True
                return False
            self.last, self.last_changes = (rule, len(path)), [change]
        wording, math = _wording_and_math(rule, self.last_changes, self.lang)
        self.lines.append(Step(whole, latex, rule, tuple(self.last_changes), wording, math))
        return True

    def finish(self, result: Expr) -> Steps:
        latex = result.to_string()
        if self.left_out and latex != self.latex():
            self.lines.append(Step(result, latex, LEFT_OUT_RULE, (), text(LEFT_OUT, self.lang), str(len(self.lines))))
        return Steps(self.start, self.start_latex, self.lines, result, self.left_out, self.lang)


def steps(tree: Expr, operation: TracedOperation, lang: str = "en", max_steps: int | None = DEFAULT_MAX_STEPS) -> Steps:
    """The working of simplify(tree) or expand(tree), step by step.

    Each step holds the whole expression after it (`tree`, `latex`), the
    subtrees that changed (`changes`) and an explanation in the teacher's words
    (`explanation`, in English for lang="en", in Japanese for "ja"). Every
    step keeps the value of the one before; the last step's expression is
    exactly what simplify or expand returns. At most `max_steps` steps are
    shown (None: all); then the tracing stops, and a last line gives the
    result and says that the rest was left out (`left_out` is true). Raises
    what simplify and expand raise, and ValueError for an expansion too deep
    to trace (more than 2000 levels) before the cap. The tree is not
    changed; Ctrl-C stops the tracing with KeyboardInterrupt.
    """
    require_tree(tree, "tree")
    if not is_traced_operation(operation):
        raise ValueError(f"unknown operation {operation!r}: expected 'simplify' or 'expand'")
    if lang not in LANGUAGES:
        raise ValueError(f"unknown language {lang!r}: expected 'en' or 'ja'")
    if max_steps is not None and (type(max_steps) is not int or max_steps < 1):
        raise ValueError(f"max_steps must be a positive whole number or None, not {max_steps!r}")
    tracer = _Tracer(tree, lang, max_steps)
    result = _native.trace_rewrites(tree, operation, tracer)
    return tracer.finish(result)
