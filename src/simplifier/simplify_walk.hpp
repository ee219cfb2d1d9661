#pragma once

#include <unordered_map>
#include <vector>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"
#include "simplifier/rewrite_trace.hpp"
#include "simplifier/rules.hpp"

namespace kalvira {

// The state of one simplification call: a bottom-up walk with an explicit
// stack, and a memo by node identity so that a subtree shared by several
// parents is simplified once. With a trace, every rule applied to the
// caller's tree is reported, and so is every reuse of a shared subtree's
// result (rules applied to the walk's own results belong to the rule that
// asked for them).
class SimplifyWalk {
public:
    explicit SimplifyWalk(const Cancellation& cancel, RewriteTrace* trace = nullptr) : cancel_(cancel), trace_(trace) {}

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
    RuleResult rewrite(const ExprPtr& node, const ExprPtr* children, bool own_results);
    void report(const std::vector<Frame>& frames, Rule rule, const ExprPtr& before, const ExprPtr& after);

    const Cancellation& cancel_;
    RewriteTrace* trace_;
    std::unordered_map<const Expr*, Memo> memo_;
};

}  // namespace kalvira
