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

// Up to this exponent a power is multiplied out by its base or expanded by
// the multinomial theorem. Beyond, squaring takes far fewer steps, which
// counts where wrapping coefficients keep the sum small however large the
// exponent.
constexpr int MULTIPLIED_UP_TO = 64;

// Binomial coefficients modulo 2^32 by Pascal's rule: additions only, so
// exact in the ring of coefficients.
class Binomials {
public:
    explicit Binomials(int rows) : width_(static_cast<std::size_t>(rows) + 1), table_(width_ * width_, 0) {
        for (std::size_t n = 0; n < width_; ++n) {
            table_[n * width_] = 1;
            for (std::size_t k = 1; k <= n; ++k) {
                table_[n * width_ + k] = table_[(n - 1) * width_ + k - 1] + table_[(n - 1) * width_ + k];
            }
        }
    }
    std::uint32_t operator()(int n, int k) const {
        return table_[static_cast<std::size_t>(n) * width_ + static_cast<std::size_t>(k)];
    }

private:
    std::size_t width_;
    std::vector<std::uint32_t> table_;
};

// The number of ways of sharing exp among terms, capped: how many terms to
// make room for.
inline std::size_t ways_to_share(int exp, std::size_t terms) {
    constexpr std::uint64_t CAP = 1 << 20;
    std::uint64_t ways = 1;  // C(exp + i, i) for i = 0, 1, ...
    for (std::uint64_t i = 1; i < terms && ways < CAP; ++i) {
        ways = ways * (static_cast<std::uint64_t>(exp) + i) / i;
    }
    return static_cast<std::size_t>(std::min(ways, CAP));
}

// base^exp as the sum over all ways of sharing exp among the base's terms
// (k_1 + ... + k_m = exp) of exp! / (k_1! ... k_m!) times the product of
// each term to its k: one step per such way. When no two terms of the base
// share a factor, distinct ways give distinct terms, so there are exactly
// as many steps as the power has terms (fewer where a coefficient wraps to
// 0, which ends every way that continues from it).
template <std::size_t N>
class Multinomial {
public:
    Multinomial(const PackedSum<N>& base, int exp, const Cancellation& cancel)
        : binomial_(exp), cancel_(cancel), collector_(ways_to_share(exp, base.size())), exp_(exp) {
        for (const PackedTerm<N>& term : base) {  // powers_[i * (exp + 1) + k] is term i to the k
            PackedTerm<N> power{{}, 1};
            for (int k = 0; k <= exp; ++k) {
                powers_.push_back(power);
                power = {lane_sums(power, term), power.coeff * term.coeff};
            }
        }
        if (!base.empty()) {
            share(0, exp, PackedTerm<N>{{}, 1});
        }
    }
    PackedSum<N> take() && { return std::move(collector_).take(); }

private:
    const PackedTerm<N>& power(std::size_t i, int k) const {
        return powers_[i * static_cast<std::size_t>(exp_ + 1) + static_cast<std::size_t>(k)];
    }

    // Gives k of the remaining factors to term i, for every k, and the rest
    // to the terms after it; the last term takes all that remain.
    void share(std::size_t i, int remaining, const PackedTerm<N>& partial) {
        if (i + 1 == powers_.size() / static_cast<std::size_t>(exp_ + 1)) {
            const PackedTerm<N>& rest = power(i, remaining);
            cancel_.poll();
            collector_.add(lane_sums(partial, rest), partial.coeff * rest.coeff);
            return;
        }
        for (int k = 0; k <= remaining; ++k) {
            const std::uint32_t coeff = partial.coeff * binomial_(remaining, k) * power(i, k).coeff;
            if (coeff != 0) {
                share(i + 1, remaining - k, PackedTerm<N>{lane_sums(partial, power(i, k)), coeff});
            }
        }
    }

    Binomials binomial_;
    const Cancellation& cancel_;
    PackedCollector<N> collector_;
    int exp_;
    PackedSum<N> powers_;
};

// Whether no two terms share a lane and at most one is a constant.
template <std::size_t N>
bool supports_disjoint(const PackedSum<N>& sum) {
    std::uint32_t used = 0;
    bool constant = false;
    for (const PackedTerm<N>& term : sum) {
        std::uint32_t lanes = 0;
        for (std::size_t i = 0; i < N; ++i) {
            lanes |= term.lane(i) != 0 ? 1u << i : 0u;
        }
        if ((lanes & used) != 0 || (lanes == 0 && constant)) {
            return false;
        }
        used |= lanes;
        constant = constant || lanes == 0;
    }
    return true;
}

// All ways give the same sum: coefficients and exponents form rings modulo
// 2^32, and only the final sum is rendered. The multinomial theorem takes
// one step per term of the result where the base's terms share no factor;
// otherwise many ways meet in one term, and multiplying by the base step by
// step costs less.
template <std::size_t N>
PackedSum<N> raise(const PackedSum<N>& base, int exp, const Cancellation& cancel) {
    if (exp <= MULTIPLIED_UP_TO && supports_disjoint(base)) {
        return Multinomial<N>(base, exp, cancel).take();
    }
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
