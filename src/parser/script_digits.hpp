#pragma once

// Superscript digits write exponents (x²), subscript digits subscripts (x₁).

namespace kalvira {

inline constexpr char32_t SUPERSCRIPT_MINUS = U'⁻';

// The digit a superscript digit stands for, or -1.
inline int superscript_digit(char32_t c) {
    switch (c) {
    case U'⁰':
        return 0;
    case U'¹':
        return 1;
    case U'²':
        return 2;
    case U'³':
        return 3;
    default:
        return c >= U'⁴' && c <= U'⁹' ? static_cast<int>(c - U'⁴') + 4 : -1;
    }
}

// The digit a subscript digit stands for, or -1.
inline int subscript_digit(char32_t c) { return c >= U'₀' && c <= U'₉' ? static_cast<int>(c - U'₀') : -1; }

}  // namespace kalvira
