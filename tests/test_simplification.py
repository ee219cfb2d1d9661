"""Simplification cases beyond the worked examples in
data/reference-cases.json: which objects come back shared, that the argument
is left alone, and trees thousands of levels deep."""

import _kalvira_core as kc
import pytest

from reference_cases import build

DEPTH = 3000


def test_rebuilt_node_shares_its_unchanged_leaves():
    x, y = kc.Var("x"), kc.Var("y")
    s = kc.Sin(y)
    tree = kc.Add(s, x)
    result = kc.simplify(tree)
    assert type(result) is kc.Add
    assert type(result.left()) is kc.Sin
    assert result.left().operand() is y
    assert result.right() is x
    # The argument still holds exactly what it was built from.
    assert tree.left() is s and tree.right() is x and s.operand() is y
    # A rule that answers with a child hands back that child's rebuilt form.
    product = kc.simplify(kc.Add(kc.Int(0), kc.Mul(x, y)))
    assert type(product) is kc.Mul
    assert product.left() is x and product.right() is y


def test_identity_rules_hand_back_the_leaf_itself():
    x = kc.Var("x")
    tree = kc.Mul(kc.Int(1), kc.Add(kc.Int(0), kc.Pow(kc.Neg(kc.Neg(x)), kc.Int(1))))
    assert kc.simplify(tree) is x


def test_deep_negation_chain():
    x = kc.Var("x")
    tree = x
    for _ in range(DEPTH):
        tree = kc.Neg(tree)
    assert kc.simplify(tree) is x  # an even number of negations cancels
    odd = kc.simplify(kc.Neg(tree))
    assert type(odd) is kc.Neg and odd.operand() is x


def test_deep_integer_sum_folds():
    tree = kc.Int(1)
    for _ in range(DEPTH - 1):
        tree = kc.Add(tree, kc.Int(1))
    result = kc.simplify(tree)
    assert type(result) is kc.Int and result.value() == DEPTH


def test_deep_symbolic_sum_is_rebuilt_over_the_same_leaves():
    leaves = [kc.Var(f"v{i}") for i in range(DEPTH)]
    tree = leaves[0]
    for leaf in leaves[1:]:
        tree = kc.Add(tree, leaf)
    result = kc.simplify(tree)
    assert result.to_string() == tree.to_string()
    node = result
    for leaf in reversed(leaves[1:]):
        assert type(node) is kc.Add and node.right() is leaf
        node = node.left()
    assert node is leaves[0]


def test_deep_mixed_tree_with_an_error_at_the_bottom():
    tree = kc.Div(kc.Var("x"), kc.Int(0))
    for i in range(DEPTH):
        tree = kc.Neg(tree) if i % 2 else kc.Add(kc.Var("y"), tree)
    text = tree.to_string()
    for function in (kc.simplify, kc.expand):
        with pytest.raises(ValueError, match="^ゼロ除算エラー$"):
            function(tree)
    assert tree.to_string() == text


# Negative integer and fractional exponents alike, also one that negates to
# itself and one that simplifies to the fraction -1/1.
@pytest.mark.parametrize("exp", ["Int(-5)", "Int(-2147483648)", "Rational(-1, 2)", "Pow(Int(-1), Int(-1))"])
def test_zero_to_a_negative_power_is_a_zero_denominator(exp):
    tree = build(f"Pow(Int(0), {exp})")
    for function in (kc.simplify, kc.expand):
        with pytest.raises(ValueError, match="^エラー: 分母をゼロにすることはできません。$"):
            function(tree)
