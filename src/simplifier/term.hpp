#pragma once

// A summand during expansion: an integer coefficient times interned factors
// raised to integer exponents, in the order the factors were first met.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "simplifier/factor_table.hpp"

namespace kalvira {

struct Power {
    FactorId factor;
    int exp;
    bool operator==(const Power& other) const { return factor == other.factor && exp == other.exp; }
};

class Term {
public:
    int coeff = 1;

    Term() = default;
    // coeff times the given powers, which name distinct factors.
    Term(int coeff, std::vector<Power> powers, const FactorTable& factors);

    const std::vector<Power>& powers() const { return powers_; }
    // Whether every exponent is 0, so that the term is a number.
    bool is_constant() const { return powers_.size() == zeros_; }

    // Multiplies factor^exp in: into the entry of the same factor (its
    // exponent wraps at 32 bits, and may become 0), or as a new last entry.
    void multiply(FactorId factor, int exp, const FactorTable& factors);
    void multiply(const Term& other, const FactorTable& factors);

    // Whether the tree of this term, read back as summands, is this term
    // again (without exponent-0 entries): false when a factor written alone
    // would split up, or when the term is a lone sum.
    bool reads_back_as_itself(const FactorTable& factors) const;

    // The canonical order: exponent-0 entries dropped, the rest stably in
    // descending order of the factors' texts, as the term's tree has them.
    void canonicalise(const FactorTable& factors);
    static void canonicalise(std::vector<Power>& powers, const FactorTable& factors);
    // Drops exponent-0 entries, keeping the order of the rest.
    void drop_zero_powers();

private:
    void count(const Power& power, const FactorTable& factors, int delta);
    void index_positions();

    std::vector<Power> powers_;
    // Positions of factors, kept once a term has many of them, so that
    // multiplying in one factor stays constant time. A copy starts without
    // it and builds its own when needed.
    class PositionIndex {
    public:
        using Map = std::unordered_map<FactorId, std::uint32_t>;
        PositionIndex() = default;
        PositionIndex(const PositionIndex&) {}
        PositionIndex(PositionIndex&&) = default;
        PositionIndex& operator=(const PositionIndex&) {
            map_.reset();
            return *this;
        }
        PositionIndex& operator=(PositionIndex&&) = default;

        bool empty() const { return !map_ || map_->empty(); }
        Map& map() {
            if (!map_) {
                map_ = std::make_unique<Map>();
            }
            return *map_;
        }

    private:
        std::unique_ptr<Map> map_;  // a pointer keeps terms small: most never need it
    };
    PositionIndex position_;
    std::uint32_t splitting_ = 0;  // exponent-1 entries whose factor splits alone
    std::uint32_t zeros_ = 0;      // exponent-0 entries
};

}  // namespace kalvira
