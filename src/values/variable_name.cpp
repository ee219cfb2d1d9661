#include "values/variable_name.hpp"

#include <algorithm>

#include "parser/unicode_classes.hpp"
#include "parser/utf8.hpp"

namespace kalvira {
namespace {

bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

// What may follow the letter and '_', as the lexer reads a subscript.
NameShape subscript_shape(std::string_view subscript) {
    if (subscript.empty()) {
        return NameShape::UNREADABLE;
    }
    if (std::all_of(subscript.begin(), subscript.end(), is_ascii_digit)) {
        return NameShape::DIGIT_SUBSCRIPT;
    }
    const utf8::Decoded first = utf8::decode(subscript, 0);
    if (first.length == subscript.size() && unicode::is_letter(first.code)) {
        return NameShape::OTHER_SUBSCRIPT;
    }
    if (subscript.size() < 3 || subscript.front() != '{' || subscript.back() != '}') {
        return NameShape::UNREADABLE;
    }
    const std::string_view inside = subscript.substr(1, subscript.size() - 2);
    for (std::size_t at = 0; at < inside.size();) {
        const utf8::Decoded c = utf8::decode(inside, at);
        if (c.code == '{' || c.code == '}' || unicode::is_space(c.code) || utf8::is_surrogate(c.code)) {
            return NameShape::UNREADABLE;
        }
        at += c.length;
    }
    return NameShape::OTHER_SUBSCRIPT;
}

}  // namespace

NameForm name_form(std::string_view name) {
    if (name.empty()) {
        return {NameShape::UNREADABLE, 0, 0};
    }
    const utf8::Decoded first = utf8::decode(name, 0);
    if (!unicode::is_letter(first.code)) {
        return {NameShape::UNREADABLE, 0, 0};
    }
    if (first.length == name.size()) {
        return {NameShape::LETTER, first.code, first.length};
    }
    if (name[first.length] != '_') {
        return {NameShape::UNREADABLE, 0, 0};
    }
    const NameShape shape = subscript_shape(name.substr(first.length + 1));
    return {shape, shape == NameShape::UNREADABLE ? 0 : first.code, first.length};
}

}  // namespace kalvira
