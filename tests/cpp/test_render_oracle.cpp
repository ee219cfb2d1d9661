// The iterative renderer against the plain recursive one, on generated trees
// and their simplified and expanded forms, and on products whose operands
// render empty or begin with digits, minus signs, letters or control words
// deep inside (where the iterative renderer looks ahead for the first byte
// instead of rendering first).

#include <vector>

#include "check.hpp"
#include "expansion/expand.hpp"
#include "recursive_latex.hpp"
#include "simplifier/simplify.hpp"
#include "tree_builders.hpp"
#include "tree_generator.hpp"

using namespace kalvira;
using namespace kalvira::testing;

namespace {

void check_same_latex(const ExprPtr& tree) {
    if (tree) {
        CHECK_EQ(tree->to_string(), recursive_latex(tree));
    }
}

template <class Operation>
void check_result(Operation operation, const ExprPtr& tree) {
    try {
        check_same_latex(operation(tree));
    } catch (const std::invalid_argument&) {
    }
}

}  // namespace

TEST_CASE(rendering_agrees_with_the_recursive_rendering) {
    for (int seed = 1; seed <= 1500; ++seed) {
        const ExprPtr tree = TreeGenerator(seed).tree();
        check_same_latex(tree);
        check_result([](const ExprPtr& t) { return simplify(t); }, tree);
        check_result([](const ExprPtr& t) { return expand(t); }, tree);
    }
}

TEST_CASE(products_look_ahead_through_empty_numeric_and_signed_operands) {
    const ExprPtr empty = var("");
    const ExprPtr pieces[] = {empty,    num(2),    num(-3),    num(1),      num(-1),
                              var("x"), var("7a"), frac(3, 1), frac(-1, 2), pow(var(""), num(2)),
                              pi(),     var("\\"), var("-a")};
    std::vector<ExprPtr> operands(std::begin(pieces), std::end(pieces));
    for (const ExprPtr& a : pieces) {
        for (const ExprPtr& b : pieces) {
            operands.push_back(mul(a, b));
            operands.push_back(add(a, b));
            operands.push_back(pow(a, b));
        }
    }
    for (const ExprPtr& l : operands) {
        for (const ExprPtr& r : operands) {
            check_same_latex(mul(num(4), mul(r, l)));
            check_same_latex(mul(l, r));
        }
    }
}
