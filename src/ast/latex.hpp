#pragma once

#include <string>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// Whether a power writes its base in parentheses: loose bases, towers and
// negative literals, so that the exponent visibly applies to the whole base.
bool pow_base_needs_parens(const Expr& base);

// Appends the LaTeX text of e to out. The tree is walked with an explicit
// stack and every piece is appended once, so time is linear in the length
// of the text and no depth is too deep. Polls cancel as it goes.
void write_latex(const Expr& e, std::string& out, const Cancellation& cancel);

// Appends the beginning of e's LaTeX text to out: at least its first
// min_bytes bytes, stopping once it has them; returns whether that was the
// whole text.
bool write_latex_prefix(const Expr& e, std::string& out, std::size_t min_bytes, const Cancellation& cancel);

// The byte order of the texts of a and b, -1, 0 or 1, rendering ever longer
// beginnings of both until they differ or end: the cost follows the length
// of what the texts have in common, not their size.
int compare_latex(const Expr& a, const Expr& b, const Cancellation& cancel);

}  // namespace kalvira
