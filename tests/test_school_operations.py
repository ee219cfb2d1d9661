"""The school operations everywhere they are offered: the textbook table
through the functions, the notebook display, the batch and the command
line; their results in the forms the form checks accept; refusals of
numbers beyond 32 bits; and the core's operations behind kalvira.core and
--core."""

import json
import re
from pathlib import Path

import _kalvira_core as kc
import pytest

import kalvira
from kalvira import (
    BatchError,
    batch,
    equivalent,
    expand,
    factor,
    is_expanded,
    is_factored,
    is_simplified,
    parse,
    show,
    simplify,
    to_text,
)
from test_package import kalvira_cli

ROOT = Path(__file__).parent.parent


def readme_rows():
    """(operation, typed, answer) of each entry of the README's school table."""
    section = (ROOT / "README.md").read_text(encoding="utf-8").split("## School answers")[1].split("\n## ")[0]
    for operation, typed, answers in re.findall(r"^\| (expand|simplify|factor) \| (.+?) \| (.+?) \|$", section, re.M):
        yield from (
            (operation, text, latex)
            for text, latex in zip(re.findall("`([^`]*)`", typed), re.findall("`([^`]*)`", answers), strict=True)
        )


EXERCISES = json.loads((ROOT / "tests/data/school-exercises.json").read_text(encoding="utf-8"))
README_ROWS = list(readme_rows())
OPERATIONS = {"expand": expand, "simplify": simplify, "factor": factor}
FORM_OF = {"expand": is_expanded, "simplify": is_simplified, "factor": is_factored}
TOO_BIG = "the coefficient 4000000000 does not fit in 32 bits"


def test_textbook_exercises_give_the_teachers_answer():
    assert len(README_ROWS) > 20
    wrong = [
        (operation, text, result, latex)
        for operation, text, latex in EXERCISES + README_ROWS
        if (result := OPERATIONS[operation](parse(text)).to_string()) != latex
    ]
    assert wrong == []
    assert show(factor(parse("x^2 - 4")))._repr_latex_() == r"$\left(x - 2\right)\left(x + 2\right)$"


@pytest.mark.parametrize("operation", OPERATIONS)
def test_batch_and_command_line_give_the_same_answers(operation):
    texts = [text for name, text, _ in EXERCISES if name == operation]
    latex = [latex for name, _, latex in EXERCISES if name == operation]
    assert batch(operation, texts, jobs=2) == latex
    assert batch(operation, texts, notation="unicode") == [
        to_text(OPERATIONS[operation](parse(t)), unicode=True) for t in texts
    ]
    assert kalvira_cli(operation, *texts)[:2] == (0, "".join(line + "\n" for line in latex))


def test_results_are_in_the_form_of_their_operation_and_keep_their_value():
    for operation, text, _ in EXERCISES:
        tree, result = parse(text), OPERATIONS[operation](parse(text))
        assert FORM_OF[operation](result), (operation, text)
        assert equivalent(tree, result), (operation, text)


def test_none_gives_none_and_other_values_are_refused():
    assert [operation(None) for operation in OPERATIONS.values()] == [None, None, None]
    for operation in OPERATIONS.values():
        with pytest.raises(TypeError, match="expression tree"):
            operation("x+1")


def test_numbers_beyond_32_bits_are_refused_and_the_core_still_wraps():
    with pytest.raises(ValueError, match=TOO_BIG):
        expand(parse("(x+1000)^4"))
    assert batch("expand", ["(x+1000)^4"]) == [BatchError("math", TOO_BIG)]
    assert kalvira_cli("expand", "(x+1000)^4", "--strict") == (2, "\n", [f"kalvira: '(x+1000)^4': {TOO_BIG}"])
    code, out, err = kalvira_cli("expand", "--core", "(x+1000)^4")
    assert (code, out) == (0, "x^{4} + 4000x^{3} + 6000000x^{2} + -294967296x - 727379968\n") and "wrapped" in err[0]


def test_the_core_stays_reachable_byte_for_byte():
    assert (kalvira.core.expand, kalvira.core.simplify) == (kc.expand, kc.simplify)
    texts = ["(2x-3y)^2", "x/2 + x/3", "1/2 + 1/3", "(x^2-16)/(x-4)"]
    for operation in ("expand", "simplify"):
        core = [getattr(kc, operation)(parse(text)).to_string() for text in texts]
        assert batch(operation, texts, core=True) == core
        assert kalvira_cli(operation, "--core", *texts)[:2] == (0, "".join(line + "\n" for line in core))
    assert kalvira_cli("factor", "--core", "x")[2][0].startswith("kalvira: --core belongs to the simplify and expand")
    with pytest.raises(ValueError, match="the core has no operation 'factor'"):
        batch("factor", ["x"], core=True)


def test_check_accepts_only_factored_answers_with_form_factored():
    assert kalvira_cli("check", "x^2 + 5x + 6", "(x+3)(x+2)", "x^2+5x+6", "--form", "factored") == (
        1,
        "(x+3)(x+2): equal\nx^2+5x+6: equal, but not factored: x² + 5x + 6 = (x + 2)(x + 3)\n",
        [],
    )
