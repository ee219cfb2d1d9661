#pragma once

// An integer as written, not yet a node: a minus sign right before it can
// still make it negative (so that -2147483648 fits), and its digits may be
// far too many for any machine integer.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kalvira {

struct IntegerLiteral {
    std::string digits;  // ASCII, without leading zeros ("0" for zero)
    bool negative;
    std::size_t offset;  // where it starts: its minus sign, if it has one

    // From ASCII digits, which may have leading zeros.
    static IntegerLiteral from_digits(std::string_view written, bool negative, std::size_t offset);

    // The value, when it fits in 32 bits.
    std::optional<int> value() const;
};

}  // namespace kalvira
