#pragma once

// Whether a simplified or expanded tree lost its input's value because a
// 32-bit integer wrapped around. Both trees are evaluated modulo a large
// prime at one pseudo-random point, where the input's integers count with
// their exact values; where the two values differ, the result is wrong.
//
// The check needs a value modulo the prime, so it has no verdict (and says
// the values agree) for trees with square or cube roots, sin, cos, tan or
// ln, for powers whose exponent is not an integer literal, and at a point
// where a denominator of either tree is 0 modulo the prime. A difference
// of the two values that vanishes at the point goes unseen too, with a
// chance of about the tree's degree in 2^61.

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// True when result's value differs from input's, as far as the check sees.
bool wrapped_around(const ExprPtr& input, const ExprPtr& result, const Cancellation& cancel);

}  // namespace kalvira
