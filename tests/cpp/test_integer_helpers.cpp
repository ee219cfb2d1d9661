// Wrap-around arithmetic, gcd, integer powers and square-factor extraction.
// Built with the undefined-behaviour sanitizer: any signed overflow fails.

#include <climits>
#include <cstdint>
#include <utility>

#include "ast/expr.hpp"
#include "check.hpp"
#include "simplifier/integer_helpers.hpp"

using namespace kalvira;

TEST_CASE(arithmetic_wraps_at_32_bits) {
    CHECK_EQ(wrap_add(INT_MAX, 1), INT_MIN);
    CHECK_EQ(wrap_add(INT_MIN, -1), INT_MAX);
    CHECK_EQ(wrap_mul(65536, 65536), 0);
    CHECK_EQ(wrap_mul(INT_MIN, -1), INT_MIN);
    CHECK_EQ(wrap_neg(INT_MIN), INT_MIN);
    CHECK_EQ(wrap_neg(5), -5);
    CHECK_EQ(magnitude(INT_MIN), 2147483648u);
}

TEST_CASE(gcd_of_magnitudes) {
    CHECK_EQ(gcd(0, 0), 0);
    CHECK_EQ(gcd(-12, 18), 6);
    CHECK_EQ(gcd(0, -7), 7);
    CHECK_EQ(gcd(-7, 0), 7);
    CHECK_EQ(gcd(INT_MIN, 6), 2);
    CHECK_EQ(gcd(INT_MIN, 0), INT_MIN);  // 2147483648, wrapped
    CHECK_EQ(gcd(INT_MIN, INT_MIN), INT_MIN);
}

TEST_CASE(is_int_accepts_only_integer_literals) {
    CHECK(is_int(std::make_shared<Int>(0), 0));
    CHECK(!is_int(std::make_shared<Int>(1), 0));
    CHECK(!is_int(std::make_shared<Rational>(0, 1), 0));
    CHECK(!is_int(std::make_shared<Var>("0"), 0));
}

TEST_CASE(int_pow_wraps_and_gives_zero_for_negative_exponents) {
    const struct {
        int base, exp, expected;
    } cases[] = {
        {0, 0, 1},
        {5, -1, 0},
        {-1, 7, -1},
        {2, 10, 1024},
        {2, 31, INT_MIN},
        {2, 32, 0},
        {-2, 3, -8},
        {65536, 2, 0},
        {10, 10, 1410065408},
        {3, INT_MAX, -1431655765},  // 3^(2^31 - 1) mod 2^32, read as signed
        {-1, INT_MAX, -1},
        {INT_MIN, 1, INT_MIN},
        {7, INT_MIN, 0},
    };
    for (const auto& c : cases) {
        CHECK_EQ(int_pow(c.base, c.exp), c.expected);
    }
}

TEST_CASE(simplify_sqrt_examples) {
    const struct {
        int n, outside, inside;
    } cases[] = {
        {0, 0, 1},
        {1, 1, 1},
        {2, 1, 2},
        {4, 2, 1},
        {8, 2, 2},
        {12, 2, 3},
        {18, 3, 2},
        {50, 5, 2},
        {72, 6, 2},
        {1000000, 1000, 1},
        {INT_MAX, 1, INT_MAX},
        {2147395600, 46340, 1},  // 46340^2, the largest square below 2^31
        {2147395601, 1, 2147395601},
    };
    for (const auto& c : cases) {
        const auto [outside, inside] = simplify_sqrt(c.n);
        CHECK_EQ(outside, c.outside);
        CHECK_EQ(inside, c.inside);
    }
}

TEST_CASE(simplify_sqrt_leaves_a_square_free_inside) {
    auto square_free = [](int v) {
        for (std::int64_t i = 2; i * i <= v; ++i) {
            if (v % (i * i) == 0) return false;
        }
        return true;
    };
    for (int n = 1; n <= 5000; ++n) {
        const auto [outside, inside] = simplify_sqrt(n);
        CHECK_EQ(std::int64_t{outside} * outside * inside, std::int64_t{n});
        CHECK(square_free(inside));
    }
    for (int n = INT_MAX; n > INT_MAX - 200; --n) {
        const auto [outside, inside] = simplify_sqrt(n);
        CHECK_EQ(std::int64_t{outside} * outside * inside, std::int64_t{n});
    }
}

TEST_CASE(simplify_sqrt_refuses_negative_numbers) {
    for (int n : {-1, -4, INT_MIN}) {
        bool thrown = false;
        try {
            simplify_sqrt(n);
        } catch (const std::invalid_argument& e) {
            thrown = std::string(e.what()) == "負の数の平方根はサポートされていません。";
        }
        CHECK(thrown);
    }
}
