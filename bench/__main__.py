"""Runs every workload for ours and each peer, checks agreement, prints the
table with ratios and peak memory, and writes results.json, table.md and
plot.png under bench/results."""

import json
import platform
import random
import subprocess
import sys
import time
from pathlib import Path

import _kalvira_core as kc

from bench.measure import _peak_rss_kib, _reset_peak_rss, measure
from bench.ours import chain, terms_of, variables
from bench.peers import available

RESULTS = Path(__file__).parent / "results"
QUICK = "--quick" in sys.argv
SYMPY_LIMITS = {"power": 12, "sum": 10_000, "product": 10_000}  # beyond, SymPy takes minutes


def polynomial_workloads():
    """(family, size, names, builder) where builder(ring) makes the input
    from the ring's variables, add and mul; the same builder serves all."""
    work = [("S1", 7, "xyz", lambda v, add, mul, p: mul([p(add(v + [1]), 7), add([p(add(v + [1]), 7), 1])]))]
    for n in (8, 12, 16, 20):
        work.append(("(x+y+z+1)^n", n, "xyz", lambda v, add, mul, p, n=n: p(add(v + [1]), n)))
    for n in (10, 20, 30):
        work.append(("(x+1)^n", n, "x", lambda v, add, mul, p, n=n: p(add(v + [1]), n)))
    names = [f"a{i}" for i in range(100)] + [f"b{i}" for i in range(100)]
    work.append(("(a1+..+a100)(b1+..+b100)", 100, names, lambda v, add, mul, p: mul([add(v[:100]), add(v[100:])])))
    return work


def long_workloads():
    sizes = (1_000, 10_000) if QUICK else (1_000, 10_000, 100_000, 1_000_000)
    work = [("sum", n, [f"v{i}" for i in range(n)], lambda v, add, mul, p: add(v)) for n in sizes]
    work += [("product", n, [f"v{i}" for i in range(n)], lambda v, add, mul, p: mul(v)) for n in sizes[:3]]
    return work


def ours_ring(names):
    def add(items):
        return chain(kc.Add, [kc.Int(i) if isinstance(i, int) else i for i in items])

    def mul(items):
        return chain(kc.Mul, items)

    return variables(names), add, mul, lambda b, n: kc.Pow(b, kc.Int(n))


def peer_ring(peer, names):
    return peer.symbols(names), peer.add, peer.mul, lambda b, n: b**n


def flint_poly(flint, names, builder):
    ring = flint.ring(names)
    gens = list(ring.gens())

    def total(items, op):
        value = items[0]
        for item in items[1:]:
            value = op(value, item)
        return value

    return lambda: builder(
        gens, lambda t: total(t, lambda a, b: a + b), lambda t: total(t, lambda a, b: a * b), lambda b, n: b**n
    )


def agrees_with_flint(result, poly, names):
    expected = {}
    for exponents, coefficient in poly.to_dict().items():
        key = tuple(e for e in exponents)
        expected[key] = int(coefficient)
    ours = terms_of(result)
    if len(ours) != len(expected):
        return False
    for coefficient, powers in ours:
        key = tuple(powers.get(name, 0) for name in names)
        wrapped = (expected.get(key, 0) + 2**31) % 2**32 - 2**31
        if wrapped != coefficient:
            return False
    return True


def row(family, size, name, timing, terms=None):
    return {
        "family": family,
        "size": size,
        "library": name,
        "median": timing["median"],
        "min": timing["min"],
        "runs": timing["runs"],
        "peak_mib": timing["peak_mib"],
        "terms": terms,
    }


def run_expansions(workloads, peers, flint, rows):
    for family, size, names, builder in workloads:
        names = list(names)
        tree = builder(*ours_ring(names))
        ours = measure(lambda: kc.expand(tree))
        result = ours.pop("result")
        count = len(terms_of(result)) if family not in ("product",) else 1
        rows.append(row(family, size, "ours", ours, count))
        rendering = measure(lambda: result.to_string())
        rendering.pop("result")
        rows.append(row(family + " to_string", size, "ours", rendering))
        report(rows[-2], rows)
        for peer in peers:
            if peer.name == "SymPy" and size > SYMPY_LIMITS.get(family.split("^")[0].split(" ")[0], 10**9):
                print(f"    {peer.name}: skipped (would take minutes)")
                continue
            if peer.name == "SymPy" and family.startswith("(x+y+z+1)") and size > SYMPY_LIMITS["power"]:
                print(f"    {peer.name}: skipped (would take minutes)")
                continue
            expr = builder(*peer_ring(peer, names))
            timing = measure(lambda: peer.expand(expr))
            expanded = timing.pop("result")
            terms = peer.terms(expanded) if family != "product" else 1
            rows.append(row(family, size, peer.name, timing, terms))
            report(rows[-1], rows, agree=terms == count)
        if flint is not None and family not in ("sum", "product"):
            make = flint_poly(flint, names, builder)
            timing = measure(make)
            poly = timing.pop("result")
            rows.append(row(family, size, "flint", timing, len(poly)))
            report(rows[-1], rows, agree=agrees_with_flint(result, poly, names))


def run_small_calls(peers, rows):
    """Per call: expand, and expand plus LaTeX, of one small product and of
    each worksheet expression, the trees built beforehand."""
    from bench.front import worksheet
    from kalvira import parse

    pairs = worksheet(2000)
    cases = [
        ("(4y+3)(x+6)", ["(4y+3)(x+6)"], ["(4*y+3)*(x+6)"]),
        ("worksheet expression", [p[0] for p in pairs], [p[1] for p in pairs]),
    ]
    se = next((peer.se for peer in peers if peer.name == "SymEngine"), None)
    for family, ours_texts, peer_texts in cases:
        trees = [parse(t) for t in ours_texts]
        repeat = max(1, 2000 // len(trees))
        calls = repeat * len(trees)
        paths = [
            (
                "ours",
                lambda: [kc.expand(t) for _ in range(repeat) for t in trees],
                lambda: [kc.expand(t).to_string() for _ in range(repeat) for t in trees],
            )
        ]
        if se is not None:
            exprs = [se.sympify(t) for t in peer_texts]
            paths.append(
                (
                    "SymEngine",
                    lambda: [se.expand(e) for _ in range(repeat) for e in exprs],
                    lambda: [se.latex(se.expand(e)) for _ in range(repeat) for e in exprs],
                )
            )
        for name, expanding, with_text in paths:
            for suffix, run in (("expand", expanding), ("expand + LaTeX", with_text)):
                timing = measure(run)
                timing.pop("result")
                for key in ("median", "min"):
                    timing[key] /= calls
                rows.append(row(f"{family}: {suffix}, per call", 1, name, timing))
                report(rows[-1], rows)


def run_python_side(rows):
    names = [f"v{i}" for i in range(100_000)]
    building = measure(lambda: chain(kc.Add, variables(names)))
    building.pop("result")
    rows.append(row("build 100,000 nodes", 100_000, "ours", building))
    report(rows[-1], rows)
    tree = random_tree(100_000, random.Random(7))
    simplifying = measure(lambda: kc.simplify(tree))
    simplifying.pop("result")
    rows.append(row("simplify random tree", 100_000, "ours", simplifying))
    report(rows[-1], rows)


def random_tree(size, rng):
    """A seeded random tree of about size nodes, built bottom-up from a pool."""
    pool = [kc.Var(n) for n in "xyz"] + [kc.Int(rng.randint(-9, 9)) for _ in range(20)] + [kc.Pi(), kc.E()]
    unary = (kc.Neg, kc.Sqrt, kc.Sin, kc.Cos, kc.Log)
    binary = (kc.Add, kc.Mul, kc.Add, kc.Mul, kc.Pow)
    nodes = list(pool)
    for _ in range(size):
        if rng.random() < 0.2:
            nodes.append(rng.choice(unary)(rng.choice(nodes[-50:])))
        else:
            b = rng.choice(binary)
            right = kc.Int(rng.randint(2, 3)) if b is kc.Pow else rng.choice(nodes)
            nodes.append(b(nodes[-1], right))
    return nodes[-1]


def duration(seconds):
    return f"{seconds * 1e6:.2f} µs" if seconds < 1e-4 else f"{seconds * 1e3:.3f} ms"


def report(entry, rows, agree=None):
    ours = next(
        (r for r in rows if r["family"] == entry["family"] and r["size"] == entry["size"] and r["library"] == "ours"),
        None,
    )
    ratio = f"ours/{entry['library']} = {ours['median'] / entry['median']:.2f}" if ours and entry is not ours else ""
    check = "" if agree is None else ("agrees" if agree else "DISAGREES")
    entry["ratio_ours"] = None if not ratio else ours["median"] / entry["median"]
    entry["agrees"] = agree
    print(
        f"  {entry['family']:<28} {entry['size']:>8} {entry['library']:<10} median {duration(entry['median']):>13}"
        f"  min {duration(entry['min']):>13}  peak {entry['peak_mib']:7.0f} MiB  {ratio} {check}",
        flush=True,
    )


def write_outputs(rows):
    RESULTS.mkdir(exist_ok=True)
    meta = {
        "date": time.strftime("%Y-%m-%d"),
        "machine": platform.processor() or platform.machine(),
        "python": platform.python_version(),
    }
    (RESULTS / "results.json").write_text(json.dumps({"meta": meta, "rows": rows}, indent=1))
    peers = ("SymEngine", "Symbolica", "SymPy", "flint")
    compared = ("SymEngine", "Symbolica", "flint")
    lines = [
        "| workload | size | ours (median) | "
        + " | ".join(peers)
        + " | "
        + " | ".join(f"ours / {p}" for p in compared)
        + " |",
        "|---" * (3 + len(peers) + len(compared)) + "|",
    ]
    keyed = {(r["family"], r["size"], r["library"]): r for r in rows if "median" in r}
    for r in keyed.values():
        if r["library"] != "ours":
            continue
        others = [keyed.get((r["family"], r["size"], lib)) for lib in peers + compared]
        cells = [duration(o["median"]) if o else "–" for o in others[: len(peers)]]
        ratios = [f"{r['median'] / o['median']:.2f}" if o else "–" for o in others[len(peers) :]]
        lines.append(
            f"| {r['family']} | {r['size']:,} | {duration(r['median'])} | " + " | ".join(cells + ratios) + " |"
        )
    lines += ["", "| peak memory rise of one expansion | ours | SymEngine |", "|---|---|---|"]
    for family in PEAK_WORKLOADS:
        rises = {
            r["library"]: f"{r['peak_rise_mib']:.2f} MiB" for r in rows if r["family"] == f"{family} peak memory rise"
        }
        lines.append(
            f"| {family}{'' if family == 'S1' else ', n = 20'} | "
            + " | ".join(rises.get(lib, "–") for lib in ("ours", "SymEngine"))
            + " |"
        )
    (RESULTS / "table.md").write_text("\n".join(lines) + "\n")
    plot(rows)


def plot(rows):
    try:
        import matplotlib

        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("matplotlib not available: no plot")
        return
    figure, axes = plt.subplots(1, 3, figsize=(15, 4.5))
    for axis, family in zip(axes, ("(x+y+z+1)^n", "(x+1)^n", "sum"), strict=True):
        for library in ("ours", "SymEngine", "Symbolica", "SymPy", "flint"):
            points = sorted((r["size"], r["median"]) for r in rows if r["family"] == family and r["library"] == library)
            if points:
                axis.plot(*zip(*points, strict=True), marker="o", label=library)
        axis.set_title(family)
        axis.set_xlabel("n" if family != "sum" else "terms")
        axis.set_ylabel("seconds (median)")
        axis.set_yscale("log")
        if family == "sum":
            axis.set_xscale("log")
        axis.legend()
    figure.tight_layout()
    figure.savefig(RESULTS / "plot.png", dpi=90)


PEAK_WORKLOADS = ("S1", "(x+y+z+1)^n")


def peak_rise(family, library):
    """In this fresh process: how far one expansion raises the peak resident
    memory above what the process holds with its input built, in MiB."""
    family, size, names, builder = next(w for w in polynomial_workloads() if w[0] == family and w[1] in (7, 20))
    peers, _ = available()
    if library == "ours":
        tree, expand = builder(*ours_ring(list(names))), kc.expand
    else:
        peer = next(p for p in peers if p.name == library)
        tree, expand = builder(*peer_ring(peer, list(names))), peer.expand
    _reset_peak_rss()
    before = _peak_rss_kib()
    result = expand(tree)
    print((_peak_rss_kib() - before) / 1024)
    return result


def run_peak_memory(peers, rows):
    for family in PEAK_WORKLOADS:
        # Symbolica is left out: its restricted edition refuses a second process.
        for library in ["ours"] + [p.name for p in peers if p.name == "SymEngine"]:
            run = subprocess.run(
                [sys.executable, "-m", "bench", "--peak", family, library], capture_output=True, text=True, check=True
            )
            rise = float(run.stdout.split()[-1])
            rows.append(
                {
                    "family": f"{family} peak memory rise",
                    "size": 20 if family != "S1" else 7,
                    "library": library,
                    "peak_rise_mib": rise,
                }
            )
            print(f"  {family:<28} {library:<10} peak rise {rise:8.2f} MiB", flush=True)


def main():
    if "--peak" in sys.argv:
        at = sys.argv.index("--peak")
        peak_rise(sys.argv[at + 1], sys.argv[at + 2])
        return
    print("peers:")
    peers, flint = available()
    rows = []
    print("expansion and rendering:")
    run_expansions(polynomial_workloads(), peers, flint, rows)
    run_expansions(long_workloads(), peers, None, rows)
    print("small calls:")
    run_small_calls(peers, rows)
    print("peak memory of one expansion, each in a fresh process:")
    run_peak_memory(peers, rows)
    print("Python side:")
    run_python_side(rows)
    write_outputs(rows)
    print(f"wrote {RESULTS}/results.json, table.md and plot.png")


if __name__ == "__main__":
    main()
