#pragma once

#include <utility>
#include <vector>

#include "ast/expr.hpp"

namespace kalvira {

// One summand as an integer coefficient times factors raised to integer
// exponents. Factors are shared nodes of the tree the monomial was read from.
struct Monomial {
    int coeff = 1;
    std::vector<std::pair<ExprPtr, int>> vars;
};

// Reads a product of integer literals, negations, integer powers and other
// factors. Repeated factors (by structural equality) merge into their first
// entry, summing exponents; only integer literals enter the coefficient.
Monomial parse_monomial(const ExprPtr& expr);

// The tree of m: factors in descending byte order of their LaTeX text,
// exponent-0 factors dropped, products nested to the left, the coefficient
// as an Int on the left (1 omitted, -1 as a Neg).
ExprPtr build_monomial(const Monomial& m);

}  // namespace kalvira
