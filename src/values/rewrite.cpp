// Trees rebuilt with some nodes replaced, sharing every subtree that stays.

#include "ast/fold_tree.hpp"
#include "ast/make_node.hpp"
#include "ast/rebuilt_node.hpp"
#include "values/tree_values.hpp"

namespace kalvira {

ExprPtr negations_as_products(const ExprPtr& tree, const Cancellation& cancel) {
    return fold_tree<ExprPtr>(tree, cancel, [](const ExprPtr& node, const ExprPtr* children) {
        if (node->type() == ExprType::NEG) {
            return make_node(ExprType::MUL, make_int(-1), children[0]);
        }
        return node->arity() == 0 ? node : rebuilt(node, children);
    });
}

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
