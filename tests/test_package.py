"""The kalvira package around the core: exports, display, pickling and
copying, SymPy conversion, the type stubs and the command line."""

import ast
import copy
import importlib.metadata
import os
import pickle
import subprocess
import sys
import tomllib
from fractions import Fraction
from pathlib import Path

import _kalvira_core as kc
import pytest

import kalvira
from interruptible_child import interrupt, start_python
from kalvira import BatchError, ParseError, _native, constructor_form, evaluate, parse, show, to_sympy, to_text
from kalvira.cli_options import USAGE, UsageError
from kalvira.pickling import rebuild
from kalvira.png import write_png
from kalvira.tree_walk import children

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
    assert "version" not in pyproject["project"] and "version" in pyproject["project"]["dynamic"]
    assert kalvira.__version__ == importlib.metadata.version("kalvira-core") and "parse" in kalvira.__doc__


def test_show_renders_latex_and_reprs_the_constructor_form():
    shown = show(parse("(x+1)^2"))
    assert shown._repr_latex_() == r"$\left(x + 1\right)^{2}$"
    assert repr(shown) == "Pow(Add(Var('x'), Int(1)), Int(2))" == constructor_form(shown.tree)
    assert str(shown) == r"\left(x + 1\right)^{2}"
    assert constructor_form(kc.Rational(-3, 6)) == "Rational(-1, 2)"


TREES = [
    parse("3(x+1)^2 - sin(pi/4) + cbrt(-8)/e"),
    kc.Rational(3, -6),
    kc.Var("名前"),
    kc.Var(b"\xff"),
    shared_tree(64),
]


@pytest.mark.parametrize("tree", TREES, ids=["mixed", "fraction", "unicode", "bytes name", "shared"])
def test_pickle_copy_and_deepcopy_round_trip(tree):
    twins = [pickle.loads(pickle.dumps(tree, protocol)) for protocol in range(pickle.HIGHEST_PROTOCOL + 1)]
    for twin in (*twins, copy.copy(tree), copy.deepcopy(tree)):
        assert type(twin) is type(tree) and _native.nodes(twin) == _native.nodes(tree)


def test_a_million_levels_round_trip_through_pickle():
    tree = chain(int(os.environ.get("KALVIRA_PROBE_DEPTH", 1_000_000)))
    assert _native.nodes(pickle.loads(pickle.dumps(tree, protocol=pickle.HIGHEST_PROTOCOL))) == _native.nodes(tree)


class EarlierPickle:
    """Pickles as the earlier versions pickled (x + 1) / -(pi * 1/2): the steps alone."""

    def __reduce__(self):
        steps = [
            ("Var", "x"),
            ("Int", 1),
            ("Add", 0, 1),
            ("Pi",),
            ("Rational", 1, 2),
            ("Mul", 3, 4),
            ("Neg", 5),
            ("Div", 2, 6),
        ]
        return rebuild, (steps,)


def test_pickles_of_the_earlier_format_still_load():
    expected = kc.Div(parse("x+1"), kc.Neg(kc.Mul(kc.Pi(), kc.Rational(1, 2))))
    assert pickle.loads(pickle.dumps(EarlierPickle())) == expected


# Each (arguments of rebuild, the fault named). Sin(y) + x is written
# [Var y, Sin 0, Var x, Add 1 2]; its truncations must not read as Sin(y).
SIN_Y_PLUS_X = _native.nodes(kc.Add(kc.Sin(kc.Var("y")), kc.Var("x")))
MALFORMED_PICKLES = [
    (([],), "no nodes"),
    ((None,), "no nodes"),
    (([5],), "a node is written as 5"),
    (([("Nope", 1)],), "unknown node kind 'Nope'"),
    (([("Neg", 0)],), "a child refers to no earlier node"),
    (([("Int", 1), ("Neg", -1)],), "a child refers to no earlier node"),
    (([("Int", 1), ("Add", 0, 1)],), "a child refers to no earlier node"),
    (([("Int", "x")],), "an integer is written as 'x'"),
    (([("Int",)],), r"Int takes 1 argument\(s\), not 0"),
    (([("Int", 2**40)],), "the integer 1099511627776 does not fit in 32 bits"),
    (([("Var", 5)],), "a variable name must be text, not int"),
    (([("Var", "x\ud800")],), "a variable name must be valid UTF-8 text"),
    (([("Int", 1), ("Neg", 0, 0)],), r"Neg takes 1 argument\(s\), not 2"),
    (([("Rational", 1, 0)],), "分母をゼロにすることはできません"),
    ((SIN_Y_PLUS_X[:-1],), "a node belongs to no tree"),
    ((SIN_Y_PLUS_X[:-1], 4, 3), "3 nodes where 4 were written"),
    ((SIN_Y_PLUS_X, 4, 4), "the root 4 is no node"),
    ((SIN_Y_PLUS_X, 4, 1), "a node belongs to no tree"),
]


@pytest.mark.parametrize("arguments, fault", MALFORMED_PICKLES)
def test_malformed_pickles_are_refused_naming_the_fault(arguments, fault):
    with pytest.raises(ValueError, match="^not a pickled expression tree: .*" + fault):
        rebuild(*arguments)


@pytest.mark.parametrize(
    "call",
    [lambda: kc.Var("x\ud800"), lambda: kalvira.substitute(parse("x"), {"x\ud800": 1})],
    ids=["Var", "substitute"],
)
def test_a_name_with_a_lone_surrogate_is_refused_as_not_utf8(call):
    with pytest.raises(TypeError, match="^a variable name must be valid UTF-8 text$"):
        call()


@pytest.mark.parametrize(
    "error",
    [
        UsageError("unknown option --tre; did you mean --tree?"),
        ParseError("(x+1))", 5, "unexpected ')'"),
    ],
)
def test_exceptions_pickle_with_their_message_and_fields(error):
    twin = pickle.loads(pickle.dumps(error))
    assert type(twin) is type(error) and str(twin) == str(error) and vars(twin) == vars(error)


def test_batch_errors_pickle():
    error = BatchError("parse", "unexpected end of input at position 3", 3)
    assert pickle.loads(pickle.dumps(error)) == error


def test_the_list_of_kinds_is_what_the_package_reads():
    """Each kind of the core's list is a class of the package; a function's
    or constant's word reads as that kind and is written back; a tree of
    every kind evaluates and converts to SymPy."""
    classes = {getattr(kalvira, name) for name, _, _, _ in _native.NODE_KINDS} - {kc.Expr}
    assert len(classes) == 16 and set(kalvira.__all__) >= {cls.__name__ for cls in classes}
    for name, _, operands, word in _native.NODE_KINDS:
        text = f"{word}(x)" if operands else word
        assert not word or (type(parse(text)).__name__ == name and to_text(parse(text)) == text)
    tree = kc.Add(parse("-(2/3)^2 sqrt(4) cbrt(8) sin(0) + cos(x) + tan(0) + ln(e) + pi"), kc.Rational(1, 2))
    seen, stack = set(), [tree]
    while stack:
        seen.add(type(stack[-1]))
        stack.extend(children(stack.pop()))
    assert seen == classes and evaluate(tree, {"x": 0}) > 0 and to_sympy(tree).subs("x", 0).is_positive


@pytest.mark.parametrize("real", [False, True])
def test_to_sympy_keeps_the_value_with_plain_or_real_symbols(real):
    import sympy

    converted = to_sympy(parse("(x+1)^2/2 + sqrt(8) + cbrt(-8) + ln(e) + sin(pi/2)"), real=real)
    x = sympy.Symbol("x", real=True) if real else sympy.Symbol("x")
    assert sympy.simplify(converted - ((x + 1) ** 2 / 2 + 2 * sympy.sqrt(2) - 2 + 1 + 1)) == 0
    assert (to_sympy(parse("x+1"), real=real) == sympy.Symbol("x") + 1) is not real
    # The cube root is the real one at negative values too, as evaluate has it.
    cube_roots = parse("cbrt(x) + cbrt(x - 1)")
    for value in (-8, Fraction(-27, 8), 8):
        converted_value = to_sympy(cube_roots, real=real).subs(x, sympy.Rational(value))
        assert abs(float(converted_value) - float(evaluate(cube_roots, {"x": value}))) < 1e-12


def test_stubs_match_the_module(tmp_path):
    subprocess.run(
        [sys.executable, "-m", "pybind11_stubgen", "_kalvira_core", "-o", str(tmp_path)],
        check=True,
        capture_output=True,
    )
    subprocess.run([sys.executable, ROOT / "scripts/stub_overloads.py", tmp_path / "_kalvira_core.pyi"], check=True)
    generated = (tmp_path / "_kalvira_core.pyi").read_text(encoding="utf-8")
    assert generated == (ROOT / "src/main/_kalvira_core.pyi").read_text(encoding="utf-8"), "run scripts/stubs"


def stub_names(path):
    """Each public name the stub declares, with the public methods of each of its classes."""
    names = {}
    for node in ast.parse(path.read_text(encoding="utf-8")).body:
        if isinstance(node, ast.ClassDef):
            names[node.name] = {item.name for item in node.body if isinstance(item, ast.FunctionDef)}
        elif isinstance(node, ast.FunctionDef):
            names[node.name] = set()
        elif isinstance(node, ast.AnnAssign | ast.Assign):
            targets = node.targets if isinstance(node, ast.Assign) else [node.target]
            names.update((target.id, set()) for target in targets if isinstance(target, ast.Name))
    return {
        name: {m for m in methods if not m.startswith("_")}
        for name, methods in names.items()
        if not name.startswith("_")
    }


def module_names(module):
    """Each public attribute of the module, with the public methods each of its classes defines."""
    return {
        name: {m for m in vars(value) if not m.startswith("_")} if isinstance(value, type) else set()
        for name, value in vars(module).items()
        if not name.startswith("_")
    }


@pytest.mark.parametrize("module, stub", [(kc, "src/main/_kalvira_core.pyi"), (_native, "src/kalvira/_native.pyi")])
def test_stubs_name_exactly_what_the_modules_export(module, stub):
    assert stub_names(ROOT / stub) == module_names(module)


def kalvira_cli(*args, stdin=b"", **options):
    done = subprocess.run(
        [sys.executable, "-m", "kalvira", *args], input=stdin, capture_output=True, timeout=60, **options
    )
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
    assert kalvira_cli("expand", "-f", "-", stdin=WORKSHEET) == (
        2,
        WORKSHEET_STDOUT,
        [error.replace(str(sheet), "standard input") for error in errors],
    )
    assert kalvira_cli("simplify", "--tree", "x + x", "(x") == (
        2,
        "Mul(Int(2), Var('x'))\n\n",
        ["kalvira: '(x': unexpected end of input at position 3"],
    )


@pytest.mark.parametrize(
    "args, expected",
    [
        (["expand", "--tre", "x+x"], (2, "", ["kalvira: unknown option --tre; did you mean --tree?"])),
        (["expand", "--fil", "ws.txt"], (2, "", ["kalvira: unknown option --fil; did you mean --file?"])),
        (["expan", "x"], (2, "", ["kalvira: unknown command 'expan'; did you mean expand?"])),
        (["expand", "--jobs", "0", "x"], (2, "", ["kalvira: --jobs needs a positive whole number, not '0'"])),
        (["expand", "-fx", "-x+1", "--3", "-f_1+2"], (0, "-fx\n-x + 1\n3\n-f_1 + 2\n", [])),
        (["latex", "--", "-h", "(x"], (2, "-h\n\n", ["kalvira: '(x': unexpected end of input at position 3"])),
        (["--version"], (0, f"kalvira {kalvira.__version__}\n", [])),
        (["eval", "x", "x=1", "x=2"], (2, "", ["kalvira: x is given a value twice; give each variable one value"])),
        (
            ["eval", "x", "x=1e2"],
            (
                2,
                "",
                [
                    "kalvira: the value in 'x=1e2' is exponent notation, which school notation"
                    " reads as a product with e; write x=100"
                ],
            ),
        ),
        (["eval", "x", "x=2e"], (0, "5.43656365691809\n", [])),
        (
            [],
            (
                2,
                "",
                [
                    *USAGE.splitlines(),
                    'kalvira: give a command and expressions, as in kalvira expand "(x+1)^3"; see kalvira --help',
                ],
            ),
        ),
    ],
)
def test_command_line_options(args, expected):
    code, out, err = kalvira_cli(*args)
    assert (code, out, [line.split(" (")[0] for line in err]) == expected


def test_command_line_output_formats(tmp_path):
    expressions = ["(x-1)^2", "2sqrt(2)pi/x_1", "(x"]
    assert [kalvira_cli("expand", *expressions, form)[:2] for form in ("--text", "--unicode")] == [
        (2, "x^2 - 2x + 1\n2sqrt(2)pi/x_1\n\n"),
        (2, "x² - 2x + 1\n2√2·π/x₁\n\n"),
    ]
    code, out, _ = kalvira_cli("latex", "x^2", "--mathml")
    assert code == 0 and out.startswith('<math xmlns="http://www.w3.org/1998/Math/MathML"') and out.count("\n") == 1
    assert kalvira_cli("latex", "x", "--text", "--tree")[2] == [
        "kalvira: choose one output format, not --tree and --text (see kalvira --help)"
    ]
    # Without the optional converter, --mathml says how to get it.
    (tmp_path / "latex2mathml").mkdir()
    (tmp_path / "latex2mathml" / "__init__.py").write_text("raise ImportError('not installed')")
    missing = kalvira_cli("latex", "x", "--mathml", env={**os.environ, "PYTHONPATH": str(tmp_path)})
    assert missing[0] == 2 and missing[2][0].startswith("kalvira: --mathml needs latex2mathml: pip install")


# Output long enough to fill a pipe, in every mode of the command line.
LONG_RUNS = {
    "arguments": (["expand", *["x+1"] * 20000], None),
    "file": (["expand", "-f", "{sheet}"], None),
    "standard input": (["expand"], "{sheet}"),
    "jobs": (["expand", "--jobs", "2", "-f", "{sheet}"], None),
    "text": (["expand", "--text", "-f", "{sheet}"], None),
    "tree": (["simplify", "--tree", "-f", "{sheet}"], None),
    "check": (["check", "x", *["x"] * 20000], None),
    "eval": (["eval", *["x"] * 20000, "x=1"], None),
    "steps": (["steps", "expand", *["(x+1)^2"] * 2000], None),
}


@pytest.fixture(scope="module")
def long_sheet(tmp_path_factory):
    sheet = tmp_path_factory.mktemp("sheet") / "long.txt"
    sheet.write_text("(x+1)^2\n" * 150000)  # more than one block of reading
    return str(sheet)


def run_long(mode, sheet, **streams):
    args, stdin = LONG_RUNS[mode]
    with open(stdin.format(sheet=sheet) if stdin else os.devnull, "rb") as source:
        return subprocess.Popen(
            [sys.executable, "-m", "kalvira", *(arg.format(sheet=sheet) for arg in args)],
            stdin=source,
            stderr=subprocess.PIPE,
            **streams,
        )


@pytest.mark.parametrize("mode", LONG_RUNS)
def test_a_reader_that_goes_away_ends_the_run_quietly(mode, long_sheet):
    child = run_long(mode, long_sheet, stdout=subprocess.PIPE)
    assert child.stdout.readline()
    child.stdout.close()  # as `| head -1` does
    assert (child.wait(timeout=120), child.stderr.read()) == (0, b"")


@pytest.mark.parametrize("mode", ["file", "standard input", "check", "eval", "steps"])
def test_a_full_disk_is_reported_as_a_failed_write(mode, long_sheet):
    with open("/dev/full", "wb") as full:
        child = run_long(mode, long_sheet, stdout=full)
        assert (child.wait(timeout=120), child.stderr.read()) == (
            2,
            b"kalvira: cannot write the results: No space left on device\n",
        )


def test_command_line_reports_lost_output(tmp_path):
    for command in (["expand", "x+1"], ["check", "x", "x"]):
        done = subprocess.run(
            f"{sys.executable} -m kalvira {' '.join(command)} >&-", shell=True, stderr=subprocess.PIPE, timeout=60
        )
        assert done.returncode == 2 and done.stderr.decode() == "kalvira: standard output is closed\n"
    image = tmp_path / "formulas.png"
    assert kalvira_cli("latex", "sqrt(x)/2", "pi r^2", "--png", str(image))[:2] == (
        0,
        "\\frac{\\sqrt{x}}{2}\n\\pi r^{2}\n",
    )
    assert image.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    assert kalvira_cli("latex", "x", "--png", str(tmp_path))[2][0].startswith(
        "kalvira: --png needs the name of an image file"
    )


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
