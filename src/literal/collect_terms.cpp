#include "literal/collect_terms.hpp"

#include <map>
#include <string>

namespace kalvira {

namespace {

const std::string CONSTANT_KEY = "1";

// The LaTeX text of m's factors without the coefficient; "1" for a constant.
std::string term_key(const Monomial& m) {
    const Monomial var_only{1, m.vars};
    return build_monomial(var_only)->to_string();
}

}  // namespace

void flatten_add(const ExprPtr& expr, std::vector<Monomial>& terms, const Cancellation& cancel) {
    if (!expr) {
        return;
    }
    cancel.poll();
    if (expr->type() == ExprType::ADD) {
        const auto& add = static_cast<const Add&>(*expr);
        flatten_add(add.left(), terms, cancel);
        flatten_add(add.right(), terms, cancel);
        return;
    }
    terms.push_back(parse_monomial(expr));
}

std::vector<LikeTerms> group_like_terms(const std::vector<Monomial>& terms, const Cancellation& cancel) {
    // Each group keeps the factors of its first summand.
    std::map<std::string, LikeTerms> term_map;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        cancel.poll();
        const Monomial& m = terms[i];
        if (m.coeff == 0) {
            continue;
        }
        const auto [entry, inserted] = term_map.try_emplace(term_key(m), LikeTerms{m, {}});
        if (!inserted) {
            entry->second.sum.coeff = wrap_add(entry->second.sum.coeff, m.coeff);
        }
        entry->second.members.push_back(i);
    }

    // Canonical order: descending key (the map ascends), the constant last.
    std::vector<LikeTerms> groups;
    for (auto it = term_map.rbegin(); it != term_map.rend(); ++it) {
        if (it->first != CONSTANT_KEY) {
            groups.push_back(std::move(it->second));
        }
    }
    if (const auto constant = term_map.find(CONSTANT_KEY); constant != term_map.end()) {
        groups.push_back(std::move(constant->second));
    }
    return groups;
}

ExprPtr collect_terms(const ExprPtr& expr, const Cancellation& cancel) {
    std::vector<Monomial> terms;
    flatten_add(expr, terms, cancel);
    ExprPtr sum;
    for (const LikeTerms& group : group_like_terms(terms, cancel)) {
        if (group.sum.coeff == 0) {
            continue;
        }
        ExprPtr term = build_monomial(group.sum);
        sum = sum ? std::make_shared<Add>(std::move(sum), std::move(term)) : std::move(term);
    }
    return sum ? sum : std::make_shared<Int>(0);
}

}  // namespace kalvira
