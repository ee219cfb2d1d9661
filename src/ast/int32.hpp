#pragma once

#include <cstdint>

namespace kalvira {

// All integer arithmetic of the library is signed 32-bit two's complement
// that wraps around. The results are computed in 64 bits and reduced here,
// so no signed overflow ever reaches the compiler.

// The low 32 bits of v, read as a signed number.
inline int wrap(std::int64_t v) {
    const std::uint32_t low = static_cast<std::uint32_t>(v);
    return low <= INT32_MAX ? static_cast<int>(low)
                            : static_cast<int>(static_cast<std::int64_t>(low) - (std::int64_t{1} << 32));
}

inline int wrap_add(int a, int b) { return wrap(std::int64_t{a} + b); }
inline int wrap_mul(int a, int b) { return wrap(std::int64_t{a} * b); }
inline int wrap_neg(int a) { return wrap(-std::int64_t{a}); }

// |v| as an unsigned number, exact for -2147483648.
inline std::uint32_t magnitude(int v) {
    return v < 0 ? static_cast<std::uint32_t>(-std::int64_t{v}) : static_cast<std::uint32_t>(v);
}

// Greatest common divisor of |a| and |b| by Euclid's algorithm on the
// unsigned magnitudes. gcd(0, 0) is 0; a divisor of 2147483648 comes back
// wrapped, as -2147483648.
inline int gcd(int a, int b) {
    std::uint32_t x = magnitude(a);
    std::uint32_t y = magnitude(b);
    while (y != 0) {
        const std::uint32_t rest = x % y;
        x = y;
        y = rest;
    }
    return wrap(x);
}

}  // namespace kalvira
