#include "simplifier/simplify_walk.hpp"

#include <vector>

#include "ast/rebuilt_node.hpp"
#include "simplifier/rules.hpp"

namespace kalvira {

const ExprPtr* SimplifyWalk::memoised(const ExprPtr& node, bool own_results) const {
    // A caller's node held only by its one parent is reached only once.
    if (!own_results && node.use_count() == 1) {
        return nullptr;
    }
    const auto found = memo_.find(node.get());
    return found == memo_.end() ? nullptr : &found->second.result;
}

ExprPtr SimplifyWalk::run(const ExprPtr& root, bool own_results) {
    if (!root) {
        return root;
    }
    // Children are visited in order (operand; left then right; and so on),
    // so of two failing children the first one's error is the one raised.
    std::vector<Frame> frames{{&root, 0}};
    std::vector<ExprPtr> results;
    while (!frames.empty()) {
        Frame& frame = frames.back();
        const ExprPtr& node = *frame.node;
        const std::size_t arity = node->arity();
        if (frame.next_child == 0) {
            cancel_.poll();
            const ExprPtr* known = arity == 0 ? &node : memoised(node, own_results);
            if (known != nullptr) {
                if (trace_ != nullptr && !own_results && arity > 0) {
                    report(frames, Rule::SAME_AS_BEFORE, node, *known);
                }
                results.push_back(*known);
                frames.pop_back();
                continue;
            }
        }
        if (frame.next_child < arity) {
            const ExprPtr* child = &node->child(frame.next_child++);
            frames.push_back({child, 0});
            continue;
        }
        const ExprPtr* children = &results[results.size() - arity];
        RuleResult rewritten = rewrite(node, children, own_results);
        if (trace_ != nullptr && !own_results && rewritten.rule != Rule::NONE) {
            // What the rule saw: the node over its simplified children.
            const ExprPtr before = rebuilt(node, children);
            report(frames, rewritten.rule, before, rewritten.result);
        }
        ExprPtr result = std::move(rewritten.result);
        results.resize(results.size() - arity);
        // The caller's root is met only once, as the root.
        if (own_results || (node.use_count() > 1 && frames.size() > 1)) {
            memo_.emplace(node.get(), Memo{node, result});
        }
        frames.pop_back();
        results.push_back(std::move(result));
    }
    return std::move(results.back());
}

void SimplifyWalk::report(const std::vector<Frame>& frames, Rule rule, const ExprPtr& before, const ExprPtr& after) {
    if (!trace_->active()) {
        return;
    }
    // The path to the node on top of the stack: the child each frame below
    // it went down into last.
    std::vector<std::size_t> path;
    path.reserve(frames.size() - 1);
    for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
        path.push_back(frames[i].next_child - 1);
    }
    trace_->report(rule, path, before, after);
}

RuleResult SimplifyWalk::rewrite(const ExprPtr& node, const ExprPtr* children, bool own_results) {
    const ExprType kind = node->type();
    RuleResult result;
    switch (kind) {
    case ExprType::NEG:
        result = rule_neg(children[0]);
        break;
    case ExprType::ADD:
        result = rule_add(children[0], children[1], cancel_);
        break;
    case ExprType::MUL:
        result = rule_mul(children[0], children[1]);
        break;
    case ExprType::DIV: {
        auto again = [this](const ExprPtr& tree) { return simplify_result(tree); };
        result = rule_div(children[0], children[1], cancel_, Resimplify(again));
        break;
    }
    case ExprType::POW:
        result = rule_pow(children[0], children[1]);
        break;
    case ExprType::SQRT:
        result = rule_sqrt(children[0]);
        break;
    case ExprType::CBRT:
        result = rule_cbrt(children[0]);
        break;
    case ExprType::LOG:
        result = rule_log(children[0]);
        break;
    case ExprType::SIN:
    case ExprType::COS:
    case ExprType::TAN:
        result = rule_trig(kind, children[0]);
        break;
    default:
        break;
    }
    if (result.result) {
        return result;
    }
    return {own_results ? rebuilt(node, children) : over_children(*node, children)};
}

}  // namespace kalvira
