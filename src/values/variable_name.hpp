#pragma once

// How a variable's name reads in school notation: one letter, optionally
// with a subscript ("x", "x_1", "x_a", "x_{12}"), is what the parser reads
// back as that very name; anything else (several letters, an empty name,
// bytes that are not UTF-8) cannot be written so that it reads back.

#include <string_view>

namespace kalvira {

enum class NameShape {
    LETTER,           // "x"
    DIGIT_SUBSCRIPT,  // "x_12", which Unicode text writes "x₁₂"
    OTHER_SUBSCRIPT,  // "x_a", "x_{ab}"
    UNREADABLE,       // written as it is; does not read back
};

struct NameForm {
    NameShape shape;
    char32_t letter;          // the first letter (0 for UNREADABLE)
    std::size_t letter_size;  // its UTF-8 bytes
};

NameForm name_form(std::string_view name);

}  // namespace kalvira
