#pragma once

// Every kind of node, once, in the order of ExprType's values. The node
// classes, `ExprType`, `make_node`, the Python bindings and the tests' kind
// names are all generated from this one list, so a kind is added here and
// nowhere else. Each entry names its class, its ExprType value and its
// accessors in constructor order; nodes with children also give their
// binding strength.
//
//   LEAF(Class, KIND, fields...)          data only, a class of its own
//   CONSTANT(Class, KIND)                 no data, no children
//   UNARY(Class, KIND, precedence, operand)
//   BINARY(Class, KIND, precedence, first, second)
#define KALVIRA_NODE_KINDS(LEAF, CONSTANT, UNARY, BINARY) \
    LEAF(Int, INT, value)                                 \
    LEAF(Var, VAR, name)                                  \
    LEAF(Rational, RATIONAL, num, den)                    \
    UNARY(Neg, NEG, PREC_NEG, operand)                    \
    BINARY(Add, ADD, PREC_SUM, left, right)               \
    BINARY(Mul, MUL, PREC_PRODUCT, left, right)           \
    BINARY(Div, DIV, PREC_PRODUCT, num, den)              \
    BINARY(Pow, POW, PREC_POWER, base, exp)               \
    UNARY(Sqrt, SQRT, PREC_ATOM, operand)                 \
    CONSTANT(Pi, PI)                                      \
    CONSTANT(E, E)                                        \
    UNARY(Cbrt, CBRT, PREC_ATOM, operand)                 \
    UNARY(Sin, SIN, PREC_ATOM, operand)                   \
    UNARY(Cos, COS, PREC_ATOM, operand)                   \
    UNARY(Tan, TAN, PREC_ATOM, operand)                   \
    UNARY(Log, LOG, PREC_ATOM, operand) /* the natural logarithm */
