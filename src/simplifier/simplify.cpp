// The public entry of simplification, and the arithmetic rules of
// negation, sums, products and quotients.

#include <cstdint>
#include <stdexcept>

#include "ast/make_node.hpp"
#include "simplifier/rules.hpp"
#include "simplifier/simplify.hpp"
#include "simplifier/simplify_walk.hpp"

namespace kalvira {

namespace {

bool is_int_node(const ExprPtr& e) { return e->type() == ExprType::INT; }

int int_value(const ExprPtr& e) { return static_cast<const Int&>(*e).value(); }

// n / d of two integers: an Int when d divides n, otherwise a fraction in
// lowest terms. Computed in 64 bits so that -2147483648 / -1 cannot trap; it
// divides evenly and wraps to -2147483648.
ExprPtr divide_integers(int n, int d) {
    if (std::int64_t{n} % d == 0) {
        return make_int(wrap(std::int64_t{n} / d));
    }
    return std::make_shared<Rational>(n, d);
}

}  // namespace

ExprPtr simplify(ExprPtr expr, const Cancellation& cancel, RewriteTrace* trace) {
    return SimplifyWalk(cancel, trace).simplify(expr);
}

RuleResult rule_neg(const ExprPtr& op) {
    switch (op->type()) {
    case ExprType::NEG:
        return {static_cast<const Neg&>(*op).operand(), Rule::NEG_OF_NEG};
    case ExprType::INT:
        return {make_int(wrap_neg(int_value(op))), Rule::NEG_OF_NUMBER};
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(*op);
        return {std::make_shared<Rational>(wrap_neg(fraction.num()), fraction.den()), Rule::NEG_OF_NUMBER};
    }
    default:
        return {};
    }
}

RuleResult rule_add(const ExprPtr& l, const ExprPtr& r, const Cancellation& cancel) {
    if (is_int(l, 0)) {
        return {r, Rule::ADD_ZERO};
    }
    if (is_int(r, 0)) {
        return {l, Rule::ADD_ZERO};
    }
    if (is_int_node(l) && is_int_node(r)) {
        return {make_int(wrap_add(int_value(l), int_value(r))), Rule::ADD_INTEGERS};
    }
    if (l->equals(r, cancel)) {
        return {std::make_shared<Mul>(make_int(2), l), Rule::ADD_EQUAL_TERMS};
    }
    return {};
}

RuleResult rule_mul(const ExprPtr& l, const ExprPtr& r) {
    if (is_int(l, 0) || is_int(r, 0)) {
        return {make_int(0), Rule::MUL_BY_ZERO};
    }
    if (is_int(l, 1)) {
        return {r, Rule::MUL_BY_ONE};
    }
    if (is_int(r, 1)) {
        return {l, Rule::MUL_BY_ONE};
    }
    if (is_int_node(l) && is_int_node(r)) {
        return {make_int(wrap_mul(int_value(l), int_value(r))), Rule::MUL_INTEGERS};
    }
    return {};
}

RuleResult rule_div(const ExprPtr& n, const ExprPtr& dn, const Cancellation& cancel, const Resimplify& resimplify) {
    if (is_int(dn, 0)) {
        throw std::invalid_argument(errors::DIVISION_BY_ZERO);
    }
    if (is_int(n, 0)) {
        return {make_int(0), Rule::DIV_ZERO_NUMERATOR};
    }
    if (is_int_node(n) && is_int_node(dn)) {
        return {divide_integers(int_value(n), int_value(dn)), Rule::DIV_INTEGERS};
    }
    if (n->equals(dn, cancel)) {
        return {make_int(1), Rule::DIV_BY_ITSELF};
    }
    if (dn->type() == ExprType::SQRT) {
        const ExprPtr& radicand = static_cast<const Sqrt&>(*dn).operand();
        if (is_int_node(radicand)) {
            // Rationalise: n / sqrt(b) = (n * sqrt(b)) / b.
            ExprPtr new_num = resimplify(std::make_shared<Mul>(n, dn));
            return {resimplify(std::make_shared<Div>(std::move(new_num), make_int(int_value(radicand)))),
                    Rule::DIV_RATIONALISE};
        }
    }
    return {};
}

}  // namespace kalvira
