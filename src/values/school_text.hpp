#pragma once

// Trees in the school notation that the parser reads: "x^2 + 2x + 1", or
// with Unicode symbols "x² + 2x + 1", "√2·π". Parentheses only where the
// reading needs them, so that parsing the text gives the tree back, node
// for node, for every tree the parser can build. The rest is written as
// near to it as the notation allows: a Rational n/d reads back as
// Div(Int(n), Int(d)), a variable whose name is not one letter with an
// optional subscript is written as it is named (and "e" and "π" read as
// the constants).

#include <string>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

enum class TextStyle {
    ASCII,    // x^2, 2*3, sqrt(x), pi
    UNICODE,  // x², 2·3, √x, π, x₁
};

// Appends the text of tree to out, on an explicit stack (any depth works),
// in time linear in the text's length. Polls cancel.
void write_school_text(const Expr& tree, TextStyle style, std::string& out,
                       const Cancellation& cancel = Cancellation());

}  // namespace kalvira
