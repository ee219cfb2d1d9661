#pragma once

// What a tree's variables are, and what it becomes with some of them
// replaced. Each walks the tree once, without recursion, and visits a
// shared subtree once.

#include <string>
#include <unordered_map>
#include <vector>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// The names of the tree's variables, each once, in byte order.
std::vector<std::string> variables(const ExprPtr& tree, const Cancellation& cancel);

// The tree with every variable named in replacements replaced by its tree.
// Subtrees without such a variable are shared with the input, so a tree
// without any comes back as itself.
ExprPtr substitute(const ExprPtr& tree, const std::unordered_map<std::string, ExprPtr>& replacements,
                   const Cancellation& cancel);

}  // namespace kalvira
