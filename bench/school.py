"""The school operations: factor of generated school polynomials against
SymPy's parse_expr + factor + latex and python-flint's factor() alone;
simplify of rational expressions (P·Q)/(P·R) against SymPy's parse_expr +
cancel + latex; the batch on two jobs against one; a sum of 10^4 and 10^5
terms through school expand (time per tenfold); and the peak memory of
school expand of (x+y+z+1)^8 against the core's, each in a fresh process,
on the first call of that size and on a second.
Every time is a median in this one run. Writes bench/results/school.md.

    scripts/bench school
"""

import random
import subprocess
import sys
from pathlib import Path

import _kalvira_core as kc

from bench.measure import measure
from bench.peers import Flint, load
from kalvira import batch, expand, factor, parse, simplify

RESULTS = Path(__file__).parent / "results"
POLYNOMIALS = 2000
QUOTIENTS = 1000
SYMPY_SAMPLE = 200  # SymPy takes milliseconds each; a sample gives its rate


def _small_factor(rng, x, y, letters):
    """ax + b, ax + by or x^2 + b, small a and b."""
    a, b = rng.choice([1, 1, 2, 3]), rng.choice([-5, -4, -3, -2, -1, 1, 2, 3, 4, 5])
    if rng.random() < 0.2:
        return x**2 + b
    return a * x + b * (y if letters == 2 and rng.random() < 0.5 else 1)


def school_polynomials(count, seed=24):
    """Products of two to four small factors in one or two letters, written
    out expanded, as (our text, SymPy's text)."""
    sympy = load("sympy")
    x, y = sympy.symbols("x y")
    rng = random.Random(seed)
    texts = []
    for _ in range(count):
        letters = rng.choice([1, 2])
        product = sympy.Mul(*(_small_factor(rng, x, y, letters) for _ in range(rng.randint(2, 4))))
        expanded = str(sympy.expand(product))
        texts.append((expanded.replace("**", "^"), expanded))
    return texts


def quotients(count, seed=25):
    """(P·Q)/(P·R) written out expanded, P, Q, R of degree one or two."""
    sympy = load("sympy")
    x, y = sympy.symbols("x y")
    rng = random.Random(seed)

    def small():
        return sum(rng.randint(-5, 5) * m for m in rng.sample([x**2, x * y, x, y, 1], 3)) or x + 1

    texts = []
    for _ in range(count):
        p, q, r = small(), small(), small()
        text = f"({sympy.expand(p * q)})/({sympy.expand(p * r)})"
        texts.append((text.replace("**", "^"), text))
    return texts


def per_item(run, count, budget=2.0):
    return measure(run, budget=budget)["median"] / count


def factor_rows(polynomials):
    ours_texts = [ours for ours, _ in polynomials]
    rows = {
        "ours": per_item(lambda: [factor(parse(t)).to_string() for t in ours_texts], len(ours_texts)),
        "ours, batch": per_item(lambda: batch("factor", ours_texts), len(ours_texts)),
    }
    sympy = load("sympy")
    if sympy is not None:
        from sympy.parsing.sympy_parser import parse_expr

        sample = [theirs for _, theirs in polynomials[:SYMPY_SAMPLE]]

        def sympy_factor():
            sympy.core.cache.clear_cache()
            return [sympy.latex(sympy.factor(parse_expr(t))) for t in sample]

        rows["SymPy"] = per_item(sympy_factor, len(sample))
    flint = load("flint")
    if flint is not None:
        ring = Flint(flint).ring(["x", "y"])
        polys = [ring.from_dict(_flint_terms(theirs)) for _, theirs in polynomials]
        rows["flint factor() alone"] = per_item(lambda: [p.factor() for p in polys], len(polys))
    return rows


def _flint_terms(text):
    sympy = load("sympy")
    polynomial = sympy.Poly(sympy.sympify(text), *sympy.symbols("x y"))
    return {monomial: int(coefficient) for monomial, coefficient in polynomial.terms()}


def simplify_rows(texts):
    ours_texts = [ours for ours, _ in texts]
    rows = {
        "ours": per_item(lambda: [simplify(parse(t)).to_string() for t in ours_texts], len(texts)),
        "ours, batch": per_item(lambda: batch("simplify", ours_texts), len(texts)),
    }
    sympy = load("sympy")
    if sympy is not None:
        from sympy.parsing.sympy_parser import parse_expr

        sample = [theirs for _, theirs in texts[:SYMPY_SAMPLE]]

        def sympy_cancel():
            sympy.core.cache.clear_cache()
            return [sympy.latex(sympy.cancel(parse_expr(t))) for t in sample]

        rows["SymPy"] = per_item(sympy_cancel, len(sample))
    return rows


def jobs_ratio(polynomials):
    texts = [ours for ours, _ in polynomials] * 5
    one = measure(lambda: batch("factor", texts, jobs=1), budget=2.0)["median"]
    two = measure(lambda: batch("factor", texts, jobs=2), budget=2.0)["median"]
    return one / two


def sum_scaling():
    """Seconds of school expand of a sum of n distinct terms c x^a y^b z^c
    (binary, as a user builds it), for n = 10^4 and 10^5. The terms are in
    three letters with exponents below 47: the layer takes at most 4096
    distinct letters."""
    letters = [kc.Var(name) for name in "xyz"]
    seconds = {}
    for n in (10_000, 100_000):
        tree = kc.Int(1)
        for i in range(1, n):
            term = kc.Int(i % 7 + 1)
            for letter, exponent in zip(letters, (i % 47, i // 47 % 47, i // 2209), strict=True):
                term = kc.Mul(term, kc.Pow(letter, kc.Int(exponent)))
            tree = kc.Add(tree, term)
        seconds[n] = measure(lambda tree=tree: expand(tree), budget=2.0)["median"]
    return seconds


PEAK = """
import sys
from bench.measure import _peak_rss_kib, _reset_peak_rss
import kalvira
from kalvira import parse
tree = parse("(x+y+z+1)^8")
operation = kalvira.expand if sys.argv[1] == "school" else kalvira.core.expand
operation(parse("(x+1)^2"))
for _ in range(2):
    _reset_peak_rss()
    before = _peak_rss_kib()
    operation(tree)
    print((_peak_rss_kib() - before) / 1024)
"""


def peak_memory():
    def rise(which):
        done = subprocess.run(
            [sys.executable, "-c", PEAK, which],
            capture_output=True,
            text=True,
            check=True,
            cwd=Path(__file__).parent.parent,
        )
        return [float(rise) for rise in done.stdout.split()]

    return {which: rise(which) for which in ("school", "core")}


def microseconds(seconds):
    return f"{seconds * 1e6:,.1f} µs"


def table(factoring, simplifying, jobs, sums, peaks):
    lines = [
        "| per item | ours | ours, batch | SymPy | flint factor() alone | batch / SymPy | batch / flint |",
        "|---|---|---|---|---|---|---|",
    ]
    for label, rows in (
        (f"factor, {POLYNOMIALS:,} school polynomials", factoring),
        (f"simplify, {QUOTIENTS:,} quotients (P·Q)/(P·R)", simplifying),
    ):
        cells = [
            microseconds(rows[k]) if k in rows else "–"
            for k in ("ours", "ours, batch", "SymPy", "flint factor() alone")
        ]
        versus_sympy = f"{rows['ours, batch'] / rows['SymPy']:.4f}" if "SymPy" in rows else "–"
        versus_flint = (
            f"{rows['ours, batch'] / rows['flint factor() alone']:.2f}" if "flint factor() alone" in rows else "–"
        )
        lines.append(f"| {label} | " + " | ".join(cells) + f" | {versus_sympy} | {versus_flint} |")
    lines += [
        "",
        "| figure | value |",
        "|---|---|",
        f"| batch factor, 2 jobs against 1 | {jobs:.2f}x |",
        f"| school expand of a sum of 10^4 terms | {sums[10_000] * 1e3:.1f} ms |",
        f"| school expand of a sum of 10^5 terms | {sums[100_000] * 1e3:.1f} ms "
        f"({sums[100_000] / sums[10_000]:.1f}x per tenfold) |",
        f"| peak memory rise of expand of (x+y+z+1)^8, first call: school against core | "
        f"{peaks['school'][0]:.2f} MiB against {peaks['core'][0]:.2f} MiB |",
        f"| the same, second call | {peaks['school'][1]:.2f} MiB against {peaks['core'][1]:.2f} MiB |",
    ]
    return "\n".join(lines) + "\n"


def main():
    polynomials = school_polynomials(POLYNOMIALS)
    factoring = factor_rows(polynomials)
    simplifying = simplify_rows(quotients(QUOTIENTS))
    text = table(factoring, simplifying, jobs_ratio(polynomials), sum_scaling(), peak_memory())
    RESULTS.mkdir(exist_ok=True)
    (RESULTS / "school.md").write_text(text, encoding="utf-8")
    print(text)


if __name__ == "__main__":
    main()
