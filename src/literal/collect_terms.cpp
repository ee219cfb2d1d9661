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

void flatten_add(const ExprPtr& expr, std::vector<Monomial>& terms) {
    if (!expr) {
        return;
    }
    if (expr->type() == ExprType::ADD) {
        const auto add = std::static_pointer_cast<Add>(expr);
        flatten_add(add->left(), terms);
        flatten_add(add->right(), terms);
        return;
    }
    terms.push_back(parse_monomial(expr));
}

ExprPtr collect_terms(const ExprPtr& expr) {
    std::vector<Monomial> terms;
    flatten_add(expr, terms);

    // Each group keeps the factors of its first summand.
    std::map<std::string, Monomial> term_map;
    for (const Monomial& m : terms) {
        if (m.coeff == 0) {
            continue;
        }
        const auto [entry, inserted] = term_map.try_emplace(term_key(m), m);
        if (!inserted) {
            entry->second.coeff = wrap_add(entry->second.coeff, m.coeff);
        }
    }

    // Canonical order: descending key (the map ascends), the constant last.
    std::vector<const Monomial*> sorted_terms;
    for (auto it = term_map.rbegin(); it != term_map.rend(); ++it) {
        if (it->first != CONSTANT_KEY) {
            sorted_terms.push_back(&it->second);
        }
    }
    if (const auto constant = term_map.find(CONSTANT_KEY); constant != term_map.end()) {
        sorted_terms.push_back(&constant->second);
    }

    ExprPtr sum;
    for (const Monomial* m : sorted_terms) {
        if (m->coeff == 0) {
            continue;
        }
        ExprPtr term = build_monomial(*m);
        sum = sum ? std::make_shared<Add>(std::move(sum), std::move(term)) : std::move(term);
    }
    return sum ? sum : std::make_shared<Int>(0);
}

}  // namespace kalvira
