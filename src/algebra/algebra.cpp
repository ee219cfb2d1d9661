#include "algebra/algebra.hpp"

#include "algebra/algebra_error.hpp"
#include "algebra/compact_ring.hpp"

#include <algorithm>
#include <cmath>

namespace kalvira {

namespace {

// The part of poly that goes with kernel^power.
Polynomial coefficient_of(const Polynomial& poly, slong kernel, ulong power) {
    Polynomial part(poly.ring());
    fmpq_mpoly_get_coeff_vars_ui(part.get(), poly.get(), &kernel, &power, 1, poly.ctx());
    return part;
}

Polynomial kernel_power(const PolynomialRing& ring, slong kernel, ulong power) {
    Polynomial result(ring);
    fmpq_mpoly_gen(result.get(), kernel, ring.get());
    fmpq_mpoly_pow_ui(result.get(), result.get(), power, ring.get());
    return result;
}

// The most pairs of terms a product multiplies, the most terms times the
// exponent of a power of a sum, and the most bits of a power of a number:
// beyond them the work would take too long to stop (FLINT's calls cannot be
// interrupted), and the result could not be shown anyway.
constexpr double LARGEST_PRODUCT_WORK = double(1 << 22);
constexpr double LARGEST_POWER_WORK = double(1 << 24);
constexpr ulong LARGEST_NUMBER_BITS = ulong{1} << 22;

// The bits of the largest numerator or denominator among poly's coefficients.
ulong height_bits(const Polynomial& poly) {
    const fmpq* content = poly.get()->content;
    const auto integral = static_cast<ulong>(std::abs(fmpz_mpoly_max_bits(poly.get()->zpoly)));
    return integral + std::max(fmpz_bits(fmpq_numref(content)), fmpz_bits(fmpq_denref(content)));
}

Polynomial product(const Polynomial& a, const Polynomial& b) {
    if (static_cast<double>(a.length()) * static_cast<double>(b.length()) > LARGEST_PRODUCT_WORK) {
        throw AlgebraError("the product is too large to multiply out");
    }
    // Numbers squared again and again (x^(2^64) at x = 2) double their bits each time.
    if (height_bits(a) + height_bits(b) > LARGEST_NUMBER_BITS) {
        throw AlgebraError("the product's numbers are too large to work out");
    }
    Polynomial result(a.ring());
    fmpq_mpoly_mul(result.get(), a.get(), b.get(), a.ctx());
    return result;
}

Polynomial difference(const Polynomial& a, const Polynomial& b) {
    Polynomial result(a.ring());
    fmpq_mpoly_sub(result.get(), a.get(), b.get(), a.ctx());
    return result;
}

// The factor that turns a + b r + c r^2, r = cbrt(q), into a rational
// expression in the other kernels: (a^2 - bcq) + (c^2 q - ab) r + (b^2 - ac) r^2.
Polynomial cube_root_conjugate(const Polynomial& den, slong kernel, const Polynomial& q) {
    const PolynomialRing& ring = den.ring();
    const Polynomial a = coefficient_of(den, kernel, 0);
    const Polynomial b = coefficient_of(den, kernel, 1);
    const Polynomial c = coefficient_of(den, kernel, 2);
    Polynomial conjugate = difference(product(a, a), product(product(b, c), q));
    fmpq_mpoly_add(conjugate.get(), conjugate.get(),
                   product(difference(product(product(c, c), q), product(a, b)), kernel_power(ring, kernel, 1)).get(),
                   ring.get());
    fmpq_mpoly_add(conjugate.get(), conjugate.get(),
                   product(difference(product(b, b), product(a, c)), kernel_power(ring, kernel, 2)).get(), ring.get());
    return conjugate;
}

// The factor that turns a + b r, r = sqrt(q), into a^2 - b^2 q: a - b r.
Polynomial square_root_conjugate(const Polynomial& den, slong kernel) {
    return difference(coefficient_of(den, kernel, 0),
                      product(coefficient_of(den, kernel, 1), kernel_power(den.ring(), kernel, 1)));
}

// At most binomial(n + t - 1, t - 1) terms: the monomials of degree n in t.
double most_terms_of_power(slong terms, double exponent) {
    return std::exp(std::lgamma(exponent + static_cast<double>(terms)) - std::lgamma(exponent + 1) -
                    std::lgamma(static_cast<double>(terms)));
}

}  // namespace

RationalFunction Algebra::number(const fmpq* value) const {
    RationalFunction result(ring_);
    fmpq_mpoly_set_fmpq(result.num.get(), value, ring_.get());
    return result;
}

RationalFunction Algebra::number(slong num, ulong den) const {
    const Fraction value(num, den);
    return number(value.get());
}

RationalFunction Algebra::kernel(slong index) const {
    RationalFunction result(ring_);
    fmpq_mpoly_gen(result.num.get(), index, ring_.get());
    return result;
}

Polynomial Algebra::radicand_of(slong root) const {
    const Kernel& kernel = kernels_[root];
    if (kernel.kind == KernelKind::OPAQUE) {
        return kernel.arguments[0].num;
    }
    Polynomial prime(ring_);
    fmpq_mpoly_set_fmpz(prime.get(), kernel.prime.get(), ring_.get());
    return prime;
}

void Algebra::reduce_roots(Polynomial& poly) const {
    for (const slong kernel : kernels_.roots()) {
        const ulong index = kernels_[kernel].root_index();
        const slong degree = fmpq_mpoly_degree_si(poly.get(), kernel, ring_.get());
        if (degree < static_cast<slong>(index)) {
            continue;
        }
        const Polynomial radicand = radicand_of(kernel);
        Polynomial reduced(ring_);
        Polynomial factor(ring_);
        for (ulong power = 0; power <= static_cast<ulong>(degree); ++power) {
            Polynomial part = coefficient_of(poly, kernel, power);
            if (part.is_zero()) {
                continue;
            }
            fmpq_mpoly_pow_ui(factor.get(), radicand.get(), power / index, ring_.get());
            fmpq_mpoly_add(reduced.get(), reduced.get(),
                           product(product(part, factor), kernel_power(ring_, kernel, power % index)).get(),
                           ring_.get());
        }
        poly = std::move(reduced);
    }
}

void Algebra::rationalise(RationalFunction& value) const {
    for (const slong kernel : kernels_.roots()) {
        if (fmpq_mpoly_degree_si(value.den.get(), kernel, ring_.get()) <= 0) {
            continue;
        }
        const Polynomial conjugate = kernels_[kernel].root_index() == 2
                                         ? square_root_conjugate(value.den, kernel)
                                         : cube_root_conjugate(value.den, kernel, radicand_of(kernel));
        value.num = product(value.num, conjugate);
        value.den = product(value.den, conjugate);
        reduce_roots(value.num);
        reduce_roots(value.den);
    }
}

void Algebra::cancel_common_factors(RationalFunction& value) const {
    if (value.num.is_zero()) {
        fmpq_mpoly_one(value.den.get(), ring_.get());
        return;
    }
    const CompactRing compact({&value.num, &value.den});
    const Polynomial num = compact.to_compact(value.num);
    const Polynomial den = compact.to_compact(value.den);
    Polynomial common(compact.ring());
    Polynomial num_rest(compact.ring());
    Polynomial den_rest(compact.ring());
    if (!fmpq_mpoly_gcd_cofactors(common.get(), num_rest.get(), den_rest.get(), num.get(), den.get(), compact.get())) {
        throw AlgebraError("the expression is too large to simplify");
    }
    if (!common.is_one()) {
        compact.to_wide(value.num, num_rest);
        compact.to_wide(value.den, den_rest);
    }
    Fraction leading;
    fmpq_mpoly_get_term_coeff_fmpq(leading.get(), value.den.get(), 0, ring_.get());
    if (!fmpq_is_one(leading.get())) {
        fmpq_mpoly_scalar_div_fmpq(value.num.get(), value.num.get(), leading.get(), ring_.get());
        fmpq_mpoly_scalar_div_fmpq(value.den.get(), value.den.get(), leading.get(), ring_.get());
    }
}

void Algebra::normalise(RationalFunction& value) const {
    reduce_roots(value.num);
    if (value.den.is_one()) {
        return;
    }
    reduce_roots(value.den);
    rationalise(value);
    cancel_common_factors(value);
}

void Algebra::add(RationalFunction& into, const RationalFunction& term) const {
    if (into.den == term.den) {
        fmpq_mpoly_add(into.num.get(), into.num.get(), term.num.get(), ring_.get());
        if (!into.den.is_one()) {
            cancel_common_factors(into);
        }
        return;
    }
    into.num = product(into.num, term.den);
    fmpq_mpoly_add(into.num.get(), into.num.get(), product(term.num, into.den).get(), ring_.get());
    into.den = product(into.den, term.den);
    cancel_common_factors(into);
}

void Algebra::negate(RationalFunction& value) const { fmpq_mpoly_neg(value.num.get(), value.num.get(), ring_.get()); }

void Algebra::multiply(RationalFunction& into, const RationalFunction& factor) const {
    into.num = product(into.num, factor.num);
    if (into.den.is_one() && factor.den.is_one()) {
        reduce_roots(into.num);
        return;
    }
    into.den = product(into.den, factor.den);
    normalise(into);
}

void Algebra::divide(RationalFunction& into, const RationalFunction& divisor) const {
    if (divisor.num.is_zero()) {
        throw UndefinedValue(UndefinedCause::DIVISION_BY_ZERO);
    }
    if (divisors_ && !divisor.is_rational_number()) {
        divisors_->push_back(divisor);
    }
    into.num = product(into.num, divisor.den);
    into.den = product(into.den, divisor.num);
    normalise(into);
}

void Algebra::raise(RationalFunction& base, const fmpz* exponent) const {
    if (fmpz_sgn(exponent) < 0) {
        RationalFunction inverse = number(1);
        divide(inverse, base);
        base = std::move(inverse);
    }
    Integer magnitude;
    fmpz_abs(magnitude.get(), exponent);
    refuse_huge_power(base, magnitude.get());
    if (!has_root_kernels(base)) {
        fmpq_mpoly_pow_fmpz(base.num.get(), base.num.get(), magnitude.get(), ring_.get());
        fmpq_mpoly_pow_fmpz(base.den.get(), base.den.get(), magnitude.get(), ring_.get());
        return;
    }
    // Squaring and multiplying, reducing the roots at each step, keeps the
    // powers of root kernels small; the numbers the reductions bring in are
    // watched as they grow.
    RationalFunction result = number(1);
    // Checked before each step, so the power is named rather than the product.
    const flint_bitcnt_t base_bits = height_bits(base.num);
    for (flint_bitcnt_t bit = fmpz_bits(magnitude.get()); bit-- > 0;) {
        if (2 * height_bits(result.num) + base_bits > LARGEST_NUMBER_BITS) {
            throw AlgebraError("the power with exponent " + number_text(exponent) + " is too large to work out");
        }
        multiply(result, result);
        if (fmpz_tstbit(magnitude.get(), bit)) {
            multiply(result, base);
        }
    }
    base = std::move(result);
}

bool Algebra::has_root_kernels(const RationalFunction& value) const {
    for (const slong kernel : kernels_.roots()) {
        if (fmpq_mpoly_degree_si(value.num.get(), kernel, ring_.get()) > 0) {
            return true;
        }
    }
    return false;  // a normal denominator has no roots
}

void Algebra::refuse_huge_power(const RationalFunction& base, const fmpz* exponent) const {
    const slong terms = std::max(base.num.length(), base.den.length());
    const bool sum = terms > 1;
    const double power = fmpz_get_d(exponent);
    if (sum && most_terms_of_power(terms, power) * power > LARGEST_POWER_WORK) {
        throw AlgebraError("the exponent " + number_text(exponent) + " is too large to multiply out");
    }
    Fraction coefficient;
    if (!base.num.is_zero()) {
        fmpq_mpoly_get_term_coeff_fmpq(coefficient.get(), base.num.get(), 0, ring_.get());
    }
    const flint_bitcnt_t bits = std::max(fmpz_bits(coefficient.num()), fmpz_bits(coefficient.den())) + (sum ? 1 : 0);
    if (bits > 1 && fmpz_cmp_ui(exponent, LARGEST_NUMBER_BITS / bits) > 0) {
        throw AlgebraError("the power with exponent " + number_text(exponent) + " is too large to work out");
    }
}

}  // namespace kalvira
