#pragma once

// The value of a tree at an exact rational point, certified. The algebra
// layer works it out first, with the letters bound to their numbers: a
// rational result is the exact value, and an exact zero where none may be
// (a divisor, a root's argument) is decided there. Otherwise the kernels
// and the value are evaluated as Arb balls, the precision doubling until
// every sign that matters is decided (divisors, the arguments of roots and
// logarithms, the cosine under a tangent, the bases of fractional powers)
// and the value's ball is narrow enough.

#include "algebra/polynomial.hpp"
#include "algebra/tree_to_algebra.hpp"
#include "ast/cancellation.hpp"
#include "ast/expr.hpp"
#include "certified/arb_ball.hpp"

namespace kalvira {

struct CertifiedValue {
    bool exact = false;
    Fraction rational;  // exact
    ArbBall ball;       // otherwise: holds the value
};

// Every letter of tree must have its number in point. The ball's relative
// radius is below 2^-bits, except for a value whose ball still holds zero
// at the highest precision: then it may be a zero the algebra layer cannot
// see (sin(1)^2 + cos(1)^2 - 1), and its ball comes back as it is, with a
// radius below 2^-(bits + 1000). Throws UndefinedValue where the point has
// no value, AlgebraError when the value is too large to work out or a sign
// that matters cannot be decided, and Cancelled when cancel asks to stop.
CertifiedValue certified_value(const ExprPtr& tree, const LetterValues& point, slong bits, const Cancellation& cancel);

}  // namespace kalvira
