#pragma once

// Arithmetic modulo the prime 2^61 - 1. A value of a tree taken modulo this
// prime is its exact value seen through a window far wider than 32 bits, so
// two trees whose values agree modulo 2^32 but not exactly almost surely
// differ here.

#include <cstdint>

#include "ast/raise_power.hpp"

namespace kalvira::prime_field {

inline constexpr std::uint64_t PRIME = (std::uint64_t{1} << 61) - 1;

__extension__ typedef unsigned __int128 Wide;

inline std::uint64_t reduce(Wide v) {
    // 2^61 is 1 modulo the prime, so the high bits fold onto the low ones.
    std::uint64_t folded = static_cast<std::uint64_t>(v & PRIME) + static_cast<std::uint64_t>(v >> 61);
    folded = (folded & PRIME) + (folded >> 61);
    return folded >= PRIME ? folded - PRIME : folded;
}

inline std::uint64_t add(std::uint64_t a, std::uint64_t b) { return reduce(Wide{a} + b); }
inline std::uint64_t negate(std::uint64_t a) { return a == 0 ? 0 : PRIME - a; }
inline std::uint64_t multiply(std::uint64_t a, std::uint64_t b) { return reduce(Wide{a} * b); }

inline std::uint64_t of_int(std::int64_t v) {
    const std::uint64_t magnitude = v < 0 ? static_cast<std::uint64_t>(-(v + 1)) + 1 : static_cast<std::uint64_t>(v);
    const std::uint64_t residue = reduce(magnitude);
    return v < 0 ? negate(residue) : residue;
}

inline std::uint64_t power(std::uint64_t base, std::uint64_t exponent) {
    return raise_power(base, exponent, std::uint64_t{1}, multiply);
}

// The inverse of a non-zero residue, by Fermat's little theorem.
inline std::uint64_t inverse(std::uint64_t a) { return power(a, PRIME - 2); }

}  // namespace kalvira::prime_field
