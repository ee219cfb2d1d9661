#pragma once

// Whether a simplified or expanded tree lost its input's value because a
// 32-bit integer wrapped around, judged by evaluating both trees modulo a
// large prime at one pseudo-random point, where the input's integers count
// with their exact values; where the two values differ, the result is
// wrong. The walk is linear in the trees' sizes.
//
// The check needs a value modulo the prime, so it has no verdict for trees
// with square or cube roots, sin, cos, tan or ln, for powers whose exponent
// is not an integer literal, and at a point where a denominator of either
// tree is 0 modulo the prime (batch/wrap_verdict.hpp then asks the exact
// layer). A difference of the two values that vanishes at the point goes
// unseen, with a chance of about the tree's degree in 2^61.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

using Residue = std::optional<std::uint64_t>;

// The tree's value modulo the prime with each variable given its residue by
// `point`; none where the check has none (see above) or a variable has no
// residue in `point`. Pi and e have fixed residues of their own, which
// stand for no true value: a caller comparing values keeps them out.
Residue residue_at(const ExprPtr& tree, const std::unordered_map<std::string, std::uint64_t>& point,
                   const Cancellation& cancel);

// True when result's value differs from input's at the point, false when
// the two agree; none where either tree has no residue.
std::optional<bool> values_differ_at_point(const ExprPtr& input, const ExprPtr& result, const Cancellation& cancel);

}  // namespace kalvira
