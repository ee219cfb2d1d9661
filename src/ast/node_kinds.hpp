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

// How the functions and constants are spelled, in school notation and in
// LaTeX; the parser, the school text and the LaTeX writers all read these.
//
//   WORD(KIND, word, also, symbol, latex, latex_close)
//
// `also` is another word read as the same kind ("log" is ln); `symbol` the
// Unicode sign: √ and ∛ take the atom after them, π is a letter for pi. A
// function's LaTeX is its command with the opening of its operand, which
// latex_close closes; a constant's LaTeX is all of it. Empty: none.
#define KALVIRA_KIND_WORDS(WORD)                          \
    WORD(SQRT, "sqrt", "", "√", "\\sqrt{", "}")           \
    WORD(CBRT, "cbrt", "", "∛", "\\sqrt[3]{", "}")        \
    WORD(SIN, "sin", "", "", "\\sin\\left(", "\\right)")  \
    WORD(COS, "cos", "", "", "\\cos\\left(", "\\right)")  \
    WORD(TAN, "tan", "", "", "\\tan\\left(", "\\right)")  \
    WORD(LOG, "ln", "log", "", "\\ln\\left(", "\\right)") \
    WORD(PI, "pi", "", "π", "\\pi", "")                   \
    WORD(E, "e", "", "", "e", "")
