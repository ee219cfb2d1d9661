"""The kalvira package around the core: exports, display, pickling and
copying, SymPy conversion, the type stubs and the command line."""

import copy
import os
import pickle
import signal
import subprocess
import sys
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

import pytest

import _kalvira_core as kc
import kalvira
from kalvira import constructor_form, expand, parse, show, to_sympy
from kalvira.pickling import flatten, rebuild
from kalvira.png import write_png

ROOT = Path(__file__).resolve().parents[1]


def shared_tree(levels):
    tree = kc.Var("x")
    for _ in range(levels):
        tree = kc.Add(tree, tree)
    return tree


def chain(depth):
    tree = kc.Var("x")
    for _ in range(depth):
        tree = kc.Neg(tree)
    return tree


def test_package_reexports_the_core_and_has_a_version():
    names = [name for name in dir(kc) if not name.startswith("_")]
    assert all(getattr(kalvira, name) is getattr(kc, name) for name in names)
    assert kalvira.__version__.count(".") == 2 and "parse" in kalvira.__doc__


def test_show_renders_latex_and_reprs_the_constructor_form():
    shown = show(parse("(x+1)^2"))
    assert shown._repr_latex_() == r"$\left(x + 1\right)^{2}$"
    assert repr(shown) == "Pow(Add(Var('x'), Int(1)), Int(2))" == constructor_form(shown.tree)
    assert str(shown) == r"\left(x + 1\right)^{2}"
    assert constructor_form(kc.Rational(-3, 6)) == "Rational(-1, 2)"


TREES = [parse("3(x+1)^2 - sin(pi/4) + cbrt(-8)/e"), kc.Rational(3, -6), kc.Var("名前"), shared_tree(64)]


@pytest.mark.parametrize("tree", TREES, ids=["mixed", "fraction", "unicode", "shared"])
def test_pickle_copy_and_deepcopy_round_trip(tree):
    for twin in (pickle.loads(pickle.dumps(tree)), copy.copy(tree), copy.deepcopy(tree)):
        assert type(twin) is type(tree) and flatten(twin) == flatten(tree)


def test_a_million_levels_round_trip_through_pickle():
    tree = chain(int(os.environ.get("KALVIRA_PROBE_DEPTH", 1_000_000)))
    assert flatten(pickle.loads(pickle.dumps(tree, protocol=pickle.HIGHEST_PROTOCOL))) == flatten(tree)


def test_trees_cross_to_worker_processes():
    trees = [parse(f"(x+{n})^2") for n in range(3)]
    with ProcessPoolExecutor(max_workers=1) as pool:
        results = list(pool.map(expand, trees))
    assert [r.to_string() for r in results] == [expand(t).to_string() for t in trees]


@pytest.mark.parametrize("steps", [[], [("Nope", 1)], [("Neg", 0)], [("Int", 1), ("Neg", -1)], [("Int", 1), ("Add", 0, 1)]])
def test_malformed_pickles_are_refused(steps):
    with pytest.raises(ValueError, match="not a pickled expression tree"):
        rebuild(steps)


def test_to_sympy_keeps_the_value():
    import sympy

    converted = to_sympy(parse("(x+1)^2/2 + sqrt(8) + cbrt(-8) + ln(e) + sin(pi/2)"))
    x = sympy.Symbol("x", real=True)
    assert sympy.simplify(converted - ((x + 1) ** 2 / 2 + 2 * sympy.sqrt(2) - 2 + 1 + 1)) == 0


def test_stubs_match_the_module(tmp_path):
    subprocess.run([sys.executable, "-m", "pybind11_stubgen", "_kalvira_core", "-o", str(tmp_path)], check=True, capture_output=True)
    generated = (tmp_path / "_kalvira_core.pyi").read_text(encoding="utf-8")
    assert generated == (ROOT / "src/main/_kalvira_core.pyi").read_text(encoding="utf-8"), "run scripts/stubs"


def kalvira_cli(*args, stdin=""):
    return subprocess.run([sys.executable, "-m", "kalvira", *args], input=stdin, capture_output=True, text=True, timeout=60)


def test_command_line(tmp_path):
    done = kalvira_cli("expand", "(x+1)^3", "(x+2)(x+3)")
    assert (done.returncode, done.stdout, done.stderr) == (0, "x^{3} + 3x^{2} + 3x + 1\nx^{2} + 5x + 6\n", "")
    done = kalvira_cli("simplify", "--tree", stdin="# worksheet\n\nx + x\n(x\n1/0\n")
    assert done.returncode == 2 and done.stdout == "Mul(Int(2), Var('x'))\n"
    assert done.stderr.splitlines() == [
        "kalvira: standard input, line 4: unexpected end of input at position 3",
        "kalvira: standard input, line 5: ゼロ除算エラー",
    ]
    image = tmp_path / "formulas.png"
    done = kalvira_cli("latex", "sqrt(x)/2", "pi r^2", "--png", str(image))
    assert done.stdout == "\\frac{\\sqrt{x}}{2}\n\\pi r^{2}\n"
    assert done.returncode == 0 and image.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    done = kalvira_cli("latex", "--tree", "-x^2", "-f", "-", stdin="-1\n")
    assert done.stdout == "Neg(Pow(Var('x'), Int(2)))\nInt(-1)\n"
    done = kalvira_cli("factor", "x")
    assert done.returncode == 2 and len(done.stderr.splitlines()) == 1


def test_png_names_why_a_formula_cannot_be_drawn(tmp_path):
    with pytest.raises(ValueError, match=r"^cannot draw the formulas: \S"):
        write_png([r"\nosuchcommand x"], str(tmp_path / "formula.png"))


def test_ctrl_c_exits_quietly_with_130():
    worker = subprocess.Popen([sys.executable, "-m", "kalvira", "expand"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    worker.stdin.write(b"x\n")
    worker.stdin.flush()
    assert worker.stdout.readline() == b"x\n"  # running, and waiting for the next line
    worker.send_signal(signal.SIGINT)
    out, err = worker.communicate(timeout=30)
    assert (worker.returncode, out, err) == (130, b"", b"")
