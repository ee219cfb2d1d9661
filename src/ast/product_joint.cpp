#include "ast/product_joint.hpp"

namespace kalvira {

namespace {

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_ascii_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool ProductJoiner::ends_in_control_word(const std::string& text, std::size_t left_start) {
    std::size_t run = text.size();
    while (run > scanned_ && is_ascii_letter(static_cast<unsigned char>(text[run - 1]))) {
        --run;
    }
    if (run > scanned_) {  // a byte other than a letter came since the last call
        letters_from_ = run;
    }
    scanned_ = text.size();
    return letters_from_ < text.size() && letters_from_ > left_start && text[letters_from_ - 1] == '\\';
}

ProductJoint ProductJoiner::join(const std::string& text, std::size_t left_start, int right_first, bool both_numeric) {
    const bool digits_meet =
        text.size() > left_start && is_digit(static_cast<unsigned char>(text.back())) && is_digit(right_first);
    if (both_numeric || digits_meet) {
        return {" \\cdot ", false};
    }
    if (right_first == '-') {
        return {"", true};
    }
    if (is_ascii_letter(right_first) && ends_in_control_word(text, left_start)) {
        return {" ", false};
    }
    return {"", false};
}

}  // namespace kalvira
