// Trees rebuilt with some nodes replaced, sharing every subtree that stays.

#include "ast/fold_tree.hpp"
#include "ast/rebuilt_node.hpp"
#include "values/tree_values.hpp"

namespace kalvira {

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
