// The straightforward expansion: every step builds trees and collects them
// again. It is slow but plainly right, and the expansion engine is tested
// against it.

#include "literal/expand_reference.hpp"

#include "ast/make_node.hpp"
#include "literal/collect_terms.hpp"
#include "simplifier/rules.hpp"
#include "simplifier/simplifier.hpp"

namespace kalvira {

namespace {

// l * r multiplied out over the sum nodes at the top of either operand, the
// left operand's sums split first; not collected.
ExprPtr distribute_mul(const ExprPtr& l, const ExprPtr& r) {
    if (l->type() == ExprType::ADD) {
        const auto sum = std::static_pointer_cast<Add>(l);
        return std::make_shared<Add>(distribute_mul(sum->left(), r), distribute_mul(sum->right(), r));
    }
    if (r->type() == ExprType::ADD) {
        const auto sum = std::static_pointer_cast<Add>(r);
        return std::make_shared<Add>(distribute_mul(l, sum->left()), distribute_mul(l, sum->right()));
    }
    return std::make_shared<Mul>(l, r);
}

// base^exp (exp >= 0) by square-and-multiply from the most significant bit,
// collecting after every product.
ExprPtr distribute_pow(const ExprPtr& base, int exp) {
    if (exp == 0) {
        return std::make_shared<Int>(1);
    }
    if (exp == 1) {
        return base;
    }
    const ExprPtr half = distribute_pow(base, exp / 2);
    ExprPtr result = collect_terms(distribute_mul(half, half));
    if (exp % 2 == 1) {
        result = collect_terms(distribute_mul(result, base));
    }
    return result;
}

}  // namespace

ExprPtr expand_reference(ExprPtr expr) {
    if (!expr) {
        return expr;
    }
    expr = simplify(std::move(expr));
    switch (expr->type()) {
    case ExprType::ADD: {
        const auto add = std::static_pointer_cast<Add>(expr);
        ExprPtr l = expand_reference(add->left());
        return collect_terms(std::make_shared<Add>(std::move(l), expand_reference(add->right())));
    }
    case ExprType::MUL: {
        const auto mul = std::static_pointer_cast<Mul>(expr);
        const ExprPtr l = expand_reference(mul->left());
        return collect_terms(distribute_mul(l, expand_reference(mul->right())));
    }
    case ExprType::POW: {
        const auto pow = std::static_pointer_cast<Pow>(expr);
        ExprPtr base = expand_reference(pow->base());
        const ExprPtr& exp = pow->exp();
        if (exp->type() == ExprType::INT && std::static_pointer_cast<Int>(exp)->value() >= 0) {
            return collect_terms(distribute_pow(base, std::static_pointer_cast<Int>(exp)->value()));
        }
        return std::make_shared<Pow>(std::move(base), exp);
    }
    case ExprType::NEG:
        return collect_terms(std::make_shared<Neg>(expand_reference(std::static_pointer_cast<Neg>(expr)->operand())));
    case ExprType::SQRT:
    case ExprType::CBRT:
    case ExprType::SIN:
    case ExprType::COS:
    case ExprType::TAN:
    case ExprType::LOG:
        return make_node(expr->type(), expand_reference(std::static_pointer_cast<UnaryExpr>(expr)->operand()));
    default:  // leaves and quotients stay as simplified
        return expr;
    }
}

}  // namespace kalvira
