"""Runs every worked example and edge case of tests/data/reference-cases.json
through the module, one test per case."""

import _kalvira_core as kc
import pytest

from reference_cases import build, exception_class, follow, load_cases, namespace, term_of

CASES = load_cases()


def perform(case, subject):
    """Apply the case's operation to the already built input."""
    op = case["op"]
    if op == "construct":
        return subject
    if op == "render":
        return subject.to_string()
    function = {"simplify": kc.simplify, "expand": kc.expand}[op]
    return function(expr=subject) if case.get("keyword") else function(subject)


def snapshot(subject):
    """What must not change when a tree is simplified or expanded."""
    if not isinstance(subject, kc.Expr):
        return None
    return subject.to_string(), term_of(subject)


def check_fields(node, fields, ns):
    for accessor, expected in fields.items():
        if accessor == "class":
            assert type(node) is getattr(kc, expected)
            continue
        value = getattr(node, accessor)()
        if isinstance(value, kc.Expr):
            assert term_of(value) == term_of(build(expected, ns)), accessor
        else:
            assert type(value) is type(expected) and value == expected, accessor


def check_error(case, ns):
    expect = case["expect"]
    wanted = exception_class(expect["error"])
    if case["op"] == "construct":
        # Building the input is the operation under test.
        with pytest.raises(Exception) as info:
            build(case["input"], ns)
    else:
        subject = build(case["input"], ns)
        before = snapshot(subject) if case["op"] in ("simplify", "expand") else None
        with pytest.raises(Exception) as info:
            perform(case, subject)
        if before is not None:
            assert snapshot(subject) == before, "a failed call changed its argument"
    # Exact class: UnicodeDecodeError is a ValueError, and must not pass for one.
    assert type(info.value) is wanted, repr(info.value)
    if "message" in expect:
        assert str(info.value) == expect["message"]


@pytest.mark.parametrize("case", CASES, ids=[case["id"] for case in CASES])
def test_reference_case(case):
    ns = namespace()
    expect = case["expect"]
    if "error" in expect:
        check_error(case, ns)
        return

    subject = build(case["input"], ns)
    before = snapshot(subject) if case["op"] in ("simplify", "expand") else None
    result = perform(case, subject)

    if "latex" in expect:
        text = result if case["op"] == "render" else result.to_string()
        assert text == expect["latex"]
    if "term" in expect:
        expected = None if expect["term"] is None else build(expect["term"], ns)
        assert term_of(result) == term_of(expected)
    if "fields" in expect:
        check_fields(result, expect["fields"], ns)
    if "same" in expect:
        assert result is follow(subject, expect["same"])
    if before is not None:
        assert snapshot(subject) == before, "the call changed its argument"
