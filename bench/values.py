"""Trees as values: `==` and `hash` of two separately parsed trees of
10,000 nodes against `to_string` of one of them, and repr and str against
to_string on a deep chain; all in this one process, so the ratios compare
like with like. Where SymEngine or SymPy import, their `==` and `hash` on
the same text are shown beside ours (SymPy caches hashes, so its repeated
hash is a lookup). Writes bench/results/values.md.

    scripts/bench values
"""

import random
import sys
from pathlib import Path

import kalvira
from bench.measure import measure
from kalvira import parse

RESULTS = Path(__file__).parent / "results"


def wide_texts(rng, terms=1250):
    """A sum of worksheet terms, about ten nodes each: ours and the peers' syntax."""
    fields = [(rng.randint(1, 9), rng.choice("xyz"), rng.randint(2, 5), rng.choice("abc")) for _ in range(terms)]
    return (
        " + ".join(f"{c}{v}^{e}{w}" for c, v, e, w in fields),
        " + ".join(f"{c}*{v}**{e}*{w}" for c, v, e, w in fields),
    )


def deep_text(levels=2860):
    """Nested brackets four nodes a level: ((x + 1)^2 - ...)."""
    return "(" * levels + "x" + "".join(f" + {i % 7})^2" if i % 2 else " - y)" for i in range(levels))


def count_nodes(tree):
    return kalvira.tree_walk.fold(tree, lambda node, counts: 1 + sum(counts))


def seconds(run):
    return measure(run, budget=1.0)["median"]


def ours(text):
    a, b = parse(text), parse(text)
    assert a is not b and a == b
    to_string = seconds(a.to_string)
    return (
        count_nodes(a),
        {
            "==": seconds(lambda: a == b) / to_string,
            "hash": seconds(lambda: hash(a)) / to_string,
            "repr": seconds(lambda: repr(a)) / to_string,
            "str": seconds(lambda: str(a)) / to_string,
        },
        to_string,
    )


def peers(text):
    rows = {}
    for name in ("symengine", "sympy"):
        try:
            module = __import__(name)
        except ImportError:
            continue
        a, b = module.sympify(text), module.sympify(text)
        rows[name] = (seconds(lambda: a == b), seconds(lambda: hash(a)))
    return rows


def main():
    ours_wide, peers_wide = wide_texts(random.Random(16))
    cases = [("wide: a sum of 1,250 terms", ours_wide), ("deep: 2,860 nested brackets", deep_text())]
    lines = [
        "# Trees as values",
        "",
        "Time of each operation on one tree divided by `to_string` of the same tree "
        "(`==` compares two separately parsed copies).",
        "",
        "| tree | nodes | to_string | == | hash | repr | str |",
        "|---|---|---|---|---|---|---|",
    ]
    for label, text in cases:
        nodes, ratios, to_string = ours(text)
        cells = " | ".join(f"{ratios[key]:.2f}x" for key in ("==", "hash", "repr", "str"))
        lines.append(f"| {label} | {nodes:,} | {to_string * 1e6:,.0f} µs | {cells} |")
    peer_rows = peers(peers_wide)
    if peer_rows:
        lines += [
            "",
            "Peers on the wide tree (their own `==` and `hash`, in µs):",
            "",
            "| peer | == | hash |",
            "|---|---|---|",
        ]
        lines += [f"| {name} | {eq * 1e6:,.1f} | {h * 1e6:,.1f} |" for name, (eq, h) in peer_rows.items()]
    text = "\n".join(lines) + "\n"
    RESULTS.mkdir(exist_ok=True)
    (RESULTS / "values.md").write_text(text, encoding="utf-8")
    sys.stdout.write(text)


if __name__ == "__main__":
    main()
