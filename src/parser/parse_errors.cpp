#include "parser/parse_errors.hpp"

#include <algorithm>
#include <vector>

#include "parser/python_repr.hpp"
#include "parser/utf8.hpp"

namespace kalvira::parse_errors {
namespace {

std::vector<char32_t> code_points(std::string_view text) {
    std::vector<char32_t> codes;
    for (std::size_t at = 0; at < text.size();) {
        const utf8::Decoded decoded = utf8::decode(text, at);
        codes.push_back(decoded.code);
        at += decoded.length;
    }
    return codes;
}

// Integers longer than this show their first digits and their length.
constexpr std::size_t SHOWN_DIGITS = 20;
// Arguments longer than this (in characters), or not text (lone
// surrogates), show as "(...)" in the hint.
constexpr std::size_t SHOWN_GROUP = 20;

}  // namespace

std::string unexpected_character(char32_t code) { return "unexpected character " + python_repr({code}); }

std::string unexpected_token(std::string_view text) { return "unexpected " + python_repr(code_points(text)); }

std::string integer_too_large(bool negative, std::string_view digits) {
    std::string shown = negative ? "-" : "";
    if (digits.size() <= SHOWN_DIGITS) {
        shown += digits;
    } else {
        shown += std::string(digits.substr(0, SHOWN_DIGITS / 2)) + "... (" + std::to_string(digits.size()) + " digits)";
    }
    return "the integer " + shown + " does not fit in 32 bits";
}

std::string unknown_function(std::string_view letters) { return "unknown function '" + std::string(letters) + "'"; }

std::string unknown_function_hint(std::string_view letters, std::string_view group) {
    std::string product;
    for (const char32_t letter : code_points(letters)) {
        utf8::append(product, letter);
        product += '*';
    }
    const std::vector<char32_t> codes = code_points(group);
    const bool shown = codes.size() <= SHOWN_GROUP && std::none_of(codes.begin(), codes.end(), utf8::is_surrogate);
    product += shown ? std::string(group) : "(...)";
    return "write " + product + " for a product";
}

}  // namespace kalvira::parse_errors
