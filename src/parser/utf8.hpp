#pragma once

// UTF-8 as the parser reads it: every byte string decodes, one code point
// at a time. Lone surrogates encoded as three bytes (Python's
// 'surrogatepass') decode to themselves; a byte that starts no valid
// sequence decodes alone to U+DC00 + byte (as 'surrogateescape' would), so
// it is one character that nothing accepts.

#include <cstddef>
#include <string>
#include <string_view>

namespace kalvira::utf8 {

struct Decoded {
    char32_t code;
    std::size_t length;  // in bytes, at least 1
};

Decoded decode(std::string_view text, std::size_t at);

bool is_surrogate(char32_t code);

void append(std::string& out, char32_t code);

// The number of code points of text, as decode counts them.
std::size_t count_code_points(std::string_view text);

}  // namespace kalvira::utf8
