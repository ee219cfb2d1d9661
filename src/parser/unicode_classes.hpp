#pragma once

// Code point classes as Python's str and re see them, so that the parser
// splits and describes text exactly as the package always has.

#include <cstddef>

namespace kalvira::unicode {

struct CodeRange {
    char32_t first;
    char32_t last;
};

// Sorted, disjoint ranges (unicode_tables.cpp, generated).
extern const CodeRange LETTER_RANGES[];
extern const std::size_t LETTER_RANGES_COUNT;
extern const CodeRange SPACE_RANGES[];
extern const std::size_t SPACE_RANGES_COUNT;
extern const CodeRange PRINTABLE_RANGES[];
extern const std::size_t PRINTABLE_RANGES_COUNT;

bool in_ranges(char32_t c, const CodeRange* ranges, std::size_t count);

// A letter of a name: alphanumeric, not a decimal digit, not '_', not a
// superscript or subscript digit.
inline bool is_letter(char32_t c) {
    if (c < 0x80) {
        return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    }
    return in_ranges(c, LETTER_RANGES, LETTER_RANGES_COUNT);
}

// White space, which separates tokens and is otherwise ignored.
inline bool is_space(char32_t c) {
    if (c < 0x80) {
        return c == ' ' || (c >= '\t' && c <= '\r') || (c >= 0x1C && c <= 0x1F);
    }
    return in_ranges(c, SPACE_RANGES, SPACE_RANGES_COUNT);
}

// Shown as itself in a quoted text (otherwise escaped).
inline bool is_printable(char32_t c) { return in_ranges(c, PRINTABLE_RANGES, PRINTABLE_RANGES_COUNT); }

}  // namespace kalvira::unicode
