// Trees rebuilt with some nodes replaced, sharing every subtree that stays.

#include "ast/fold_tree.hpp"
#include "ast/make_node.hpp"
#include "values/tree_values.hpp"

namespace kalvira {

namespace {

// The node itself when its children came back unchanged, else a new node
// of its kind over the new children.
ExprPtr rebuilt(const ExprPtr& node, const ExprPtr* children) {
    const std::size_t arity = node->arity();
    bool unchanged = true;
    for (std::size_t i = 0; i < arity; ++i) {
        unchanged = unchanged && children[i] == node->child(i);
    }
    if (unchanged) {
        return node;
    }
    return make_node(node->type(), children[0], arity == 2 ? children[1] : nullptr);
}

}  // namespace

ExprPtr substitute(const ExprPtr& tree, const std::unordered_map<std::string, ExprPtr>& replacements,
                   const Cancellation& cancel) {
    return fold_tree<ExprPtr>(tree, cancel, [&replacements](const ExprPtr& node, const ExprPtr* children) {
        if (node->type() == ExprType::VAR) {
            const auto found = replacements.find(static_cast<const Var&>(*node).name());
            return found == replacements.end() ? node : found->second;
        }
        return node->arity() == 0 ? node : rebuilt(node, children);
    });
}

}  // namespace kalvira
