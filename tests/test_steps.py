"""kalvira.steps: the working of textbook exercises, its agreement with
expand, simplify and factor on generated trees, its bounds and its command line."""

import json
import os
import subprocess
import sys
import textwrap
import time
from fractions import Fraction
from pathlib import Path

import _kalvira_core as kc
import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from interruptible_child import interrupt, start_python
from kalvira import evaluate, expand, factor, parse, simplify, steps
from kalvira.cli_steps import lines_to_draw
from kalvira.working_terms import term_texts
from tree_strategies import trees

EXERCISES = json.loads((Path(__file__).parent / "data" / "working-exercises.json").read_text(encoding="utf-8"))
OPERATIONS = {"expand": expand, "simplify": simplify, "factor": factor}


@pytest.mark.parametrize("lang", ["en", "ja"])
@pytest.mark.parametrize("exercise", EXERCISES, ids=lambda e: f"{e['operation']} {e['text']}")
def test_textbook_exercises_are_worked_as_on_the_board(exercise, lang):
    working = steps(parse(exercise["text"]), exercise["operation"], lang=lang)
    assert working.to_text(unicode=True).split("\n") == exercise[lang]


def test_the_aligned_derivation_and_latex_lines():
    working = steps(parse("(x^2-16)/(x-4)"), "simplify", lang="ja")
    assert working._repr_latex_() == "\n".join(
        [
            r"$$\begin{aligned}",
            r"& \frac{x^{2} - 16}{x - 4} \\",
            r"&= \frac{\left(x - 4\right)\left(x + 4\right)}{x - 4} && \text{分子と分母を因数分解する: }"
            r"\frac{x^{2} - 16}{x - 4} = \frac{\left(x - 4\right)\left(x + 4\right)}{x - 4} \\",
            r"&= x + 4 && \text{共通因数で約分する: }\frac{\left(x - 4\right)\left(x + 4\right)}{x - 4} = x + 4,"
            r" x \neq 4",
            r"\end{aligned}$$",
        ]
    )
    assert steps(parse("x^2+5x+6"), "factor").to_text() == "\n".join(
        [
            "   x^2 + 5x + 6",
            "1. = (x + 2)(x + 3)",
            "     find two numbers from their product and sum: 2*3 = 6, 2 + 3 = 5",
        ]
    )


def _value(tree, point):
    try:
        return evaluate(tree, point)
    except ValueError:
        return None  # no value here (division by zero, ...)


def _same_value(a, b):
    if a is None or b is None:
        return True
    if isinstance(a, Fraction) and isinstance(b, Fraction):
        return a == b
    return abs(complex(a) - complex(b)) <= 1e-6 * max(1.0, abs(complex(a)))


TREES = int(os.environ.get("KALVIRA_WORKING_TREES", "300"))


def _linear(pair):
    a, b = pair
    return kc.Add(kc.Mul(kc.Int(a), kc.Var("x")), kc.Int(b))


def textbook_polynomials():
    """Products of a monomial k x^m and linear factors a x + b, multiplied
    out, and quotients of two of them: the shapes the methods look for."""
    factors = st.lists(st.tuples(st.integers(1, 3) | st.integers(-3, -1), st.integers(-4, 4)), min_size=1, max_size=3)

    def product(pairs_and_monomial):
        pairs, (k, m) = pairs_and_monomial
        tree = kc.Mul(kc.Int(k), kc.Pow(kc.Var("x"), kc.Int(m)))
        for pair in pairs:
            tree = kc.Mul(tree, _linear(pair))
        return expand(tree)

    polynomial = st.tuples(factors, st.tuples(st.integers(-4, 4).filter(bool), st.integers(0, 2))).map(product)
    return polynomial | st.tuples(polynomial, polynomial).map(lambda pq: kc.Div(*pq))


@settings(max_examples=TREES, deadline=None, derandomize=True, suppress_health_check=[HealthCheck.too_slow])
@given(
    trees() | textbook_polynomials(), st.sampled_from(sorted(OPERATIONS)), st.fractions(Fraction(1, 3), Fraction(5, 2))
)
def test_every_line_keeps_the_value_and_the_last_is_the_answer(tree, operation, x):
    point = {"x": x, "y": -x - 1}
    try:
        expected = OPERATIONS[operation](tree).to_string()
    except ValueError as error:
        with pytest.raises(ValueError, match=str(error)):
            steps(tree, operation)
        return
    working = steps(tree, operation, max_steps=None)
    assert (working[-1].latex if len(working) else working.start_latex) == expected
    previous, previous_value = tree, _value(tree, point)
    for number, step in enumerate(working, 1):
        assert step.latex == step.tree.to_string() and step.latex != previous.to_string()
        assert step.explanation.strip() and step.math.strip()
        reordered = term_texts(step.tree) == term_texts(previous) is not None
        assert not reordered or (number == len(working) and step.rule == "order"), (previous, step.latex)
        value = _value(step.tree, point)
        assert _same_value(previous_value, value), (previous.to_string(), step.latex, step.rule)
        previous, previous_value = step.tree, value


def test_max_steps_keeps_the_result_and_says_the_rest_was_left_out():
    working = steps(parse("(x+1)(x-1) + (x+2)^2 + 2(x+y)"), "expand", max_steps=1)
    assert working.left_out and len(working) == 2
    assert working[-1].latex == expand(parse("(x+1)(x-1) + (x+2)^2 + 2(x+y)")).to_string()
    assert working[-1].explanation == "the rest of the working, left out after 1 steps"


def test_ctrl_c_stops_the_working_and_leaves_the_tree_intact():
    code = textwrap.dedent(
        """
        from kalvira import parse, steps
        t = parse("(x+y+z+1)^12 + (x-1)(x+2) - 3(x-y)")
        print("start", flush=True)
        try:
            while True:  # only Ctrl-C ends the loop
                steps(t, "expand", max_steps=None)
        except KeyboardInterrupt:
            print("interrupted", t.to_string(), steps(parse("(x+1)^2"), "expand")[-1].latex, flush=True)
        """
    )
    child = start_python("-c", code)
    assert child.stdout.readline().strip() == "start"
    time.sleep(1.0)
    out, err = interrupt(child)
    tree = r"\left(x + y + z + 1\right)^{12} + \left(x - 1\right)\left(x + 2\right) - 3\left(x - y\right)"
    assert out.strip() == f"interrupted {tree} x^{{2}} + 2x + 1", err[-2000:]


def test_deep_trees_have_no_depth_limit():
    chain = kc.Var("x")
    for _ in range(1_000_000):
        chain = kc.Neg(chain)
    for operation, operate in OPERATIONS.items():
        working = steps(chain, operation, max_steps=10)
        assert [step.latex for step in working] == [operate(chain).to_string()]
    long_sum = parse("+".join(f"x_{{{i}}}" for i in range(2500)) + "+x_{0}")
    assert steps(long_sum, "expand")[-1].latex == expand(long_sum).to_string()
    with pytest.raises(ValueError, match="unknown language"):
        steps(chain, "simplify", lang="fr")
    with pytest.raises(ValueError, match="unknown operation"):
        steps(chain, "differentiate")


def test_command_line_writes_school_text_and_draws_the_explained_steps(tmp_path):
    image = tmp_path / "working.png"
    done = subprocess.run(
        [sys.executable, "-m", "kalvira", "steps", "factor", "2x^2-8", "--text", "--png", str(image)],
        capture_output=True,
        timeout=60,
    )
    expected = [
        "   2x^2 - 8",
        "1. = 2(x^2 - 4)",
        "     take out the common factor 2",
        "2. = 2(x - 2)(x + 2)",
        "     use the formula a^2 - b^2 = (a + b)(a - b)",
    ]
    assert (done.returncode, done.stdout.decode()) == (0, "\n".join(expected) + "\n"), done.stderr
    assert image.read_bytes().startswith(b"\x89PNG")
    assert lines_to_draw(steps(parse("1/sqrt(8)"), "simplify", max_steps=1)) == [
        r"$\frac{1}{\sqrt{8}}$",
        r"1.  $= \frac{1}{2\sqrt{2}}$",
        r"        take the square factor out of the root: $\sqrt{8} = 2\sqrt{2}$",
        r"2.  $= \frac{\sqrt{2}}{4}$",
        "        the rest of the working, left out after $1$ steps",
    ]


def test_command_line_prints_numbered_steps():
    done = subprocess.run(
        [sys.executable, "-m", "kalvira", "steps", "simplify", "1/sqrt(8)", "1/0", "--lang", "ja", "--max-steps", "1"],
        capture_output=True,
        timeout=60,
    )
    assert done.returncode == 2
    assert done.stdout.decode() == "\n".join(
        [
            r"   \frac{1}{\sqrt{8}}",
            r"1. = \frac{1}{2\sqrt{2}}",
            r"     根号の中の平方因数を外に出す: \sqrt{8} = 2\sqrt{2}",
            r"2. = \frac{\sqrt{2}}{4}",
            "     1 段階より後の計算は省略",
            "",
        ]
    )
    assert done.stderr.decode() == "kalvira: '1/0': division by zero\n"
