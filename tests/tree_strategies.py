"""Hypothesis strategies for small random trees with integers far from wrapping."""

import _kalvira_core as kc
from hypothesis import strategies as st

UNARY = (kc.Neg, kc.Sqrt, kc.Cbrt, kc.Sin, kc.Cos, kc.Tan, kc.Log)


def trees(fractions=True):
    """Trees of up to 8 leaves; without `fractions`, no Rational nodes."""
    leaves = [
        st.integers(-5, 5).map(kc.Int),
        st.sampled_from(["x", "y"]).map(kc.Var),
        st.sampled_from([kc.Pi(), kc.E()]),
    ]
    if fractions:
        leaves.append(st.tuples(st.integers(-5, 5), st.integers(1, 5)).map(lambda nd: kc.Rational(*nd)))

    def extend(children):
        binary = st.tuples(st.sampled_from((kc.Add, kc.Mul, kc.Div)), children, children).map(
            lambda t: t[0](t[1], t[2])
        )
        power = st.tuples(children, st.integers(0, 3)).map(lambda t: kc.Pow(t[0], kc.Int(t[1])))
        unary = st.tuples(st.sampled_from(UNARY), children).map(lambda t: t[0](t[1]))
        return st.one_of(binary, power, unary)

    return st.recursive(st.one_of(leaves), extend, max_leaves=8)


# Names the parser reads back, chosen so that products of them meet the
# letters of function names and pi ("l" "n", "p" "i", "s" "i" "n").
SCHOOL_NAMES = ["x", "y", "l", "n", "p", "i", "s", "t", "a", "c", "o", "q", "θ", "x_1", "x_12", "e_1", "x_a", "x_{ab}"]


def school_trees():
    """Trees of every shape the parser builds: all 32-bit integers, every
    node kind but Rational, any exponent."""
    leaves = st.one_of(
        st.one_of(st.integers(-3, 12), st.sampled_from([-(2**31), 2**31 - 1])).map(kc.Int),
        st.sampled_from(SCHOOL_NAMES).map(kc.Var),
        st.sampled_from([kc.Pi(), kc.E()]),
    )

    def extend(children):
        binary = st.tuples(st.sampled_from((kc.Add, kc.Mul, kc.Div, kc.Pow)), children, children)
        unary = st.tuples(st.sampled_from(UNARY), children).map(lambda t: t[0](t[1]))
        return st.one_of(binary.map(lambda t: t[0](t[1], t[2])), unary)

    return st.recursive(leaves, extend, max_leaves=10)
