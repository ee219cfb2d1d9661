#include "parser/utf8.hpp"

namespace kalvira::utf8 {
namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The smallest code point each sequence length may encode.
constexpr char32_t SHORTEST[] = {0, 0, 0x80, 0x800, 0x10000};

}  // namespace

Decoded decode(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        return {lead, 1};
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    const Decoded invalid{0xDC00 + char32_t{lead}, 1};
    if (length == 0 || lead > 0xF4 || at + length > text.size()) {
        return invalid;
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!is_continuation(byte)) {
            return invalid;
        }
        code = (code << 6) | (byte & 0x3F);
    }
    if (code < SHORTEST[length] || code > 0x10FFFF) {
        return invalid;
    }
    return {code, length};
}

bool is_surrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

void append(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    const std::size_t length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    constexpr unsigned char LEADS[] = {0, 0, 0xC0, 0xE0, 0xF0};
    char bytes[4];
    for (std::size_t i = length - 1; i > 0; --i) {
        bytes[i] = static_cast<char>(0x80 | (code & 0x3F));
        code >>= 6;
    }
    bytes[0] = static_cast<char>(LEADS[length] | code);
    out.append(bytes, length);
}

std::size_t count_code_points(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at += decode(text, at).length) {
        ++count;
    }
    return count;
}

}  // namespace kalvira::utf8
