#pragma once

// How the texts of a product's two operands meet when neither is dropped.
// The renderer and the expansion engine's term keys both join factor texts
// through this one rule, so that keys are exactly renderings.

#include <cstddef>
#include <string>

namespace kalvira {

constexpr int NO_FIRST_BYTE = -1;  // the first byte of an empty text

struct ProductJoint {
    const char* separator;  // "", " " or " \cdot "
    bool wrap_right;        // the right text goes in "\left(" ... "\right)"
};

// Joins left operand texts that end a growing text. Remembers where the run
// of ASCII letters at the end of the text begins, so that each byte is
// looked at once however many joins are asked for.
class ProductJoiner {
public:
    // The left operand's text is text[left_start..]; the text has only grown
    // since the last call. right_first is the first byte of the right
    // operand's text as a factor, or NO_FIRST_BYTE.
    //   - two numeric literals, or a digit meeting a digit: " \cdot ";
    //   - otherwise a right text beginning with a minus sign is wrapped, so
    //     that it cannot read as a subtraction;
    //   - otherwise a control word ending the left text (a backslash and
    //     ASCII letters, like "\pi") is kept apart from a following letter
    //     by one space, so that the two do not read as another command.
    ProductJoint join(const std::string& text, std::size_t left_start, int right_first, bool both_numeric);

private:
    bool ends_in_control_word(const std::string& text, std::size_t left_start);

    std::size_t scanned_ = 0;       // the length of the text at the last call
    std::size_t letters_from_ = 0;  // where the trailing letters of text[..scanned_] begin
};

}  // namespace kalvira
