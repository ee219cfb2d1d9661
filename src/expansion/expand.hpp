#pragma once

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// Simplifies, multiplies out products and non-negative integer powers of
// sums, and returns a like-term-collected sum in canonical order. Null gives
// null; throws what simplify throws.
ExprPtr expand(ExprPtr expr, const Cancellation& cancel = Cancellation());

}  // namespace kalvira
