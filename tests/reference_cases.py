"""Shared helpers for the table-driven tests: loading the worked examples,
building trees from constructor terms and comparing trees structurally."""

import builtins
import json
import re
from pathlib import Path

import _kalvira_core as kc

CASES_FILE = Path(__file__).parent / "data" / "reference-cases.json"

KINDS_FILE = Path(__file__).parents[1] / "src" / "ast" / "node_kinds.hpp"


def _node_kinds():
    """Each node class's shape (LEAF, CONSTANT, UNARY or BINARY) and the
    accessors that identify a node of it (data fields first, then children
    in constructor order), read from the core's one list of node kinds."""
    entries = re.findall(r"^\s*(LEAF|CONSTANT|UNARY|BINARY)\(([^)]*)\)", KINDS_FILE.read_text(), re.M)
    kinds = {}
    for shape, arguments in entries:
        name, _kind, *rest = (argument.strip() for argument in arguments.split(","))
        kinds[name] = (shape, tuple(rest[1:] if shape in ("UNARY", "BINARY") else rest))
    return kinds


SHAPES = {name: shape for name, (shape, _) in _node_kinds().items()}
FIELDS = {name: fields for name, (_, fields) in _node_kinds().items()}
NODE_CLASSES = tuple(FIELDS)
CLASS_NAMES = ("Expr",) + NODE_CLASSES


def load_cases():
    return json.loads(CASES_FILE.read_text(encoding="utf-8"))


def namespace():
    """Names a constructor term may use: the classes and the variables x, y, z, n."""
    ns = {name: getattr(kc, name) for name in CLASS_NAMES}
    ns.update({name: kc.Var(name) for name in ("x", "y", "z", "n")})
    return ns


def build(term, ns=None):
    """Evaluate a constructor term (or a bare literal such as 5, "x", None)."""
    return eval(term, {"__builtins__": {}}, namespace() if ns is None else ns)


def term_of(node):
    """Canonical constructor term of a tree, e.g. Add(Var('x'), Int(1)).

    Two trees are structurally equal exactly when their terms are equal: the
    term records the most derived class of every node and every field read
    back through the accessors.  Anything that is not a node of a known class
    shows up as an unmistakable marker, so it can never compare equal to a
    well-formed tree."""
    if node is None:
        return "None"
    cls_name = type(node).__name__
    if cls_name not in FIELDS or type(node) is not getattr(kc, cls_name):
        return f"<not a node: {type(node).__module__}.{type(node).__qualname__}>"
    fields = []
    for accessor in FIELDS[cls_name]:
        value = getattr(node, accessor)()
        fields.append(term_of(value) if isinstance(value, kc.Expr) else repr(value))
    return f"{cls_name}({', '.join(fields)})"


def follow(node, path):
    """The object reached from node by calling the dotted accessors in turn."""
    for accessor in filter(None, path.split(".")):
        node = getattr(node, accessor)()
    return node


def exception_class(name):
    return getattr(builtins, name)
