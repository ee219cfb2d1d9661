#include "batch/wrap_verdict.hpp"

#include <memory>
#include <optional>
#include <stdexcept>

#include "algebra/school_operations.hpp"
#include "ast/fold_tree.hpp"
#include "values/wrap_check.hpp"

namespace kalvira {

namespace {

// What the walk below learns of a subtree.
struct CubeRoots {
    bool number = false;   // integers and fractions combined by arithmetic
    bool unclear = false;  // holds a cube root of anything else
};

// The core takes cbrt(u^3) to u, which the exact layer does not: it keeps
// the cube root of a polynomial as a kernel of its own. A tree with the
// cube root of anything but a number is therefore left to "cannot tell",
// lest a right result be taken for a wrapped one.
bool has_unclear_cube_root(const ExprPtr& tree, const Cancellation& cancel) {
    const CubeRoots found = fold_tree<CubeRoots>(tree, cancel, [](const ExprPtr& node, const CubeRoots* children) {
        CubeRoots here;
        bool numbers = true;
        for (std::size_t i = 0; i < node->arity(); ++i) {
            here.unclear = here.unclear || children[i].unclear;
            numbers = numbers && children[i].number;
        }
        switch (node->type()) {
        case ExprType::INT:
        case ExprType::RATIONAL:
            here.number = true;
            break;
        case ExprType::NEG:
        case ExprType::ADD:
        case ExprType::MUL:
        case ExprType::DIV:
            here.number = numbers;
            break;
        case ExprType::POW:
            here.number = numbers && node->child(1)->type() == ExprType::INT;
            break;
        case ExprType::CBRT:
            here.unclear = here.unclear || !numbers;
            break;
        default:
            break;
        }
        return here;
    });
    return found.unclear;
}

}  // namespace

bool wrapped_around(const ExprPtr& input, const ExprPtr& result, const Cancellation& cancel) {
    if (const std::optional<bool> differ = values_differ_at_point(input, result, cancel)) {
        return *differ;
    }
    if (has_unclear_cube_root(input, cancel)) {
        return false;
    }
    try {
        return !school_is_zero(std::make_shared<Add>(input, std::make_shared<Neg>(result)), cancel);
    } catch (const std::invalid_argument&) {  // AlgebraError: the exact layer refused
        return false;
    }
}

}  // namespace kalvira
