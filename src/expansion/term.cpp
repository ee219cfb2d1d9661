#include "expansion/term.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "ast/int32.hpp"

namespace kalvira {

namespace {

constexpr std::size_t INDEXED_FROM = 16;

}  // namespace

Term::Term(int coeff_, const std::vector<Power>& powers, const FactorTable& factors)
    : coeff(coeff_), powers_(powers.data(), powers.data() + powers.size()) {
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
    for (std::uint32_t i = head_; i < powers_.size(); ++i) {
        if (find_indexed(powers_[i].factor) == nullptr) {  // an entry left behind comes later
            position_.map().insert(powers_[i].factor, i);
        }
    }
}

Power* Term::find_indexed(FactorId factor) {
    const std::uint32_t found =
        position_.map().find(factor, [this, factor](std::uint32_t i) { return powers_[i].factor == factor; });
    return found == HashIndex::NONE ? nullptr : &powers_[found];
}

Power* Term::find(FactorId factor) {
    if (powers_.size() - head_ >= INDEXED_FROM) {
        if (position_.empty()) {
            index_positions();
        }
        return find_indexed(factor);
    }
    const auto found =
        std::find_if(powers_.begin() + head_, powers_.end(), [factor](const Power& p) { return p.factor == factor; });
    return found == powers_.end() ? nullptr : &*found;
}

void Term::multiply(FactorId factor, int exp, const FactorTable& factors) {
    if (Power* entry = find(factor)) {
        count(*entry, factors, -1);
        entry->exp = wrap_add(entry->exp, exp);
        count(*entry, factors, +1);
        return;
    }
    powers_.push_back({factor, exp});
    count(powers_.back(), factors, +1);
    if (!position_.empty()) {
        position_.map().insert(factor, static_cast<std::uint32_t>(powers_.size() - 1));
    }
}

void Term::make_room_in_front() {
    if (head_ > 0) {
        return;
    }
    const std::size_t room = std::max<std::size_t>(4, powers_.size());
    powers_.insert_front(room);
    head_ = static_cast<std::uint32_t>(room);
    if (!position_.empty()) {
        index_positions();
    }
}

void Term::multiply_before(const Term& other, const FactorTable& factors) {
    coeff = wrap_mul(other.coeff, coeff);
    const PowerView before = other.powers();
    for (std::size_t i = before.size(); i-- > 0;) {
        Power power = before[i];
        make_room_in_front();
        Power* entry = find(power.factor);
        if (entry != nullptr) {
            power.exp = wrap_add(power.exp, entry->exp);
            count(*entry, factors, -1);
            entry->exp = 0;
            count(*entry, factors, +1);
        }
        powers_[--head_] = power;
        count(power, factors, +1);
        if (!position_.empty()) {
            if (entry != nullptr) {
                position_.map().move(power.factor, static_cast<std::uint32_t>(entry - powers_.begin()), head_);
            } else {
                position_.map().insert(power.factor, head_);
            }
        }
    }
}

void Term::multiply(const Term& other, const FactorTable& factors) {
    coeff = wrap_mul(coeff, other.coeff);
    for (const Power& power : other.powers()) {
        multiply(power.factor, power.exp, factors);
    }
}

bool Term::reads_back_as_itself(const FactorTable& factors) const {
    if (splitting_ != 0) {
        return false;
    }
    if (coeff != 1 || powers_.size() - head_ - zeros_ != 1) {
        return true;
    }
    for (const Power& power : powers()) {
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
    powers_.erase_front(head_);
    head_ = 0;
    powers_.erase_from(std::remove_if(powers_.begin(), powers_.end(), [](const Power& p) { return p.exp == 0; }));
    zeros_ = 0;
    if (!position_.empty()) {
        index_positions();
    }
}

void Term::canonicalise(const FactorTable& factors) {
    drop_zero_powers();
    powers_.erase_front(head_);
    head_ = 0;
    sort_canonically(powers_.begin(), powers_.end(), factors);
    if (!position_.empty()) {
        index_positions();
    }
}

void Term::canonicalise(std::vector<Power>& powers, const FactorTable& factors) {
    powers.erase(std::remove_if(powers.begin(), powers.end(), [](const Power& p) { return p.exp == 0; }), powers.end());
    sort_canonically(powers.data(), powers.data() + powers.size(), factors);
}

namespace {

// A long product's factors sorted by the leading bytes of their texts, which
// decide almost every comparison without looking the texts up again; ties
// go to the whole texts, then to the original position, which keeps the
// sort stable.
void sort_by_leading_bytes(Power* first, Power* last, const FactorTable& factors) {
    struct Place {
        std::uint64_t lead;
        std::uint32_t position;
    };
    std::vector<Place> order(static_cast<std::size_t>(last - first));
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i] = {leading_bytes(factors.text(first[i].factor).text), i};
    }
    std::sort(order.begin(), order.end(), [first, &factors](const Place& a, const Place& b) {
        if (a.lead != b.lead) {
            return a.lead > b.lead;
        }
        const int by_text = factors.compare_texts(first[a.position].factor, first[b.position].factor);
        return by_text != 0 ? by_text > 0 : a.position < b.position;
    });
    std::vector<Power> sorted(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted[i] = first[order[i].position];
    }
    std::copy(sorted.begin(), sorted.end(), first);
}

}  // namespace

void Term::sort_canonically(Power* first, Power* last, const FactorTable& factors) {
    const auto before = [&factors](const Power& a, const Power& b) {
        return factors.stands_before(a.factor, b.factor);
    };
    if (static_cast<std::size_t>(last - first) > INDEXED_FROM) {
        sort_by_leading_bytes(first, last, factors);
        return;
    }
    // Insertion sort: stable, and no buffer for the few factors of most terms.
    for (Power* i = first + (first != last); i < last; ++i) {
        for (Power* j = i; j > first && before(*j, *(j - 1)); --j) {
            std::swap(*j, *(j - 1));
        }
    }
}

}  // namespace kalvira
