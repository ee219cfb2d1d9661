"""The kalvira package around the core: exports, display, pickling and
copying, SymPy conversion, the type stubs and the command line."""

import copy
import os
import pickle
import subprocess
import sys
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

import tomllib

import pytest

import _kalvira_core as kc
import kalvira
from kalvira import BatchError, ParseError, constructor_form, expand, parse, show, to_sympy
from kalvira.cli_options import USAGE, UsageError
from kalvira.pickling import flatten, rebuild
from kalvira.png import write_png
from interruptible_child import interrupt, start_python

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


def test_package_reexports_the_core_and_has_the_distributions_version():
    names = [name for name in dir(kc) if not name.startswith("_")]
    operations = {"simplify", "expand"}  # the school operations; the core's are in kalvira.core
    assert all(getattr(kalvira, name) is getattr(kc, name) for name in names if name not in operations)
    assert all(getattr(kalvira.core, name) is getattr(kc, name) for name in operations)
    pyproject = tomllib.loads((ROOT / "pyproject.toml").read_text(encoding="utf-8"))
    assert kalvira.__version__ == pyproject["project"]["version"] and "parse" in kalvira.__doc__


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


@pytest.mark.parametrize("steps", [
    [], [("Nope", 1)], [("Neg", 0)], [("Int", 1), ("Neg", -1)], [("Int", 1), ("Add", 0, 1)],
    [("Int", "x")], [("Int",)], [("Int", 2**40)], [("Var", 5)], [("Int", 1), ("Neg", 0, 0)], [5], None,
])
def test_malformed_pickles_are_refused(steps):
    with pytest.raises(ValueError, match="not a pickled expression tree"):
        rebuild(steps)


@pytest.mark.parametrize("error", [
    UsageError("unknown option --tre; did you mean --tree?"),
    ParseError("(x+1))", 5, "unexpected ')'"),
])
def test_exceptions_pickle_with_their_message_and_fields(error):
    twin = pickle.loads(pickle.dumps(error))
    assert type(twin) is type(error) and str(twin) == str(error) and vars(twin) == vars(error)


def test_batch_errors_pickle():
    error = BatchError("parse", "unexpected end of input at position 3", 3)
    assert pickle.loads(pickle.dumps(error)) == error


@pytest.mark.parametrize("real", [False, True])
def test_to_sympy_keeps_the_value_with_plain_or_real_symbols(real):
    import sympy

    converted = to_sympy(parse("(x+1)^2/2 + sqrt(8) + cbrt(-8) + ln(e) + sin(pi/2)"), real=real)
    x = sympy.Symbol("x", real=True) if real else sympy.Symbol("x")
    assert sympy.simplify(converted - ((x + 1) ** 2 / 2 + 2 * sympy.sqrt(2) - 2 + 1 + 1)) == 0
    assert (to_sympy(parse("x+1"), real=real) == sympy.Symbol("x") + 1) is not real


def test_stubs_match_the_module(tmp_path):
    subprocess.run([sys.executable, "-m", "pybind11_stubgen", "_kalvira_core", "-o", str(tmp_path)], check=True, capture_output=True)
    subprocess.run([sys.executable, ROOT / "scripts/stub_overloads.py", tmp_path / "_kalvira_core.pyi"], check=True)
    generated = (tmp_path / "_kalvira_core.pyi").read_text(encoding="utf-8")
    assert generated == (ROOT / "src/main/_kalvira_core.pyi").read_text(encoding="utf-8"), "run scripts/stubs"


def kalvira_cli(*args, stdin=b"", **options):
    done = subprocess.run([sys.executable, "-m", "kalvira", *args], input=stdin, capture_output=True, timeout=60, **options)
    return done.returncode, done.stdout.decode(), done.stderr.decode().splitlines()


WORKSHEET = "\ufeff(x+1)^2 # square\r\n\n# a comment line\n(x\n".encode() + b"x+\xff\n1/0\nx + x"
WORKSHEET_STDOUT = "x^{2} + 2x + 1\n\n\n\n2x\n"


def test_command_line_answers_line_for_line(tmp_path):
    sheet = tmp_path / "ws.txt"
    sheet.write_bytes(WORKSHEET)
    errors = [
        f"kalvira: {sheet}, line 4: unexpected end of input at position 3",
        f"kalvira: {sheet}, line 5: not valid UTF-8 text",
        f"kalvira: {sheet}, line 6: division by zero",
    ]
    for jobs in ("1", "2"):
        assert kalvira_cli("expand", "--jobs", jobs, "--file", str(sheet)) == (2, WORKSHEET_STDOUT, errors)
    assert kalvira_cli("expand", "-f", "-", stdin=WORKSHEET) == (2, WORKSHEET_STDOUT, [
        error.replace(str(sheet), "standard input") for error in errors])
    assert kalvira_cli("simplify", "--tree", "x + x", "(x") == (2, "Mul(Int(2), Var('x'))\n\n", [
        "kalvira: '(x': unexpected end of input at position 3"])


@pytest.mark.parametrize("args, expected", [
    (["expand", "--tre", "x+x"], (2, "", ["kalvira: unknown option --tre; did you mean --tree?"])),
    (["expand", "--fil", "ws.txt"], (2, "", ["kalvira: unknown option --fil; did you mean --file?"])),
    (["expan", "x"], (2, "", ["kalvira: unknown command 'expan'; did you mean expand?"])),
    (["expand", "--jobs", "0", "x"], (2, "", ["kalvira: --jobs needs a positive whole number, not '0'"])),
    (["expand", "-fx", "-x+1", "--3", "-f_1+2"], (0, "-fx\n-x + 1\n3\n-f_1 + 2\n", [])),
    (["latex", "--", "-h", "(x"], (2, "-h\n\n", ["kalvira: '(x': unexpected end of input at position 3"])),
    (["--version"], (0, f"kalvira {kalvira.__version__}\n", [])),
    ([], (2, "", [*USAGE.splitlines(),
                  'kalvira: give a command and expressions, as in kalvira expand "(x+1)^3"; see kalvira --help'])),
])
def test_command_line_options(args, expected):
    code, out, err = kalvira_cli(*args)
    assert (code, out, [line.split(" (")[0] for line in err]) == expected


def test_command_line_output_formats(tmp_path):
    expressions = ["(x-1)^2", "2sqrt(2)pi/x_1", "(x"]
    assert [kalvira_cli("expand", *expressions, form)[:2] for form in ("--text", "--unicode")] == [
        (2, "x^2 - 2x + 1\n2(sqrt(2)pi)/x_1\n\n"), (2, "x² - 2x + 1\n2(√2·π)/x₁\n\n")]
    code, out, _ = kalvira_cli("latex", "x^2", "--mathml")
    assert code == 0 and out.startswith('<math xmlns="http://www.w3.org/1998/Math/MathML"') and out.count("\n") == 1
    assert kalvira_cli("latex", "x", "--text", "--tree")[2] == [
        "kalvira: choose one output format, not --tree and --text (see kalvira --help)"]
    # Without the optional converter, --mathml says how to get it.
    (tmp_path / "latex2mathml").mkdir()
    (tmp_path / "latex2mathml" / "__init__.py").write_text("raise ImportError('not installed')")
    missing = kalvira_cli("latex", "x", "--mathml", env={**os.environ, "PYTHONPATH": str(tmp_path)})
    assert missing[0] == 2 and missing[2][0].startswith("kalvira: --mathml needs latex2mathml: pip install")


def test_command_line_reports_lost_output(tmp_path):
    with open("/dev/full", "wb") as full:
        done = subprocess.run([sys.executable, "-m", "kalvira", "expand", "x+1"], stdout=full, stderr=subprocess.PIPE, timeout=60)
    assert done.returncode == 2 and done.stderr.decode() == "kalvira: cannot write the results: No space left on device\n"
    done = subprocess.run(f"{sys.executable} -m kalvira expand x+1 >&-", shell=True, stderr=subprocess.PIPE, timeout=60)
    assert done.returncode == 2 and done.stderr.decode() == "kalvira: standard output is closed\n"
    image = tmp_path / "formulas.png"
    assert kalvira_cli("latex", "sqrt(x)/2", "pi r^2", "--png", str(image))[:2] == (0, "\\frac{\\sqrt{x}}{2}\n\\pi r^{2}\n")
    assert image.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    assert kalvira_cli("latex", "x", "--png", str(tmp_path))[2][0].startswith("kalvira: --png needs the name of an image file")


def test_png_names_why_a_formula_cannot_be_drawn(tmp_path):
    with pytest.raises(ValueError, match=r"^cannot draw the formulas: \S"):
        write_png([r"$\nosuchcommand x$"], str(tmp_path / "formula.png"))


def test_ctrl_c_exits_quietly_with_130():
    worker = start_python("-m", "kalvira", "expand", text=False, stdin=subprocess.PIPE)
    worker.stdin.write(b"x\n")
    worker.stdin.flush()
    assert worker.stdout.readline() == b"x\n"  # running, and waiting for the next line
    out, err = interrupt(worker)
    assert (worker.returncode, out, err) == (130, b"", b"")
