#pragma once

#include <cstdint>

namespace kalvira {

// base^exponent by squaring, in whatever ring `multiply` works in: the
// wrapping 32-bit integers, or the prime field of the wrap check.
template <class Value, class Multiply>
Value raise_power(Value base, std::uint64_t exponent, Value one, Multiply multiply) {
    Value result = one;
    while (exponent != 0) {
        if (exponent & 1) {
            result = multiply(result, base);
        }
        base = multiply(base, base);
        exponent >>= 1;
    }
    return result;
}

}  // namespace kalvira
