#pragma once

// A bottom-up walk for algorithms that combine a tree into one result:
// visit(node, results of its children in order) is called for every node,
// children first, from an explicit stack, so any depth works. A node with
// other owners may be reached through several parents; it is visited once
// per call and its result reused, so shared trees (DAGs) cost their size.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// Visit is called as visit(const ExprPtr& node, const T* child_results);
// T is default-constructible.
template <class T, class Visit>
T fold_tree(const ExprPtr& root, const Cancellation& cancel, Visit&& visit) {
    struct Frame {
        const ExprPtr* node;
        bool children_pushed;
        std::uint8_t arity;  // known once the children are pushed
    };
    std::unordered_map<const Expr*, T> shared_results;
    std::vector<Frame> pending{{&root, false, 0}};
    std::vector<T> results;  // of finished subtrees, left to right
    // Enough for small trees, which then grow neither stack.
    pending.reserve(16);
    results.reserve(16);
    while (!pending.empty()) {
        cancel.poll();
        Frame& frame = pending.back();
        const ExprPtr& node = *frame.node;
        // Asked before the visit, whose result may be the node itself.
        const bool shared = node.use_count() > 1;
        if (!frame.children_pushed) {
            frame.arity = static_cast<std::uint8_t>(node->arity());
            if (shared) {
                if (const auto known = shared_results.find(node.get()); known != shared_results.end()) {
                    results.push_back(known->second);
                    pending.pop_back();
                    continue;
                }
            }
            if (frame.arity > 0) {
                frame.children_pushed = true;
                // Right before left on the stack, so the left result comes first.
                for (std::size_t i = frame.arity; i-- > 0;) {
                    pending.push_back({&node->child(i), false, 0});
                }
                continue;
            }
        }
        const std::size_t arity = frame.arity;
        pending.pop_back();
        const std::size_t first_child = results.size() - arity;
        T result = visit(node, results.data() + first_child);
        if (shared) {
            shared_results.emplace(node.get(), result);
        }
        // The node's result takes the place of its children's.
        if (arity == 0) {
            results.push_back(std::move(result));
        } else {
            results[first_child] = std::move(result);
            results.resize(first_child + 1);
        }
    }
    return std::move(results.back());
}

}  // namespace kalvira
