#pragma once

// The balls of the algebra layer's values, given a ball for each kernel.

#include <vector>

#include "algebra/rational_function.hpp"
#include "ast/cancellation.hpp"
#include "certified/arb_ball.hpp"

namespace kalvira {

ArbBall polynomial_ball(const Polynomial& poly, const std::vector<ArbBall>& kernels, slong precision,
                        const Cancellation& cancel);

// Throws Undecided while the denominator's ball holds zero.
ArbBall quotient_ball(const RationalFunction& value, const std::vector<ArbBall>& kernels, slong precision,
                      const Cancellation& cancel);

}  // namespace kalvira
