#pragma once

// Quoted text exactly as Python's repr() writes a str, so that error
// messages read "unexpected character '\x00'" in every front end alike.

#include <string>
#include <vector>

namespace kalvira {

std::string python_repr(const std::vector<char32_t>& text);

}  // namespace kalvira
