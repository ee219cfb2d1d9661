// Releasing trees without recursion and without allocating. When a node's
// last owner lets go, its destructor would destroy its children, and
// theirs, as deep as the tree: a chain of a million nodes would overflow
// the stack. Instead the nodes still to release are kept in a list threaded
// through the first child slot of nodes that are being released anyway, so
// the walk needs no memory of its own, which matters most when a tree is
// dropped because memory ran out.

#include <utility>

#include "ast/expr.hpp"

namespace kalvira {

namespace {

// A child slot of a node that nobody else owns any more. Nodes are never
// const objects, only seen through const accessors, and a dying node's
// slots are ours to empty.
ExprPtr& slot_of(const Expr& dying, std::size_t index) { return const_cast<ExprPtr&>(dying.child(index)); }

bool is_last_owner_of_children(const ExprPtr& node) { return node && node.use_count() == 1 && node->arity() > 0; }

}  // namespace

void release_child(ExprPtr& child) noexcept {
    ExprPtr current = std::move(child);
    // Nodes whose first child is being released; each one's first slot holds
    // the next such node, and its second child (if any) is still in place.
    ExprPtr pending;
    for (;;) {
        while (is_last_owner_of_children(current)) {
            ExprPtr& first = slot_of(*current, 0);
            ExprPtr next = std::move(first);
            first = std::move(pending);
            pending = std::move(current);
            current = std::move(next);
        }
        current.reset();  // a leaf, or our share of a node others still own
        if (!pending) {
            return;
        }
        const Expr& dying = *pending;
        if (dying.arity() == 2) {
            current = std::move(slot_of(dying, 1));
        }
        // Destroys the dying node, whose slots are empty by now.
        pending = ExprPtr(std::move(slot_of(dying, 0)));
    }
}

}  // namespace kalvira
