#pragma once

#include <cstddef>
#include <string_view>

#include "ast/expr.hpp"

namespace kalvira {

enum class TokenKind {
    END,
    INTEGER,           // 0-9 digits
    DECIMAL,           // 1.5, .5, 1. (refused, but read as one token)
    PI,                // pi, π
    E,                 // e, unless a subscript follows
    VARIABLE,          // a letter with an optional subscript
    FUNCTION,          // a function's word: sqrt, ln, ...
    UNKNOWN_FUNCTION,  // two or more letters right before '(' that name no function
    SUPERSCRIPT,       // ⁻¹², an integer exponent
    PLUS,
    MINUS,   // - −
    TIMES,   // * · ×
    DIVIDE,  // / ÷
    POWER,   // ^ **
    LPAR,
    RPAR,
    ROOT,  // √ ∛
};

struct Token {
    TokenKind kind;
    std::size_t begin;  // byte offsets into the text
    std::size_t end;
    std::size_t offset;  // code point offset of begin
    ExprType function;   // FUNCTION and ROOT: the node they make
};

// One way of writing a token: "×" is a TIMES, "sin" a FUNCTION making SIN.
struct Spelling {
    std::string_view text;
    TokenKind kind;
    ExprType function;
};

}  // namespace kalvira
