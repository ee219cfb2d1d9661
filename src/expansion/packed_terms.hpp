#pragma once

// Products and powers of sums over a few letters, pi and e, with each term's
// exponents packed into one fixed array of 32-bit lanes. Over such factors
// a term's key is decided by its exponents alone (their texts are single
// letters or "\pi", which no product of the others can spell), so like terms
// are found by comparing lanes, and keys are rendered once, for the result.
// Coefficients and exponents wrap at 32 bits as everywhere; the collected
// sum equals the one built term by term.

#include <optional>
#include <vector>

#include "ast/cancellation.hpp"
#include "expansion/factor_table.hpp"
#include "expansion/term.hpp"
#include "expansion/term_table.hpp"

namespace kalvira {

// The collected products of every left summand with every right one, or
// nothing when the summands' factors do not fit packed lanes.
std::optional<TermTable> packed_product(const std::vector<Term>& left, const std::vector<Term>& right,
                                        const FactorTable& factors, const Cancellation& cancel);

// The collected sum of the summands raised to exp (2 or more), or nothing
// when their factors do not fit packed lanes or there are fewer than two.
std::optional<TermTable> packed_power(const std::vector<Term>& base, int exp, const FactorTable& factors,
                                      const Cancellation& cancel);

}  // namespace kalvira
