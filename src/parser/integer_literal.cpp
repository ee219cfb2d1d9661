#include "parser/integer_literal.hpp"

#include <cstdint>

namespace kalvira {

IntegerLiteral IntegerLiteral::from_digits(std::string_view written, bool negative, std::size_t offset) {
    const std::size_t first = written.find_first_not_of('0');
    return {first == std::string_view::npos ? "0" : std::string(written.substr(first)), negative, offset};
}

std::optional<int> IntegerLiteral::value() const {
    if (digits.size() > 10) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    for (const char digit : digits) {
        magnitude = magnitude * 10 + (digit - '0');
    }
    const std::int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value < INT32_MIN || signed_value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(signed_value);
}

}  // namespace kalvira
