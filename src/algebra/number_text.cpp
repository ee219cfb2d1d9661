#include <flint/flint.h>

#include <string>

#include "algebra/polynomial.hpp"

namespace kalvira {

namespace {

// Messages show this many leading digits of a longer number.
constexpr std::size_t SHOWN_DIGITS = 30;

}  // namespace

std::string decimal(const fmpz* value) {
    char* text = fmpz_get_str(nullptr, 10, value);
    std::string digits(text);
    flint_free(text);
    return digits;
}

std::string number_text(const fmpz* value) {
    std::string digits = decimal(value);
    const std::size_t count = digits.size() - (digits[0] == '-' ? 1 : 0);
    if (count <= SHOWN_DIGITS) {
        return digits;
    }
    digits.resize(digits.size() - count + SHOWN_DIGITS);
    return digits + "... (" + std::to_string(count) + " digits)";
}

}  // namespace kalvira
