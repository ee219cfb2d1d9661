// Trees with shared subtrees: equality of separately built DAGs (2^64 paths,
// so only remembering pairs makes it finish), stopping a long comparison,
// and releasing trees without destroying nodes someone else still owns.

#include <functional>
#include <string>

#include "ast/cancellation.hpp"
#include "check.hpp"
#include "tree_builders.hpp"

using namespace kalvira;
using namespace kalvira::testing;

namespace {

// 64 levels of Mul(t, t) over leaf, where level `odd_level` (if any) is an
// Add instead.
ExprPtr squares(ExprPtr leaf, int odd_level = -1) {
    ExprPtr t = std::move(leaf);
    for (int level = 0; level < 64; ++level) {
        t = level == odd_level ? add(t, t) : mul(t, t);
    }
    return t;
}

ExprPtr negations(int depth) {
    ExprPtr t = var("x");
    for (int i = 0; i < depth; ++i) {
        t = neg(t);
    }
    return t;
}

}  // namespace

TEST_CASE(equality_of_separately_built_dags_remembers_pairs) {
    const struct {
        ExprPtr other;
        bool equal;
    } cases[] = {
        {squares(var("x")), true},
        {squares(var("y")), false},
        {squares(var("x"), 0), false},
        {squares(var("x"), 40), false},
        {mul(squares(var("x"), 62), squares(var("x"))), false},
    };
    const ExprPtr dag = squares(var("x"));
    for (const auto& c : cases) {
        CHECK_EQ(dag->equals(c.other, Cancellation()), c.equal);
        CHECK_EQ(c.other->equals(dag, Cancellation()), c.equal);
    }
}

TEST_CASE(a_long_comparison_stops_when_the_check_asks) {
    const Cancellation stop([] { return true; });
    bool cancelled = false;
    try {
        negations(20000)->equals(negations(20000), stop);
    } catch (const Cancelled&) {
        cancelled = true;
    }
    CHECK(cancelled);
}

TEST_CASE(releasing_a_tree_keeps_the_nodes_others_own) {
    const ExprPtr kept_chain = negations(100000);
    const ExprPtr kept_leaf = var("y");
    ExprPtr tree = add(mul(kept_chain, negations(100000)), add(kept_leaf, kept_chain));
    for (int i = 0; i < 100000; ++i) {
        tree = i % 2 == 0 ? add(tree, kept_leaf) : divide(kept_chain, tree);
    }
    tree.reset();
    CHECK_EQ(kept_chain.use_count(), 1L);
    CHECK_EQ(kept_leaf.use_count(), 1L);
    CHECK_EQ(kept_leaf->to_string(), std::string("y"));
    CHECK_EQ(kept_chain->to_string().size(), std::string::size_type{100001});
}
