#pragma once

// An optional trace of rewrites, like the cancellation check a plain
// callable: simplification and the literal expansion report each rule they
// apply, where in the tree, and the subtree before and after it. Without a
// trace the walks only test a null pointer per rule applied.

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "ast/expr.hpp"
#include "simplifier/rule_table.hpp"

namespace kalvira {

// At `path` (child indices from the traced tree's root), the subtree
// `before` became `after` by `rule`; the rest of the tree is as it was.
struct Rewrite {
    Rule rule;
    const std::vector<std::size_t>& path;
    const ExprPtr& before;
    const ExprPtr& after;
};

class RewriteTrace {
public:
    // The observer returns false once it wants no further rewrites; what it
    // throws ends the traced call.
    using Observer = std::function<bool(const Rewrite&)>;

    explicit RewriteTrace(Observer observer) : observer_(std::move(observer)) {}

    bool active() const { return static_cast<bool>(observer_); }

    // Reports a rewrite at `local`, a path below the current subtree.
    template <class LocalPath>
    void report(Rule rule, const LocalPath& local, const ExprPtr& before, const ExprPtr& after) {
        if (!observer_) {
            return;
        }
        path_ = prefix_;
        path_.insert(path_.end(), local.begin(), local.end());
        if (!observer_(Rewrite{rule, path_, before, after})) {
            observer_ = nullptr;
        }
    }
    void report(Rule rule, const ExprPtr& before, const ExprPtr& after) {
        report(rule, std::vector<std::size_t>(), before, after);
    }

    // The current subtree moves down to child `index`, and back up.
    void enter(std::size_t index) { prefix_.push_back(index); }
    void leave() { prefix_.pop_back(); }

private:
    Observer observer_;
    std::vector<std::size_t> prefix_;
    std::vector<std::size_t> path_;
};

// Enters a child for the lifetime of the scope; does nothing without a trace.
class TracedChild {
public:
    TracedChild(RewriteTrace* trace, std::size_t index) : trace_(trace) {
        if (trace_ != nullptr) {
            trace_->enter(index);
        }
    }
    ~TracedChild() {
        if (trace_ != nullptr) {
            trace_->leave();
        }
    }
    TracedChild(const TracedChild&) = delete;
    TracedChild& operator=(const TracedChild&) = delete;

private:
    RewriteTrace* trace_;
};

}  // namespace kalvira
