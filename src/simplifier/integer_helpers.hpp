#pragma once

#include <utility>

namespace kalvira {

// base to the power exp, wrapped to 32 bits; 0 for a negative exp.
int int_pow(int base, int exp);

// (outside, inside) with sqrt(n) = outside * sqrt(inside) and inside
// square-free; (0, 1) for 0. Throws std::invalid_argument for negative n.
std::pair<int, int> simplify_sqrt(int n);

}  // namespace kalvira
