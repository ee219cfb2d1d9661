#pragma once

// Splits school notation into tokens, one at a time as the parser asks,
// skipping white space. At each place the first of these that matches
// wins: a decimal number, an unknown function, a function name, pi or e,
// a variable, an integer, a superscript, an operator or parenthesis.

#include <cstddef>
#include <string_view>
#include <vector>

#include "parser/token.hpp"
#include "parser/utf8.hpp"

namespace kalvira {

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    // The next token; END at the end of the text. Throws ParseFailure at a
    // character that starts no token. Where no power may follow (after x²),
    // "**" is read as two "*", as that is the only reading that may fit.
    Token next(bool power_allowed);

    std::string_view text() const { return text_; }
    std::string_view text_of(const Token& token) const { return text_.substr(token.begin, token.end - token.begin); }

private:
    // A place in the text: byte and code point offsets.
    struct Cursor {
        std::size_t byte;
        std::size_t offset;
    };

    char32_t code_at(const Cursor& at) const;
    void step(Cursor& at) const;
    bool at_end(const Cursor& at) const { return at.byte >= text_.size(); }
    bool starts_with(const Cursor& at, std::string_view word) const {
        return text_.substr(at.byte, word.size()) == word;
    }

    Cursor end_of_letters(const Cursor& at);
    bool match_decimal(Cursor& at) const;
    bool match_unknown_function(Cursor& at, const Cursor& letters_end) const;
    bool match_word(Cursor& at, TokenKind& kind, ExprType& function) const;
    void match_variable(Cursor& at) const;
    void skip_digits(Cursor& at) const;
    bool match_superscript(Cursor& at) const;
    bool match_symbol(Cursor& at, bool power_allowed, TokenKind& kind, ExprType& function) const;
    bool take_spelling(Cursor& at, const Spelling* spelling, TokenKind& kind, ExprType& function) const;

    std::string_view text_;
    Cursor here_{0, 0};
    Cursor letters_end_{0, 0};  // where the last run of letters read ends
};

}  // namespace kalvira
