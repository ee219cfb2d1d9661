#include "simplifier/integer_helpers.hpp"

#include <stdexcept>

#include "ast/errors.hpp"
#include "ast/int32.hpp"
#include "ast/raise_power.hpp"

namespace kalvira {

int int_pow(int base, int exp) {
    if (exp < 0) {
        return 0;
    }
    return raise_power(base, static_cast<std::uint64_t>(exp), 1, wrap_mul);
}

std::pair<int, int> simplify_sqrt(int n) {
    if (n < 0) {
        throw std::invalid_argument(errors::NEGATIVE_SQRT);
    }
    if (n == 0) {
        return {0, 1};
    }
    int outside = 1;
    // i <= n / i is i * i <= n without overflow: the largest trial divisor
    // for any 32-bit n is 46340, whose square still fits.
    for (int i = 2; i <= n / i; ++i) {
        while (n % (i * i) == 0) {
            outside *= i;
            n /= i * i;
        }
    }
    return {outside, n};
}

}  // namespace kalvira
