// Rules of powers, square and cube roots and natural logarithms.

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "ast/errors.hpp"
#include "ast/make_node.hpp"
#include "simplifier/integer_helpers.hpp"
#include "simplifier/rules.hpp"

namespace kalvira {

ExprPtr rule_pow(const ExprPtr& base, const ExprPtr& exp) {
    if (is_int(exp, 0)) {
        return make_int(1);
    }
    if (is_int(base, 0) && is_negative_literal(*exp)) {
        // Zero to a negative power is one over zero.
        throw std::invalid_argument(errors::ZERO_DENOMINATOR);
    }
    if (is_int(exp, 1) || is_int(base, 0) || is_int(base, 1)) {
        return base;
    }
    if (base->type() == ExprType::INT && exp->type() == ExprType::INT) {
        const int b = static_cast<const Int&>(*base).value();
        const int e = static_cast<const Int&>(*exp).value();
        if (e >= 0) {
            return make_int(int_pow(b, e));
        }
        // A negative exponent gives a fraction; a power that wraps to 0
        // makes the constructor refuse the zero denominator.
        return std::make_shared<Rational>(1, int_pow(b, wrap_neg(e)));
    }
    return nullptr;
}

ExprPtr rule_sqrt(const ExprPtr& op) {
    if (op->type() == ExprType::INT) {
        const int value = static_cast<const Int&>(*op).value();
        if (value == 0 || value == 1) {
            return make_int(value);
        }
        const auto [outside, inside] = simplify_sqrt(value);
        if (inside == 1) {
            return make_int(outside);
        }
        if (outside > 1) {
            return std::make_shared<Mul>(make_int(outside),
                                         std::make_shared<Sqrt>(make_int(inside)));
        }
    }
    return nullptr;
}

ExprPtr rule_cbrt(const ExprPtr& op) {
    if (is_int(op, 0) || is_int(op, 1)) {
        return make_int(static_cast<const Int&>(*op).value());
    }
    if (op->type() == ExprType::POW) {
        const auto& pow = static_cast<const Pow&>(*op);
        if (is_int(pow.exp(), 3)) {
            return pow.base();
        }
    }
    if (op->type() == ExprType::INT) {
        // The one use of floating point: the double cube root, rounded half
        // away from zero, is exact whenever the value is a perfect cube.
        const int value = static_cast<const Int&>(*op).value();
        const auto root = static_cast<std::int64_t>(std::round(std::cbrt(static_cast<double>(value))));
        if (root * root * root == value) {
            return make_int(static_cast<int>(root));
        }
    }
    return nullptr;
}

ExprPtr rule_log(const ExprPtr& op) {
    if (is_int(op, 1)) {
        return make_int(0);
    }
    if (op->type() == ExprType::E) {
        return make_int(1);
    }
    if (op->type() == ExprType::POW) {
        const auto& pow = static_cast<const Pow&>(*op);
        if (pow.base()->type() == ExprType::E) {
            return pow.exp();
        }
    }
    return nullptr;
}

}  // namespace kalvira
