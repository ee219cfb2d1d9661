// Exact values of sine, cosine and tangent at 0, pi, pi/2 and pi/4.

#include <stdexcept>

#include "ast/make_node.hpp"
#include "simplifier/rules.hpp"

namespace kalvira {

namespace {

// op read as n * pi / d, by its shape alone: pi, pi / d, or (n * pi) / d
// with integer literals n and d.
struct PiMultiple {
    bool is_pi_mul = false;
    int n = 1;
    int d = 1;
};

PiMultiple as_pi_multiple(const ExprPtr& op) {
    PiMultiple result;
    if (op->type() == ExprType::PI) {
        result.is_pi_mul = true;
        return result;
    }
    if (op->type() != ExprType::DIV) {
        return result;
    }
    const auto& div = static_cast<const Div&>(*op);
    if (div.den()->type() != ExprType::INT) {
        return result;
    }
    result.d = static_cast<const Int&>(*div.den()).value();
    const ExprPtr& num = div.num();
    if (num->type() == ExprType::PI) {
        result.is_pi_mul = true;
    } else if (num->type() == ExprType::MUL) {
        const auto& mul = static_cast<const Mul&>(*num);
        if (mul.left()->type() == ExprType::INT && mul.right()->type() == ExprType::PI) {
            result.is_pi_mul = true;
            result.n = static_cast<const Int&>(*mul.left()).value();
        }
    }
    return result;
}

ExprPtr half_sqrt2() { return std::make_shared<Div>(std::make_shared<Sqrt>(make_int(2)), make_int(2)); }

}  // namespace

RuleResult rule_trig(ExprType kind, const ExprPtr& op) {
    if (is_int(op, 0)) {
        return {make_int(kind == ExprType::COS ? 1 : 0), Rule::TRIG_OF_ZERO};
    }
    const PiMultiple angle = as_pi_multiple(op);
    if (angle.is_pi_mul && angle.n == 1) {
        switch (angle.d) {
        case 4:  // pi/4
            return {kind == ExprType::TAN ? make_int(1) : half_sqrt2(), Rule::TRIG_SPECIAL_ANGLE};
        case 1:  // pi
            return {make_int(kind == ExprType::COS ? -1 : 0), Rule::TRIG_SPECIAL_ANGLE};
        case 2:  // pi/2
            if (kind == ExprType::TAN) {
                throw std::invalid_argument(errors::TAN_OF_HALF_PI);
            }
            return {make_int(kind == ExprType::SIN ? 1 : 0), Rule::TRIG_SPECIAL_ANGLE};
        default:
            break;
        }
    }
    return {};
}

}  // namespace kalvira
