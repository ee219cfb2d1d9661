#include "certified/polynomial_ball.hpp"

#include <cstddef>

#include "algebra/algebra_error.hpp"

namespace kalvira {

ArbBall polynomial_ball(const Polynomial& poly, const std::vector<ArbBall>& kernels, slong precision,
                        const Cancellation& cancel) {
    const std::size_t used = kernels.size();
    std::vector<Integer> exponents(static_cast<std::size_t>(poly.ring().variables()));
    std::vector<fmpz*> pointers;
    for (Integer& exponent : exponents) {
        pointers.push_back(exponent.get());
    }
    Fraction coefficient;
    ArbBall sum;
    ArbBall term;
    ArbBall power;
    for (slong index = 0; index < poly.length(); ++index) {
        cancel.poll();
        fmpq_mpoly_get_term_coeff_fmpq(coefficient.get(), poly.get(), index, poly.ctx());
        arb_set_fmpq(term.get(), coefficient.get(), precision);
        fmpq_mpoly_get_term_exp_fmpz(pointers.data(), poly.get(), index, poly.ctx());
        for (std::size_t kernel = 0; kernel < used; ++kernel) {
            if (!fmpz_is_zero(exponents[kernel].get())) {
                arb_pow_fmpz(power.get(), kernels[kernel].get(), exponents[kernel].get(), precision);
                arb_mul(term.get(), term.get(), power.get(), precision);
            }
        }
        arb_add(sum.get(), sum.get(), term.get(), precision);
    }
    return sum;
}

ArbBall quotient_ball(const RationalFunction& value, const std::vector<ArbBall>& kernels, slong precision,
                      const Cancellation& cancel) {
    ArbBall num = polynomial_ball(value.num, kernels, precision, cancel);
    if (value.den.is_one()) {
        return num;
    }
    const ArbBall den = polynomial_ball(value.den, kernels, precision, cancel);
    if (arb_is_zero(den.get())) {
        throw UndefinedValue(UndefinedCause::DIVISION_BY_ZERO);
    }
    if (arb_contains_zero(den.get())) {
        throw Undecided{"whether a denominator is zero"};
    }
    arb_div(num.get(), num.get(), den.get(), precision);
    return num;
}

}  // namespace kalvira
