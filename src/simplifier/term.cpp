#include "simplifier/term.hpp"

#include <algorithm>
#include <utility>

#include "ast/int32.hpp"

namespace kalvira {

namespace {

constexpr std::size_t INDEXED_FROM = 16;

}  // namespace

Term::Term(int coeff_, std::vector<Power> powers, const FactorTable& factors)
    : coeff(coeff_), powers_(std::move(powers)) {
    for (const Power& power : powers_) {
        count(power, factors, +1);
    }
}

void Term::count(const Power& power, const FactorTable& factors, int delta) {
    if (power.exp == 0) {
        zeros_ += delta;
    } else if (power.exp == 1 && factors[power.factor].splits_when_alone) {
        splitting_ += delta;
    }
}

void Term::index_positions() {
    position_.map().clear();
    for (std::uint32_t i = 0; i < powers_.size(); ++i) {
        position_.map().emplace(powers_[i].factor, i);
    }
}

void Term::multiply(FactorId factor, int exp, const FactorTable& factors) {
    Power* entry = nullptr;
    if (powers_.size() >= INDEXED_FROM) {
        if (position_.empty()) {
            index_positions();
        }
        const auto found = position_.map().find(factor);
        entry = found == position_.map().end() ? nullptr : &powers_[found->second];
    } else {
        const auto found = std::find_if(powers_.begin(), powers_.end(),
                                        [factor](const Power& p) { return p.factor == factor; });
        entry = found == powers_.end() ? nullptr : &*found;
    }
    if (entry != nullptr) {
        count(*entry, factors, -1);
        entry->exp = wrap_add(entry->exp, exp);
        count(*entry, factors, +1);
        return;
    }
    powers_.push_back({factor, exp});
    count(powers_.back(), factors, +1);
    if (!position_.empty()) {
        position_.map().emplace(factor, static_cast<std::uint32_t>(powers_.size() - 1));
    }
}

void Term::multiply(const Term& other, const FactorTable& factors) {
    coeff = wrap_mul(coeff, other.coeff);
    for (const Power& power : other.powers_) {
        multiply(power.factor, power.exp, factors);
    }
}

bool Term::reads_back_as_itself(const FactorTable& factors) const {
    if (splitting_ != 0) {
        return false;
    }
    if (coeff != 1 || powers_.size() - zeros_ != 1) {
        return true;
    }
    for (const Power& power : powers_) {
        if (power.exp != 0) {
            return !(power.exp == 1 && factors[power.factor].is_sum);
        }
    }
    return true;
}

void Term::drop_zero_powers() {
    if (zeros_ == 0) {
        return;
    }
    powers_.erase(std::remove_if(powers_.begin(), powers_.end(), [](const Power& p) { return p.exp == 0; }),
                  powers_.end());
    zeros_ = 0;
    if (!position_.empty()) {
        index_positions();
    }
}

void Term::canonicalise(const FactorTable& factors) {
    drop_zero_powers();
    canonicalise(powers_, factors);
    if (!position_.empty()) {
        index_positions();
    }
}

void Term::canonicalise(std::vector<Power>& powers, const FactorTable& factors) {
    powers.erase(std::remove_if(powers.begin(), powers.end(), [](const Power& p) { return p.exp == 0; }),
                 powers.end());
    const auto before = [&factors](const Power& a, const Power& b) { return factors.stands_before(a.factor, b.factor); };
    if (powers.size() > INDEXED_FROM) {
        std::stable_sort(powers.begin(), powers.end(), before);
        return;
    }
    // Insertion sort: stable, and no buffer for the few factors of most terms.
    for (std::size_t i = 1; i < powers.size(); ++i) {
        for (std::size_t j = i; j > 0 && before(powers[j], powers[j - 1]); --j) {
            std::swap(powers[j], powers[j - 1]);
        }
    }
}

}  // namespace kalvira
