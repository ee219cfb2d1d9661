"""kalvira.parse: the tree of each form of school notation, error messages
with positions, deep input, and the round trip tree -> text -> tree."""

import pickle

import _kalvira_core as kc
import pytest
from hypothesis import given, settings

from kalvira import ParseError, constructor_form, parse
from kalvira.tree_walk import children
from reference_cases import build, load_cases
from tree_strategies import trees

x, y = "Var('x')", "Var('y')"

FORMS = [
    ("42", "Int(42)"),
    ("-3", "Int(-3)"),
    ("-2147483648", "Int(-2147483648)"),
    ("--3", "Neg(Int(-3))"),
    ("-(3)", "Neg(Int(3))"),
    ("-x", f"Neg({x})"),
    ("+x", x),
    ("x - 3", f"Add({x}, Neg(Int(3)))"),
    ("x + -3", f"Add({x}, Int(-3))"),
    ("x - y + 1", f"Add(Add({x}, Neg({y})), Int(1))"),
    ("2x", f"Mul(Int(2), {x})"),
    ("xy", f"Mul({x}, {y})"),
    ("2 * -3", "Mul(Int(2), Int(-3))"),
    ("3(x+1)", f"Mul(Int(3), Add({x}, Int(1)))"),
    ("(x+1)(x-1)", f"Mul(Add({x}, Int(1)), Add({x}, Neg(Int(1))))"),
    ("2pi", "Mul(Int(2), Pi())"),
    ("2π e", "Mul(Mul(Int(2), Pi()), E())"),
    ("1/2x", f"Mul(Div(Int(1), Int(2)), {x})"),
    ("x/y/2", f"Div(Div({x}, {y}), Int(2))"),
    ("2x^2", f"Mul(Int(2), Pow({x}, Int(2)))"),
    ("-x^2", f"Neg(Pow({x}, Int(2)))"),
    # a term's minus covers its whole product, unless an integer follows it
    ("-xy", f"Neg(Mul({x}, {y}))"),
    ("-x*y", f"Neg(Mul({x}, {y}))"),
    ("-x·y", f"Neg(Mul({x}, {y}))"),
    ("-(x)(y)", f"Neg(Mul({x}, {y}))"),
    ("-x/y", f"Neg(Div({x}, {y}))"),
    ("-a b + c", "Add(Neg(Mul(Var('a'), Var('b'))), Var('c'))"),
    ("x - yz", f"Add({x}, Neg(Mul({y}, Var('z'))))"),
    ("-2xy", f"Mul(Mul(Int(-2), {x}), {y})"),
    ("-2/3x", f"Mul(Div(Int(-2), Int(3)), {x})"),
    ("--2x", f"Neg(Mul(Int(-2), {x}))"),
    ("-(2)x", f"Neg(Mul(Int(2), {x}))"),
    ("-2^2x", f"Neg(Mul(Pow(Int(2), Int(2)), {x}))"),
    ("(-x)y", f"Mul(Neg({x}), {y})"),
    # a minus after *, / or ^ covers one factor
    ("x*-yz", f"Mul(Mul({x}, Neg({y})), Var('z'))"),
    ("x/-yz", f"Mul(Div({x}, Neg({y})), Var('z'))"),
    ("x^-2y", f"Mul(Pow({x}, Int(-2)), {y})"),
    ("-3^2", "Neg(Pow(Int(3), Int(2)))"),
    ("(-3)^2", "Pow(Int(-3), Int(2))"),
    ("x^-1", f"Pow({x}, Int(-1))"),
    ("2^3^2", "Pow(Int(2), Pow(Int(3), Int(2)))"),
    ("x**2", f"Pow({x}, Int(2))"),
    ("sqrt(12)cbrt(-8)", "Mul(Sqrt(Int(12)), Cbrt(Int(-8)))"),
    ("sin(x)^2 + cos(x)", f"Add(Pow(Sin({x}), Int(2)), Cos({x}))"),
    ("tan(pi/4) ln(e) log(x)", f"Mul(Mul(Tan(Div(Pi(), Int(4))), Log(E())), Log({x}))"),
    ("x_1 a_n y_{12} e_1", "Mul(Mul(Mul(Var('x_1'), Var('a_n')), Var('y_{12}')), Var('e_1'))"),
    ("αθ", "Mul(Var('α'), Var('θ'))"),
    ("pie", "Mul(Pi(), E())"),
    # the symbols a teacher types
    ("x² + (x+1)³", f"Add(Pow({x}, Int(2)), Pow(Add({x}, Int(1)), Int(3)))"),
    ("x⁻¹ x²³ 2²", f"Mul(Mul(Pow({x}, Int(-1)), Pow({x}, Int(23))), Pow(Int(2), Int(2)))"),
    ("-x²y", f"Neg(Mul(Pow({x}, Int(2)), {y}))"),
    ("x⁻²¹⁴⁷⁴⁸³⁶⁴⁸", f"Pow({x}, Int(-2147483648))"),
    ("2·x × 3 ÷ y", f"Div(Mul(Mul(Int(2), {x}), Int(3)), {y})"),
    ("−x − −3", f"Add(Neg({x}), Neg(Int(-3)))"),
    ("√2 ∛(x+1)", f"Mul(Sqrt(Int(2)), Cbrt(Add({x}, Int(1))))"),
    ("√x² √x^2", f"Mul(Sqrt(Pow({x}, Int(2))), Pow(Sqrt({x}), Int(2)))"),
    ("√2x", f"Mul(Sqrt(Int(2)), {x})"),
    ("x₁ + a₁₂", "Add(Var('x_1'), Var('a_12'))"),
    # letters before "(" that end in a function name or pi stay products
    ("2xsin(x) + 2pi(r)", f"Add(Mul(Mul(Int(2), {x}), Sin({x})), Mul(Mul(Int(2), Pi()), Var('r')))"),
]


@pytest.mark.parametrize("text, form", FORMS)
def test_each_form_becomes_its_tree(text, form):
    assert constructor_form(parse(text)) == form


ERRORS = [
    ("(x+1))", 6, "unexpected ')'"),
    ("(x+1", 5, "unexpected end of input"),
    ("x $ y", 3, "unexpected character '$'"),
    ("sin x", 5, "unexpected 'x' at position 5; expected '('"),
    ("   ", 1, "the expression is empty"),
    ("1.5", 1, "decimal numbers are not supported"),
    ("2147483648", 1, "the integer 2147483648 does not fit in 32 bits"),
    ("x - 2147483648", 5, "does not fit in 32 bits"),
    ("-2147483649", 1, "the integer -2147483649 does not fit in 32 bits"),
    ("1" * 4301, 1, "the integer 1111111111... (4301 digits) does not fit in 32 bits"),
    ("x¹⁰⁰⁰⁰⁰⁰⁰⁰⁰⁰", 2, "the integer 10000000000 does not fit"),
    ("sqr(x)", 1, "unknown function 'sqr' at position 1; write s*q*r*(x) for a product"),
    ("2SIN(x+1)", 2, "unknown function 'SIN' at position 2; write S*I*N*(x+1) for a product"),
    ("ab(y_{\udfff})", 1, "unknown function 'ab' at position 1; write a*b*(...) for a product"),
    ("x_{\ud800}", 4, "unexpected character '\\ud800'"),
    ("x²^3", 3, "unexpected '^'"),
    ("x⁻", 2, "unexpected character '⁻'"),
    ("√-x", 2, "unexpected '-'"),
    ("1.5 + (", 8, "unexpected end of input"),
]


@pytest.mark.parametrize("text, position, reason", ERRORS)
def test_bad_input_points_at_the_position(text, position, reason):
    with pytest.raises(ValueError) as caught:
        parse(text)
    error = caught.value
    assert isinstance(error, ParseError) and error.position == position and reason in error.summary
    first, shown, caret = str(error).split("\n")
    assert first == error.summary and shown == f"  {text}" and caret == "  " + " " * (position - 1) + "^"


LONG = 1_000_000
SCHOOL_LINE = "(x+1)^2 - 3xy/2 + sqrt(x)sin(y)·z² - "  # 10 MB when repeated 280,000 times

# Texts far beyond any school text: deep nesting, and long runs of letters,
# digits or terms, which a lexer that read a character more than once
# would not finish. (name, text, what the LaTeX of the tree must satisfy)
LONG_TEXTS = [
    ("parentheses", lambda: "(" * LONG + "x" + ")" * LONG, lambda latex: latex == "x"),
    ("signs", lambda: "-" * LONG + "x", lambda latex: latex == "-" * LONG + "x"),
    ("roots", lambda: "√" * LONG + "x", lambda latex: latex.count("sqrt") == LONG),
    ("powers", lambda: "x^" * LONG + "x", lambda latex: len(latex) > 2 * LONG),
    ("calls", lambda: "sin(" * LONG + "x" + ")" * LONG, lambda latex: latex.count("sin") == LONG),
    ("letters", lambda: "x" * LONG, lambda latex: latex == "x" * LONG),
    ("letters ending in a function", lambda: "x" * LONG + "sin(x)", lambda latex: latex.count("x") == LONG + 1),
    ("a 10 MB line", lambda: SCHOOL_LINE * 280_000 + "1", lambda latex: latex.count("sin") == 280_000),
]
LONG_REFUSALS = [
    ("an unclosed call", lambda: "sin(" * LONG + "x", "unexpected end of input"),
    ("digits", lambda: "1" * LONG, "1111111111... (1000000 digits) does not fit in 32 bits"),
    ("letters before a group", lambda: "x" * LONG + "(1)", "unknown function 'xxxx"),
]


@pytest.mark.parametrize("text, check", [pytest.param(text, check, id=name) for name, text, check in LONG_TEXTS])
def test_long_texts_parse(text, check):
    assert check(parse(text()).to_string())


@pytest.mark.parametrize("text, reason", [pytest.param(text, reason, id=name) for name, text, reason in LONG_REFUSALS])
def test_long_texts_fail_cleanly(text, reason):
    with pytest.raises(ParseError) as caught:
        parse(text())
    assert reason in caught.value.summary


def test_parse_errors_pickle_with_their_fields():
    with pytest.raises(ParseError) as caught:
        parse("sqr(x)")
    copy = pickle.loads(pickle.dumps(caught.value))
    fields = ("text", "position", "reason", "hint", "summary", "args")
    assert [getattr(copy, name) for name in fields] == [getattr(caught.value, name) for name in fields]


def school_text(tree):
    """Fully parenthesised school notation for a tree, or None when the tree
    holds what the notation cannot write (fractions, long variable names)."""
    writers = {
        "Add": "({} + {})",
        "Mul": "({} * {})",
        "Div": "({} / {})",
        "Pow": "({} ^ {})",
        "Neg": "(-({}))",
        "Sqrt": "sqrt({})",
        "Cbrt": "cbrt({})",
        "Sin": "sin({})",
        "Cos": "cos({})",
        "Tan": "tan({})",
        "Log": "ln({})",
    }
    kind = type(tree).__name__
    if kind == "Int":
        return f"({tree.value()})"
    if kind == "Var":
        return tree.name() if len(tree.name()) == 1 and tree.name().isalpha() and tree.name() != "e" else None
    if kind in ("Pi", "E"):
        return {"Pi": "pi", "E": "e"}[kind]
    if kind not in writers:
        return None
    operands = [school_text(child) for child in children(tree)]
    return None if None in operands else writers[kind].format(*operands)


RENDERED = [build(case["input"]) for case in load_cases() if case["op"] == "render" and "latex" in case["expect"]]


def test_rendering_examples_round_trip():
    expressible = [tree for tree in RENDERED if school_text(tree) is not None]
    assert len(expressible) > len(RENDERED) // 2
    for tree in expressible:
        assert constructor_form(parse(school_text(tree))) == constructor_form(tree)


@settings(max_examples=300, derandomize=True, deadline=None)
@given(trees(fractions=False))
def test_random_trees_round_trip(tree):
    assert constructor_form(parse(school_text(tree))) == constructor_form(tree)


def test_parse_refuses_what_is_not_text():
    with pytest.raises(TypeError):
        parse(kc.Int(1))
