#pragma once

// A summand during expansion: an integer coefficient times interned factors
// raised to integer exponents, in the order the factors were first met.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "expansion/factor_table.hpp"
#include "expansion/hash_index.hpp"
#include "expansion/power_buffer.hpp"

namespace kalvira {

// A borrowed view of a term's powers, in order.
class PowerView {
public:
    PowerView(const Power* first, const Power* last) : first_(first), last_(last) {}
    const Power* begin() const { return first_; }
    const Power* end() const { return last_; }
    std::size_t size() const { return static_cast<std::size_t>(last_ - first_); }
    bool empty() const { return first_ == last_; }
    const Power& operator[](std::size_t i) const { return first_[i]; }
    bool operator==(const PowerView& other) const {
        return size() == other.size() && std::equal(first_, last_, other.first_);
    }

private:
    const Power* first_;
    const Power* last_;
};

class Term {
public:
    int coeff = 1;

    Term() = default;
    // coeff times the given powers, which name distinct factors.
    Term(int coeff, const std::vector<Power>& powers, const FactorTable& factors);

    PowerView powers() const { return {powers_.begin() + head_, powers_.end()}; }
    // How many entries have a nonzero exponent.
    std::size_t factor_count() const { return powers_.size() - head_ - zeros_; }
    // Whether every exponent is 0, so that the term is a number.
    bool is_constant() const { return powers_.size() - head_ == zeros_; }

    // Multiplies factor^exp in: into the entry of the same factor (its
    // exponent wraps at 32 bits, and may become 0), or as a new last entry.
    void multiply(FactorId factor, int exp, const FactorTable& factors);
    void multiply(const Term& other, const FactorTable& factors);
    // This term becomes other times this term: other's factors first, then
    // the rest of this term's, at a cost that grows with other's size only.
    // An entry of this term that other's factors meet is left behind with
    // exponent 0, which no reader tells from a missing entry.
    void multiply_before(const Term& other, const FactorTable& factors);

    // Whether the tree of this term, read back as summands, is this term
    // again (without exponent-0 entries): false when a factor written alone
    // would split up, or when the term is a lone sum.
    bool reads_back_as_itself(const FactorTable& factors) const;

    // The canonical order: exponent-0 entries dropped, the rest stably in
    // descending order of the factors' texts, as the term's tree has them.
    void canonicalise(const FactorTable& factors);
    static void canonicalise(std::vector<Power>& powers, const FactorTable& factors);
    // Sorts powers without exponent-0 entries into canonical order.
    static void sort_canonically(Power* first, Power* last, const FactorTable& factors);
    // Drops exponent-0 entries, keeping the order of the rest.
    void drop_zero_powers();

private:
    void count(const Power& power, const FactorTable& factors, int delta);
    void index_positions();
    Power* find(FactorId factor);
    Power* find_indexed(FactorId factor);
    // Room for at least one more entry before the first.
    void make_room_in_front();

    // Entries from head_ on; positions in the index are into powers_.
    PowerBuffer powers_;
    std::uint32_t head_ = 0;
    // Positions of factors, kept once a term has many of them, so that
    // multiplying in one factor stays constant time. A copy starts without
    // it and builds its own when needed.
    class PositionIndex {
    public:
        using Map = HashIndex;  // positions by factor
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
