// Structural equality, compared pair by pair from an explicit stack so that
// trees of any depth compare. A node compared with itself is equal at once,
// which makes subtrees shared between the two sides cheap.
//
// Two separately built copies of a shared tree (a DAG) would still unfold
// into every path: 64 levels of Mul(t, t) are 2^64 paths. So each pair in
// which a node has other owners too is compared once per call. Recording a
// pair when it is first pushed, before its children are compared, is sound
// because equality is a conjunction: if that pair turns out unequal, the
// whole call returns false, whatever was skipped by assuming it equal.
// Nodes with one owner are reached through one parent only, so plain trees
// never touch the set and pay no allocation for it.

#include <functional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

namespace {

using NodePair = std::pair<const Expr*, const Expr*>;

struct NodePairHash {
    std::size_t operator()(const NodePair& pair) const noexcept {
        const std::hash<const Expr*> hash;
        return hash(pair.first) * 0x9E3779B97F4A7C15ULL ^ hash(pair.second);
    }
};

// Whether the pair of children a, b still needs comparing: not when they are
// one node, nor when a pair with a shared node was already met in this call.
bool needs_comparing(const ExprPtr& a, const ExprPtr& b, std::unordered_set<NodePair, NodePairHash>& met) {
    if (a == b) {
        return false;
    }
    if (a.use_count() == 1 && b.use_count() == 1) {
        return true;
    }
    return met.emplace(a.get(), b.get()).second;
}

}  // namespace

bool Expr::equals(const ExprPtr& other, const Cancellation& cancel) const {
    if (this == other.get()) {
        return true;
    }
    // Most comparisons end at the roots: no walk is set up for them.
    if (type() != other->type() || !same_data(*other)) {
        return false;
    }
    if (arity() == 0) {
        return true;
    }
    std::unordered_set<NodePair, NodePairHash> met;
    std::vector<NodePair> pending{{this, other.get()}};
    while (!pending.empty()) {
        cancel.poll();
        const auto [a, b] = pending.back();
        pending.pop_back();
        if (a->type() != b->type() || !a->same_data(*b)) {
            return false;
        }
        // Right before left on the stack, so left children compare first.
        for (std::size_t i = a->arity(); i-- > 0;) {
            if (needs_comparing(a->child(i), b->child(i), met)) {
                pending.emplace_back(a->child(i).get(), b->child(i).get());
            }
        }
    }
    return true;
}

}  // namespace kalvira
