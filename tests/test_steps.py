"""kalvira.steps: the working of school exercises, its agreement with
simplify and expand on generated trees, its bounds and its command line."""

import subprocess
import sys
import textwrap
import time
from fractions import Fraction

import _kalvira_core as kc
import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from interruptible_child import interrupt, start_python
from kalvira import _native, parse, steps
from kalvira.cli_steps import lines_to_draw
from kalvira.step_texts import RULES
from test_value_preservation import close, value
from tree_strategies import trees

SQUARE = r"multiply out \left(x + 1\right)\left(x + 1\right)"

EXERCISES = [
    ("simplify", "1/sqrt(8)", [r"take the square factor out of the root: \sqrt{8} = 2\sqrt{2}"]),
    ("simplify", "6/4", [r"divide the numbers, in lowest terms: \frac{6}{4} = \frac{3}{2}"]),
    ("simplify", "(2+3)*4", ["add the numbers: 2 + 3 = 5", r"multiply the numbers: 5 \cdot 4 = 20"]),
    ("simplify", "1/sqrt(2)", [r"rationalise the denominator: \frac{1}{\sqrt{2}} = \frac{\sqrt{2}}{2}"]),
    (
        "simplify",
        "sqrt(8) + sqrt(12)",
        [r"take the square factor out of the root: \sqrt{8} = 2\sqrt{2}, \sqrt{12} = 2\sqrt{3}"],
    ),
    ("simplify", "sqrt(16)", [r"the square root of a perfect square: \sqrt{16} = 4"]),
    ("simplify", "cbrt(27)", [r"the cube root of a perfect cube: \sqrt[3]{27} = 3"]),
    ("simplify", "2^-3", [r"a negative exponent gives a fraction: 2^{-3} = \frac{1}{8}"]),
    ("simplify", "x^0 + y^1", ["anything to the power 0 is 1: x^{0} = 1", "the power 1 changes nothing: y^{1} = y"]),
    ("simplify", "sin(pi/4)", [r"the value at a special angle: \sin\left(\frac{\pi}{4}\right) = \frac{\sqrt{2}}{2}"]),
    (
        "simplify",
        "cos(pi) + tan(0)",
        [
            r"the value at a special angle: \cos\left(\pi\right) = -1",
            r"the value at 0: \tan\left(0\right) = 0",
            "drop the term 0: -1 + 0 = -1",
        ],
    ),
    (
        "simplify",
        "ln(e) + ln(1)",
        [
            r"the logarithm of e is 1: \ln\left(e\right) = 1",
            r"the logarithm of 1 is 0: \ln\left(1\right) = 0",
            "drop the term 0: 1 + 0 = 1",
        ],
    ),
    ("simplify", "ln(e^x)", [r"the logarithm of a power of e is the exponent: \ln\left(e^{x}\right) = x"]),
    ("simplify", "--x + x", ["remove the double minus: --x = x", "add equal terms: x + x = 2x"]),
    (
        "expand",
        "(x+2)(x+3)",
        [r"multiply out \left(x + 2\right)\left(x + 3\right)", "collect like terms: 3x + 2x = 5x"],
    ),
    ("expand", "(x+1)(x-1)", [r"multiply out \left(x + 1\right)\left(x - 1\right)", "collect like terms: -x + x = 0"]),
    ("expand", "(x+1)^2 - x^2", [SQUARE, "collect like terms: x + x = 2x", "collect like terms: x^{2} - x^{2} = 0"]),
    ("expand", "(x-1)^2", [r"multiply out \left(x - 1\right)\left(x - 1\right)", "collect like terms: -x - x = -2x"]),
    ("expand", "2(x+y)", ["tidy the terms: x + y = y + x", r"multiply out 2\left(y + x\right)"]),
    (
        "expand",
        "(x+1)^3",
        [
            r"write the power as a product: \left(x + 1\right)^{3} = \left(x + 1\right)^{2}\left(x + 1\right)",
            SQUARE,
            "collect like terms: x + x = 2x",
            r"multiply out \left(x^{2} + 2x + 1\right)\left(x + 1\right)",
            "collect like terms: x^{2} + 2x^{2} = 3x^{2}, 2x + x = 3x",
        ],
    ),
    ("expand", "x^2", []),  # x x and back: nothing a reader would follow
]


@pytest.mark.parametrize("operation, text, explanations", EXERCISES)
def test_school_exercises_are_explained(operation, text, explanations):
    assert [step.explanation for step in steps(parse(text), operation)] == explanations


def test_japanese_and_the_aligned_derivation():
    working = steps(parse("(x+1)^2 - x^2"), "expand", lang="ja")
    assert [step.explanation for step in working] == [
        r"\left(x + 1\right)\left(x + 1\right) を展開する",
        "同類項をまとめる: x + x = 2x",
        "同類項をまとめる: x^{2} - x^{2} = 0",
    ]
    assert working._repr_latex_() == "\n".join(
        [
            r"$$\begin{aligned}",
            r"& \left(x + 1\right)^{2} - x^{2} \\",
            r"&= xx + x + x + 1 - x^{2} && \left(x + 1\right)\left(x + 1\right)\text{ を展開する} \\",
            r"&= x^{2} + 2x + 1 - x^{2} && \text{同類項をまとめる: }x + x = 2x \\",
            r"&= 2x + 1 && \text{同類項をまとめる: }x^{2} - x^{2} = 0",
            r"\end{aligned}$$",
        ]
    )


IN_SCHOOL_TEXT = [
    (
        "simplify",
        "1/sqrt(8)",
        "en",
        False,
        ["   1/sqrt(8)", "1. = 1/(2sqrt(2))", "     take the square factor out of the root: sqrt(8) = 2sqrt(2)"],
    ),
    (
        "simplify",
        "sin(pi/4) + 2^-3",
        "en",
        True,
        [
            "   sin(π/4) + 2⁻³",
            "1. = √2/2 + 2⁻³",
            "     the value at a special angle: sin(π/4) = √2/2",
            "2. = √2/2 + 1/8",
            "     a negative exponent gives a fraction: 2⁻³ = 1/8",
        ],
    ),
    (
        "expand",
        "(x+1)^2 - x^2",
        "ja",
        True,
        [
            "   (x + 1)² - x²",
            "1. = xx + x·1 + (1x + 1·1) - x²",
            "     (x + 1)(x + 1) を展開する",
            "2. = x² + 2x + 1 - x²",
            "     同類項をまとめる: x + x = 2x",
            "3. = 2x + 1",
            "     2 段階より後の計算は省略",
        ],
    ),
]


@pytest.mark.parametrize("operation, text, lang, unicode, lines", IN_SCHOOL_TEXT)
def test_the_working_in_school_text(operation, text, lang, unicode, lines):
    assert steps(parse(text), operation, lang=lang, max_steps=2).to_text(unicode=unicode) == "\n".join(lines)


def test_every_rule_has_words_in_both_languages():
    assert set(RULES) == set(_native.rule_names())
    assert all(len(texts) == 2 and all(texts) for texts in RULES.values())


def exact(node, point):
    """The value of a rational tree as a Fraction, None for anything else."""
    name = type(node).__name__
    if name in ("Int", "Rational", "Var"):
        return Fraction(value(node, point).real) if name != "Var" else point[node.name()]
    operands = [
        exact(child, point)
        for child in {
            "Neg": lambda: [node.operand()],
            "Add": lambda: [node.left(), node.right()],
            "Mul": lambda: [node.left(), node.right()],
            "Div": lambda: [node.num(), node.den()],
            "Pow": lambda: [node.base(), node.exp()],
        }.get(name, lambda: [None])()
        if child is not None
    ]
    if len(operands) == 0 or None in operands or (name == "Pow" and operands[1].denominator != 1):
        return None
    if name == "Neg":
        return -operands[0]
    a, b = operands
    if b == 0 and (name == "Div" or (name == "Pow" and b < 0)):
        return None
    return a + b if name == "Add" else a * b if name == "Mul" else a / b if name == "Div" else a ** int(b)


def same_value(a, b, point):
    exact_a, exact_b = exact(a, point["exact"]), exact(b, point["exact"])
    if exact_a is not None and exact_b is not None:
        return exact_a == exact_b
    try:
        return close(value(a, point), value(b, point))
    except (ZeroDivisionError, OverflowError, ValueError):
        return True  # undefined at this point on both sides or one: nothing to compare


@settings(max_examples=150, deadline=None, derandomize=True)
@given(trees(), st.sampled_from(["simplify", "expand"]), st.fractions(Fraction(1, 3), Fraction(5, 2)))
def test_the_last_step_is_the_result_and_every_step_keeps_the_value(tree, operation, x):
    point = {"x": complex(x), "y": complex(-x - 1), "exact": {"x": x, "y": -x - 1}}
    operate = kc.simplify if operation == "simplify" else kc.expand
    try:
        expected = operate(tree).to_string()
    except ValueError as error:
        with pytest.raises(ValueError, match=str(error)):
            steps(tree, operation)
        return
    working = steps(tree, operation, max_steps=None)
    assert (working[-1].latex if len(working) else working.start_latex) == expected
    previous = tree
    for step in working:
        assert step.latex == step.tree.to_string()
        assert same_value(previous, step.tree, point), (previous.to_string(), step.latex, step.rule)
        previous = step.tree


def test_max_steps_keeps_the_result_and_says_the_rest_was_left_out():
    working = steps(parse("(x+1)^9"), "expand", max_steps=2)
    assert working.left_out and len(working) == 3
    assert working[-1].latex == kc.expand(parse("(x+1)^9")).to_string()
    assert working[-1].explanation == "the rest of the working, left out after 2 steps"


def test_ctrl_c_stops_the_tracing_and_leaves_the_tree_intact():
    code = textwrap.dedent(
        """
        from kalvira import parse, steps
        t = parse("(x+y+z+1)^20")
        print("start", flush=True)
        try:
            while True:  # about a second a round; only Ctrl-C ends the loop
                steps(t, "expand", max_steps=None)
        except KeyboardInterrupt:
            print("interrupted", t.to_string(), steps(parse("(x+1)^2"), "expand")[-1].latex, flush=True)
        """
    )
    child = start_python("-c", code)
    assert child.stdout.readline().strip() == "start"
    time.sleep(1.0)
    out, err = interrupt(child)
    assert out.strip() == r"interrupted \left(x + y + z + 1\right)^{20} x^{2} + 2x + 1", err[-2000:]


def test_a_capped_trace_ends_early_with_expands_result_at_any_depth():
    # The literal expansion would go on past 2000 levels; the cap ends it first.
    tree = parse("(x+y+z+1)^40")
    working = steps(tree, "expand", max_steps=1)
    assert working.left_out and working[-1].latex == kc.expand(tree).to_string()


def test_deep_trees():
    chain = kc.Var("x")
    for _ in range(200_000):
        chain = kc.Neg(chain)
    working = steps(chain, "simplify", max_steps=3)
    assert len(working) == 4 and working[-1].latex == "x"
    long_sum = parse("+".join(f"x_{{{i}}}" for i in range(2500)))
    binomials = parse("".join(f"(x_{{{i}}}+1)" for i in range(11)))  # a sum of 2048 terms on the way
    for deep in (long_sum, binomials):
        with pytest.raises(ValueError, match="more than 2000 levels deep"):
            steps(deep, "expand")
    with pytest.raises(ValueError, match="unknown language"):
        steps(chain, "simplify", lang="fr")


def test_command_line_writes_school_text_and_draws_the_explained_steps(tmp_path):
    image = tmp_path / "working.png"
    done = subprocess.run(
        [sys.executable, "-m", "kalvira", "steps", "simplify", "1/sqrt(8)", "--text", "--png", str(image)],
        capture_output=True,
        timeout=60,
    )
    assert (done.returncode, done.stdout.decode()) == (0, "\n".join(IN_SCHOOL_TEXT[0][-1]) + "\n"), done.stderr
    assert image.read_bytes().startswith(b"\x89PNG")
    assert lines_to_draw(steps(parse("1/sqrt(8)"), "simplify")) == [
        r"$\frac{1}{\sqrt{8}}$",
        r"1.  $= \frac{1}{2\sqrt{2}}$",
        r"        take the square factor out of the root: $\sqrt{8} = 2\sqrt{2}$",
    ]


def test_command_line_prints_numbered_steps():
    done = subprocess.run(
        [sys.executable, "-m", "kalvira", "steps", "simplify", "1/sqrt(8)", "1/0", "--lang", "ja"],
        capture_output=True,
        timeout=60,
    )
    assert done.returncode == 2
    assert done.stdout.decode() == "\n".join(
        [
            r"   \frac{1}{\sqrt{8}}",
            r"1. = \frac{1}{2\sqrt{2}}",
            r"     根号の中の平方因数を外に出す: \sqrt{8} = 2\sqrt{2}",
            "",
        ]
    )
    assert done.stderr.decode() == "kalvira: '1/0': ゼロ除算エラー\n"
