"""Values and answer checking against SymPy, in this one process:

- `evaluate` on the worksheet set of bench/front.py at a point of
  fractions, against SymPy's `subs` (exact) and `evalf(subs=...)` on the
  same parsed expressions;
- `equivalent` on pairs of a worksheet expression and its expansion, half
  of them with a dropped sign, against `simplify(a - b) == 0`;
- `equivalent` per pair of the answer table of the tests
  (tests/data/answer-pairs.json, whose verdicts were checked by hand)
  against `simplify(a - b) == 0` on the same pairs, as a ratio (the aim:
  at most 0.05x SymPy's time), and how often each gives the verdict a
  teacher gives there;
- `kalvira check` on one core with one question and 10,000 generated
  answers (right ones in other orders and forms, wrong ones with a
  changed coefficient or sign), in answers per second, start-up included
  (the aim: at least 5,000 per second);
- what the wrap check costs the batch path: the core's `expand` through the batch
  with and without it.

Speeds are reported, never judged: a slow machine fails nothing.

Writes bench/results/answers.md.

    scripts/bench answers
"""

import json
import os
import random
import subprocess
import sys
import time
from fractions import Fraction
from pathlib import Path

from bench.front import worksheet
from bench.measure import measure
from kalvira import _native, batch, equivalent, evaluate, parse

RESULTS = Path(__file__).parent / "results"
PAIRS = json.loads((Path(__file__).parent.parent / "tests/data/answer-pairs.json").read_text(encoding="utf-8"))
EXPRESSIONS = 2000
SYMPY_PAIRS = 200  # SymPy's simplify takes long: fewer pairs, time per pair
POINT = {name: Fraction(index + 2, 7) for index, name in enumerate("xyzabc")}
ACCEPTED = {"equal", "probably equal"}
CHECKED_ANSWERS = 10_000


def sympy_reader(sp):
    """School notation in SymPy: implicit products, ^ for powers, e and ln."""
    from sympy.parsing.sympy_parser import (
        convert_xor,
        implicit_multiplication_application,
        parse_expr,
        standard_transformations,
    )

    transformations = standard_transformations + (implicit_multiplication_application, convert_xor)
    names = {"e": sp.E, "pi": sp.pi, "ln": sp.log, "cbrt": sp.cbrt}
    return lambda text: parse_expr(text, local_dict=dict(names), transformations=transformations)


def per_item(run, count, budget=2.0):
    return measure(run, budget=budget)["median"] / count


def dropped_sign(text):
    """The text with its first " + " turned into " - ": a typical slip."""
    return text.replace(" + ", " - ", 1) if " + " in text else f"-({text})"


def worksheet_pairs():
    texts = [ours for ours, _ in worksheet(EXPRESSIONS)]
    expanded = batch("expand", texts, notation="text")
    return [
        (text, answer if index % 2 else dropped_sign(answer))
        for index, (text, answer) in enumerate(zip(texts, expanded, strict=True))
    ]


def evaluate_rows(sp, read):
    texts = [ours for ours, _ in worksheet(EXPRESSIONS)]
    trees = [parse(text) for text in texts]
    rows = {
        "evaluate at a point of fractions": {"ours": per_item(lambda: [evaluate(t, POINT) for t in trees], EXPRESSIONS)}
    }
    if sp is not None:
        exprs = [read(text) for text in texts]
        point = {sp.Symbol(name): sp.Rational(value.numerator, value.denominator) for name, value in POINT.items()}
        rows["evaluate at a point of fractions"]["SymPy"] = per_item(
            lambda: [e.subs(point) for e in exprs], EXPRESSIONS
        )
        rows["evaluate to a float: SymPy evalf(subs=...)"] = {
            "SymPy": per_item(lambda: [e.evalf(subs=point) for e in exprs], EXPRESSIONS)
        }
    return rows


def equivalence_rows(sp, read):
    pairs = worksheet_pairs()
    trees = [(parse(a), parse(b)) for a, b in pairs]
    times = {"ours": per_item(lambda: [equivalent(a, b) for a, b in trees], len(trees))}
    right = sum(bool(equivalent(a, b)) == (index % 2 == 1) for index, (a, b) in enumerate(trees))
    accuracy = {"ours": (right, len(trees))}
    if sp is not None:
        exprs = [(read(a), read(b)) for a, b in pairs[:SYMPY_PAIRS]]
        verdicts = []
        times["SymPy"] = per_item(
            lambda: verdicts.append([sp.simplify(a - b) == 0 for a, b in exprs]), len(exprs), budget=0.1
        )
        accuracy["SymPy"] = (sum(v == (index % 2 == 1) for index, v in enumerate(verdicts[0])), len(exprs))
    return times, accuracy


def accepted_by_a_teacher(row):
    """Whether the row's value is right as a teacher marks it (its form
    aside): a row that may get several statuses is judged by its first."""
    status = row["status"] if isinstance(row["status"], str) else row["status"][0]
    return status in ACCEPTED


def accepts(expected, answer):
    """Whether equivalent accepts the answer; a pair it cannot judge
    (a ValueError) is not accepted."""
    try:
        return bool(equivalent(expected, answer))
    except ValueError:
        return False


def table_rows(sp, read):
    """Time per pair of the answer table, ours and SymPy's, and how many
    verdicts each gets right (the value alone, without the form)."""
    trees = [(parse(row["expected"]), parse(row["answer"])) for row in PAIRS]
    results = {"ours": [accepts(a, b) for a, b in trees]}
    times = {"ours": per_item(lambda: [accepts(a, b) for a, b in trees], len(trees))}
    if sp is not None:
        exprs = [(read(row["expected"]), read(row["answer"])) for row in PAIRS]
        runs = []
        times["SymPy"] = per_item(
            lambda: runs.append([bool(sp.simplify(a - b) == 0) for a, b in exprs]), len(exprs), budget=0.1
        )
        results["SymPy"] = runs[0]
    truths = [accepted_by_a_teacher(row) for row in PAIRS]
    wrong = {
        name: [
            f"{row['expected']} vs {row['answer']}"
            for row, verdict, truth in zip(PAIRS, verdicts, truths, strict=True)
            if verdict != truth
        ]
        for name, verdicts in results.items()
    }
    return times, {name: len(PAIRS) - len(misses) for name, misses in wrong.items()}, wrong


def answer_sheet(rng):
    """The question and CHECKED_ANSWERS answers to it (check reads them
    from its command line): the
    expansion with its terms in another order, the factors in another order
    or with their signs turned, and those with one coefficient or sign
    changed."""
    expected = "(x+1)^2(x-2)"
    terms = ["x^3", "-3x", "-2"]
    right = [
        lambda: " + ".join(rng.sample(terms, len(terms))).replace("+ -", "- "),
        lambda: "*".join(rng.sample(["(x+1)", "(x+1)", "(x-2)"], 3)),
        lambda: rng.choice(["-(1+x)^2(2-x)", "(x+1)(x^2-x-2)", "(x^2+2x+1)(x-2)"]),
    ]
    wrong = [
        lambda: f"x^3 - {rng.choice([1, 2, 4, 5])}x - 2",
        lambda: f"x^3 - 3x + {rng.randint(1, 9)}",
        lambda: rng.choice(["(x-1)^2(x+2)", "(x+1)^2(x+2)", "x^3+3x-2", "x^3-3x^2-2"]),
    ]
    return expected, [rng.choice(rng.choice([right, wrong]))() for _ in range(CHECKED_ANSWERS)]


def check_rate():
    """Answers per second of `kalvira check` on one core, start-up included,
    the median of three runs."""
    expected, answers = answer_sheet(random.Random(25))
    one_core = min(os.sched_getaffinity(0))
    times = []
    for _ in range(3):
        start = time.perf_counter()
        done = subprocess.run(
            [sys.executable, "-m", "kalvira", "check", expected, *answers],
            capture_output=True,
            text=True,
            preexec_fn=lambda: os.sched_setaffinity(0, {one_core}),
        )
        times.append(time.perf_counter() - start)
        if done.returncode not in (0, 1) or done.stdout.count("\n") != CHECKED_ANSWERS:
            raise RuntimeError(f"kalvira check failed ({done.returncode}): {done.stderr[-500:]}")
    return CHECKED_ANSWERS / sorted(times)[1]


def wrap_check_cost():
    texts = [ours for ours, _ in worksheet(EXPRESSIONS)]
    checked = per_item(lambda: _native.run_batch("core_expand", texts, 1, "latex", True), EXPRESSIONS, budget=3.0)
    unchecked = per_item(lambda: _native.run_batch("core_expand", texts, 1, "latex", False), EXPRESSIONS, budget=3.0)
    return checked, unchecked


def microseconds(seconds):
    return f"{seconds * 1e6:,.1f} µs"


def ratio_text(times):
    return f"{times['SymPy'] / times['ours']:,.0f}x" if len(times) == 2 else "–"


def report(evaluations, equivalence, accuracy, table, rate, wrap):
    table_times, table_right, misses = table
    lines = ["# Values and answer checking", "", "| per item | ours | SymPy | SymPy / ours |", "|---|---|---|---|"]
    rows = [
        *evaluations.items(),
        ("equivalent against simplify(a - b) == 0, worksheet pairs", equivalence),
        (f"equivalent against simplify(a - b) == 0, answer table ({len(PAIRS)} pairs)", table_times),
    ]
    for label, times in rows:
        ours = microseconds(times["ours"]) if "ours" in times else "–"
        sympy = microseconds(times["SymPy"]) if "SymPy" in times else "–"
        lines.append(f"| {label} | {ours} | {sympy} | {ratio_text(times)} |")
    if "SymPy" in table_times:
        lines += [
            "",
            f"equivalent on the answer table takes {table_times['ours'] / table_times['SymPy']:.3f}x SymPy's time"
            " (the aim: at most 0.05x).",
        ]
    lines += ["", "| right verdicts | ours | SymPy |", "|---|---|---|"]
    lines.append(
        "| worksheet pairs (expansion, half with a dropped sign) | "
        + " | ".join(f"{right} of {count}" for right, count in accuracy.values())
        + " |"
    )
    lines.append(
        f"| answer table of the tests ({len(PAIRS)} pairs) | "
        + " | ".join(f"{right} of {len(PAIRS)}" for right in table_right.values())
        + " |"
    )
    for name, wrong in misses.items():
        if wrong:
            lines += ["", f"{name} wrong on: " + "; ".join(wrong)]
    checked, unchecked = wrap
    lines += [
        "",
        f"kalvira check on one core: {rate:,.0f} answers per second ({CHECKED_ANSWERS:,} answers to one question,"
        " start-up included; the aim: at least 5,000).",
        "",
        f"Wrap check on the batch path (expand, one job): {microseconds(checked)} per expression with it,"
        f" {microseconds(unchecked)} without: {checked / unchecked - 1:+.1%}.",
    ]
    return "\n".join(lines) + "\n"


def main():
    try:
        import sympy as sp
    except ImportError:
        sp, read = None, None
    else:
        read = sympy_reader(sp)
    evaluations = evaluate_rows(sp, read)
    equivalence, accuracy = equivalence_rows(sp, read)
    table = table_rows(sp, read)
    text = report(evaluations, equivalence, accuracy, table, check_rate(), wrap_check_cost())
    RESULTS.mkdir(exist_ok=True)
    (RESULTS / "answers.md").write_text(text, encoding="utf-8")
    sys.stdout.write(text)


if __name__ == "__main__":
    main()
