#pragma once

// The reasons and hints of every refusal, worded as the package has always
// worded them (and as its tests expect).

#include <string>
#include <string_view>

namespace kalvira::parse_errors {

inline constexpr const char* UNEXPECTED_END = "unexpected end of input";
inline constexpr const char* EMPTY = "the expression is empty";
inline constexpr const char* EXPECTED_OPEN = "expected '('";
inline constexpr const char* DECIMAL = "decimal numbers are not supported";
inline constexpr const char* DECIMAL_HINT = "write a fraction such as 3/2";
inline constexpr const char* INTEGER_RANGE_HINT = "integers run from -2147483648 to 2147483647";

std::string unexpected_character(char32_t code);
// text is the token as written (UTF-8 as the parser reads it).
std::string unexpected_token(std::string_view text);
// digits: without leading zeros; long ones are shortened.
std::string integer_too_large(bool negative, std::string_view digits);
std::string unknown_function(std::string_view letters);
// group: the parenthesised argument as written, "(x)".
std::string unknown_function_hint(std::string_view letters, std::string_view group);

}  // namespace kalvira::parse_errors
