"""The answer table (tests/data/answer-pairs.json): pairs of an expected
answer and a student's, with the verdict a teacher gives them. Each row
names its status (or the statuses it may get), and where it matters the
form asked for, whether the answer is in it, and a fragment of the note
that says where the domains differ."""

import json
from pathlib import Path

import pytest

from kalvira import equivalent, evaluate, parse
from kalvira.forms import FORMS
from test_package import kalvira_cli

ROWS = json.loads((Path(__file__).parent / "data/answer-pairs.json").read_text(encoding="utf-8"))
ACCEPTED = {"equal", "probably equal"}
DOMAINS_DIFFER = "equal where both are defined"


def allowed_statuses(row):
    status = row["status"]
    statuses = {status} if isinstance(status, str) else set(status)
    # Where agreement at points is the evidence expected, a proof is better still.
    return statuses | {"equal"} if "probably equal" in statuses else statuses


def assert_counterexample(expected, answer, verdict):
    """A "different" verdict is a proof: both sides have a value at its
    point, and the values differ there."""
    point = verdict.point or {}
    assert verdict.expected_value is not None and verdict.answer_value is not None, str(verdict)
    assert evaluate(expected, point) != evaluate(answer, point), str(verdict)


@pytest.mark.parametrize(
    "row", ROWS, ids=lambda row: f"{row['expected']} vs {row['answer']} {row.get('form', '')}".strip()
)
def test_answer_table(row):
    expected, answer = parse(row["expected"]), parse(row["answer"])
    verdict = equivalent(expected, answer, form=row.get("form"))
    assert verdict.status in allowed_statuses(row), str(verdict)
    in_form = row.get("in_form", True)
    assert (verdict.form_reason is None) == in_form, str(verdict)
    assert bool(verdict) == (verdict.status in ACCEPTED and in_form)
    assert verdict.accepted(domain_differences=True) == (verdict.status in ACCEPTED | {DOMAINS_DIFFER} and in_form)
    if verdict.status == "probably equal" and verdict.point != {}:  # a constant is one point
        assert verdict.points >= 20, str(verdict)
    if verdict.status == DOMAINS_DIFFER:
        assert verdict.domain_note and row.get("note", "") in verdict.domain_note, str(verdict)
    if verdict.status == "different":
        assert_counterexample(expected, answer, verdict)


def test_the_table_covers_every_status_and_form():
    statuses = set().union(*(allowed_statuses(row) for row in ROWS))
    assert statuses >= ACCEPTED | {DOMAINS_DIFFER, "different", "cannot tell"}
    assert {row["form"] for row in ROWS if "form" in row} == set(FORMS)


@pytest.mark.parametrize("options, status", [([], 1), (["--accept-domain-differences"], 0)])
def test_check_accepts_a_domain_difference_only_when_asked(options, status):
    code, out, errors = kalvira_cli("check", "x", "2x/2", "1/(1/x)", "sqrt(x)^2", *options)
    lines = out.splitlines()
    assert (code, errors, lines[0]) == (status, [], "2x/2: equal")
    # Each says where the answer has no value.
    assert all(": equal where both are defined" in line and "undefined" in line for line in lines[1:]), out
