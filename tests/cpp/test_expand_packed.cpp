// Powers and products of sums over letters, pi and e, which expand
// multiplies with packed exponents, alone and followed by more summands,
// against the literal expansion: dense
// sums with coefficients that wrap, sums whose terms mostly vanish modulo
// 2^32 (so that exponents up to 40 stay cheap for the oracle), and the same
// with a factor mixed in that renders like a letter product or like e, for
// which packing must step aside.

#include <climits>
#include <iterator>
#include <string>
#include <vector>

#include "check.hpp"
#include "expansion/expand.hpp"
#include "literal/expand_reference.hpp"
#include "result_comparison.hpp"
#include "tree_builders.hpp"
#include "tree_generator.hpp"

using namespace kalvira;
using namespace kalvira::testing;

namespace {

constexpr int CASES = 200;

class SumMaker {
public:
    explicit SumMaker(std::uint64_t seed) : random_(seed) {}

    // A sum of 2 to 6 summands and an exponent that keeps the literal
    // expansion of its power to a few hundred terms.
    std::pair<ExprPtr, int> power_input() {
        static const int dense_limit[] = {0, 0, 40, 16, 8, 6, 5};
        const int terms = 2 + random_.below(5);
        const int plain = random_.chance(50) ? terms : 1 + random_.below(2);
        const int limit = plain == terms ? dense_limit[terms] : plain == 1 ? 40 : 20;
        return {sum(terms, plain), 2 + random_.below(limit - 1)};
    }

    // Summands past the first `plain` ones have coefficients divisible by
    // 2^16, so that their products with each other wrap to 0.
    ExprPtr sum(int terms, int plain) {
        unused_ =
            distinct_draw() ? std::vector<ExprPtr>(std::begin(PACKABLE), std::end(PACKABLE)) : std::vector<ExprPtr>();
        ExprPtr total;
        for (int i = 0; i < terms; ++i) {
            ExprPtr term = summand(i < plain ? plain_coefficient() : 65536 * (1 + random_.below(3)));
            total = total ? add(total, term) : term;
        }
        return total;
    }

private:
    int plain_coefficient() {
        static const int coefficients[] = {1, 1, 1, -1, 2, -3, 7, 46341, 65535, INT_MAX, INT_MIN};
        return coefficients[random_.below(std::size(coefficients))];
    }

    ExprPtr summand(int coefficient) {
        ExprPtr term = coefficient == 1 ? nullptr : num(coefficient);
        for (int f = random_.below(3); f > 0; --f) {
            static const int exponents[] = {1, 1, 2, 3, 5, -1};
            const int exp = exponents[random_.below(std::size(exponents))];
            const ExprPtr base = factor();
            const ExprPtr part = exp == 1 ? base : pow(base, exp);
            term = term ? mul(term, part) : part;
        }
        return term ? term : num(coefficient);
    }

    // Mostly letters, pi and e; now and then a factor that must not be
    // packed: it renders like e, like pi, like a product of letters, or is
    // no letter at all.
    ExprPtr factor() {
        static const ExprPtr others[] = {var("e"), var("\\pi"), var("yx"), var("x2"), sqrt(num(2))};
        if (random_.chance(4)) {
            return others[random_.below(std::size(others))];
        }
        if (unused_.empty()) {
            return PACKABLE[random_.below(std::size(PACKABLE))];
        }
        const auto drawn = unused_.begin() + random_.below(static_cast<int>(unused_.size()));
        const ExprPtr chosen = *drawn;
        unused_.erase(drawn);
        return chosen;
    }

    // Half the sums draw their factors without repeating one while any is
    // left, so that their terms share no factor (the multinomial way).
    bool distinct_draw() { return random_.chance(50); }

    inline static const ExprPtr PACKABLE[] = {var("x"), var("y"), var("z"), var("Q"), pi(), e()};
    Random random_;
    std::vector<ExprPtr> unused_;
};

void check_against_oracle(const ExprPtr& input, std::uint64_t seed) {
    const std::string why = difference(outcome_of([](const ExprPtr& e) { return expand(e); }, input),
                                       outcome_of([](const ExprPtr& e) { return expand_reference(e); }, input));
    if (!why.empty()) {
        check::record_failure(__FILE__, __LINE__,
                              "seed " + std::to_string(seed) + ", input " + structural_dump(input) + ": " + why);
    }
}

}  // namespace

TEST_CASE(packed_powers_agree_with_the_literal_expansion) {
    for (std::uint64_t seed = 1; seed <= CASES; ++seed) {
        SumMaker maker(seed);
        const auto [base, exp] = maker.power_input();
        // More summands met afterwards group with the power's terms by key.
        check_against_oracle(seed % 2 == 0 ? pow(base, exp) : add(pow(base, exp), maker.sum(4, 4)), seed);
    }
}

// Products of two sums, of a power and a sum, and S1's shape p^k (p^k + 1).
TEST_CASE(packed_products_agree_with_the_literal_expansion) {
    for (std::uint64_t seed = 1; seed <= CASES; ++seed) {
        SumMaker maker(seed);
        const ExprPtr left = maker.sum(2 + static_cast<int>(seed % 3), 6);
        const ExprPtr right = maker.sum(2 + static_cast<int>(seed / 3 % 5), 6);
        const int k = 2 + static_cast<int>(seed % 2);
        const ExprPtr inputs[] = {mul(left, right), mul(pow(left, k), right),
                                  mul(pow(left, k), add(pow(left, k), num(1)))};
        check_against_oracle(inputs[seed % 3], seed);
    }
}

// Where packed keys and paths meet their edges: "\pi" followed by a letter
// (a space between them), grouped with a later summand; e and the variable
// "e" side by side; exponents that wrap; exponents past the step-by-step
// range, where squaring takes over, with coefficients that vanish.
TEST_CASE(packed_edges_agree_with_the_literal_expansion) {
    const ExprPtr x = var("x");
    const ExprPtr q = var("Q");
    const ExprPtr inputs[] = {
        add(pow(add(pi(), q), 2), mul(pi(), q)),
        add(pow(add(add(pi(), q), num(1)), 3), add(mul(pow(pi(), 2), q), mul(pi(), pow(q, 2)))),
        pow(add(e(), var("e")), 3),
        add(pow(add(pow(x, INT_MAX), q), 2), pow(x, -2)),
        pow(add(mul(num(65536), x), q), 1000),
        pow(add(mul(num(2), x), mul(num(2), q)), 40),
        pow(add(x, num(1)), 70),
        pow(add(x, q), 65),
    };
    for (std::size_t i = 0; i < std::size(inputs); ++i) {
        check_against_oracle(inputs[i], i);
    }
}
