"""Building our trees as users do, and reading expanded results back."""

import _kalvira_core as kc


def chain(node_class, items):
    """Left-nested Add or Mul of the items."""
    result = items[0]
    for item in items[1:]:
        result = node_class(result, item)
    return result


def variables(names):
    return [kc.Var(name) for name in names]


def terms_of(result):
    """The terms of a collected sum as (coefficient, {name: exponent}), read
    along the left spine without recursion."""
    terms = []
    node = result
    while type(node) is kc.Add:
        terms.append(_term(node.right()))
        node = node.left()
    terms.append(_term(node))
    return terms[::-1]


def _term(node):
    coefficient = 1
    if type(node) is kc.Int:
        return node.value(), {}
    if type(node) is kc.Neg:
        coefficient, node = -1, node.operand()
    elif type(node) is kc.Mul and type(node.left()) is kc.Int:
        coefficient, node = node.left().value(), node.right()
    exponents = {}
    while True:
        factor = node.right() if type(node) is kc.Mul else node
        if type(factor) is kc.Pow:
            exponents[factor.base().name()] = factor.exp().value()
        else:
            exponents[factor.name()] = 1
        if type(node) is not kc.Mul:
            return coefficient, exponents
        node = node.left()
