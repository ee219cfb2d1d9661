#pragma once

#include "algebra/algebra.hpp"
#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// The value factorised over the integers by FLINT, as a tree: the numeric
// content with its sign (a lone -1 as a leading minus), then the letters as
// powers, then the polynomial factors with positive first coefficients, by
// degree, then by their first letter, then by their coefficients (smaller
// magnitudes first, minus before plus); repeated factors as powers. A
// quotient is the quotient of its factorised numerator and denominator.
ExprPtr factored(const Algebra& algebra, const RationalFunction& value, const Cancellation& cancel);

}  // namespace kalvira
