#pragma once

// Roots, powers, sine, cosine, tangent and the natural logarithm of values:
// exact where the value is known (roots of rational numbers, the functions
// at multiples of pi/6 and pi/4, ln 1, ln e^k), otherwise an opaque kernel.

#include "algebra/algebra.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// kind is SQRT, CBRT, SIN, COS, TAN or LOG. Throws AlgebraError for the
// square root of a negative number, tan at an odd multiple of pi/2 and ln
// of zero or a negative number.
RationalFunction apply_function(Algebra& algebra, ExprType kind, RationalFunction argument);

RationalFunction apply_power(Algebra& algebra, RationalFunction base, RationalFunction exponent);

}  // namespace kalvira
