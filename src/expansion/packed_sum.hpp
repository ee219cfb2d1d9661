#pragma once

// Sums of terms whose exponents are packed into 32-bit lanes, and their
// products: like terms found by comparing lanes in one open-addressing
// table, coefficients wrapping at 32 bits.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "ast/cancellation.hpp"
#include "expansion/hash_index.hpp"

namespace kalvira::packed {

// Exponents in 32-bit lanes, four or eight to a term as the factors need;
// unsigned, so that they and the coefficients wrap without undefined
// behaviour. They are read back as signed numbers only for the result.
constexpr std::size_t MAX_LANES = 8;

template <std::size_t N>
struct PackedTerm {
    std::array<std::uint64_t, N / 2> words;  // two lanes to a word: one add and one compare per word
    std::uint32_t coeff;

    std::uint32_t lane(std::size_t i) const { return static_cast<std::uint32_t>(words[i / 2] >> (32 * (i % 2))); }
    void add_to_lane(std::size_t i, std::uint32_t exp) { words[i / 2] = with_lane(words[i / 2], i % 2, lane(i) + exp); }

    static std::uint64_t with_lane(std::uint64_t word, std::size_t half, std::uint32_t value) {
        const unsigned shift = 32 * static_cast<unsigned>(half);
        return (word & ~(std::uint64_t{0xFFFFFFFF} << shift)) | std::uint64_t{value} << shift;
    }
};

// The lanes of s and t added, each wrapping within its own 32 bits.
template <std::size_t N>
std::array<std::uint64_t, N / 2> lane_sums(const PackedTerm<N>& s, const PackedTerm<N>& t) {
    constexpr std::uint64_t LOW = 0xFFFFFFFF;
    std::array<std::uint64_t, N / 2> sums;
    for (std::size_t w = 0; w < N / 2; ++w) {
        const std::uint64_t low = (s.words[w] + t.words[w]) & LOW;
        const std::uint64_t high = ((s.words[w] >> 32) + (t.words[w] >> 32)) << 32;
        sums[w] = high | low;
    }
    return sums;
}

template <std::size_t N>
using PackedSum = std::vector<PackedTerm<N>>;

// Collects packed terms by their exponents in a flat index of positions
// into a dense list, so that a sum is read back in one pass.
template <std::size_t N>
class PackedCollector {
public:
    using Words = std::array<std::uint64_t, N / 2>;

    explicit PackedCollector(std::size_t expected) {
        terms_.reserve(expected);
        index_.reserve(2 * expected);  // a load of at most a quarter keeps probes short
    }

    void add(const Words& words, std::uint32_t coeff) {
        const std::size_t h = hash(words);
        const std::uint32_t known = index_.find(h, [&](std::uint32_t at) { return same(terms_[at].words, words); });
        if (known != HashIndex::NONE) {
            terms_[known].coeff += coeff;
            return;
        }
        index_.insert(h, static_cast<std::uint32_t>(terms_.size()));
        terms_.push_back({words, coeff});
    }

    // The collected terms, those whose coefficients cancelled dropped.
    PackedSum<N> take() && {
        terms_.erase(std::remove_if(terms_.begin(), terms_.end(), [](const PackedTerm<N>& t) { return t.coeff == 0; }),
                     terms_.end());
        return std::move(terms_);
    }

private:
    // Word by word, which the compiler unrolls; comparing the arrays would call memcmp.
    static bool same(const Words& a, const Words& b) {
        bool equal = true;
        for (std::size_t w = 0; w < N / 2; ++w) {
            equal &= a[w] == b[w];
        }
        return equal;
    }

    static std::size_t hash(const Words& words) {
        std::uint64_t h = 0;
        for (std::uint64_t word : words) {
            h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
        }
        return static_cast<std::size_t>(h ^ (h >> 32));
    }

    PackedSum<N> terms_;
    HashIndex index_;  // positions in terms_
};

template <std::size_t N>
PackedSum<N> multiply(const PackedSum<N>& a, const PackedSum<N>& b, const Cancellation& cancel) {
    // A product of sums has at least as many terms as its larger operand,
    // mostly not many more.
    PackedCollector<N> collector(2 * std::max(a.size(), b.size()));
    for (const PackedTerm<N>& s : a) {
        for (const PackedTerm<N>& t : b) {
            cancel.poll();
            collector.add(lane_sums(s, t), s.coeff * t.coeff);
        }
    }
    return std::move(collector).take();
}

}  // namespace kalvira::packed
