#pragma once

// A hash of a tree's structure that agrees with Expr::equals: equal trees
// hash equal, whoever built them. Computed by fold_tree, so any depth works
// and each node with several owners is hashed once per call: shared trees
// (64 levels of t = Mul(t, t)) hash in linear time.

#include <cstdint>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

std::uint64_t structural_hash(const ExprPtr& root, const Cancellation& cancel = Cancellation());

}  // namespace kalvira
