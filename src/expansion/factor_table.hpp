#pragma once

// The factors met during one expansion call. Structurally equal factors get
// one id, so factors merge by comparing ids; each factor's LaTeX text, which
// orders factors and keys terms, is computed once, when first needed: the
// factors of a deep chain each contain the one below, and rendering every
// one of them would cost time and memory quadratic in the depth.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"
#include "expansion/factor_id.hpp"
#include "expansion/hash_index.hpp"

namespace kalvira {

struct Factor {
    ExprPtr node;  // the first node met with this structure
    // Written alone (exponent 1) in a product, the factor would read back
    // as something else: an integer literal becomes a coefficient, a
    // negation negates it, a product and an integer power split up.
    bool splits_when_alone;
    bool is_sum;
    bool is_int;
    bool is_fraction;
    bool wrapped_in_product;   // binds more loosely than a product
    bool wrapped_as_pow_base;  // would be wrapped as the base of a power
};

// The beginning of a factor's text: all of it when complete, otherwise at
// least TEXT_PREFIX_BYTES of it.
struct FactorText {
    std::string text;
    bool complete = false;
};

constexpr std::size_t TEXT_PREFIX_BYTES = 64;

// The first eight bytes of a text, zero-padded, as one number: where two of
// these differ, they order their texts as the texts' bytes do (a text that
// is a beginning of another pads with zeros, so it comes first either way).
inline std::uint64_t leading_bytes(const std::string& text) {
    std::uint64_t lead = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        lead = lead << 8 | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
    }
    return lead;
}

class FactorTable {
public:
    explicit FactorTable(const Cancellation& cancel) : cancel_(cancel) {
        factors_.reserve(8);  // the factors of a small call, without regrowing
        texts_.reserve(8);
    }

    FactorId intern(const ExprPtr& node);
    const Factor& operator[](FactorId id) const { return factors_[id]; }
    std::size_t size() const { return factors_.size(); }
    // The call's cancellation check, which every rendering of keys polls.
    const Cancellation& cancel() const { return cancel_; }

    // The beginning of the factor's LaTeX text, rendered on first use.
    const FactorText& text(FactorId id) const;
    // The byte order of two factors' texts, -1, 0 or 1: by their
    // beginnings where these differ, otherwise by the whole texts, which are
    // then rendered and kept, so that factors alike at length are rendered
    // once, not at every comparison.
    int compare_texts(FactorId a, FactorId b) const;

    // Factors stand in descending byte order of their text.
    bool stands_before(FactorId a, FactorId b) const { return compare_texts(a, b) > 0; }

private:
    std::size_t structural_hash(const ExprPtr& node);
    // The factor's whole text, once its beginning is known.
    const std::string& whole_text(FactorId id) const;

    const Cancellation& cancel_;
    std::vector<Factor> factors_;
    mutable std::vector<std::optional<FactorText>> texts_;  // by id, filled in by text()
    // Maps by node address hold the node, so that no address is reused
    // for another node while the table lives.
    std::unordered_map<const Expr*, std::pair<ExprPtr, FactorId>> by_node_;
    HashIndex by_hash_;  // factors by structural hash
    std::unordered_map<const Expr*, std::pair<ExprPtr, std::size_t>> hash_of_shared_;
};

}  // namespace kalvira
