#include "algebra/function_values.hpp"

#include <flint/fmpz_factor.h>

#include <optional>
#include <utility>
#include <vector>

#include "algebra/algebra_error.hpp"

namespace kalvira {

namespace {

std::string fraction_text(const fmpq* value) {
    std::string text = number_text(fmpq_numref(value));
    if (!fmpz_is_one(fmpq_denref(value))) {
        text += "/" + number_text(fmpq_denref(value));
    }
    return text;
}

Fraction rational_value(const RationalFunction& value) {
    Fraction result;
    fmpq_mpoly_get_fmpq(result.get(), value.num.get(), value.num.ctx());
    return result;
}

// The square or cube root of a rational number: sqrt(a/b) = sqrt(ab)/b, and
// the square and cube factors of the radicand taken out, so that what stays
// under a root is a product of distinct root kernels of primes.
RationalFunction root_of_number(Algebra& algebra, KernelKind kind, const fmpq* radicand) {
    if (fmpq_sgn(radicand) < 0) {
        if (kind == KernelKind::SQUARE_ROOT) {
            throw UndefinedValue(
                UndefinedCause::NEGATIVE_SQUARE_ROOT,
                "the square root of the negative number " + fraction_text(radicand) + " is not a real number");
        }
        Fraction magnitude;
        fmpq_neg(magnitude.get(), radicand);
        RationalFunction root = root_of_number(algebra, kind, magnitude.get());
        algebra.negate(root);
        return root;
    }
    const ulong index = kind == KernelKind::SQUARE_ROOT ? 2 : 3;
    Integer whole;
    fmpz_pow_ui(whole.get(), fmpq_denref(radicand), index - 1);
    fmpz_mul(whole.get(), whole.get(), fmpq_numref(radicand));
    RationalFunction result = algebra.number(1);
    if (fmpz_is_zero(whole.get())) {
        return algebra.zero();
    }
    fmpz_factor_t primes;
    fmpz_factor_init(primes);
    fmpz_factor(primes, whole.get());
    Fraction outside;
    fmpq_set_fmpz(outside.get(), fmpq_denref(radicand));
    fmpq_inv(outside.get(), outside.get());
    Integer power;
    for (slong i = 0; i < primes->num; ++i) {
        fmpz_pow_ui(power.get(), primes->p + i, primes->exp[i] / index);
        fmpq_mul_fmpz(outside.get(), outside.get(), power.get());
        for (ulong left = primes->exp[i] % index; left > 0; --left) {
            algebra.multiply(result, algebra.kernel(algebra.kernels().root(kind, primes->p + i)));
        }
    }
    fmpz_factor_clear(primes);
    algebra.multiply(result, algebra.number(outside.get()));
    return result;
}

// k when value is k pi / 12 for an integer k, reduced to 0..23.
std::optional<slong> twelfths_of_pi(Algebra& algebra, const RationalFunction& value) {
    if (value.num.is_zero()) {
        return 0;
    }
    if (!value.is_polynomial() || value.num.length() != 1) {
        return std::nullopt;
    }
    const RationalFunction pi = algebra.kernel(algebra.kernels().pi());
    Fraction multiple;
    fmpq_mpoly_get_term_coeff_fmpq(multiple.get(), value.num.get(), 0, algebra.ring().get());
    RationalFunction rest = value;
    fmpq_mpoly_scalar_div_fmpq(rest.num.get(), rest.num.get(), multiple.get(), algebra.ring().get());
    fmpq_mul_si(multiple.get(), multiple.get(), 12);
    if (!(rest.num == pi.num) || !fmpz_is_one(fmpq_denref(multiple.get()))) {
        return std::nullopt;
    }
    return static_cast<slong>(fmpz_fdiv_ui(fmpq_numref(multiple.get()), 24));
}

// sin(k pi / 12) as a + b sqrt(p), for multiples of pi/6 and pi/4.
struct SineValue {
    slong a_num, a_den, b_num, b_den, prime;
};

std::optional<SineValue> exact_sine(slong k) {
    if (k >= 12) {
        std::optional<SineValue> value = exact_sine(k - 12);
        if (value) {
            value->a_num = -value->a_num;
            value->b_num = -value->b_num;
        }
        return value;
    }
    switch (k > 6 ? 12 - k : k) {
    case 0:
        return SineValue{0, 1, 0, 1, 1};
    case 2:
        return SineValue{1, 2, 0, 1, 1};
    case 3:
        return SineValue{0, 1, 1, 2, 2};
    case 4:
        return SineValue{0, 1, 1, 2, 3};
    case 6:
        return SineValue{1, 1, 0, 1, 1};
    default:
        return std::nullopt;
    }
}

RationalFunction sine_value(Algebra& algebra, const SineValue& value) {
    RationalFunction result = algebra.number(value.a_num, static_cast<ulong>(value.a_den));
    if (value.b_num != 0) {
        const Fraction prime(value.prime, 1);
        RationalFunction root = root_of_number(algebra, KernelKind::SQUARE_ROOT, prime.get());
        algebra.multiply(root, algebra.number(value.b_num, static_cast<ulong>(value.b_den)));
        algebra.add(result, root);
    }
    return result;
}

std::optional<RationalFunction> trig_value(Algebra& algebra, ExprType kind, const RationalFunction& angle) {
    const std::optional<slong> k = twelfths_of_pi(algebra, angle);
    if (!k) {
        return std::nullopt;
    }
    const std::optional<SineValue> sine = exact_sine(*k);
    if (!sine) {
        return std::nullopt;
    }
    const SineValue cosine = *exact_sine((*k + 6) % 24);
    if (kind == ExprType::SIN) {
        return sine_value(algebra, *sine);
    }
    if (kind == ExprType::COS) {
        return sine_value(algebra, cosine);
    }
    RationalFunction tangent = sine_value(algebra, *sine);
    const RationalFunction cosine_value = sine_value(algebra, cosine);
    if (cosine_value.num.is_zero()) {
        throw UndefinedValue(UndefinedCause::TANGENT_AT_ODD_HALF_PI, "tan is not defined at odd multiples of pi/2");
    }
    algebra.divide(tangent, cosine_value);
    return tangent;
}

// The exponent k when power is e^k, as a power of the kernel e or an
// opaque power of e.
std::optional<RationalFunction> exponent_of_e(Algebra& algebra, const Polynomial& power) {
    if (power.length() != 1) {
        return std::nullopt;
    }
    const KernelTable& kernels = algebra.kernels();
    Fraction coefficient;
    fmpq_mpoly_get_term_coeff_fmpq(coefficient.get(), power.get(), 0, algebra.ring().get());
    if (!fmpq_is_one(coefficient.get())) {
        return std::nullopt;
    }
    std::vector<int> used(static_cast<std::size_t>(algebra.ring().variables()));
    fmpq_mpoly_used_vars(used.data(), power.get(), algebra.ring().get());
    std::optional<slong> only;
    for (slong kernel = 0; kernel < kernels.size(); ++kernel) {
        if (used[static_cast<std::size_t>(kernel)]) {
            if (only) {
                return std::nullopt;
            }
            only = kernel;
        }
    }
    if (!only) {
        return std::nullopt;
    }
    const Kernel& kernel = kernels[*only];
    const slong times = fmpq_mpoly_degree_si(power.get(), *only, algebra.ring().get());
    if (kernel.kind == KernelKind::E) {
        return algebra.number(times);
    }
    if (kernel.kind == KernelKind::OPAQUE && kernel.function == ExprType::POW) {
        const RationalFunction& base = kernel.arguments[0];
        const RationalFunction e = algebra.kernel(algebra.kernels().e());
        if (base.is_polynomial() && base.num == e.num) {
            RationalFunction exponent = kernel.arguments[1];
            algebra.multiply(exponent, algebra.number(times));
            return exponent;
        }
    }
    return std::nullopt;
}

RationalFunction logarithm(Algebra& algebra, RationalFunction argument) {
    if (argument.is_rational_number()) {
        const Fraction value = rational_value(argument);
        if (fmpq_sgn(value.get()) <= 0) {
            throw UndefinedValue(UndefinedCause::LOGARITHM_OF_NON_POSITIVE,
                                 "ln is defined only for positive numbers, not for " + fraction_text(value.get()));
        }
        if (fmpq_is_one(value.get())) {
            return algebra.zero();
        }
    }
    // ln e^k = k and ln (1 / e^k) = -k.
    if (argument.is_polynomial()) {
        if (std::optional<RationalFunction> exponent = exponent_of_e(algebra, argument.num)) {
            return std::move(*exponent);
        }
    } else if (argument.num.is_one()) {
        if (std::optional<RationalFunction> exponent = exponent_of_e(algebra, argument.den)) {
            algebra.negate(*exponent);
            return std::move(*exponent);
        }
    }
    std::vector<RationalFunction> arguments;
    arguments.push_back(std::move(argument));
    return algebra.kernel(algebra.kernels().opaque(ExprType::LOG, std::move(arguments)));
}

RationalFunction opaque(Algebra& algebra, ExprType kind, std::vector<RationalFunction> arguments) {
    return algebra.kernel(algebra.kernels().opaque(kind, std::move(arguments)));
}

RationalFunction opaque(Algebra& algebra, ExprType kind, RationalFunction argument) {
    std::vector<RationalFunction> arguments;
    arguments.push_back(std::move(argument));
    return opaque(algebra, kind, std::move(arguments));
}

}  // namespace

RationalFunction apply_function(Algebra& algebra, ExprType kind, RationalFunction argument) {
    switch (kind) {
    case ExprType::SQRT:
    case ExprType::CBRT:
        if (argument.is_rational_number()) {
            const KernelKind root = kind == ExprType::SQRT ? KernelKind::SQUARE_ROOT : KernelKind::CUBE_ROOT;
            return root_of_number(algebra, root, rational_value(argument).get());
        }
        break;
    case ExprType::LOG:
        return logarithm(algebra, std::move(argument));
    default:
        if (std::optional<RationalFunction> exact = trig_value(algebra, kind, argument)) {
            return std::move(*exact);
        }
        break;
    }
    return opaque(algebra, kind, std::move(argument));
}

// base^u for u = p w with p the integer numerator of u's first coefficient
// is (base^w)^p: powers of one base whose exponents differ by an integer
// factor are powers of one kernel, so they merge (x^n x^n = x^{2n}). With
// w = 1/2 or 1/3 the kernel is a root.
RationalFunction apply_power(Algebra& algebra, RationalFunction base, RationalFunction exponent) {
    if (base.is_rational_number() && base.num.is_one()) {
        return base;
    }
    Fraction first;
    if (!exponent.num.is_zero()) {
        fmpq_mpoly_get_term_coeff_fmpq(first.get(), exponent.num.get(), 0, algebra.ring().get());
    }
    Integer times;
    fmpz_set(times.get(), first.num());
    if (fmpz_is_zero(times.get()) || exponent.is_rational_number()) {
        if (fmpz_is_one(first.den()) || fmpz_is_zero(times.get())) {
            algebra.raise(base, times.get());
            return base;
        }
        if (fmpz_equal_ui(first.den(), 2) || fmpz_equal_ui(first.den(), 3)) {
            const bool square = fmpz_equal_ui(first.den(), 2);
            RationalFunction root =
                base.is_rational_number()
                    ? root_of_number(algebra, square ? KernelKind::SQUARE_ROOT : KernelKind::CUBE_ROOT,
                                     rational_value(base).get())
                    : apply_function(algebra, square ? ExprType::SQRT : ExprType::CBRT, std::move(base));
            algebra.raise(root, times.get());
            return root;
        }
    }
    fmpq_mpoly_scalar_div_fmpz(exponent.num.get(), exponent.num.get(), times.get(), algebra.ring().get());
    std::vector<RationalFunction> arguments;
    arguments.push_back(std::move(base));
    arguments.push_back(std::move(exponent));
    RationalFunction power = opaque(algebra, ExprType::POW, std::move(arguments));
    algebra.raise(power, times.get());
    return power;
}

}  // namespace kalvira
