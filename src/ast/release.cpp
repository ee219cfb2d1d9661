// Releasing trees without recursion. When a node's last owner lets go, its
// destructor would destroy its children, and theirs, as deep as the tree:
// a chain of a million nodes would overflow the stack. Instead the first
// release on a thread drains a worklist, and every release made while it
// drains only appends to that list.

#include <new>
#include <vector>

#include "ast/expr.hpp"

namespace kalvira {

namespace {

thread_local std::vector<ExprPtr>* pending_releases = nullptr;

void drain(std::vector<ExprPtr>& worklist) noexcept {
    while (!worklist.empty()) {
        ExprPtr next = std::move(worklist.back());
        worklist.pop_back();
        next.reset();  // may append this node's children
    }
}

}  // namespace

void release_child(ExprPtr& child) noexcept {
    if (!child || child.use_count() != 1) {
        return;  // someone else still owns it: dropping our share is enough
    }
    try {
        if (pending_releases != nullptr) {
            pending_releases->push_back(std::move(child));
            return;
        }
        std::vector<ExprPtr> worklist;
        worklist.push_back(std::move(child));
        pending_releases = &worklist;
        drain(worklist);
        pending_releases = nullptr;
    } catch (const std::bad_alloc&) {
        // No memory for the list: the child is destroyed in place, which
        // recurses but loses nothing.
    }
}

}  // namespace kalvira
