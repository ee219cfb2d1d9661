#pragma once

#include <vector>

#include "ast/expr.hpp"
#include "literal/monomial.hpp"

namespace kalvira {

// Appends one monomial per summand of expr (split at its sum nodes only) to
// terms; nothing for null.
void flatten_add(const ExprPtr& expr, std::vector<Monomial>& terms);

// expr as a sum of like-term-collected monomials: terms whose
// coefficient-free products render alike add their coefficients, cancelled
// terms vanish, and the rest stand in descending order of that text with the
// constant last, nested to the left. Int(0) when nothing remains.
ExprPtr collect_terms(const ExprPtr& expr);

}  // namespace kalvira
