#pragma once

#include "algebra/algebra.hpp"
#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// The value of a tree, on an explicit stack (any depth), polling cancel.
// Sums and products are taken whole: the operands of nested additions and
// negations (or of nested products) are combined pairwise in a balanced
// order, so a long sum costs n log n. Shared subtrees are worked out once.
RationalFunction to_algebra(Algebra& algebra, const ExprPtr& tree, const Cancellation& cancel);

}  // namespace kalvira
