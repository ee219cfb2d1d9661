// Rules of powers, square and cube roots and natural logarithms.

#include <cmath>
#include <cstdint>

#include "simplifier/integer_helpers.hpp"
#include "simplifier/rules.hpp"

namespace kalvira {

ExprPtr rewrite_pow(ExprPtr base, ExprPtr exp) {
    if (is_int(exp, 0)) {
        return std::make_shared<Int>(1);
    }
    if (is_int(exp, 1) || is_int(base, 0) || is_int(base, 1)) {
        return base;
    }
    if (base->type() == ExprType::INT && exp->type() == ExprType::INT) {
        const int b = std::static_pointer_cast<Int>(base)->value();
        const int e = std::static_pointer_cast<Int>(exp)->value();
        if (e >= 0) {
            return std::make_shared<Int>(int_pow(b, e));
        }
        // A negative exponent gives a fraction; a power that wraps to 0
        // makes the constructor refuse the zero denominator.
        return std::make_shared<Rational>(1, int_pow(b, wrap_neg(e)));
    }
    return std::make_shared<Pow>(std::move(base), std::move(exp));
}

ExprPtr rewrite_sqrt(ExprPtr op) {
    if (op->type() == ExprType::INT) {
        const int value = std::static_pointer_cast<Int>(op)->value();
        if (value == 0 || value == 1) {
            return std::make_shared<Int>(value);
        }
        const auto [outside, inside] = simplify_sqrt(value);
        if (inside == 1) {
            return std::make_shared<Int>(outside);
        }
        if (outside > 1) {
            return std::make_shared<Mul>(std::make_shared<Int>(outside),
                                         std::make_shared<Sqrt>(std::make_shared<Int>(inside)));
        }
    }
    return std::make_shared<Sqrt>(std::move(op));
}

ExprPtr rewrite_cbrt(ExprPtr op) {
    if (is_int(op, 0) || is_int(op, 1)) {
        return std::make_shared<Int>(std::static_pointer_cast<Int>(op)->value());
    }
    if (op->type() == ExprType::POW) {
        const auto pow = std::static_pointer_cast<Pow>(op);
        if (is_int(pow->exp(), 3)) {
            return pow->base();
        }
    }
    if (op->type() == ExprType::INT) {
        // The one use of floating point: the double cube root, rounded half
        // away from zero, is exact whenever the value is a perfect cube.
        const int value = std::static_pointer_cast<Int>(op)->value();
        const auto root = static_cast<std::int64_t>(std::round(std::cbrt(static_cast<double>(value))));
        if (root * root * root == value) {
            return std::make_shared<Int>(static_cast<int>(root));
        }
    }
    return std::make_shared<Cbrt>(std::move(op));
}

ExprPtr rewrite_log(ExprPtr op) {
    if (is_int(op, 1)) {
        return std::make_shared<Int>(0);
    }
    if (op->type() == ExprType::E) {
        return std::make_shared<Int>(1);
    }
    if (op->type() == ExprType::POW) {
        const auto pow = std::static_pointer_cast<Pow>(op);
        if (pow->base()->type() == ExprType::E) {
            return pow->exp();
        }
    }
    return std::make_shared<Log>(std::move(op));
}

}  // namespace kalvira
