#include <set>

#include "ast/fold_tree.hpp"
#include "values/tree_values.hpp"

namespace kalvira {

std::vector<std::string> variables(const ExprPtr& tree, const Cancellation& cancel) {
    std::set<std::string> names;
    fold_tree<char>(tree, cancel, [&names](const ExprPtr& node, const char*) {
        if (node->type() == ExprType::VAR) {
            names.insert(static_cast<const Var&>(*node).name());
        }
        return char{};
    });
    return {names.begin(), names.end()};
}

}  // namespace kalvira
