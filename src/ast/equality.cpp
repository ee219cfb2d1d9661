// Structural equality, compared pair by pair from an explicit stack so that
// trees of any depth compare. A node compared with itself is equal at once,
// which also makes shared subtrees cheap.

#include <utility>
#include <vector>

#include "ast/expr.hpp"

namespace kalvira {

bool Expr::equals(const ExprPtr& other) const {
    std::vector<std::pair<const Expr*, const Expr*>> pending{{this, other.get()}};
    while (!pending.empty()) {
        const auto [a, b] = pending.back();
        pending.pop_back();
        if (a == b) {
            continue;
        }
        if (a->type() != b->type() || !a->same_data(*b)) {
            return false;
        }
        // Right before left on the stack, so left children compare first.
        for (std::size_t i = a->arity(); i-- > 0;) {
            pending.emplace_back(a->child(i).get(), b->child(i).get());
        }
    }
    return true;
}

}  // namespace kalvira
