#include "literal/monomial.hpp"

#include <algorithm>
#include <string>

#include "ast/cancellation.hpp"
#include "ast/int32.hpp"
#include "ast/product_tree.hpp"

namespace kalvira {

namespace {

// Multiplies factor^exp into vars: into the first structurally equal factor,
// which keeps its node and position, or as a new last entry.
void multiply_factor(std::vector<std::pair<ExprPtr, int>>& vars, const ExprPtr& factor, int exp) {
    for (auto& entry : vars) {
        if (entry.first->equals(factor, Cancellation())) {
            entry.second = wrap_add(entry.second, exp);
            return;
        }
    }
    vars.emplace_back(factor, exp);
}

// The factors in descending byte order of their text, stably.
std::vector<std::pair<ExprPtr, int>> sorted_by_text(const std::vector<std::pair<ExprPtr, int>>& vars) {
    struct Entry {
        std::string text;
        const std::pair<ExprPtr, int>* var;
    };
    std::vector<Entry> entries;
    entries.reserve(vars.size());
    for (const auto& var : vars) {
        entries.push_back({var.first->to_string(), &var});
    }
    // std::string compares bytes as unsigned characters, a proper prefix first.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.text > b.text; });
    std::vector<std::pair<ExprPtr, int>> sorted_vars;
    sorted_vars.reserve(entries.size());
    for (const Entry& entry : entries) {
        sorted_vars.push_back(*entry.var);
    }
    return sorted_vars;
}

}  // namespace

Monomial parse_monomial(const ExprPtr& expr) {
    switch (expr->type()) {
    case ExprType::INT:
        return {static_cast<const Int&>(*expr).value(), {}};
    case ExprType::NEG: {
        Monomial m = parse_monomial(static_cast<const Neg&>(*expr).operand());
        m.coeff = wrap_neg(m.coeff);
        return m;
    }
    case ExprType::MUL: {
        const auto& mul = static_cast<const Mul&>(*expr);
        Monomial m = parse_monomial(mul.left());
        const Monomial right = parse_monomial(mul.right());
        m.coeff = wrap_mul(m.coeff, right.coeff);
        for (const auto& [factor, exp] : right.vars) {
            multiply_factor(m.vars, factor, exp);
        }
        return m;
    }
    case ExprType::POW: {
        const auto& pow = static_cast<const Pow&>(*expr);
        if (pow.exp()->type() == ExprType::INT) {
            return {1, {{pow.base(), static_cast<const Int&>(*pow.exp()).value()}}};
        }
        break;
    }
    default:
        break;
    }
    return {1, {{expr, 1}}};
}

ExprPtr build_monomial(const Monomial& m) { return product_tree(m.coeff, sorted_by_text(m.vars)); }

}  // namespace kalvira
