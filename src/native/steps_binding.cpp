// kalvira._native.trace_rewrites and like_terms: the rewrites of one
// simplification or literal expansion, handed to a Python observer as they
// happen with the whole expression after each, and the like-term groups a collection forms; kalvira.steps turns
// them into the working a reader follows. The GIL is held throughout.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ast/interruptible.hpp"
#include "ast/make_node.hpp"
#include "expansion/expand.hpp"
#include "literal/collect_terms.hpp"
#include "literal/expand_reference.hpp"
#include "native/bindings.hpp"
#include "simplifier/simplify.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

// The literal expansion recurses on the C stack as deep as the trees it
// works on; tracing it is refused beyond this depth, well within the stack.
constexpr std::size_t TRACE_DEPTH_LIMIT = 2000;

const char* const TOO_DEEP =
    "cannot show the working of an expansion through trees more than 2000 levels deep "
    "(a sum of more than 2000 terms, say); expand() itself has no such limit";

// Whether the tree is more than `limit` levels deep; a shared subtree is
// measured once. Polls cancel per node visited.
bool deeper_than(const ExprPtr& root, std::size_t limit, const Cancellation& cancel) {
    std::unordered_map<const Expr*, std::size_t> heights;
    std::vector<std::pair<const Expr*, std::size_t>> stack{{root.get(), 0}};
    while (!stack.empty()) {
        cancel.poll();
        if (stack.size() > limit) {
            return true;
        }
        auto& [node, next_child] = stack.back();
        if (next_child < node->arity()) {
            const Expr* child = node->child(next_child++).get();
            if (heights.find(child) == heights.end()) {
                stack.emplace_back(child, 0);
            }
            continue;
        }
        std::size_t height = 1;
        for (std::size_t i = 0; i < node->arity(); ++i) {
            height = std::max(height, heights[node->child(i).get()] + 1);
        }
        heights[node] = height;
        stack.pop_back();
    }
    return heights[root.get()] > limit;
}

bool is_expansion_rule(Rule rule) {
    switch (rule) {
    case Rule::EXPAND_PRODUCT:
    case Rule::POWER_AS_PRODUCT:
    case Rule::EXPAND_SQUARE:
    case Rule::EXPAND_TIMES_BASE:
    case Rule::COLLECT_TERMS:
        return true;
    default:
        return false;
    }
}

// tree with the subtree at path replaced by piece; the nodes above it are
// rebuilt, everything else is shared.
ExprPtr replace_at(const ExprPtr& tree, const std::vector<std::size_t>& path, ExprPtr piece) {
    std::vector<const Expr*> above;
    above.reserve(path.size());
    const Expr* node = tree.get();
    for (const std::size_t index : path) {
        above.push_back(node);
        node = node->child(index).get();
    }
    for (std::size_t level = path.size(); level-- > 0;) {
        const Expr& parent = *above[level];
        const std::size_t index = path[level];
        if (parent.arity() == 1) {
            piece = make_node(parent.type(), std::move(piece));
        } else {
            piece = index == 0 ? make_node(parent.type(), std::move(piece), parent.child(1))
                               : make_node(parent.type(), parent.child(0), std::move(piece));
        }
    }
    return piece;
}

// Thrown once the observer has had enough: the rest of the traced walk is
// wasted work, so it ends and the plain operation gives the result.
struct EnoughSteps {};

// Keeps the whole expression up to date and calls the observer with (rule,
// path, before, after, whole) until it returns false. While expanding,
// every tree the expansion builds is measured, so that its recursion stays
// shallow.
class PythonObserver {
public:
    PythonObserver(py::function observer, const ExprPtr& tree, bool expanding, const Cancellation& cancel)
        : observer_(std::move(observer)), whole_(tree), expanding_(expanding), cancel_(cancel) {}

    bool operator()(const Rewrite& rewrite) {
        if (expanding_ && is_expansion_rule(rewrite.rule) && deeper_than(rewrite.after, TRACE_DEPTH_LIMIT, cancel_)) {
            throw py::value_error(TOO_DEEP);
        }
        whole_ = replace_at(whole_, rewrite.path, rewrite.after);
        const py::object wants_more = observer_(rule_name(rewrite.rule), py::tuple(py::cast(rewrite.path)),
                                                rewrite.before, rewrite.after, whole_);
        if (!wants_more.cast<bool>()) {
            throw EnoughSteps();
        }
        return true;
    }

private:
    py::function observer_;
    ExprPtr whole_;
    bool expanding_;
    const Cancellation& cancel_;
};

// The traced operation; once the observer has had enough, the untraced one
// (for expand the engine, whose results are the literal expansion's byte for
// byte, at any depth).
ExprPtr trace_rewrites(const ExprPtr& tree, const std::string& operation, const py::function& observer) {
    const bool expanding = operation == "expand";
    if (!expanding && operation != "simplify") {
        throw py::value_error("unknown operation '" + operation + "': expected 'simplify' or 'expand'");
    }
    return call_interruptibly([&](const Cancellation& cancel) {
        if (expanding && deeper_than(tree, TRACE_DEPTH_LIMIT, cancel)) {
            throw py::value_error(TOO_DEEP);
        }
        try {
            RewriteTrace trace(PythonObserver(observer, tree, expanding, cancel));
            return expanding ? expand_reference(tree, cancel, &trace) : simplify(tree, cancel, &trace);
        } catch (const EnoughSteps&) {
            return expanding ? expand(tree, cancel) : simplify(tree, cancel);
        }
    });
}

// The groups of like terms among the summands of sum, in the order of the
// collected sum: (members, term) with each member as a tidy monomial and
// the collected term, None when the members cancel.
py::list like_terms(const ExprPtr& sum) {
    return call_interruptibly([&sum](const Cancellation& cancel) {
        std::vector<Monomial> terms;
        flatten_add(sum, terms, cancel);
        py::list groups;
        for (const LikeTerms& group : group_like_terms(terms, cancel)) {
            py::list members;
            for (const std::size_t index : group.members) {
                cancel.poll();
                members.append(build_monomial(terms[index]));
            }
            const py::object term = group.sum.coeff == 0 ? py::none() : py::cast(build_monomial(group.sum));
            groups.append(py::make_tuple(std::move(members), term));
        }
        return groups;
    });
}

std::vector<std::string> rule_names() {
    return {
#define KALVIRA_RULE_NAME(id, name) name,
        KALVIRA_RULES(KALVIRA_RULE_NAME)
#undef KALVIRA_RULE_NAME
    };
}

}  // namespace

void bind_steps(py::module_& m) {
    m.def("trace_rewrites", &trace_rewrites, py::arg("tree"), py::arg("operation"), py::arg("observer"),
          "Simplifies or expands (literally) the tree, calling observer(rule, path, before, after, whole) "
          "for each rewrite until it returns False; returns the result.");
    m.def("like_terms", &like_terms, py::arg("sum"),
          "The like-term groups of a sum in collected order: (members, collected term or None).");
    m.def("rule_names", &rule_names, "The names of every rule a trace reports.");
}

}  // namespace kalvira
