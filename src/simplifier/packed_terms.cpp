#include "simplifier/packed_terms.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "ast/int32.hpp"

namespace kalvira {

namespace {

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

// Texts that no product of other such factors can spell: one ASCII letter,
// "\pi" (a control word, kept apart from a following letter) or "e".
bool packs(const Expr& node) {
    switch (node.type()) {
    case ExprType::PI:
    case ExprType::E:
        return true;
    case ExprType::VAR: {
        const std::string& name = static_cast<const Var&>(node).name();
        const unsigned char c = name.empty() ? 0 : static_cast<unsigned char>(name[0]);
        return name.size() == 1 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    }
    default:
        return false;
    }
}

// One lane per factor, in canonical order (descending text), so that a
// term's nonzero lanes read in lane order are its canonical factors.
class Lanes {
public:
    // Nothing when a factor does not pack, when there are more than
    // MAX_LANES of them, or when two render alike (the variable "e" and e),
    // which collection would group.
    static std::optional<Lanes> of(std::initializer_list<const std::vector<Term>*> sides, const FactorTable& factors) {
        Lanes lanes;
        std::vector<FactorId>& ids = lanes.factor_;
        for (const std::vector<Term>* side : sides) {
            for (const Term& term : *side) {
                for (const Power& power : term.powers()) {
                    if (power.exp == 0 || lanes.lane_of(power.factor) < ids.size()) {
                        continue;
                    }
                    if (ids.size() == MAX_LANES || !packs(*factors[power.factor].node)) {
                        return std::nullopt;
                    }
                    ids.push_back(power.factor);
                }
            }
        }
        std::sort(ids.begin(), ids.end(), [&factors](FactorId a, FactorId b) { return factors.stands_before(a, b); });
        for (std::size_t i = 1; i < ids.size(); ++i) {
            if (factors.compare_texts(ids[i - 1], ids[i]) == 0) {
                return std::nullopt;
            }
        }
        return lanes;
    }

    std::size_t count() const { return factor_.size(); }

    template <std::size_t N>
    PackedSum<N> pack(const std::vector<Term>& terms) const {
        PackedSum<N> packed;
        packed.reserve(terms.size());
        for (const Term& term : terms) {
            if (term.coeff == 0) {
                continue;
            }
            PackedTerm<N> entry{{}, static_cast<std::uint32_t>(term.coeff)};
            for (const Power& power : term.powers()) {
                if (power.exp != 0) {
                    entry.add_to_lane(lane_of(power.factor), static_cast<std::uint32_t>(power.exp));
                }
            }
            packed.push_back(entry);
        }
        return packed;
    }

    // The table of a sum of distinct exponents.
    template <std::size_t N>
    TermTable unpack(const PackedSum<N>& sum, const FactorTable& factors) const {
        std::vector<Term> terms;
        terms.reserve(sum.size());
        std::vector<Power> powers;
        for (const PackedTerm<N>& entry : sum) {
            powers.clear();
            for (std::size_t lane = 0; lane < factor_.size(); ++lane) {
                if (entry.lane(lane) != 0) {
                    powers.push_back({factor_[lane], wrap(entry.lane(lane))});
                }
            }
            terms.emplace_back(wrap(entry.coeff), powers, factors);
        }
        return TermTable::of_distinct(std::move(terms), factors);
    }

private:
    std::size_t lane_of(FactorId factor) const {
        return static_cast<std::size_t>(std::find(factor_.begin(), factor_.end(), factor) - factor_.begin());
    }

    std::vector<FactorId> factor_;  // by lane
};

// Collects packed terms by their exponents in one open-addressing table of
// positions into a dense list, so that a sum is read back in one pass.
template <std::size_t N>
class PackedCollector {
public:
    using Words = std::array<std::uint64_t, N / 2>;

    explicit PackedCollector(std::size_t expected) {
        terms_.reserve(expected);
        rehash(expected);
    }

    void add(const Words& words, std::uint32_t coeff) {
        std::size_t slot = hash(words) & mask_;
        while (slots_[slot] != 0) {
            PackedTerm<N>& known = terms_[slots_[slot] - 1];
            if (same(known.words, words)) {
                known.coeff += coeff;
                return;
            }
            slot = (slot + 1) & mask_;
        }
        terms_.push_back({words, coeff});
        slots_[slot] = static_cast<std::uint32_t>(terms_.size());
        if (2 * terms_.size() > slots_.size()) {
            rehash(terms_.size());
        }
    }

    // The collected terms, those whose coefficients cancelled dropped.
    PackedSum<N> take() && {
        terms_.erase(
            std::remove_if(terms_.begin(), terms_.end(), [](const PackedTerm<N>& t) { return t.coeff == 0; }),
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

    // At least four slots a term: the load stays at most one half.
    void rehash(std::size_t count) {
        std::size_t size = 16;
        while (size < 4 * count) {
            size *= 2;
        }
        slots_.assign(size, 0);
        mask_ = size - 1;
        for (std::size_t i = 0; i < terms_.size(); ++i) {
            std::size_t slot = hash(terms_[i].words) & mask_;
            while (slots_[slot] != 0) {
                slot = (slot + 1) & mask_;
            }
            slots_[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }

    PackedSum<N> terms_;
    std::vector<std::uint32_t> slots_;  // 1 + a position in terms_, 0 for a free slot
    std::size_t mask_ = 0;
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

// Up to this exponent a power is multiplied by its base step by step: the
// steps together cost less than squaring the half power once. Beyond,
// squaring takes far fewer steps, which counts where wrapping coefficients
// keep the sum small however large the exponent.
constexpr int MULTIPLIED_UP_TO = 64;

// Both ways give the same sum: coefficients and exponents form rings modulo
// 2^32, and only the final sum is rendered.
template <std::size_t N>
PackedSum<N> raise(const PackedSum<N>& base, int exp, const Cancellation& cancel) {
    PackedSum<N> result = base;
    if (exp <= MULTIPLIED_UP_TO) {
        for (int k = 2; k <= exp && !result.empty(); ++k) {
            result = multiply(result, base, cancel);
        }
        return result;
    }
    int bit = 30;
    while ((exp >> bit & 1) == 0) {
        --bit;
    }
    for (--bit; bit >= 0 && !result.empty(); --bit) {
        result = multiply(result, result, cancel);
        if (exp >> bit & 1) {
            result = multiply(result, base, cancel);
        }
    }
    return result;
}

// Runs work with the narrowest packing that holds the lanes.
template <class Work>
TermTable with_packing(const Lanes& lanes, Work work) {
    if (lanes.count() <= 4) {
        return work(std::integral_constant<std::size_t, 4>());
    }
    return work(std::integral_constant<std::size_t, MAX_LANES>());
}

}  // namespace

std::optional<TermTable> packed_product(const std::vector<Term>& left, const std::vector<Term>& right,
                                        const FactorTable& factors, const Cancellation& cancel) {
    const std::optional<Lanes> lanes = Lanes::of({&left, &right}, factors);
    if (!lanes) {
        return std::nullopt;
    }
    return with_packing(*lanes, [&](auto n) {
        return lanes->unpack(multiply(lanes->pack<n>(left), lanes->pack<n>(right), cancel), factors);
    });
}

std::optional<TermTable> packed_power(const std::vector<Term>& base, int exp, const FactorTable& factors,
                                      const Cancellation& cancel) {
    const std::optional<Lanes> lanes = base.size() < 2 ? std::nullopt : Lanes::of({&base}, factors);
    if (!lanes) {
        return std::nullopt;
    }
    return with_packing(*lanes, [&](auto n) { return lanes->unpack(raise(lanes->pack<n>(base), exp, cancel), factors); });
}

}  // namespace kalvira
