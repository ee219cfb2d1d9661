// Reading summands into monomials and building them back: coefficients,
// merging of repeated factors and the canonical order of factors.

#include <memory>
#include <string>
#include <vector>

#include "ast/cancellation.hpp"
#include "check.hpp"
#include "literal/collect_terms.hpp"
#include "literal/monomial.hpp"

using namespace kalvira;

namespace {

const ExprPtr x = std::make_shared<Var>("x");
const ExprPtr y = std::make_shared<Var>("y");
const ExprPtr z = std::make_shared<Var>("z");
const ExprPtr n = std::make_shared<Var>("n");

ExprPtr integer(int v) { return std::make_shared<Int>(v); }
ExprPtr mul(ExprPtr a, ExprPtr b) { return std::make_shared<Mul>(a, b); }
ExprPtr pow(ExprPtr a, ExprPtr b) { return std::make_shared<Pow>(a, b); }
ExprPtr neg(ExprPtr a) { return std::make_shared<Neg>(a); }

// A monomial as text: the coefficient, then factor^exponent in entry order.
std::string describe(const Monomial& m) {
    std::string text = std::to_string(m.coeff);
    for (const auto& [factor, exp] : m.vars) {
        text += " [" + factor->to_string() + "]^" + std::to_string(exp);
    }
    return text;
}

}  // namespace

TEST_CASE(parse_monomial_splits_coefficient_and_factors) {
    const struct {
        ExprPtr input;
        const char* expected;
    } cases[] = {
        {integer(0), "0"},
        {integer(-4), "-4"},
        {neg(neg(x)), "1 [x]^1"},
        {mul(integer(2), mul(x, integer(3))), "6 [x]^1"},
        {mul(neg(x), y), "-1 [x]^1 [y]^1"},
        {mul(x, pow(x, integer(2))), "1 [x]^3"},
        {mul(mul(x, y), x), "1 [x]^2 [y]^1"},
        {mul(x, pow(x, integer(-1))), "1 [x]^0"},
        {pow(x, y), "1 [x^{y}]^1"},
        {pow(x, std::make_shared<Rational>(1, 2)), "1 [x^{\\frac{1}{2}}]^1"},
        {pow(integer(2), integer(3)), "1 [2]^3"},
        {pow(mul(x, y), integer(2)), "1 [xy]^2"},
        {std::make_shared<Rational>(1, 2), "1 [\\frac{1}{2}]^1"},
        {neg(std::make_shared<Add>(x, integer(1))), "-1 [x + 1]^1"},
        {mul(integer(65536), mul(integer(65536), x)), "0 [x]^1"},
        {mul(pow(x, integer(2147483647)), x), "1 [x]^-2147483648"},
    };
    for (const auto& c : cases) {
        CHECK_EQ(describe(parse_monomial(c.input)), std::string(c.expected));
    }
}

TEST_CASE(merged_factor_keeps_the_first_node) {
    const ExprPtr first_x = std::make_shared<Var>("x");
    const Monomial m = parse_monomial(mul(mul(first_x, y), std::make_shared<Var>("x")));
    CHECK(m.vars.at(0).first == first_x);
}

TEST_CASE(build_monomial_orders_factors_and_applies_the_coefficient) {
    const struct {
        Monomial monomial;
        const char* expected;
    } cases[] = {
        {{3, {{x, 2}, {y, 1}}}, "3yx^{2}"},
        {{
             1,
             {{x, 1}, {y, 1}},
         },
         "yx"},
        {{1, {{x, 1}, {y, 1}, {z, 1}}}, "zyx"},
        {{-1, {{x, 1}}}, "-x"},
        {{-2, {{x, 1}}}, "-2x"},
        {{5, {}}, "5"},
        {{1, {{x, 0}}}, "1"},
        {{-7, {{x, 0}}}, "-7"},
        {{0, {{x, 1}}}, "0"},
        {{2, {{x, -1}}}, "2x^{-1}"},
        {{1, {{x, 1}, {pow(x, n), 1}}}, "x^{n}x"},
        // Lower-case names, then commands, then upper-case names, then digits.
        {{1, {{integer(2), 1}, {std::make_shared<Var>("X"), 1}, {std::make_shared<Pi>(), 1}, {x, 1}}}, "x\\pi X2"},
    };
    for (const auto& c : cases) {
        CHECK_EQ(build_monomial(c.monomial)->to_string(), std::string(c.expected));
    }
}

TEST_CASE(build_monomial_nests_products_to_the_left) {
    const ExprPtr built = build_monomial({1, {{x, 1}, {y, 1}, {z, 1}}});
    CHECK(built->equals(mul(mul(z, y), x), Cancellation()));
    const ExprPtr scaled = build_monomial({3, {{x, 2}, {y, 1}}});
    CHECK(scaled->equals(mul(integer(3), mul(y, pow(x, integer(2)))), Cancellation()));
}

TEST_CASE(flatten_add_splits_only_sums) {
    std::vector<Monomial> terms;
    flatten_add(nullptr, terms);
    CHECK(terms.empty());
    const ExprPtr sum = std::make_shared<Add>(x, std::make_shared<Add>(neg(std::make_shared<Add>(y, z)), integer(4)));
    flatten_add(sum, terms);
    CHECK_EQ(terms.size(), 3u);
    CHECK_EQ(describe(terms.at(1)), std::string("-1 [y + z]^1"));
    CHECK_EQ(describe(terms.at(2)), std::string("4"));
}

TEST_CASE(reading_a_long_sum_stops_when_the_check_asks) {
    ExprPtr sum = x;
    for (int i = 0; i < 10000; ++i) {
        sum = std::make_shared<Add>(sum, y);
    }
    std::vector<Monomial> terms;
    bool cancelled = false;
    try {
        flatten_add(sum, terms, Cancellation([] { return true; }));
    } catch (const Cancelled&) {
        cancelled = true;
    }
    CHECK(cancelled);
}
