#include "parser/lexer.hpp"

#include <string_view>
#include <vector>

#include "ast/kind_words.hpp"
#include "parser/parse.hpp"
#include "parser/parse_errors.hpp"
#include "parser/script_digits.hpp"
#include "parser/unicode_classes.hpp"

namespace kalvira {
namespace {

bool is_digit(char32_t c) { return c >= '0' && c <= '9'; }

// The words of the functions and pi, from the list of kinds; e is matched
// apart, as it must not take a subscript.
const std::vector<Spelling>& words() {
    static const std::vector<Spelling> spellings = [] {
        std::vector<Spelling> all;
        for (const KindWord& entry : KIND_WORDS) {
            if (entry.kind == ExprType::E) {
                continue;
            }
            const bool function = is_function(entry.kind);
            const TokenKind kind = function ? TokenKind::FUNCTION : TokenKind::PI;
            for (const std::string_view word : {entry.word, entry.also, function ? std::string_view() : entry.symbol}) {
                if (!word.empty()) {
                    all.push_back({word, kind, entry.kind});
                }
            }
        }
        return all;
    }();
    return spellings;
}

// The operators and parentheses, then the root signs of the list of kinds.
// "**" comes first, so that it is read as one token where a power may be.
const std::vector<Spelling>& symbols() {
    static const std::vector<Spelling> spellings = [] {
        std::vector<Spelling> all{
            {"**", TokenKind::POWER, ExprType::POW}, {"^", TokenKind::POWER, ExprType::POW},
            {"*", TokenKind::TIMES, ExprType::MUL},  {"·", TokenKind::TIMES, ExprType::MUL},
            {"×", TokenKind::TIMES, ExprType::MUL},  {"/", TokenKind::DIVIDE, ExprType::DIV},
            {"÷", TokenKind::DIVIDE, ExprType::DIV}, {"+", TokenKind::PLUS, ExprType::ADD},
            {"-", TokenKind::MINUS, ExprType::NEG},  {"−", TokenKind::MINUS, ExprType::NEG},
            {"(", TokenKind::LPAR, ExprType::INT},   {")", TokenKind::RPAR, ExprType::INT},
        };
        for (const KindWord& entry : KIND_WORDS) {
            if (!root_sign(entry.kind).empty()) {
                all.push_back({root_sign(entry.kind), TokenKind::ROOT, entry.kind});
            }
        }
        return all;
    }();
    return spellings;
}

// The first of the spellings that the text starts with.
const Spelling* spelling_at(std::string_view text, const Spelling* first, const Spelling* last) {
    for (const Spelling* spelling = first; spelling != last; ++spelling) {
        if (text[0] == spelling->text[0] && text.substr(0, spelling->text.size()) == spelling->text) {
            return spelling;
        }
    }
    return nullptr;
}

bool ends_with(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

char32_t Lexer::code_at(const Cursor& at) const { return utf8::decode(text_, at.byte).code; }

void Lexer::step(Cursor& at) const {
    at.byte += utf8::decode(text_, at.byte).length;
    ++at.offset;
}

void Lexer::skip_digits(Cursor& at) const {
    while (!at_end(at) && is_digit(static_cast<unsigned char>(text_[at.byte]))) {
        ++at.byte;
        ++at.offset;
    }
}

Token Lexer::next(bool power_allowed) {
    while (!at_end(here_) && unicode::is_space(code_at(here_))) {
        step(here_);
    }
    Token token{TokenKind::END, here_.byte, here_.byte, here_.offset, ExprType::INT};
    if (at_end(here_)) {
        return token;
    }
    // Each matcher needs its own kind of first character; trying only
    // those that may match keeps their order and saves time.
    Cursor at = here_;
    const char32_t first = code_at(at);
    if (first == '.' || is_digit(first)) {
        token.kind = match_decimal(at) ? TokenKind::DECIMAL : TokenKind::INTEGER;
        skip_digits(at);  // the integer's digits; nothing after a decimal
        if (at.offset == here_.offset) {
            throw ParseFailure(here_.offset, parse_errors::unexpected_character(first));
        }
    } else if (unicode::is_letter(first)) {
        if (match_unknown_function(at, end_of_letters(at))) {
            token.kind = TokenKind::UNKNOWN_FUNCTION;
        } else if (!match_word(at, token.kind, token.function)) {
            match_variable(at);
            token.kind = TokenKind::VARIABLE;
        }
    } else if (match_superscript(at)) {
        token.kind = TokenKind::SUPERSCRIPT;
    } else if (!match_symbol(at, power_allowed, token.kind, token.function)) {
        throw ParseFailure(here_.offset, parse_errors::unexpected_character(first));
    }
    here_ = at;
    token.end = at.byte;
    return token;
}

// [0-9]*\.[0-9]+ or [0-9]+\.
bool Lexer::match_decimal(Cursor& at) const {
    Cursor c = at;
    skip_digits(c);
    const bool has_whole = c.offset > at.offset;
    if (at_end(c) || text_[c.byte] != '.') {
        return false;
    }
    step(c);
    const std::size_t fraction_start = c.offset;
    skip_digits(c);
    if (!has_whole && c.offset == fraction_start) {
        return false;
    }
    at = c;
    return true;
}

// The end of the run of letters that `at` stands in. Tokens only move
// forward, so a run found from one of its letters holds for the later ones
// too: each letter is read once, and a long run of them lexes in linear time.
Lexer::Cursor Lexer::end_of_letters(const Cursor& at) {
    if (at.byte >= letters_end_.byte) {
        letters_end_ = at;
        while (!at_end(letters_end_) && unicode::is_letter(code_at(letters_end_))) {
            step(letters_end_);
        }
    }
    return letters_end_;
}

// Two or more letters right before '(', unless they end in a function name
// or pi: "xsin(x)" stays x·sin(x) and "2pi(r)" 2·π·r, but "sqr(x)" and
// "SIN(x)" are refused rather than read as products.
bool Lexer::match_unknown_function(Cursor& at, const Cursor& letters_end) const {
    const Cursor c = letters_end;
    if (c.offset - at.offset < 2 || at_end(c) || text_[c.byte] != '(') {
        return false;
    }
    const std::string_view before = text_.substr(0, c.byte);
    for (const Spelling& word : words()) {
        if (ends_with(before, word.text)) {
            return false;
        }
    }
    at = c;
    return true;
}

bool Lexer::match_word(Cursor& at, TokenKind& kind, ExprType& function) const {
    const std::vector<Spelling>& all = words();
    if (take_spelling(at, spelling_at(text_.substr(at.byte), all.data(), all.data() + all.size()), kind, function)) {
        return true;
    }
    if (!starts_with(at, kind_word(ExprType::E)->word)) {
        return false;
    }
    Cursor after = at;
    step(after);
    if (!at_end(after) && (code_at(after) == '_' || subscript_digit(code_at(after)) >= 0)) {
        return false;  // e_1 and e₁ are variables
    }
    at = after;
    kind = TokenKind::E;
    return true;
}

// At a letter: the letter, then optionally _ and digits, _ and a letter,
// _{...} or subscript digits.
void Lexer::match_variable(Cursor& at) const {
    step(at);
    if (at_end(at)) {
        return;
    }
    if (subscript_digit(code_at(at)) >= 0) {
        while (!at_end(at) && subscript_digit(code_at(at)) >= 0) {
            step(at);
        }
        return;
    }
    if (code_at(at) != '_') {
        return;
    }
    Cursor c = at;
    step(c);
    if (at_end(c)) {
        return;
    }
    const char32_t first = code_at(c);
    if (is_digit(first)) {
        skip_digits(c);
        at = c;
    } else if (unicode::is_letter(first)) {
        step(c);
        at = c;
    } else if (first == '{') {
        step(c);
        const std::size_t inside = c.offset;
        while (!at_end(c) && code_at(c) != '{' && code_at(c) != '}' && !unicode::is_space(code_at(c))) {
            step(c);
        }
        if (c.offset > inside && !at_end(c) && code_at(c) == '}') {
            step(c);
            at = c;
        }
    }
}

// ⁻? followed by one or more superscript digits.
bool Lexer::match_superscript(Cursor& at) const {
    Cursor c = at;
    if (code_at(c) == SUPERSCRIPT_MINUS) {
        step(c);
    }
    const std::size_t digits = c.offset;
    while (!at_end(c) && superscript_digit(code_at(c)) >= 0) {
        step(c);
    }
    if (c.offset == digits) {
        return false;
    }
    at = c;
    return true;
}

bool Lexer::match_symbol(Cursor& at, bool power_allowed, TokenKind& kind, ExprType& function) const {
    const std::vector<Spelling>& all = symbols();
    const Spelling* first = all.data() + (power_allowed ? 0 : 1);
    return take_spelling(at, spelling_at(text_.substr(at.byte), first, all.data() + all.size()), kind, function);
}

bool Lexer::take_spelling(Cursor& at, const Spelling* spelling, TokenKind& kind, ExprType& function) const {
    if (!spelling) {
        return false;
    }
    at.byte += spelling->text.size();
    at.offset += utf8::count_code_points(spelling->text);
    kind = spelling->kind;
    function = spelling->function;
    return true;
}

}  // namespace kalvira
