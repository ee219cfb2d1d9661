#pragma once

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"
#include "simplifier/rewrite_trace.hpp"

namespace kalvira {

// Expansion done literally: simplify, distribute into product trees, and
// collect like terms by parsing and rendering trees after every step. Same
// results as `expand`, much slower, recursing as deep as the tree; it serves
// as the oracle in tests and fuzzing, and as the school method whose working
// a trace shows: every simplification rule, distribution and collection is
// reported, a power's working as rewrites of the whole power.
ExprPtr expand_reference(ExprPtr expr, const Cancellation& cancel = Cancellation(), RewriteTrace* trace = nullptr);

}  // namespace kalvira
