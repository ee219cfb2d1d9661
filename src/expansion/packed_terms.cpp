#include "expansion/packed_terms.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "ast/int32.hpp"
#include "expansion/packed_power.hpp"
#include "expansion/packed_sum.hpp"

namespace kalvira {

namespace {

using namespace packed;

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
        TermTable table = TermTable::of_distinct(sum.size());
        std::vector<Power> powers;
        for (const PackedTerm<N>& entry : sum) {
            factors.cancel().poll();
            powers.clear();
            for (std::size_t lane = 0; lane < factor_.size(); ++lane) {
                if (entry.lane(lane) != 0) {
                    powers.push_back({factor_[lane], wrap(entry.lane(lane))});
                }
            }
            Term term(wrap(entry.coeff), powers, factors);
            TermKey key = key_of(term, factors);
            table.add_distinct(std::move(term), std::move(key), factors);
        }
        return table;
    }

private:
    std::size_t lane_of(FactorId factor) const {
        return static_cast<std::size_t>(std::find(factor_.begin(), factor_.end(), factor) - factor_.begin());
    }

    std::vector<FactorId> factor_;  // by lane
};

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
    return with_packing(*lanes,
                        [&](auto n) { return lanes->unpack(raise(lanes->pack<n>(base), exp, cancel), factors); });
}

}  // namespace kalvira
