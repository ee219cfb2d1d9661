// The straightforward expansion: every step builds trees and collects them
// again. It is slow but plainly right, and the expansion engine is tested
// against it.

#include "literal/expand_reference.hpp"

#include "ast/kind_words.hpp"
#include "ast/make_node.hpp"
#include "literal/collect_terms.hpp"
#include "literal/power_steps.hpp"
#include "simplifier/simplify.hpp"

namespace kalvira {

namespace {

// l * r multiplied out over the sum nodes at the top of either operand, the
// left operand's sums split first; not collected. Polls cancel per node built.
ExprPtr distribute_mul(const ExprPtr& l, const ExprPtr& r, const Cancellation& cancel) {
    cancel.poll();
    if (l->type() == ExprType::ADD) {
        const auto& sum = static_cast<const Add&>(*l);
        return std::make_shared<Add>(distribute_mul(sum.left(), r, cancel), distribute_mul(sum.right(), r, cancel));
    }
    if (r->type() == ExprType::ADD) {
        const auto& sum = static_cast<const Add&>(*r);
        return std::make_shared<Add>(distribute_mul(l, sum.left(), cancel), distribute_mul(l, sum.right(), cancel));
    }
    return std::make_shared<Mul>(l, r);
}

class LiteralExpansion {
public:
    LiteralExpansion(const Cancellation& cancel, RewriteTrace* trace) : cancel_(cancel), trace_(trace) {}

    ExprPtr expand(ExprPtr expr);

private:
    ExprPtr expand_child(const ExprPtr& child, std::size_t index) {
        const TracedChild traced(trace_, index);
        return expand(child);
    }
    void report(Rule rule, const ExprPtr& before, const ExprPtr& after) {
        if (trace_ != nullptr) {
            trace_->report(rule, before, after);
        }
    }
    ExprPtr collected(const ExprPtr& sum) {
        ExprPtr result = collect_terms(sum, cancel_);
        report(Rule::COLLECT_TERMS, sum, result);
        return result;
    }
    ExprPtr product(const ExprPtr& l, const ExprPtr& r) {
        ExprPtr distributed = distribute_mul(l, r, cancel_);
        if (trace_ != nullptr) {
            report(Rule::EXPAND_PRODUCT, std::make_shared<Mul>(l, r), distributed);
        }
        return collected(distributed);
    }
    ExprPtr power(const ExprPtr& base, int exp, const PowerSteps& steps);

    const Cancellation& cancel_;
    RewriteTrace* trace_;
};

// base^exp (exp >= 0) by square-and-multiply from the most significant bit,
// collecting after every product. Traced, each step rewrites the whole
// power, written with what is done so far (PowerSteps).
ExprPtr LiteralExpansion::power(const ExprPtr& base, int exp, const PowerSteps& steps) {
    if (exp == 0) {
        return std::make_shared<Int>(1);
    }
    if (exp == 1) {
        return base;
    }
    const ExprPtr half = power(base, exp / 2, steps);
    const int even = exp - exp % 2;
    const ExprPtr squared = distribute_mul(half, half, cancel_);
    ExprPtr result = collect_terms(squared, cancel_);
    if (trace_ != nullptr) {
        report(Rule::EXPAND_SQUARE, steps.whole(half, exp / 2), steps.whole(squared, even));
        report(Rule::COLLECT_TERMS, steps.whole(squared, even), steps.whole(result, even));
    }
    if (exp % 2 == 1) {
        const ExprPtr times_base = distribute_mul(result, base, cancel_);
        ExprPtr collected_product = collect_terms(times_base, cancel_);
        if (trace_ != nullptr) {
            report(Rule::EXPAND_TIMES_BASE, steps.whole(result, even), steps.whole(times_base, exp));
            report(Rule::COLLECT_TERMS, steps.whole(times_base, exp), steps.whole(collected_product, exp));
        }
        result = std::move(collected_product);
    }
    return result;
}

ExprPtr LiteralExpansion::expand(ExprPtr expr) {
    if (!expr) {
        return expr;
    }
    cancel_.poll();
    expr = simplify(std::move(expr), cancel_, trace_);
    switch (expr->type()) {
    case ExprType::ADD: {
        const auto& add = static_cast<const Add&>(*expr);
        ExprPtr l = expand_child(add.left(), 0);
        return collected(std::make_shared<Add>(std::move(l), expand_child(add.right(), 1)));
    }
    case ExprType::MUL: {
        const auto& mul = static_cast<const Mul&>(*expr);
        const ExprPtr l = expand_child(mul.left(), 0);
        return product(l, expand_child(mul.right(), 1));
    }
    case ExprType::POW: {
        const auto& pow = static_cast<const Pow&>(*expr);
        ExprPtr base = expand_child(pow.base(), 0);
        const ExprPtr& exp = pow.exp();
        if (exp->type() == ExprType::INT && static_cast<const Int&>(*exp).value() >= 0) {
            const int n = static_cast<const Int&>(*exp).value();
            const PowerSteps steps(base, n);
            if (trace_ != nullptr && steps.split_first()) {
                report(Rule::POWER_AS_PRODUCT, std::make_shared<Pow>(base, exp), steps.whole(base, 1));
            }
            return collected(power(base, n, steps));
        }
        return std::make_shared<Pow>(std::move(base), exp);
    }
    case ExprType::NEG:
        return collected(std::make_shared<Neg>(expand_child(static_cast<const Neg&>(*expr).operand(), 0)));
    default:  // functions expand their operand; leaves and quotients stay as simplified
        if (is_function(expr->type())) {
            return make_node(expr->type(), expand_child(static_cast<const UnaryExpr&>(*expr).operand(), 0));
        }
        return expr;
    }
}

}  // namespace

ExprPtr expand_reference(ExprPtr expr, const Cancellation& cancel, RewriteTrace* trace) {
    return LiteralExpansion(cancel, trace).expand(std::move(expr));
}

}  // namespace kalvira
