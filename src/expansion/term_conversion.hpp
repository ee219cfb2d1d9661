#pragma once

// Between trees and terms: a tree read as summands (each a coefficient
// times powers of interned factors), a term written back as a tree, and a
// term's key, the text by which like terms are collected.

#include <string>
#include <utility>
#include <vector>

#include "ast/expr.hpp"
#include "expansion/factor_table.hpp"
#include "expansion/term.hpp"

namespace kalvira {

// A term's key as far as it is rendered: the whole text, or a beginning
// of at least TEXT_PREFIX_BYTES bytes when a factor's text is long (the
// factors of a deep chain each contain the one below: rendering every key
// in full would cost time and memory quadratic in the depth).
struct TermKey {
    std::string text;
    bool complete = false;
    bool operator==(const TermKey& other) const { return text == other.text && complete == other.complete; }
};

// The key of the constant term.
inline const TermKey CONSTANT_KEY{"1", true};

// Reads a tree as the summands of its sums, each summand's product split
// into coefficient and factors, on an explicit stack that polls the
// table's cancellation check.
void read_summands(const ExprPtr& tree, FactorTable& factors, std::vector<Term>& out);

// The tree of one term: factors as ordered, coefficient applied.
ExprPtr term_tree(const Term& term, const FactorTable& factors);

// The tree whose text is a canonical term's key: its product without
// coefficient (Int(1) for the constant).
ExprPtr key_tree(const Term& canonical, const FactorTable& factors);

// The key of a canonical term: the text of its product without coefficient.
TermKey key_of(const Term& canonical, const FactorTable& factors);
// Renders the rest of the key of a canonical term.
void complete_key(TermKey& key, const Term& canonical, const FactorTable& factors);

}  // namespace kalvira
