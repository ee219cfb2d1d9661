"""The batch path against the Python path it must equal, on generated texts
with and without errors, in every notation, for one and more threads;
Ctrl-C and running out of memory in the middle of a batch."""

import os
import random
import textwrap
import time

import _kalvira_core as core
import pytest
from _kalvira_core import Expr

import kalvira
from interruptible_child import interrupt, start_python
from kalvira import BatchError, ParseError, batch, parse, to_text, wrapped
from kalvira.batch import WrappedResult

ATOMS = ["x", "y", "2", "-3", "pi", "e", "x_1", "θ", "2147483647", "1/0", "sqrt(-4)", "tan(pi/2)", "(x+1)"]
OPERATORS = ["+", "-", "*", "/", "^", "", " "]
FUNCTIONS = ["sqrt", "cbrt", "sin", "cos", "tan", "ln"]
NOISE = ["(", ")", "^", "#", "\ud800", "9" * 12, ".", "x²", "sqr(", "\u2212"]


def generated_text(rng):
    """A random expression, sometimes corrupted by a deletion or an insertion.
    Exponents stay small: (a-b)^2147483647 is a legitimately endless expansion."""
    text = rng.choice(ATOMS)
    for _ in range(rng.randint(0, 6)):
        operator = rng.choice(OPERATORS)
        text = f"{text}{operator}{rng.choice(ATOMS) if operator != '^' else rng.randint(0, 3)}"
        if rng.random() < 0.2:
            text = f"{rng.choice(FUNCTIONS)}({text})"
        if rng.random() < 0.2:
            text = f"({text})^{rng.randint(0, 4)}"
    if rng.random() < 0.3:
        cut = rng.randrange(len(text) + 1)
        text = text[:cut] + rng.choice(NOISE) + text[cut + rng.randint(0, 1) :]
    return text


TEXTS = [generated_text(random.Random(seed)) for seed in range(3000)]

# Each operation of the batch, by name and whether it is the core's, as a
# function of trees.
OPERATIONS = {
    ("latex", False): lambda tree: tree,
    ("simplify", False): kalvira.simplify,
    ("expand", False): kalvira.expand,
    ("factor", False): kalvira.factor,
    ("simplify", True): core.simplify,
    ("expand", True): core.expand,
}
RENDERINGS = {
    "latex": Expr.to_string,
    "text": to_text,
    "unicode": lambda tree: to_text(tree, unicode=True),
    "tree": repr,
}


def one_by_one(operation, core_operation, texts, render):
    """What the batch must give, computed text by text through Python trees."""
    results = []
    for text in texts:
        try:
            tree = parse(text)
            result = OPERATIONS[operation, core_operation](tree)
            rendered = render(result)
            results.append(WrappedResult(rendered) if core_operation and wrapped(tree, result) else rendered)
        except ParseError as error:
            results.append(BatchError("parse", error.summary, error.position))
        except ValueError as error:
            results.append(BatchError("math", str(error)))
    return results


@pytest.mark.parametrize("notation", RENDERINGS)
@pytest.mark.parametrize(("operation", "core_operation"), OPERATIONS)
def test_batch_equals_the_python_path_for_any_number_of_threads(operation, core_operation, notation):
    expected = one_by_one(operation, core_operation, TEXTS, RENDERINGS[notation])
    assert any(type(r) is str for r in expected) and {r.kind for r in expected if isinstance(r, BatchError)} >= {
        "parse"
    }
    assert any(type(r) is WrappedResult for r in expected) == (core_operation and operation != "latex")
    for jobs in (1, 2, 3):
        results = batch(operation, TEXTS, jobs=jobs, notation=notation, core=core_operation)
        assert results == expected and list(map(type, results)) == list(map(type, expected))


def test_results_and_errors_are_what_the_docs_say():
    assert batch("factor", ["x^2 - 4", "1/0", "(x"], jobs=2) == [
        "\\left(x - 2\\right)\\left(x + 2\\right)",
        BatchError("math", "division by zero"),
        BatchError("parse", "unexpected end of input at position 3", 3),
    ]
    assert batch("expand", ["(x+1)^2", "1/0"], core=True) == ["x^{2} + 2x + 1", BatchError("math", "ゼロ除算エラー")]
    assert batch("latex", []) == [] and batch("latex", iter(["x"])) == ["x"]


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda: batch("differentiate", ["x"]), ValueError),
        (lambda: batch("factor", ["x"], core=True), ValueError),
        (lambda: batch("expand", ["x", 1]), TypeError),
        (lambda: batch("expand", ["x"], jobs=0), ValueError),
        (lambda: batch("expand", ["x"], jobs=1.5), ValueError),
    ],
)
def test_bad_arguments_are_refused(call, error):
    with pytest.raises(error):
        call()


def run_child(code):
    return start_python("-c", textwrap.dedent(code))


# Batches of several seconds: the school expansion refuses (a+b+c+d+1)^60
# at once, the core works on it for long.
@pytest.mark.parametrize("texts, core", [('["(a+b+c+d+1)^16"] * 5000', False), ('["(a+b+c+d+1)^60"] * 100', True)])
def test_ctrl_c_stops_a_batch_on_threads(texts, core):
    child = run_child(
        f"""
        from kalvira import batch
        print("start", flush=True)
        try:
            batch("expand", {texts}, jobs=2, core={core})
        except KeyboardInterrupt:
            print("interrupted", batch("expand", ["(x+1)^2"], jobs=2), flush=True)
        """
    )
    assert child.stdout.readline().strip() == "start"
    time.sleep(1.0)
    out, err = interrupt(child)
    assert out.strip() == "interrupted ['x^{2} + 2x + 1']", err[-2000:]


@pytest.mark.skipif(os.environ.get("KALVIRA_SANITIZED") == "1", reason="the sanitizer reserves more address space")
def test_a_text_that_exhausts_memory_fails_alone():
    child = run_child(
        """
        import resource
        resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
        from kalvira import batch
        a = "+".join(f"a_{{{i}}}" for i in range(3000))
        b = "+".join(f"b_{{{i}}}" for i in range(3000))
        print(batch("expand", ["x+x", f"({a})({b})", "(x+1)^2"], jobs=2, core=True))
        """
    )
    out, err = child.communicate(timeout=300)
    assert (
        out.strip() == "['2x', BatchError(kind='memory', message='out of memory', position=None), 'x^{2} + 2x + 1']"
    ), err[-2000:]
