#pragma once

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"
#include "simplifier/rewrite_trace.hpp"

namespace kalvira {

// Returns an equivalent, simpler tree, built by one bottom-up pass of fixed
// rewrite rules with exact 32-bit arithmetic. Unchanged subtrees are shared
// and leaves come back as the very same nodes; null gives null. Throws
// std::invalid_argument for division by zero, the square root of a negative
// integer, tan(pi/2) and fractions whose denominator cannot be stored, and
// Cancelled when cancel asks to stop. Shared subtrees are simplified once.
// A trace, when given, hears of every rule applied.
ExprPtr simplify(ExprPtr expr, const Cancellation& cancel = Cancellation(), RewriteTrace* trace = nullptr);

}  // namespace kalvira
