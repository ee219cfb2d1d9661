#pragma once

// The spellings of the functions and constants (KALVIRA_KIND_WORDS in
// node_kinds.hpp) as a table, found by kind in constant time.

#include <array>
#include <cstddef>
#include <string_view>

#include "ast/expr.hpp"

namespace kalvira {

struct KindWord {
    ExprType kind;
    std::string_view word;    // in school notation: "sqrt", "ln", "pi"
    std::string_view also;    // another word read as the same kind
    std::string_view symbol;  // √ and ∛ before an atom, π for pi
    const char* latex;        // a function's command and opening; a constant's text
    const char* latex_close;  // what closes a function's operand
};

#define KALVIRA_WORD_ENTRY(KIND, word, also, symbol, latex, latex_close) \
    KindWord{ExprType::KIND, word, also, symbol, latex, latex_close},
inline constexpr std::array KIND_WORDS{KALVIRA_KIND_WORDS(KALVIRA_WORD_ENTRY)};
#undef KALVIRA_WORD_ENTRY

#define KALVIRA_COUNT_KIND(...) +1
inline constexpr std::size_t KIND_COUNT =
    0 KALVIRA_NODE_KINDS(KALVIRA_COUNT_KIND, KALVIRA_COUNT_KIND, KALVIRA_COUNT_KIND, KALVIRA_COUNT_KIND);
#undef KALVIRA_COUNT_KIND

namespace detail {
inline constexpr std::array<const KindWord*, KIND_COUNT> WORD_OF_KIND = [] {
    std::array<const KindWord*, KIND_COUNT> index{};
    for (const KindWord& entry : KIND_WORDS) {
        index[static_cast<std::size_t>(entry.kind)] = &entry;
    }
    return index;
}();
}  // namespace detail

// The spelling of a function or constant; nullptr for every other kind.
inline const KindWord* kind_word(ExprType kind) { return detail::WORD_OF_KIND[static_cast<std::size_t>(kind)]; }

// A function is a kind of one operand that binds as an atom: a word and its
// operand in parentheses (sqrt, sin, ln); Neg is an operator, not a function.
constexpr bool is_function(ExprType kind) {
#define KALVIRA_NOT_FUNCTION(Class, KIND, ...) \
    case ExprType::KIND:                       \
        return false;
#define KALVIRA_CONSTANT_NOT_FUNCTION(Class, KIND) \
    case ExprType::KIND:                           \
        return false;
#define KALVIRA_UNARY_KIND(Class, KIND, PRECEDENCE, operand) \
    case ExprType::KIND:                                     \
        return PRECEDENCE == PREC_ATOM;
    switch (kind) {
        KALVIRA_NODE_KINDS(KALVIRA_NOT_FUNCTION, KALVIRA_CONSTANT_NOT_FUNCTION, KALVIRA_UNARY_KIND,
                           KALVIRA_NOT_FUNCTION)
    }
    return false;
#undef KALVIRA_NOT_FUNCTION
#undef KALVIRA_CONSTANT_NOT_FUNCTION
#undef KALVIRA_UNARY_KIND
}

// The sign that stands for a function before an atom (√, ∛); empty when none.
inline std::string_view root_sign(ExprType kind) {
    return is_function(kind) ? kind_word(kind)->symbol : std::string_view();
}

}  // namespace kalvira
