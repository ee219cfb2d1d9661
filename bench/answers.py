"""Values and answer checking against SymPy, in this one process:

- `evaluate` on the worksheet set of bench/front.py at a point of
  fractions, against SymPy's `subs` (exact) and `evalf(subs=...)` on the
  same parsed expressions;
- `equivalent` on pairs of a worksheet expression and its expansion, half
  of them with a dropped sign, against `simplify(a - b) == 0`;
- how often each gives the right verdict on the answer table of the tests
  (tests/data/answer-pairs.json, whose verdicts were checked by hand);
- what the wrap check costs the batch path: the core's `expand` through the batch
  with and without it.

Writes bench/results/answers.md.

    scripts/bench answers
"""

import json
import sys
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


def table_accuracy(sp, read):
    truths = [status != "different" for _, _, status in PAIRS]
    ours = [bool(equivalent(parse(a), parse(b))) for a, b, _ in PAIRS]
    results = {"ours": ours}
    if sp is not None:
        results["SymPy"] = [bool(sp.simplify(read(a) - read(b)) == 0) for a, b, _ in PAIRS]
    wrong = {
        name: [
            f"{a} vs {b}" for (a, b, _), verdict, truth in zip(PAIRS, verdicts, truths, strict=True) if verdict != truth
        ]
        for name, verdicts in results.items()
    }
    return {name: len(PAIRS) - len(misses) for name, misses in wrong.items()}, wrong


def wrap_check_cost():
    texts = [ours for ours, _ in worksheet(EXPRESSIONS)]
    checked = per_item(lambda: _native.run_batch("core_expand", texts, 1, "latex", True), EXPRESSIONS, budget=3.0)
    unchecked = per_item(lambda: _native.run_batch("core_expand", texts, 1, "latex", False), EXPRESSIONS, budget=3.0)
    return checked, unchecked


def microseconds(seconds):
    return f"{seconds * 1e6:,.1f} µs"


def report(evaluations, equivalence, accuracy, table, misses, wrap):
    lines = ["# Values and answer checking", "", "| per item | ours | SymPy | SymPy / ours |", "|---|---|---|---|"]
    for label, times in [*evaluations.items(), ("equivalent against simplify(a - b) == 0", equivalence)]:
        ours = microseconds(times["ours"]) if "ours" in times else "–"
        sympy = microseconds(times["SymPy"]) if "SymPy" in times else "–"
        ratio = f"{times['SymPy'] / times['ours']:,.0f}x" if len(times) == 2 else "–"
        lines.append(f"| {label} | {ours} | {sympy} | {ratio} |")
    lines += ["", "| right verdicts | ours | SymPy |", "|---|---|---|"]
    lines.append(
        "| worksheet pairs (expansion, half with a dropped sign) | "
        + " | ".join(f"{right} of {count}" for right, count in accuracy.values())
        + " |"
    )
    lines.append(
        f"| answer table of the tests ({len(PAIRS)} pairs) | "
        + " | ".join(f"{right} of {len(PAIRS)}" for right in table.values())
        + " |"
    )
    for name, wrong in misses.items():
        if wrong:
            lines += ["", f"{name} wrong on: " + "; ".join(wrong)]
    checked, unchecked = wrap
    lines += [
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
    table, misses = table_accuracy(sp, read)
    text = report(evaluations, equivalence, accuracy, table, misses, wrap_check_cost())
    RESULTS.mkdir(exist_ok=True)
    (RESULTS / "answers.md").write_text(text, encoding="utf-8")
    sys.stdout.write(text)


if __name__ == "__main__":
    main()
