#include "parser/python_repr.hpp"

#include <algorithm>
#include <cstdio>

#include "parser/unicode_classes.hpp"
#include "parser/utf8.hpp"

namespace kalvira {
namespace {

void append_escape(std::string& out, char32_t c) {
    const char* format = c <= 0xFF ? "\\x%02x" : c <= 0xFFFF ? "\\u%04x" : "\\U%08x";
    char buffer[12];
    std::snprintf(buffer, sizeof buffer, format, static_cast<unsigned>(c));
    out += buffer;
}

void append_char(std::string& out, char32_t c, char32_t quote) {
    if (c == quote || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
    } else if (c == '\t' || c == '\n' || c == '\r') {
        out += c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r";
    } else if (c < ' ' || c == 0x7F || (c >= 0x80 && !unicode::is_printable(c))) {
        append_escape(out, c);
    } else {
        utf8::append(out, c);
    }
}

}  // namespace

std::string python_repr(const std::vector<char32_t>& text) {
    const bool has_single = std::find(text.begin(), text.end(), U'\'') != text.end();
    const bool has_double = std::find(text.begin(), text.end(), U'"') != text.end();
    const char32_t quote = has_single && !has_double ? '"' : '\'';
    std::string out(1, static_cast<char>(quote));
    for (const char32_t c : text) {
        append_char(out, c, quote);
    }
    out += static_cast<char>(quote);
    return out;
}

}  // namespace kalvira
