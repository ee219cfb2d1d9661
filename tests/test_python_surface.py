"""The module as Python sees it: names, classes, docstrings, argument
handling, object identity and how library errors reach the caller."""

import gc

import _kalvira_core as kc
import pytest

from reference_cases import CLASS_NAMES, FIELDS, NODE_CLASSES, SHAPES, build, term_of

MODULE_DOC = "KalVira: 高校数Ⅲレベルの数式処理ライブラリ (C++ core)"
FUNCTION_DOCS = {"simplify": "数式を簡略化する", "expand": "数式を展開して同類項をまとめる"}

UNARY = tuple(name for name, shape in SHAPES.items() if shape == "UNARY")
BINARY = tuple(name for name, shape in SHAPES.items() if shape == "BINARY")
SAMPLE_TERMS = {
    "Int": "Int(3)",
    "Var": 'Var("x")',
    "Rational": "Rational(1, 2)",
    "Pi": "Pi()",
    "E": "E()",
    **{name: f"{name}(x)" for name in UNARY},
    **{name: f"{name}(x, y)" for name in BINARY},
}


def sample(name):
    return build(SAMPLE_TERMS[name])


# --- names, classes and docstrings -----------------------------------------


def test_module_docstring():
    assert kc.__doc__ == MODULE_DOC


def test_public_names_are_the_classes_and_two_functions():
    public = {name for name in dir(kc) if not name.startswith("__")}
    assert public == set(CLASS_NAMES) | {"simplify", "expand"}


@pytest.mark.parametrize("name", CLASS_NAMES)
def test_class_hierarchy(name):
    cls = getattr(kc, name)
    assert isinstance(cls, type)
    assert cls.__module__ == "_kalvira_core"
    if name != "Expr":
        assert cls.__bases__ == (kc.Expr,)


def test_to_string_is_found_through_expr():
    assert "to_string" not in vars(kc.Int)
    assert kc.Expr.to_string(kc.Int(3)) == "3"
    assert kc.Expr.to_string(kc.Add(kc.Var("x"), kc.Int(1))) == "x + 1"


def test_to_string_docstring():
    assert "LaTeX形式の文字列を返す" in kc.Expr.to_string.__doc__


@pytest.mark.parametrize("name", ["simplify", "expand"])
def test_function_docstrings(name):
    lines = getattr(kc, name).__doc__.rstrip("\n").split("\n")
    assert lines[0] == f"{name}(expr: _kalvira_core.Expr) -> _kalvira_core.Expr"
    assert lines[1:] == ["", FUNCTION_DOCS[name]]


@pytest.mark.parametrize("name", CLASS_NAMES)
def test_methods_are_the_accessors_without_docstrings(name):
    cls = getattr(kc, name)
    assert not cls.__doc__
    public = {attr for attr in vars(cls) if not attr.startswith("_")}
    assert public == ({"to_string"} if name == "Expr" else set(FIELDS[name]))
    # Expr has no constructor of its own and its to_string is checked above.
    own = public | {"__init__"} if name != "Expr" else set()
    for attr in own:
        # Only pybind11's own signature line, no text of ours.
        lines = getattr(cls, attr).__doc__.strip("\n").split("\n")
        assert len(lines) == 1, (attr, lines)
        assert lines[0].startswith(f"{attr}(self: _kalvira_core.{name}"), lines[0]


def test_expr_cannot_be_constructed():
    with pytest.raises(TypeError) as info:
        kc.Expr()
    assert str(info.value).endswith(": No constructor defined!")


# --- instances ---------------------------------------------------------------


@pytest.mark.parametrize("name", NODE_CLASSES)
def test_accessors_are_methods(name):
    node = sample(name)
    for accessor in FIELDS[name] + ("to_string",):
        bound = getattr(node, accessor)
        assert callable(bound)
        assert not isinstance(bound, (int, str, kc.Expr))


@pytest.mark.parametrize("name", NODE_CLASSES)
def test_instances_are_immutable(name):
    node = sample(name)
    before = term_of(node)
    with pytest.raises(AttributeError):
        node.extra = 1
    for accessor in FIELDS[name] + ("to_string",):
        with pytest.raises(AttributeError):
            setattr(node, accessor, 1)
    assert term_of(node) == before


def test_children_are_shared_not_copied():
    a, b = kc.Var("a"), kc.Int(2)
    assert kc.Div(a, b).num() is a
    assert kc.Div(a, b).den() is b
    assert kc.Pow(a, b).base() is a
    assert kc.Pow(a, b).exp() is b
    twice = kc.Add(a, a)
    assert twice.left() is a and twice.right() is a
    x = kc.Var("x")
    assert kc.Neg(x).operand() is x


def test_child_outlives_its_parent_object():
    t = kc.Neg(kc.Var("y"))
    c = t.operand()
    assert t.operand() is c  # the live object is handed out again
    del t
    gc.collect()
    assert c.name() == "y" and c.to_string() == "y"


def test_children_come_back_as_their_own_class():
    tree = kc.Add(kc.Int(1), kc.Var("x"))
    assert type(tree.left()) is kc.Int
    assert type(tree.right()) is kc.Var
    assert type(kc.Neg(kc.Pow(kc.Pi(), kc.E())).operand().exp()) is kc.E


def test_bytes_names():
    assert kc.Var(b"t").name() == "t"
    assert kc.Var(bytearray(b"ab")).name() == "ab"
    utf8 = kc.Var("変数".encode())
    assert utf8.name() == "変数"
    # Stored bytes are the same as for the str name, so the two collect together.
    assert kc.expand(kc.Add(utf8, kc.Var("変数"))).to_string() == "2変数"


def test_name_that_is_not_utf8():
    v = kc.Var(b"\xff")  # construction does not decode
    with pytest.raises(UnicodeDecodeError):
        v.name()
    with pytest.raises(UnicodeDecodeError):
        v.to_string()
    with pytest.raises(UnicodeDecodeError):
        kc.Mul(kc.Int(2), v).to_string()
    assert kc.simplify(v) is v
    # Like terms are found by comparing bytes, without decoding.
    doubled = kc.expand(kc.Add(v, v))
    assert type(doubled) is kc.Mul
    assert doubled.left().value() == 2 and doubled.right() is v


# --- the module functions ------------------------------------------------------

BAD_CALLS = {
    "no-args": ((), {}),
    "two-args": ((kc.Int(1), kc.Int(2)), {}),
    "wrong-keyword": ((), {"expression": kc.Int(1)}),
    "extra-keyword": ((kc.Int(1),), {"expr": kc.Int(2)}),
    "int": ((5,), {}),
    "float": ((1.5,), {}),
    "str": (("x",), {}),
    "class": ((kc.Int,), {}),
}


@pytest.mark.parametrize("function", ["simplify", "expand"])
@pytest.mark.parametrize("call", BAD_CALLS.values(), ids=BAD_CALLS.keys())
def test_wrong_arguments_raise_type_error(function, call):
    args, kwargs = call
    with pytest.raises(TypeError) as info:
        getattr(kc, function)(*args, **kwargs)
    assert type(info.value) is TypeError
    assert str(info.value).startswith(f"{function}(): incompatible function arguments")


@pytest.mark.parametrize("function", ["simplify", "expand"])
def test_none_gives_none(function):
    assert getattr(kc, function)(None) is None
    assert getattr(kc, function)(expr=None) is None


# Each error sits inside a larger tree, so that an argument changed on the way
# out would show.
LIBRARY_ERRORS = {
    "division-by-zero": ("Add(Mul(Int(2), y), Sin(Div(x, Add(Int(1), Neg(Int(1))))))", "ゼロ除算エラー"),
    "negative-sqrt": ("Mul(Add(x, Int(1)), Sqrt(Neg(Int(4))))", "負の数の平方根はサポートされていません。"),
    "tan-pi-half": ("Pow(Add(x, y), Tan(Div(Pi(), Int(2))))", "tan(pi/2) は定義されていません"),
    "power-denominator-zero": ("Neg(Add(x, Pow(Int(2), Int(-32))))", "エラー: 分母をゼロにすることはできません。"),
    "denominator-too-large": (
        "Add(Pow(x, Int(2)), Pow(Int(-2), Int(-31)))",
        "エラー: 分母が32ビット整数の範囲を超えています。",
    ),
}


@pytest.mark.parametrize("function", ["simplify", "expand"])
@pytest.mark.parametrize("term, message", LIBRARY_ERRORS.values(), ids=LIBRARY_ERRORS.keys())
def test_library_errors_leave_the_argument_untouched(function, term, message):
    tree = build(term)
    children = [getattr(tree, accessor)() for accessor in FIELDS[type(tree).__name__]]
    text, structure = tree.to_string(), term_of(tree)
    for _ in range(2):  # the same call fails the same way again
        with pytest.raises(ValueError) as info:
            getattr(kc, function)(tree)
        assert type(info.value) is ValueError
        assert str(info.value) == message
        assert tree.to_string() == text
        assert term_of(tree) == structure
        assert [getattr(tree, a)() for a in FIELDS[type(tree).__name__]] == children


def test_zero_denominator_is_reported_before_the_range_check():
    with pytest.raises(ValueError) as info:
        kc.Rational(-2147483648, 0)
    assert str(info.value) == "エラー: 分母をゼロにすることはできません。"
    with pytest.raises(ValueError) as info:
        kc.simplify(kc.Div(kc.Int(-2147483648), kc.Int(0)))
    assert str(info.value) == "ゼロ除算エラー"
