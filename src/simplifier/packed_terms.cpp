#include "simplifier/packed_terms.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "ast/int32.hpp"

namespace kalvira {

namespace {

constexpr std::size_t LANES = 8;
using Exponents = std::array<std::uint32_t, LANES>;

// Unsigned lanes and coefficients wrap at 32 bits without undefined
// behaviour; they are read back as signed numbers only for the result.
struct PackedTerm {
    Exponents exps;
    std::uint32_t coeff;
};
using PackedSum = std::vector<PackedTerm>;

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
    // Nothing when a factor does not pack, when there are more than LANES
    // of them, or when two render alike (the variable "e" and e), which
    // collection would group.
    static std::optional<Lanes> of(std::initializer_list<const std::vector<Term>*> sides, const FactorTable& factors) {
        Lanes lanes;
        for (const std::vector<Term>* side : sides) {
            for (const Term& term : *side) {
                for (const Power& power : term.powers()) {
                    if (power.exp == 0 || lanes.lane_of(power.factor) < lanes.factor_.size()) {
                        continue;
                    }
                    if (lanes.factor_.size() == LANES || !packs(*factors[power.factor].node)) {
                        return std::nullopt;
                    }
                    lanes.factor_.push_back(power.factor);
                }
            }
        }
        std::vector<FactorId>& ids = lanes.factor_;
        std::sort(ids.begin(), ids.end(), [&factors](FactorId a, FactorId b) { return factors.stands_before(a, b); });
        for (std::size_t i = 1; i < ids.size(); ++i) {
            if (factors.compare_texts(ids[i - 1], ids[i]) == 0) {
                return std::nullopt;
            }
        }
        return lanes;
    }

    PackedSum pack(const std::vector<Term>& terms) const {
        PackedSum packed;
        packed.reserve(terms.size());
        for (const Term& term : terms) {
            if (term.coeff == 0) {
                continue;
            }
            PackedTerm entry{{}, static_cast<std::uint32_t>(term.coeff)};
            for (const Power& power : term.powers()) {
                if (power.exp != 0) {
                    entry.exps[lane_of(power.factor)] += static_cast<std::uint32_t>(power.exp);
                }
            }
            packed.push_back(entry);
        }
        return packed;
    }

    // The terms of a sum of distinct exponents, as the table keeps them.
    TermTable unpack(const PackedSum& sum, const FactorTable& factors) const {
        std::vector<Term> terms;
        terms.reserve(sum.size());
        std::vector<Power> powers;
        for (const PackedTerm& entry : sum) {
            powers.clear();
            for (std::size_t lane = 0; lane < factor_.size(); ++lane) {
                if (entry.exps[lane] != 0) {
                    powers.push_back({factor_[lane], wrap(entry.exps[lane])});
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
class PackedCollector {
public:
    explicit PackedCollector(std::size_t expected) { rehash(expected); }

    void add(const Exponents& exps, std::uint32_t coeff) {
        std::size_t slot = hash(exps) & mask_;
        while (slots_[slot] != 0) {
            PackedTerm& known = terms_[slots_[slot] - 1];
            if (known.exps == exps) {
                known.coeff += coeff;
                return;
            }
            slot = (slot + 1) & mask_;
        }
        terms_.push_back({exps, coeff});
        slots_[slot] = static_cast<std::uint32_t>(terms_.size());
        if (2 * terms_.size() > slots_.size()) {
            rehash(terms_.size());
        }
    }

    // The collected terms, those whose coefficients cancelled dropped.
    PackedSum take() && {
        terms_.erase(std::remove_if(terms_.begin(), terms_.end(), [](const PackedTerm& t) { return t.coeff == 0; }),
                     terms_.end());
        return std::move(terms_);
    }

private:
    static std::size_t hash(const Exponents& exps) {
        std::uint64_t h = 0;
        for (std::size_t i = 0; i < LANES; i += 2) {
            h = (h ^ (std::uint64_t{exps[i]} | std::uint64_t{exps[i + 1]} << 32)) * 0x9E3779B97F4A7C15ULL;
        }
        return static_cast<std::size_t>(h ^ (h >> 32));
    }

    // Room for at least four times count slots: the load stays at most one half.
    void rehash(std::size_t count) {
        std::size_t size = 16;
        while (size < 4 * count) {
            size *= 2;
        }
        slots_.assign(size, 0);
        mask_ = size - 1;
        for (std::size_t i = 0; i < terms_.size(); ++i) {
            std::size_t slot = hash(terms_[i].exps) & mask_;
            while (slots_[slot] != 0) {
                slot = (slot + 1) & mask_;
            }
            slots_[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }

    PackedSum terms_;
    std::vector<std::uint32_t> slots_;  // 1 + a position in terms_, 0 for a free slot
    std::size_t mask_ = 0;
};

PackedSum multiply(const PackedSum& a, const PackedSum& b, const Cancellation& cancel) {
    PackedCollector collector(std::max(a.size(), b.size()));
    for (const PackedTerm& s : a) {
        for (const PackedTerm& t : b) {
            cancel.poll();
            Exponents exps;
            for (std::size_t lane = 0; lane < LANES; ++lane) {
                exps[lane] = s.exps[lane] + t.exps[lane];
            }
            collector.add(exps, s.coeff * t.coeff);
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
PackedSum raise(const PackedSum& base, int exp, const Cancellation& cancel) {
    PackedSum result = base;
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

}  // namespace

std::optional<TermTable> packed_product(const std::vector<Term>& left, const std::vector<Term>& right,
                                        const FactorTable& factors, const Cancellation& cancel) {
    const std::optional<Lanes> lanes = Lanes::of({&left, &right}, factors);
    if (!lanes) {
        return std::nullopt;
    }
    return lanes->unpack(multiply(lanes->pack(left), lanes->pack(right), cancel), factors);
}

std::optional<TermTable> packed_power(const std::vector<Term>& base, int exp, const FactorTable& factors,
                                      const Cancellation& cancel) {
    const std::optional<Lanes> lanes = base.size() < 2 ? std::nullopt : Lanes::of({&base}, factors);
    if (!lanes) {
        return std::nullopt;
    }
    return lanes->unpack(raise(lanes->pack(base), exp, cancel), factors);
}

}  // namespace kalvira
