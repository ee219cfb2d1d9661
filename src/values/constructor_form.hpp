#pragma once

// The Python expression that builds a tree, "Add(Var('x'), Int(1))": the
// repr of trees once the kalvira package is imported. Names are written as
// Python writes a str, or as bytes (Var(b'\xff')) when they are not UTF-8,
// so the text always evaluates back to an equal tree.

#include <string>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// Appends the constructor form of tree to out, on an explicit stack, in
// time linear in its length. Polls cancel.
void write_constructor_form(const Expr& tree, std::string& out, const Cancellation& cancel = Cancellation());

}  // namespace kalvira
