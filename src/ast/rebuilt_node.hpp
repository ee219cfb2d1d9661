#pragma once

// A node rebuilt over new children, for the walks that rewrite trees bottom
// up: the node itself where its children came back unchanged, so that
// unchanged subtrees stay shared.

#include <cstddef>

#include "ast/expr.hpp"
#include "ast/make_node.hpp"

namespace kalvira {

// Whether children (as many as node's arity) are node's own, by identity.
inline bool has_children(const Expr& node, const ExprPtr* children) {
    for (std::size_t i = 0; i < node.arity(); ++i) {
        if (children[i] != node.child(i)) {
            return false;
        }
    }
    return true;
}

// A new node of node's kind (which has children) over the given children.
inline ExprPtr over_children(const Expr& node, const ExprPtr* children) {
    return make_node(node.type(), children[0], node.arity() == 2 ? children[1] : nullptr);
}

// The node itself when children are its own, else a new node over them.
inline ExprPtr rebuilt(const ExprPtr& node, const ExprPtr* children) {
    return has_children(*node, children) ? node : over_children(*node, children);
}

}  // namespace kalvira
