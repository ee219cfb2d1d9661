#pragma once

// The school operations on trees: exact, with rational coefficients of any
// size, results in the form a teacher writes (school_form.hpp). Each call
// works in a ring of its own, so calls on different threads share nothing.
// They throw AlgebraError (an invalid_argument) for division by zero, the
// square root of a negative number, tan at an odd multiple of pi/2, ln of
// zero or a negative number and results that do not fit the tree's 32-bit
// numbers, and Cancelled when cancel asks to stop.

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// Products, negations, quotients by numbers and powers with non-negative
// integer exponents multiplied out, like terms collected.
ExprPtr school_expand(const ExprPtr& tree, const Cancellation& cancel);

// Numbers worked out, like terms and surds collected, a rational expression
// as one fraction in lowest terms.
ExprPtr school_simplify(const ExprPtr& tree, const Cancellation& cancel);

// Factorised over the integers: content and sign first, then letters, then
// irreducible polynomial factors, repeated ones as powers; a quotient
// factorises its numerator and denominator.
ExprPtr school_factor(const ExprPtr& tree, const Cancellation& cancel);

// Whether the tree's exact value is 0. Letters, pi, e, roots of primes and
// applications of functions to distinct arguments count as independent, so
// an identity between functions (sin^2 + cos^2 = 1) is not seen. Throws
// where the tree has no value or is too large to work out, as above.
bool school_is_zero(const ExprPtr& tree, const Cancellation& cancel);

}  // namespace kalvira
