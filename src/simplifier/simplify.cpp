// The simplification driver and the arithmetic rules of negation, sums,
// products and quotients.

#include <cstdint>
#include <stdexcept>

#include "simplifier/rules.hpp"
#include "simplifier/simplifier.hpp"

namespace kalvira {

namespace {

bool is_int_node(const ExprPtr& e) { return e->type() == ExprType::INT; }

int int_value(const ExprPtr& e) { return std::static_pointer_cast<Int>(e)->value(); }

}  // namespace

ExprPtr make_unary(ExprType kind, ExprPtr operand) {
    switch (kind) {
    case ExprType::SQRT:
        return std::make_shared<Sqrt>(std::move(operand));
    case ExprType::CBRT:
        return std::make_shared<Cbrt>(std::move(operand));
    case ExprType::SIN:
        return std::make_shared<Sin>(std::move(operand));
    case ExprType::COS:
        return std::make_shared<Cos>(std::move(operand));
    case ExprType::TAN:
        return std::make_shared<Tan>(std::move(operand));
    case ExprType::LOG:
        return std::make_shared<Log>(std::move(operand));
    default:
        throw std::logic_error("make_unary: not a one-operand kind");
    }
}

ExprPtr simplify(ExprPtr expr) {
    if (!expr) {
        return expr;
    }
    switch (expr->type()) {
    case ExprType::NEG:
        return rewrite_neg(simplify(std::static_pointer_cast<Neg>(expr)->operand()));
    case ExprType::SQRT:
        return rewrite_sqrt(simplify(std::static_pointer_cast<Sqrt>(expr)->operand()));
    case ExprType::CBRT:
        return rewrite_cbrt(simplify(std::static_pointer_cast<Cbrt>(expr)->operand()));
    case ExprType::LOG:
        return rewrite_log(simplify(std::static_pointer_cast<Log>(expr)->operand()));
    case ExprType::SIN:
    case ExprType::COS:
    case ExprType::TAN:
        return rewrite_trig(expr->type(), simplify(std::static_pointer_cast<UnaryExpr>(expr)->operand()));
    case ExprType::ADD: {
        const auto add = std::static_pointer_cast<Add>(expr);
        ExprPtr l = simplify(add->left());
        return rewrite_add(std::move(l), simplify(add->right()));
    }
    case ExprType::MUL: {
        const auto mul = std::static_pointer_cast<Mul>(expr);
        ExprPtr l = simplify(mul->left());
        return rewrite_mul(std::move(l), simplify(mul->right()));
    }
    case ExprType::DIV: {
        const auto div = std::static_pointer_cast<Div>(expr);
        ExprPtr n = simplify(div->num());
        return rewrite_div(std::move(n), simplify(div->den()));
    }
    case ExprType::POW: {
        const auto pow = std::static_pointer_cast<Pow>(expr);
        ExprPtr base = simplify(pow->base());
        return rewrite_pow(std::move(base), simplify(pow->exp()));
    }
    default:  // integers, variables, fractions and constants
        return expr;
    }
}

ExprPtr rewrite_neg(ExprPtr op) {
    switch (op->type()) {
    case ExprType::NEG:
        return std::static_pointer_cast<Neg>(op)->operand();
    case ExprType::INT:
        return std::make_shared<Int>(wrap_neg(int_value(op)));
    case ExprType::RATIONAL: {
        const auto fraction = std::static_pointer_cast<Rational>(op);
        return std::make_shared<Rational>(wrap_neg(fraction->num()), fraction->den());
    }
    default:
        return std::make_shared<Neg>(std::move(op));
    }
}

ExprPtr rewrite_add(ExprPtr l, ExprPtr r) {
    if (is_int(l, 0)) {
        return r;
    }
    if (is_int(r, 0)) {
        return l;
    }
    if (is_int_node(l) && is_int_node(r)) {
        return std::make_shared<Int>(wrap_add(int_value(l), int_value(r)));
    }
    if (l->equals(r)) {
        return std::make_shared<Mul>(std::make_shared<Int>(2), std::move(l));
    }
    return std::make_shared<Add>(std::move(l), std::move(r));
}

ExprPtr rewrite_mul(ExprPtr l, ExprPtr r) {
    if (is_int(l, 0) || is_int(r, 0)) {
        return std::make_shared<Int>(0);
    }
    if (is_int(l, 1)) {
        return r;
    }
    if (is_int(r, 1)) {
        return l;
    }
    if (is_int_node(l) && is_int_node(r)) {
        return std::make_shared<Int>(wrap_mul(int_value(l), int_value(r)));
    }
    return std::make_shared<Mul>(std::move(l), std::move(r));
}

namespace {

// n / d of two integers: an Int when d divides n, otherwise a fraction in
// lowest terms. Computed in 64 bits so that -2147483648 / -1 cannot trap; it
// divides evenly and wraps to -2147483648.
ExprPtr divide_integers(int n, int d) {
    if (std::int64_t{n} % d == 0) {
        return std::make_shared<Int>(wrap(std::int64_t{n} / d));
    }
    return std::make_shared<Rational>(n, d);
}

}  // namespace

ExprPtr rewrite_div(ExprPtr n, ExprPtr dn) {
    if (is_int(dn, 0)) {
        throw std::invalid_argument("ゼロ除算エラー");
    }
    if (is_int(n, 0)) {
        return std::make_shared<Int>(0);
    }
    if (is_int_node(n) && is_int_node(dn)) {
        return divide_integers(int_value(n), int_value(dn));
    }
    if (n->equals(dn)) {
        return std::make_shared<Int>(1);
    }
    if (dn->type() == ExprType::SQRT) {
        const auto sqrt_dn = std::static_pointer_cast<Sqrt>(dn);
        if (is_int_node(sqrt_dn->operand())) {
            // Rationalise: n / sqrt(b) = (n * sqrt(b)) / b.
            ExprPtr new_num = simplify(std::make_shared<Mul>(n, dn));
            ExprPtr new_den = std::make_shared<Int>(int_value(sqrt_dn->operand()));
            return simplify(std::make_shared<Div>(std::move(new_num), std::move(new_den)));
        }
    }
    return std::make_shared<Div>(std::move(n), std::move(dn));
}

}  // namespace kalvira
