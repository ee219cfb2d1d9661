#include "certified/certified_value.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "algebra/algebra_error.hpp"
#include "algebra/fitting_ring.hpp"
#include "certified/kernel_balls.hpp"
#include "certified/polynomial_ball.hpp"

namespace kalvira {

namespace {

// The working precision starts this far above the bits asked for and
// doubles up to the larger of HIGHEST_PRECISION and four times them.
constexpr slong GUARD_BITS = 32;
constexpr slong HIGHEST_PRECISION = slong{1} << 14;
// A value whose ball holds zero at the highest precision is given back as
// it is only when it is this many bits narrower than asked for.
constexpr slong ZERO_MARGIN_BITS = 1000;

// What the exact pass leaves for the balls to check and work out.
struct ExactPass {
    const Algebra& algebra;
    const RationalFunction& value;
    const std::vector<RationalFunction>& divisors;
};

// Throws Undecided while a divisor's ball holds zero.
void check_divisors(const ExactPass& pass, const std::vector<ArbBall>& kernels, slong precision,
                    const Cancellation& cancel) {
    for (const RationalFunction& divisor : pass.divisors) {
        const ArbBall ball = quotient_ball(divisor, kernels, precision, cancel);
        if (arb_is_zero(ball.get())) {
            throw UndefinedValue(UndefinedCause::DIVISION_BY_ZERO);
        }
        if (arb_contains_zero(ball.get())) {
            throw Undecided{"whether a divisor is zero"};
        }
    }
}

// A value this close to zero, but not zero, has exact endpoints too long
// to write out.
void refuse_tiny(const ArbBall& ball) {
    if (!arb_contains_zero(ball.get()) && arf_cmpabs_2exp_si(arb_midref(ball.get()), -LARGEST_EXPONENT_BITS) < 0) {
        throw AlgebraError("the value is too close to zero to work out");
    }
}

bool narrow_enough(const ArbBall& ball, slong bits) { return arb_rel_accuracy_bits(ball.get()) >= bits; }

bool probably_zero(const ArbBall& ball, slong bits) {
    return arb_contains_zero(ball.get()) && mag_cmp_2exp_si(arb_radref(ball.get()), -(bits + ZERO_MARGIN_BITS)) < 0;
}

// The ball of the value at rising precisions; with exact set, only the
// checks (the value itself is known).
ArbBall certified_ball(const ExactPass& pass, bool exact, slong bits, const Cancellation& cancel) {
    const slong highest = std::max(HIGHEST_PRECISION, 4 * bits);
    const char* undecided = nullptr;
    for (slong precision = bits + GUARD_BITS; precision <= highest; precision *= 2) {
        try {
            const std::vector<ArbBall> kernels = kernel_balls(pass.algebra, precision, cancel);
            check_divisors(pass, kernels, precision, cancel);
            ArbBall ball;
            if (!exact) {
                ball = quotient_ball(pass.value, kernels, precision, cancel);
                refuse_huge(ball);
                refuse_tiny(ball);
            }
            if (exact || narrow_enough(ball, bits) || (precision * 2 > highest && probably_zero(ball, bits))) {
                return ball;
            }
            undecided = "the value to the digits asked for";
        } catch (const Undecided& open) {
            undecided = open.what;
        }
    }
    throw AlgebraError(std::string("cannot decide ") + undecided + " at " + std::to_string(highest) +
                       " bits of precision");
}

}  // namespace

CertifiedValue certified_value(const ExprPtr& tree, const LetterValues& point, slong bits, const Cancellation& cancel) {
    if (!tree) {
        throw AlgebraError("no expression");
    }
    return in_fitting_ring([&](Algebra& algebra) {
        std::vector<RationalFunction> divisors;
        algebra.record_divisors(&divisors);
        const RationalFunction value = to_algebra(algebra, tree, cancel, &point);
        const ExactPass pass{algebra, value, divisors};
        CertifiedValue result;
        result.exact = value.is_rational_number();
        if (result.exact) {
            fmpq_mpoly_get_fmpq(result.rational.get(), value.num.get(), value.num.ctx());
            if (algebra.kernels().size() == 0 && divisors.empty()) {
                return result;
            }
        }
        result.ball = certified_ball(pass, result.exact, bits, cancel);
        // A ball of radius zero is its midpoint exactly (0^pi is 0).
        if (!result.exact && arb_is_exact(result.ball.get())) {
            result.exact = true;
            arf_get_fmpq(result.rational.get(), arb_midref(result.ball.get()));
        }
        return result;
    });
}

}  // namespace kalvira
