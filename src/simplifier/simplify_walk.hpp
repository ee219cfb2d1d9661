#pragma once

#include <unordered_map>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// The state of one simplification call: a bottom-up walk with an explicit
// stack, and a memo by node identity so that a subtree shared by several
// parents is simplified once.
class SimplifyWalk {
public:
    explicit SimplifyWalk(const Cancellation& cancel) : cancel_(cancel) {}

    // Simplifies a tree from the caller. Every node it rebuilds is new.
    ExprPtr simplify(const ExprPtr& root) { return run(root, false); }

    // Simplifies a tree made of this call's own results (nodes built by an
    // earlier simplification, and new nodes over them). Such a node that
    // simplifies to itself is returned as it is, and every node is
    // memoised, so simplifying the same results again costs nothing.
    ExprPtr simplify_result(const ExprPtr& root) { return run(root, true); }

private:
    struct Memo {
        ExprPtr node;  // keeps the key alive, so its address is not reused
        ExprPtr result;
    };
    struct Frame {
        const ExprPtr* node;
        std::size_t next_child;
    };

    ExprPtr run(const ExprPtr& root, bool own_results);
    const ExprPtr* memoised(const ExprPtr& node, bool own_results) const;
    ExprPtr rewrite(const ExprPtr& node, const ExprPtr* children, bool own_results);

    const Cancellation& cancel_;
    std::unordered_map<const Expr*, Memo> memo_;
};

}  // namespace kalvira
