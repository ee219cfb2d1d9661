#pragma once

// The balls of a computation's kernels at one precision, in the order they
// were found, so that each kernel's arguments use only balls made before
// it. Where a kernel is not defined (ln of a negative number) it throws
// UndefinedValue, and Undecided where this precision cannot tell (the sign
// of a square root's argument whose ball holds zero); signs that are zero
// exactly never get here: the algebra layer has worked those out already.

#include <vector>

#include "algebra/algebra.hpp"
#include "ast/cancellation.hpp"
#include "certified/arb_ball.hpp"

namespace kalvira {

// The most bits of the binary exponent of a value that evaluation works
// with: beyond them its exact endpoints could not be written out.
constexpr slong LARGEST_EXPONENT_BITS = slong{1} << 20;

// Throws AlgebraError when the ball is infinite or its magnitude is beyond
// 2^LARGEST_EXPONENT_BITS.
void refuse_huge(const ArbBall& ball);

std::vector<ArbBall> kernel_balls(const Algebra& algebra, slong precision, const Cancellation& cancel);

}  // namespace kalvira
