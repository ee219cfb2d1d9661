#pragma once

#include <string>
#include <unordered_map>

#include "algebra/algebra.hpp"
#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// The value of a tree, on an explicit stack (any depth), polling cancel.
// Sums and products are taken whole: the operands of nested additions and
// negations (or of nested products) are combined pairwise in a balanced
// order, so a long sum costs n log n. Shared subtrees are worked out once.
// Letters named in letters stand for their numbers there; the others are
// kernels.
using LetterValues = std::unordered_map<std::string, Fraction>;
RationalFunction to_algebra(Algebra& algebra, const ExprPtr& tree, const Cancellation& cancel,
                            const LetterValues* letters = nullptr);

}  // namespace kalvira
