"""simplify and expand keep the value of a tree: random trees whose integers
stay far from wrapping, evaluated at random points (points where the input
is undefined are skipped)."""

import cmath

import _kalvira_core as kc
from hypothesis import assume, given, settings
from hypothesis import strategies as st

from tree_strategies import trees

TREES = trees()

# The principal complex branch of each function; the cube root of a real
# number is real, as the library takes it.
FUNCTIONS = {
    "Sqrt": cmath.sqrt,
    "Cbrt": lambda z: (-((-z.real) ** (1 / 3)) if z.real < 0 else z.real ** (1 / 3)) if z.imag == 0 else z ** (1 / 3),
    "Sin": cmath.sin,
    "Cos": cmath.cos,
    "Tan": cmath.tan,
    "Log": cmath.log,
}


def value(node, point):
    name = type(node).__name__
    if name == "Int":
        return complex(node.value())
    if name == "Rational":
        return complex(node.num() / node.den())
    if name == "Var":
        return point[node.name()]
    if name in ("Pi", "E"):
        return complex(cmath.pi if name == "Pi" else cmath.e)
    if name == "Neg":
        return -value(node.operand(), point)
    if name in FUNCTIONS:
        # Adding 0 turns a zero of sign minus into plain zero, so that equal
        # arguments land on the same side of a branch cut: 1/(-1) as -1.
        return FUNCTIONS[name](value(node.operand(), point) + 0)
    if name == "Pow":
        return value(node.base(), point) ** value(node.exp(), point)
    left, right = (node.left(), node.right()) if name in ("Add", "Mul") else (node.num(), node.den())
    a, b = value(left, point), value(right, point)
    return a + b if name == "Add" else a * b if name == "Mul" else a / b


def close(a, b):
    return abs(a - b) <= 1e-6 * max(1.0, abs(a), abs(b))


@settings(max_examples=300, deadline=None, derandomize=True)
@given(TREES, st.floats(0.3, 2.5), st.floats(-2.5, -0.3))
def test_simplify_and_expand_keep_the_value(tree, x, y):
    point = {"x": complex(x), "y": complex(y)}
    try:
        expected = value(tree, point)
    except (ZeroDivisionError, OverflowError, ValueError):
        assume(False)
    assume(cmath.isfinite(expected) and abs(expected) < 1e6)
    for operation in (kc.simplify, kc.expand):
        try:
            result = operation(tree)
        except ValueError:
            continue  # the library refuses a subtree that is undefined: 1/0, sqrt(-4), tan(pi/2)
        assert close(value(result, point), expected), (operation.__name__, tree.to_string(), result.to_string())
