#pragma once

// A bottom-up walk for algorithms that combine a tree into one result:
// visit(node, results of its children in order) is called for every node,
// children first, from an explicit stack, so any depth works. A node with
// other owners may be reached through several parents; it is visited once
// per call and its result reused, so shared trees (DAGs) cost their size.

#include <cstddef>
#include <iterator>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// Visit is called as visit(const ExprPtr& node, const T* child_results).
template <class T, class Visit>
T fold_tree(const ExprPtr& root, const Cancellation& cancel, Visit&& visit) {
    struct Frame {
        const ExprPtr* node;
        bool children_done;
    };
    std::unordered_map<const Expr*, T> shared_results;
    std::vector<Frame> pending{{&root, false}};
    std::vector<T> results;
    while (!pending.empty()) {
        cancel.poll();
        const Frame frame = pending.back();
        pending.pop_back();
        const ExprPtr& node = *frame.node;
        const bool shared = node.use_count() > 1;
        const std::size_t arity = node->arity();
        if (!frame.children_done) {
            if (const auto known = shared ? shared_results.find(node.get()) : shared_results.end();
                known != shared_results.end()) {
                results.push_back(known->second);
                continue;
            }
            if (arity > 0) {
                pending.push_back({frame.node, true});
                for (std::size_t i = arity; i-- > 0;) {
                    pending.push_back({&node->child(i), false});
                }
                continue;
            }
        }
        const auto first_child = results.end() - static_cast<std::ptrdiff_t>(arity);
        T result = visit(node, results.data() + (results.size() - arity));
        results.erase(first_child, results.end());
        if (shared) {
            shared_results.emplace(node.get(), result);
        }
        results.push_back(std::move(result));
    }
    return std::move(results.back());
}

}  // namespace kalvira
