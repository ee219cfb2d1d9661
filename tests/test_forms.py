"""The form tests and their reasons, alone and through equivalent."""

import pytest

from kalvira import equivalent, parse
from kalvira.forms import FORMS, not_in_form

# (form, answer, expected, the reason or None when the answer is in the form)
FORM_CASES = [
    ("expanded", "x^2 + 2x + 1", "(x+1)^2", None),
    ("expanded", "2(x+1)", "2x+2", "not expanded: 2(x + 1) = 2x + 2"),
    ("simplified", "1 + x", "x+1", None),
    ("simplified", "x + x", "2x", "not simplified: x + x = 2x"),
    ("simplified", "2*3x", "6x", "not simplified: 2·3x = 6x"),
    ("simplified", "4/6", "2/3", "not simplified: 4/6 = 2/3"),
    ("simplified", "1/sqrt(2)", "sqrt(2)/2", "not simplified: 1/√2 = √2/2"),
    ("simplified", "cos(pi/3)", "1/2", "not simplified: cos(π/3) = 1/2"),
    ("factored", "(x-2)(x-3)", "x^2-5x+6", None),
    ("factored", "(2-x)(3-x)", "x^2-5x+6", None),
    ("factored", "-(2-x)(x-3)", "x^2-5x+6", None),
    ("factored", "(3+x)(x+2)", "x^2+5x+6", None),
    ("factored", "2(1-x)^2", "2(x-1)^2", None),
    ("factored", "(2x+1)/2", "x+1/2", None),
    ("factored", "1/2*(2x+1)", "x+1/2", None),
    ("factored", "(x+1)(x+1)", "(x+1)^2", "not factored: (x + 1)(x + 1) = (x + 1)²"),
    ("factored", "x^2 - 4", "x^2-4", "not factored: x² - 4 = (x - 2)(x + 2)"),
    ("factored", "(2x+2)(x+1)", "2(x+1)^2", "not factored: (2x + 2)(x + 1) = 2(x + 1)²"),
    ("factored", "x(x^2-1)", "x^3-x", "not factored: x·(x² - 1) = x·(x - 1)(x + 1)"),
    ("lowest-terms", "3x/2", "6x/4", None),
    ("lowest-terms", "x + 1", "x+1", None),
    ("lowest-terms", "6x/4", "3x/2", "not in lowest terms: 6x/4 = 3x/2"),
    ("lowest-terms", "(x^2-1)/(x-1)", "x+1", "not in lowest terms: (x² - 1)/(x - 1) = x + 1"),
    ("lowest-terms", "(x+1)/(1-x^2)", "1/(1-x)", "not in lowest terms: (x + 1)/(1 - x²) = -(1/(x - 1))"),
    ("single-fraction", "(x+y)/(xy)", "1/x+1/y", None),
    ("single-fraction", "1/x + 1/y", "(x+y)/(xy)", "not a single fraction: 1/x + 1/y = (x + y)/(xy)"),
    ("single-fraction", "x/2 + y/3", "(3x+2y)/6", "not a single fraction: x/2 + y/3 = (3x + 2y)/6"),
    ("single-fraction", "x + 1/2", "(2x+1)/2", "not a single fraction: x + 1/2 = (2x + 1)/2"),
    ("same-up-to-order", "y(2x) + (1 + z)", "2xy + 1 + z", None),
    ("same-up-to-order", "2(x+1)", "2x+2", "not the same up to order as 2x + 2"),
]


@pytest.mark.parametrize("form, answer, expected, reason", FORM_CASES)
def test_form_reasons(form, answer, expected, reason):
    answer_tree, expected_tree = parse(answer), parse(expected)
    assert not_in_form(form, answer_tree, expected_tree) == reason
    verdict = equivalent(expected_tree, answer_tree, form=form)
    assert (verdict.accepted(domain_differences=True), verdict.form_reason) == (reason is None, reason)
    # An answer not cancelled to lowest terms has no value where the factor is 0.
    cancels = "/(" in answer and "lowest terms" in (reason or "")
    assert verdict.status == ("equal where both are defined" if cancels else "equal")
    assert str(verdict).endswith(f", but {reason}" if reason else verdict.status)


def test_every_form_is_tested():
    assert {case[0] for case in FORM_CASES} == set(FORMS)


def test_forms_refuse_bad_requests():
    with pytest.raises(ValueError, match="unknown form 'tidy': choose expanded, simplified"):
        equivalent(parse("x"), parse("x"), form="tidy")
    with pytest.raises(ValueError, match="needs the expected answer"):
        not_in_form("same-up-to-order", parse("x"))
    # A different answer stays different, without a form reason.
    verdict = equivalent(parse("2x+2"), parse("2x+1"), form="expanded")
    assert (verdict.status, verdict.form_reason) == ("different", None)
