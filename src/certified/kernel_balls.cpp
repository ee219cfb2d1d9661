#include "certified/kernel_balls.hpp"

#include "algebra/algebra_error.hpp"
#include "certified/polynomial_ball.hpp"

namespace kalvira {

namespace {

bool is_positive(const ArbBall& ball, const char* what) {
    if (arb_is_positive(ball.get())) {
        return true;
    }
    if (arb_is_negative(ball.get())) {
        return false;
    }
    throw Undecided{what};
}

// The real root of the given degree; of a negative number only for an odd one.
ArbBall real_root(const ArbBall& radicand, ulong degree, UndefinedCause negative, slong precision) {
    ArbBall root;
    if (arb_is_zero(radicand.get())) {
        return root;
    }
    if (is_positive(radicand, "the sign of a root's argument")) {
        arb_root_ui(root.get(), radicand.get(), degree, precision);
        return root;
    }
    if (degree % 2 == 0) {
        throw UndefinedValue(negative);
    }
    arb_neg(root.get(), radicand.get());
    arb_root_ui(root.get(), root.get(), degree, precision);
    arb_neg(root.get(), root.get());
    return root;
}

ArbBall tangent(const ArbBall& angle, slong precision) {
    ArbBall sine;
    ArbBall cosine;
    arb_sin_cos(sine.get(), cosine.get(), angle.get(), precision);
    if (arb_contains_zero(cosine.get())) {
        throw Undecided{"whether the cosine under a tangent is zero"};
    }
    arb_div(sine.get(), sine.get(), cosine.get(), precision);
    return sine;
}

ArbBall logarithm(const ArbBall& argument, slong precision) {
    if (!is_positive(argument, "the sign of a logarithm's argument")) {
        throw UndefinedValue(UndefinedCause::LOGARITHM_OF_NON_POSITIVE);
    }
    ArbBall value;
    arb_log(value.get(), argument.get(), precision);
    return value;
}

// base^w, where the algebra layer keeps w a positive rational 1/q (q > 3) or
// a value that is not rational.
ArbBall power(const Kernel& kernel, const ArbBall& base, const ArbBall& exponent, slong precision) {
    const RationalFunction& w = kernel.arguments[1];
    ArbBall value;
    if (kernel.arguments[0].num.is_zero()) {
        if (!is_positive(exponent, "the sign of an exponent of zero")) {
            throw UndefinedValue(UndefinedCause::DIVISION_BY_ZERO);
        }
        return value;
    }
    if (w.is_rational_number()) {
        Fraction q;
        fmpq_mpoly_get_fmpq(q.get(), w.num.get(), w.num.ctx());
        value = real_root(base, fmpz_get_ui(q.den()), UndefinedCause::EVEN_ROOT_OF_NEGATIVE, precision);
        arb_pow_fmpz(value.get(), value.get(), q.num(), precision);
        return value;
    }
    if (!is_positive(base, "the sign of a power's base")) {
        throw UndefinedValue(UndefinedCause::NEGATIVE_TO_IRRATIONAL_POWER);
    }
    arb_pow(value.get(), base.get(), exponent.get(), precision);
    return value;
}

ArbBall opaque_ball(const Kernel& kernel, const std::vector<ArbBall>& known, slong precision,
                    const Cancellation& cancel) {
    const ArbBall argument = quotient_ball(kernel.arguments[0], known, precision, cancel);
    ArbBall value;
    switch (kernel.function) {
    case ExprType::SQRT:
        return real_root(argument, 2, UndefinedCause::NEGATIVE_SQUARE_ROOT, precision);
    case ExprType::CBRT:
        return real_root(argument, 3, UndefinedCause::NEGATIVE_SQUARE_ROOT, precision);
    case ExprType::SIN:
        arb_sin(value.get(), argument.get(), precision);
        return value;
    case ExprType::COS:
        arb_cos(value.get(), argument.get(), precision);
        return value;
    case ExprType::TAN:
        return tangent(argument, precision);
    case ExprType::LOG:
        return logarithm(argument, precision);
    default:
        return power(kernel, argument, quotient_ball(kernel.arguments[1], known, precision, cancel), precision);
    }
}

ArbBall kernel_ball(const Kernel& kernel, const std::vector<ArbBall>& known, slong precision,
                    const Cancellation& cancel) {
    ArbBall value;
    switch (kernel.kind) {
    case KernelKind::LETTER:
        throw AlgebraError("no value given for the variable " + kernel.name);
    case KernelKind::PI:
        arb_const_pi(value.get(), precision);
        return value;
    case KernelKind::E:
        arb_const_e(value.get(), precision);
        return value;
    case KernelKind::SQUARE_ROOT:
    case KernelKind::CUBE_ROOT:
        arb_set_fmpz(value.get(), kernel.prime.get());
        arb_root_ui(value.get(), value.get(), kernel.kind == KernelKind::SQUARE_ROOT ? 2 : 3, precision);
        return value;
    case KernelKind::OPAQUE:
        break;
    }
    return opaque_ball(kernel, known, precision, cancel);
}

}  // namespace

void refuse_huge(const ArbBall& ball) {
    if (!arb_is_finite(ball.get()) || arf_cmpabs_2exp_si(arb_midref(ball.get()), LARGEST_EXPONENT_BITS) > 0) {
        throw AlgebraError("the value is too large to work out");
    }
}

std::vector<ArbBall> kernel_balls(const Algebra& algebra, slong precision, const Cancellation& cancel) {
    const KernelTable& kernels = algebra.kernels();
    std::vector<ArbBall> balls;
    balls.reserve(static_cast<std::size_t>(kernels.size()));
    for (slong index = 0; index < kernels.size(); ++index) {
        cancel.poll();
        balls.push_back(kernel_ball(kernels[index], balls, precision, cancel));
        refuse_huge(balls.back());
    }
    return balls;
}

}  // namespace kalvira
