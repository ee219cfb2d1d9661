"""The text front: text to LaTeX for worksheet expressions through
kalvira.parse + expand + to_string and through the batch call, against
SymEngine, Symbolica and SymPy given the same texts in their own syntax;
parsing alone; the command line's lines per second on one and two jobs;
the Dask recipe on a local cluster against the command line; and the
command's start-up against importing the core. Every time is a median of
repeated runs in this one process (or its children), so the ratios compare
like with like. Writes bench/results/front.md.

    scripts/bench front          (--quick: fewer lines for the command line)
"""

import os
import random
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import kalvira
from bench.measure import measure
from bench.peers import load
from kalvira import batch, expand, parse

RESULTS = Path(__file__).parent / "results"
QUICK = "--quick" in sys.argv
EXPRESSIONS = 2000
CLI_LINES = 20_000 if QUICK else 100_000
BIN = Path(sys.executable).parent

# (ours, explicit products for the peers), filled with random digits and letters.
TEMPLATES = [
    ("(({a}({v}) + {b}))(({c}({w}) + {d}))", "(({a}*({v}) + {b}))*(({c}*({w}) + {d}))"),
    ("({a}{v} - {b})^{n}", "({a}*{v} - {b})**{n}"),
    ("{a}{v}^2 + {b}{v}({v} - {c})", "{a}*{v}**2 + {b}*{v}*({v} - {c})"),
    ("({v} + {w})({v} - {w}) + {a}", "({v} + {w})*({v} - {w}) + {a}"),
]


def worksheet(count, seed=14):
    """count expressions as (ours, peers' syntax)."""
    rng = random.Random(seed)
    pairs = []
    for _ in range(count):
        ours, theirs = rng.choice(TEMPLATES)
        fields = dict(
            a=rng.randint(1, 9),
            b=rng.randint(1, 9),
            c=rng.randint(1, 9),
            d=rng.randint(1, 9),
            n=rng.randint(2, 4),
            v=rng.choice("xyz"),
            w=rng.choice("abc"),
        )
        pairs.append((ours.format(**fields), theirs.format(**fields)))
    return pairs


def per_expression(run, count):
    return measure(run, budget=2.0)["median"] / count


def peer_paths(texts):
    """(name, whole path, parsing alone) for each peer that imports."""
    paths = []
    se = load("symengine")
    if se is not None:
        paths.append(
            (
                "SymEngine",
                lambda: [se.latex(se.expand(se.sympify(t))) for t in texts],
                lambda: [se.sympify(t) for t in texts],
            )
        )
    sb = load("symbolica")
    if sb is not None:
        parse_sb = sb.Expression.parse
        carets = [t.replace("**", "^") for t in texts]  # Symbolica writes powers with ^
        paths.append(
            (
                "Symbolica",
                lambda: [parse_sb(t).expand().to_latex() for t in carets],
                lambda: [parse_sb(t) for t in carets],
            )
        )
    sp = load("sympy")
    if sp is not None:
        from sympy.parsing.sympy_parser import parse_expr

        def sympy_whole():
            sp.core.cache.clear_cache()  # else repeats time a lookup
            return [sp.latex(sp.expand(parse_expr(t))) for t in texts]

        def sympy_parse():
            sp.core.cache.clear_cache()
            return [parse_expr(t) for t in texts]

        paths.append(("SymPy", sympy_whole, sympy_parse))
    return paths


def text_rows():
    pairs = worksheet(EXPRESSIONS)
    ours_texts, peer_texts = [p[0] for p in pairs], [p[1] for p in pairs]
    rows = {
        "text to LaTeX: parse + expand + to_string": {
            "ours": per_expression(lambda: [expand(parse(t)).to_string() for t in ours_texts], EXPRESSIONS)
        },
        "text to LaTeX: batch, 1 job": {"ours": per_expression(lambda: batch("expand", ours_texts), EXPRESSIONS)},
        "text to LaTeX: batch, 2 jobs": {
            "ours": per_expression(lambda: batch("expand", ours_texts, jobs=2), EXPRESSIONS)
        },
        "parsing alone": {"ours": per_expression(lambda: [parse(t) for t in ours_texts], EXPRESSIONS)},
    }
    for name, whole, parsing in peer_paths(peer_texts):
        whole_time = per_expression(whole, EXPRESSIONS)
        for label in rows:
            if label.startswith("text to LaTeX"):
                rows[label][name] = whole_time
        rows["parsing alone"][name] = per_expression(parsing, EXPRESSIONS)
    return rows


def wall(command, repeats=5, **options):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, **options)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def command_line_rows(folder):
    sheet = folder / "sheet.txt"
    sheet.write_text("\n".join(ours for ours, _ in worksheet(CLI_LINES, seed=7)) + "\n", encoding="utf-8")
    rates = {
        jobs: CLI_LINES / wall([BIN / "kalvira", "expand", "--jobs", str(jobs), "-f", sheet], repeats=3)
        for jobs in (1, 2)
    }
    return sheet, rates


def dask_seconds(sheet, folder):
    """Seconds of the recipe on a running two-process local cluster, and of
    the command line on two jobs, for the same file."""
    try:
        import dask.bag
        from dask.distributed import Client, LocalCluster
    except ImportError:
        return None
    from kalvira.dask import answer_bag

    with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(cluster):

        def run():
            lines = dask.bag.read_text(str(sheet), blocksize="1MiB", encoding="utf-8-sig", errors="surrogateescape")
            answer_bag(lines, "expand").to_textfiles(str(folder / "answers" / "*.txt"), last_endline=True)

        run()  # the workers import kalvira once
        seconds = measure(run, budget=3.0)["median"]
    return seconds, wall([BIN / "kalvira", "expand", "--jobs", "2", "-f", sheet], repeats=3)


def start_up_rows():
    """Median wall time of a one-expression command and of importing the
    core, measured alternately so that both see the same load."""
    command, core = [], []
    for _ in range(15):
        command.append(wall([BIN / "kalvira", "expand", "x+1"], repeats=1))
        core.append(wall([sys.executable, "-c", "import _kalvira_core"], repeats=1))
    return statistics.median(command), statistics.median(core)


def microseconds(seconds):
    return f"{seconds * 1e6:,.1f} µs"


def table(rows, rates, dask, start_up):
    peers = ["SymEngine", "Symbolica", "SymPy"]
    lines = ["| per expression | ours | " + " | ".join(peers) + " | ours / SymEngine |", "|---|---|---|---|---|---|"]
    for label, times in rows.items():
        cells = [microseconds(times[p]) if p in times else "–" for p in peers]
        ratio = f"{times['ours'] / times['SymEngine']:.2f}" if "SymEngine" in times else "–"
        lines.append(f"| {label} | {microseconds(times['ours'])} | " + " | ".join(cells) + f" | {ratio} |")
    lines += [
        "",
        "| command line | figure |",
        "|---|---|",
        f"| {CLI_LINES:,} worksheet lines, --jobs 1 | {rates[1]:,.0f} lines/s |",
        f"| {CLI_LINES:,} worksheet lines, --jobs 2 | {rates[2]:,.0f} lines/s ({rates[2] / rates[1]:.2f}x one job) |",
    ]
    if dask is not None:
        lines.append(
            f"| the same file through Dask, 2 worker processes, against --jobs 2 | "
            f"{dask[0]:.2f} s against {dask[1]:.2f} s ({dask[0] / dask[1]:.2f}x) |"
        )
    lines.append(
        f'| start-up: `kalvira expand "x+1"` against `python -c "import _kalvira_core"` | '
        f"{start_up[0] * 1e3:.0f} ms against {start_up[1] * 1e3:.0f} ms ({start_up[0] / start_up[1]:.2f}x) |"
    )
    return "\n".join(lines) + "\n"


def main():
    print(f"kalvira {kalvira.__version__}, {os.cpu_count()} cores; peers:")
    rows = text_rows()
    with tempfile.TemporaryDirectory() as scratch:
        folder = Path(scratch)
        sheet, rates = command_line_rows(folder)
        dask = dask_seconds(sheet, folder)
    start_up = start_up_rows()
    text = table(rows, rates, dask, start_up)
    RESULTS.mkdir(exist_ok=True)
    (RESULTS / "front.md").write_text(text, encoding="utf-8")
    print(text)


if __name__ == "__main__":
    main()
