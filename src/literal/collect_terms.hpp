#pragma once

#include <cstddef>
#include <vector>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"
#include "literal/monomial.hpp"

namespace kalvira {

// Appends one monomial per summand of expr (split at its sum nodes only) to
// terms; nothing for null. Polls cancel per node.
void flatten_add(const ExprPtr& expr, std::vector<Monomial>& terms, const Cancellation& cancel = Cancellation());

// Like terms: summands whose coefficient-free products render alike.
struct LikeTerms {
    Monomial sum;                      // coefficients added, the first member's factors
    std::vector<std::size_t> members;  // indices of the summands, in order
};

// The groups of like terms among terms, in canonical order: descending
// order of the text of their coefficient-free product, the constant last.
// Summands with coefficient 0 belong to no group. Polls cancel per summand.
std::vector<LikeTerms> group_like_terms(const std::vector<Monomial>& terms,
                                        const Cancellation& cancel = Cancellation());

// expr as a sum of like-term-collected monomials: terms whose
// coefficient-free products render alike add their coefficients, cancelled
// terms vanish, and the rest stand in descending order of that text with the
// constant last, nested to the left. Int(0) when nothing remains.
ExprPtr collect_terms(const ExprPtr& expr, const Cancellation& cancel = Cancellation());

}  // namespace kalvira
