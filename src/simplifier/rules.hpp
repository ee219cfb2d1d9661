#pragma once

// The rewrite rules of each node kind. Every function receives the node's
// children already simplified, tries its kind's rules in order and returns
// the first rule's result, or a new node of the same kind over the children.

#include "ast/expr.hpp"

namespace kalvira {

ExprPtr rewrite_neg(ExprPtr op);
ExprPtr rewrite_add(ExprPtr l, ExprPtr r);
ExprPtr rewrite_mul(ExprPtr l, ExprPtr r);
ExprPtr rewrite_div(ExprPtr n, ExprPtr dn);
ExprPtr rewrite_pow(ExprPtr base, ExprPtr exp);
ExprPtr rewrite_sqrt(ExprPtr op);
ExprPtr rewrite_cbrt(ExprPtr op);
ExprPtr rewrite_log(ExprPtr op);
// kind is SIN, COS or TAN.
ExprPtr rewrite_trig(ExprType kind, ExprPtr op);

// A new one-operand node of the given kind (SQRT, CBRT, SIN, COS, TAN or LOG).
ExprPtr make_unary(ExprType kind, ExprPtr operand);

}  // namespace kalvira
