#pragma once

// Powers of packed sums: by the multinomial theorem, by multiplying with the
// base step by step, or by squaring, whichever costs least for the base and
// exponent.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ast/cancellation.hpp"
#include "expansion/packed_sum.hpp"

namespace kalvira::packed {

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
    constexpr std::uint64_t CAP = 1 << 16;  // beyond, the collector grows as it needs
    std::uint64_t ways = 1;                 // C(exp + i, i) for i = 0, 1, ...
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
        for (int k = 0; k <= remaining && power(i, k).coeff != 0; ++k) {  // higher powers of 0 stay 0
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

}  // namespace kalvira::packed
