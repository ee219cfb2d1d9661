// Structural equality, kinds, precedences and the numeric flag of nodes:
// what only the core itself can see of a node.

#include <memory>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"
#include "check.hpp"

using namespace kalvira;

namespace {

ExprPtr integer(int v) { return std::make_shared<Int>(v); }
ExprPtr var(const char* name) { return std::make_shared<Var>(name); }
ExprPtr fraction(int n, int d) { return std::make_shared<Rational>(n, d); }
template <class Node, class... Children>
ExprPtr node(Children... children) {
    return std::make_shared<Node>(children...);
}

// Equality must be reflexive and symmetric, so each pair is checked both ways.
void check_equal(const ExprPtr& a, const ExprPtr& b, bool expected) {
    CHECK_EQ(a->equals(b, Cancellation()), expected);
    CHECK_EQ(b->equals(a, Cancellation()), expected);
    CHECK(a->equals(a, Cancellation()));
}

}  // namespace

TEST_CASE(equality_compares_values_only_within_one_kind) {
    check_equal(integer(2), fraction(2, 1), false);
    check_equal(integer(2), integer(2), true);
    check_equal(fraction(2, 4), fraction(1, 2), true);
    check_equal(fraction(-1, 2), fraction(1, -2), true);
    check_equal(node<Neg>(integer(2)), integer(-2), false);
    check_equal(node<Div>(integer(1), integer(2)), fraction(1, 2), false);
    check_equal(node<Neg>(var("x")), node<Mul>(integer(-1), var("x")), false);
}

TEST_CASE(equality_of_names_is_exact_bytes) {
    check_equal(var("x"), var("x"), true);
    check_equal(var("x"), var("X"), false);
    check_equal(var(""), var(""), true);
    check_equal(var(""), var("x"), false);
}

TEST_CASE(constants_equal_only_their_own_kind) {
    check_equal(node<Pi>(), node<Pi>(), true);
    check_equal(node<E>(), node<E>(), true);
    check_equal(node<Pi>(), node<E>(), false);
    check_equal(node<Pi>(), var("\\pi"), false);
}

TEST_CASE(equality_is_structural_without_commutativity_or_associativity) {
    const ExprPtr x = var("x"), y = var("y"), z = var("z");
    check_equal(node<Add>(x, y), node<Add>(y, x), false);
    check_equal(node<Mul>(x, integer(2)), node<Mul>(var("x"), integer(2)), true);
    check_equal(node<Add>(node<Add>(x, y), z), node<Add>(x, node<Add>(y, z)), false);
    check_equal(node<Add>(x, y), node<Mul>(x, y), false);
    check_equal(node<Div>(x, y), node<Div>(x, y), true);
    check_equal(node<Pow>(x, y), node<Pow>(y, x), false);
    // One-operand kinds differ by kind even over equal operands.
    check_equal(node<Sin>(x), node<Cos>(x), false);
    check_equal(node<Sqrt>(x), node<Cbrt>(x), false);
    check_equal(node<Tan>(x), node<Log>(x), false);
    check_equal(node<Log>(node<Add>(x, y)), node<Log>(node<Add>(x, y)), true);
}

TEST_CASE(kinds_have_fixed_values) {
    CHECK_EQ(static_cast<int>(node<Pi>()->type()), 9);
    CHECK_EQ(static_cast<int>(node<E>()->type()), 10);
    CHECK_EQ(static_cast<int>(node<Cbrt>(var("x"))->type()), 11);
    CHECK_EQ(static_cast<int>(node<Log>(var("x"))->type()), 15);
    CHECK(fraction(4, 2)->type() == ExprType::RATIONAL);
}

TEST_CASE(precedence_and_numeric_flag) {
    const ExprPtr x = var("x");
    CHECK_EQ(node<Add>(x, x)->precedence(), 1);
    CHECK_EQ(node<Neg>(x)->precedence(), 2);
    CHECK_EQ(node<Mul>(x, x)->precedence(), 3);
    CHECK_EQ(node<Div>(x, x)->precedence(), 3);
    CHECK_EQ(node<Pow>(x, x)->precedence(), 4);
    for (const ExprPtr& atom : {x, integer(1), fraction(1, 3), node<Pi>(), node<E>(), node<Sqrt>(x), node<Cbrt>(x),
                                node<Sin>(x), node<Cos>(x), node<Tan>(x), node<Log>(x)}) {
        CHECK_EQ(atom->precedence(), 5);
    }
    CHECK(integer(0)->is_numeric());
    CHECK(fraction(1, 3)->is_numeric());
    CHECK(!node<Neg>(integer(1))->is_numeric());
    CHECK(!node<Pi>()->is_numeric());
    CHECK(!node<E>()->is_numeric());
    CHECK(!x->is_numeric());
}
