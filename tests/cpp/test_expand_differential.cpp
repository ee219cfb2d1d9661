// expand against expand_reference, the literal expansion that rebuilds and
// re-reads trees after every step: same structure, same LaTeX, same error,
// on thousands of generated trees and on hand-picked ones where keeping
// terms as tables would read differently from the trees they stand for.

#include <array>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "ast/make_node.hpp"
#include "check.hpp"
#include "expansion/expand.hpp"
#include "literal/expand_reference.hpp"
#include "result_comparison.hpp"
#include "tree_builders.hpp"
#include "tree_generator.hpp"

using namespace kalvira;
using namespace kalvira::testing;

namespace {

// Enough trees to reach every feature a few hundred times while staying
// well under half a minute in a sanitized debug build.
constexpr int DEFAULT_TREES = 4000;
constexpr int MAX_REPORTED = 5;

int tree_count() {
    const char* requested = std::getenv("KALVIRA_DIFFERENTIAL_TREES");
    return requested ? std::atoi(requested) : DEFAULT_TREES;
}

// Empty when expand and the literal expansion agree on input.
std::string disagreement(const ExprPtr& input) {
    return difference(outcome_of([](const ExprPtr& e) { return expand(e); }, input),
                      outcome_of([](const ExprPtr& e) { return expand_reference(e); }, input));
}

const ExprPtr x = var("x");
const ExprPtr y = var("y");

// a + b + ... + h: more terms than a table keeps without keys.
ExprPtr eight_terms() {
    ExprPtr sum = var("a");
    for (const char* name : {"b", "c", "d", "e", "f", "g", "h"}) {
        sum = add(sum, var(name));
    }
    return sum;
}

// A sum that survives simplification and expands to target: x + target - x.
ExprPtr around(const ExprPtr& target) { return add(add(x, target), neg(x)); }

// base^1 with the exponent reached by wrapping: -2147483648 + -2147483647.
ExprPtr wrapped_to_one(const ExprPtr& base) { return mul(pow(base, INT_MIN), pow(base, INT_MIN + 1)); }

}  // namespace

TEST_CASE(expand_agrees_with_the_literal_expansion_on_generated_trees) {
    std::array<int, FEATURE_COUNT> hits{};
    int reported = 0;
    const int trees = tree_count();
    for (int seed = 1; seed <= trees && reported < MAX_REPORTED; ++seed) {
        TreeGenerator generator(seed);
        const ExprPtr input = generator.tree();
        const std::string why = disagreement(input);
        if (!why.empty()) {
            ++reported;
            check::record_failure(__FILE__, __LINE__,
                                  "seed " + std::to_string(seed) + ", input " + structural_dump(input) + ": " + why);
        }
        for (int f = 0; f < FEATURE_COUNT; ++f) {
            hits[f] += generator.features()[f];
        }
    }
    std::cout << "expand differential, trees per feature out of " << trees << ":";
    for (int f = 0; f < FEATURE_COUNT; ++f) {
        std::cout << (f % 4 == 0 ? "\n  " : "; ") << feature_name(static_cast<Feature>(f)) << " " << hits[f];
    }
    std::cout << "\n";
}

TEST_CASE(expand_agrees_with_the_literal_expansion_on_hand_picked_trees) {
    const ExprPtr two = around(num(2));
    const ExprPtr two_inverse = pow(two, -1);
    const ExprPtr pi_name = var("\\pi");
    const ExprPtr shared_sum = add(x, y);
    const struct {
        const char* what;
        ExprPtr input;
    } cases[] = {
        // Factors with exponent 1 that the next step reads differently.
        {"integer factor", add(wrapped_to_one(two), num(3))},
        {"integer factor", mul(mul(mul(pow(two, INT_MIN), pow(two, INT_MIN + 3)), pow(two, -2)), y)},
        {"integer factor", pow(wrapped_to_one(two), 3)},
        {"zero factor", add(wrapped_to_one(around(num(0))), y)},
        {"negation factor", mul(wrapped_to_one(around(neg(y))), y)},
        {"negation factor", add(wrapped_to_one(around(neg(y))), y)},
        {"product factor", mul(wrapped_to_one(around(mul(y, var("z")))), y)},
        {"power factor", mul(wrapped_to_one(around(pow(y, -1))), y)},
        {"power factor", mul(wrapped_to_one(two_inverse), two)},
        {"sum factor", add(wrapped_to_one(around(add(y, num(1)))), neg(y))},
        {"sum factor", mul(wrapped_to_one(around(add(y, num(1)))), num(3))},
        // Exponents that wrap around to 0.
        {"zero exponent", add(mul(mul(pow(x, INT_MAX), pow(x, INT_MAX)), pow(x, 2)), num(1))},
        {"zero exponent",
         mul(mul(mul(mul(pow(pi_name, INT_MAX), pow(pi_name, INT_MAX)), pow(pi_name, 2)), pi()), pi_name)},
        {"zero exponent", mul(pow(two, INT_MIN), pow(two, INT_MIN))},
        {"wrapping exponent", mul(pow(x, INT_MAX), x)},
        {"wrapping exponent", pow(pow(x, 3), 1431655766)},
        // Factors that render alike but are not equal.
        {"render-alike", mul(frac(1, 2), divide(var("1"), num(2)))},
        {"render-alike", add(frac(1, 2), divide(var("1"), num(2)))},
        {"render-alike", mul(pow(x, frac(2, 1)), pow(x, 2))},
        {"render-alike", add(mul(pi(), y), mul(pi_name, y))},
        {"render-alike", mul(mul(pi_name, pi()), add(pi(), y))},
        {"render-alike", add(var("ba"), mul(var("a"), var("b")))},
        {"render-alike", add(var("x2"), mul(mul(x, pow(two, INT_MIN)), pow(two, INT_MIN + 1)))},
        {"render-alike", add(mul(pow(frac(2, 1), -1), y), mul(two_inverse, y))},
        {"render-alike", pow(add(mul(pi(), x), mul(pi_name, y)), 3)},
        {"render-alike", pow(add(add(pi(), x), mul(pi_name, y)), 5)},
        {"render-alike", mul(add(mul(num(65536), mul(pi(), var("v"))), mul(pi_name, var("u"))),
                             add(mul(num(65536), var("u")), var("v")))},
        {"render-alike", add(mul(num(3), var("1")), num(4))},
        {"byte order", add(add(var("\xCE\xB1"), x), var("X"))},
        // Powers and products of sums with wrapping coefficients.
        {"wrapping coefficient", pow(add(x, num(65536)), 2)},
        {"wrapping coefficient", pow(add(add(x, y), num(1)), 12)},
        {"wrapping coefficient", pow(mul(num(3), x), INT_MAX)},
        {"wrapping coefficient", mul(mul(add(x, num(46341)), add(x, num(46341))), add(y, num(2)))},
        {"wrapping coefficient", add(mul(num(INT_MIN), pow(add(x, y), 2)), mul(num(INT_MIN), pow(add(y, x), 2)))},
        // Negated sums, nested powers, opaque factors, cancellation, sharing.
        {"negated sum", mul(add(x, num(1)), neg(add(x, num(1))))},
        {"nested power", pow(pow(add(x, num(1)), 2), 3)},
        {"non-integer exponent", mul(pow(add(x, num(1)), frac(2, 1)), add(x, num(1)))},
        {"opaque factor", mul(add(sin(add(x, y)), sqrt(num(8))), add(divide(x, y), make_node(ExprType::LOG, x)))},
        {"cancellation", add(pow(add(x, num(1)), 2), mul(num(-1), pow(add(x, num(1)), 2)))},
        {"shared subtree", pow(mul(shared_sum, shared_sum), 2)},
        // Errors: the first one met in simplification order wins.
        {"error", mul(pow(add(x, num(1)), 3), divide(x, num(0)))},
        {"error", add(sqrt(num(-4)), divide(x, num(0)))},
        {"error", add(divide(x, add(num(1), num(-1))), make_node(ExprType::TAN, divide(pi(), num(2))))},
        {"null", nullptr},
    };
    for (const auto& c : cases) {
        const std::string why = disagreement(c.input);
        if (!why.empty()) {
            check::record_failure(__FILE__, __LINE__,
                                  std::string(c.what) + ", input " + structural_dump(c.input) + ": " + why);
        }
    }
}

// Chains whose factors' texts nest, over bottoms that render alike ("1"
// three ways) or not, alone and side by side in one sum: the texts are
// compared only as far as they differ, tables of a few one-factor terms
// stay unkeyed, and in larger tables keys alike at length are rendered in
// full.
TEST_CASE(expand_agrees_with_the_literal_expansion_on_chains) {
    using Level = ExprPtr (*)(const ExprPtr&);
    const Level levels[] = {
        [](const ExprPtr& t) { return neg(sqrt(t)); },
        [](const ExprPtr& t) { return neg(add(t, num(1))); },
        [](const ExprPtr& t) { return add(sqrt(t), y); },
        [](const ExprPtr& t) { return add(add(neg(t), var("1")), num(2)); },
        [](const ExprPtr& t) { return mul(sin(t), y); },
        [](const ExprPtr& t) { return pow(add(sqrt(t), num(1)), 2); },
        [](const ExprPtr& t) { return add(sqrt(t), eight_terms()); },
        [](const ExprPtr& t) { return add(mul(sqrt(t), add(var("A"), var("B"))), eight_terms()); },
    };
    const ExprPtr bottoms[] = {x, var("1"), num(1), add(x, num(1))};
    constexpr int DEPTH = 10;
    for (std::size_t level = 0; level < std::size(levels); ++level) {
        const auto chain = [&](ExprPtr t) {
            for (int i = 0; i < DEPTH; ++i) {
                t = levels[level](t);
            }
            return t;
        };
        for (const ExprPtr& a : bottoms) {
            for (const ExprPtr& b : bottoms) {
                const ExprPtr input = &a == &b ? chain(a) : add(chain(a), add(chain(b), num(1)));
                const std::string why = disagreement(input);
                if (!why.empty()) {
                    check::record_failure(
                        __FILE__, __LINE__,
                        "level " + std::to_string(level) + ", input " + structural_dump(input) + ": " + why);
                }
            }
        }
    }
}

namespace {

// Summands and factors for long inputs: like terms, terms that render alike
// but differ, negations and cancelling copies, powers whose exponents meet
// again, and a few sums (in products only rarely, so that products stay
// small for the literal expansion).
ExprPtr long_operand(Random& random, bool in_product) {
    const ExprPtr names[] = {x, y, var("z"), pi(), var("\\pi"), var("w" + std::to_string(random.below(40)))};
    const ExprPtr a = names[random.below(6)];
    const ExprPtr b = names[random.below(6)];
    switch (random.below(in_product ? 7 : 8)) {
    case 0:
        return a;
    case 1:
        return mul(num(random.below(7) - 3), a);
    case 2:
        return neg(a);
    case 3:
        return mul(a, b);
    case 4:
        return pow(a, random.below(5) - 2);
    case 5:
        return num(random.below(5) - 2);
    case 6:
        return in_product && random.chance(80) ? a : add(a, num(random.below(3)));
    default:
        return mul(num(random.below(3) + 1), pow(a, 2));
    }
}

// Joins the operands into one binary tree of the given shape: 0 nested to
// the left, 1 to the right, 2 balanced, 3 random.
template <class Join>
ExprPtr shaped(std::vector<ExprPtr> items, int shape, Random& random, Join join) {
    while (items.size() > 1) {
        std::size_t at = 0;
        switch (shape) {
        case 0:
            at = 0;
            break;
        case 1:
            at = items.size() - 2;
            break;
        case 2: {
            std::vector<ExprPtr> level;
            for (std::size_t i = 0; i < items.size(); i += 2) {
                level.push_back(i + 1 < items.size() ? join(items[i], items[i + 1]) : items[i]);
            }
            items = std::move(level);
            continue;
        }
        default:
            at = static_cast<std::size_t>(random.below(static_cast<int>(items.size()) - 1));
            break;
        }
        items[at] = join(items[at], items[at + 1]);
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(at) + 1);
    }
    return items.front();
}

}  // namespace

// Long sums and products of every shape, where the larger side of a sum
// takes in the smaller one and a long product's term grows in place.
TEST_CASE(expand_agrees_with_the_literal_expansion_on_long_shapes) {
    for (int seed = 1; seed <= 120; ++seed) {
        Random random(static_cast<std::uint64_t>(seed));
        const bool product = seed % 3 == 0;
        const int shape = seed % 4;
        std::vector<ExprPtr> items;
        const int count = product ? 10 + random.below(20) : 20 + random.below(120);
        for (int i = 0; i < count; ++i) {
            items.push_back(long_operand(random, product));
        }
        const ExprPtr input = product ? shaped(items, shape, random, mul) : shaped(items, shape, random, add);
        const std::string why = disagreement(input);
        if (!why.empty()) {
            check::record_failure(__FILE__, __LINE__,
                                  "seed " + std::to_string(seed) + ", input " + structural_dump(input) + ": " + why);
            return;
        }
    }
}
