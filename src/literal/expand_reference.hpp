#pragma once

#include "ast/expr.hpp"

namespace kalvira {

// Expansion done literally: simplify, distribute into product trees, and
// collect like terms by parsing and rendering trees after every step. Same
// results as `expand`, much slower, recursing as deep as the tree; it serves
// as the oracle in tests and fuzzing.
ExprPtr expand_reference(ExprPtr expr);

}  // namespace kalvira
