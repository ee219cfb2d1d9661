// The exact algebra layer without Python: its kernels and their relations,
// rationalised denominators, exact trigonometric values, refusals, trees a
// million levels deep, cancellation and calls on threads.

#include <algorithm>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "algebra/school_operations.hpp"
#include "check.hpp"
#include "parser/parse.hpp"
#include "tree_builders.hpp"

using namespace kalvira;
using namespace kalvira::testing;

namespace {

using Operation = ExprPtr (*)(const ExprPtr&, const Cancellation&);

std::string school(Operation operation, const std::string& text) {
    try {
        return operation(parse_expression(text), Cancellation())->to_string();
    } catch (const std::invalid_argument& error) {
        return std::string("error: ") + error.what();
    }
}

std::string simplified(const std::string& text) { return school(school_simplify, text); }

}  // namespace

TEST_CASE(kernels_keep_their_relations) {
    const struct {
        const char* text;
        const char* latex;
    } cases[] = {
        {"sqrt(2) sqrt(2)", "2"},
        {"sqrt(12) - 2 sqrt(3)", "0"},
        {"cbrt(16)", "2\\sqrt[3]{2}"},
        {"cbrt(2)^3", "2"},
        {"sqrt(6) - sqrt(2) sqrt(3)", "0"},
        {"(sqrt(3) + 1)^2", "4 + 2\\sqrt{3}"},
        {"(sqrt(2) + sqrt(3))^2", "5 + 2\\sqrt{6}"},
        {"sqrt(1/2)", "\\frac{\\sqrt{2}}{2}"},
        {"sqrt(x^2 + 1)^2", "x^{2} + 1"},
        {"sin(x + 1) - sin(1 + x)", "0"},
        {"ln(x) + ln(x) - 2ln(x)", "0"},
        {"e^x e^x", "e^{2x}"},
        {"pi^2 / pi", "\\pi"},
        {"x^(-2) x^3", "x"},
    };
    for (const auto& c : cases) {
        CHECK_EQ(simplified(c.text), std::string(c.latex));
    }
}

TEST_CASE(denominators_are_rationalised) {
    const struct {
        const char* text;
        const char* latex;
    } cases[] = {
        {"1/(2 sqrt(2))", "\\frac{\\sqrt{2}}{4}"},
        {"2/(sqrt(3) - 1) - sqrt(3)", "1"},
        {"1/(sqrt(2) + sqrt(3))", "-\\sqrt{2} + \\sqrt{3}"},
        {"3/cbrt(3)", "\\sqrt[3]{9}"},
        {"(1 + cbrt(2)) / (1 + cbrt(2))", "1"},
        {"1/(x sqrt(2))", "\\frac{\\sqrt{2}}{2x}"},
        {"1/sqrt(x)", "\\frac{\\sqrt{x}}{x}"},
    };
    for (const auto& c : cases) {
        CHECK_EQ(simplified(c.text), std::string(c.latex));
    }
}

// Every multiple of pi/6 and pi/4 below 4 pi, in both directions: the
// exact values satisfy sin^2 + cos^2 = 1 and tan = sin / cos, and tan is
// refused exactly at the odd multiples of pi/2.
TEST_CASE(trigonometric_values_at_multiples_of_pi_over_twelve) {
    for (int k = -48; k <= 48; ++k) {
        if (k % 2 != 0 && k % 3 != 0) {
            continue;
        }
        const std::string angle = "(" + std::to_string(k) + "pi/12)";
        const std::string sin = "sin" + angle;
        const std::string cos = "cos" + angle;
        CHECK_EQ(simplified(sin + "^2 + " + cos + "^2"), std::string("1"));
        CHECK(simplified(sin).find("\\sin") == std::string::npos);
        if (k % 6 == 0 && (k / 6) % 2 != 0) {
            CHECK_EQ(simplified("tan" + angle), std::string("error: tan is not defined at odd multiples of pi/2"));
        } else {
            CHECK_EQ(simplified("tan" + angle + " - " + sin + "/" + cos), std::string("0"));
        }
    }
    CHECK_EQ(simplified("sin(pi/6)"), std::string("\\frac{1}{2}"));
    CHECK_EQ(simplified("tan(pi/3)"), std::string("\\sqrt{3}"));
    CHECK_EQ(simplified("cos(3pi/4)"), std::string("-\\frac{\\sqrt{2}}{2}"));
    CHECK_EQ(simplified("sin(pi/12)"), std::string("\\sin\\left(\\frac{\\pi}{12}\\right)"));
}

TEST_CASE(refusals_name_their_cause) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"x/0", "division by zero"},
        {"(x - 1)/(x^2 - x - x + 1 - (x-1)^2)", "division by zero"},
        {"sqrt(-1/4)", "the square root of the negative number -1/4 is not a real number"},
        {"ln(0)", "ln is defined only for positive numbers, not for 0"},
        {"ln(1 - 3)", "ln is defined only for positive numbers, not for -2"},
        {"2^31", "the coefficient 2147483648 does not fit in 32 bits"},
        {"x/2^31", "the coefficient 2147483648 does not fit in 32 bits"},
        {"x^65536 x^65536 x^65536 x^65536 x^65536 x^65536 x^65536 x^65536 x^(2^31 - 1)",
         "the exponent 2148007935 does not fit in 32 bits"},
    };
    for (const auto& c : cases) {
        CHECK_EQ(simplified(c.text), std::string("error: ") + c.message);
    }
    CHECK_EQ(school(school_factor, "(x + 2^16)^2"), std::string("\\left(x + 65536\\right)^{2}"));
}

TEST_CASE(a_million_levels_deep) {
    constexpr int DEPTH = 1000000;
    ExprPtr sum = var("x");
    ExprPtr negations = var("x");
    ExprPtr powers = var("x");
    for (int i = 0; i < DEPTH; ++i) {
        sum = add(num(1), sum);
        negations = neg(negations);
        powers = pow(powers, 1);
    }
    CHECK_EQ(school_expand(sum, Cancellation())->to_string(), std::string("x + 1000000"));
    CHECK_EQ(school_simplify(negations, Cancellation())->to_string(), std::string("x"));
    CHECK_EQ(school_factor(powers, Cancellation())->to_string(), std::string("x"));
    // Nested functions are kernels within kernels, up to the layer's limit.
    ExprPtr nested = var("x");
    for (int i = 0; i < 100000; ++i) {
        nested = sin(nested);
        if (i == 2999) {
            const std::string latex = school_simplify(add(nested, neg(nested)), Cancellation())->to_string();
            CHECK_EQ(latex, std::string("0"));
        }
    }
    try {
        school_simplify(nested, Cancellation());
        CHECK(false);
    } catch (const std::invalid_argument& error) {
        CHECK_EQ(std::string(error.what()),
                 std::string("the expression has more than 4096 distinct letters, roots and functions"));
    }
}

TEST_CASE(cancellation_stops_a_long_call) {
    ExprPtr sum = var("x");
    for (int i = 0; i < 100000; ++i) {
        sum = add(sum, mul(num(i), var("y")));
    }
    for (const Operation operation : {school_expand, school_simplify, school_factor}) {
        int polls = 0;
        const Cancellation stop_soon([&] { return ++polls > 3; });
        bool cancelled = false;
        try {
            operation(sum, stop_soon);
        } catch (const Cancelled&) {
            cancelled = true;
        }
        CHECK(cancelled);
    }
}

TEST_CASE(calls_on_threads_share_nothing) {
    const std::vector<std::string> texts = {"x^6 - 1", "(x+y)^5 - (x-y)^5", "6x^2 - 5x - 6", "x^4 - 4 + sqrt(8)"};
    std::vector<std::string> alone;
    for (const std::string& text : texts) {
        alone.push_back(school(school_factor, text));
    }
    std::vector<std::vector<std::string>> together(2);
    std::vector<std::thread> threads;
    for (auto& results : together) {
        threads.emplace_back([&texts, &results] {
            for (int round = 0; round < 50; ++round) {
                for (const std::string& text : texts) {
                    results.push_back(school(school_factor, text));
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const auto& results : together) {
        for (std::size_t i = 0; i < results.size(); ++i) {
            CHECK_EQ(results[i], alone[i % texts.size()]);
        }
    }
}

namespace {

// The polynomial factors of a factorised tree: the operands of its product
// chain that are sums or powers of sums, with their exponents.
std::vector<std::pair<std::string, int>> polynomial_factors(ExprPtr tree) {
    if (tree->type() == ExprType::NEG) {
        tree = tree->child(0);
    }
    std::vector<ExprPtr> operands;
    while (tree->type() == ExprType::MUL) {
        operands.push_back(tree->child(1));
        tree = tree->child(0);
    }
    operands.push_back(tree);
    std::vector<std::pair<std::string, int>> factors;
    for (const ExprPtr& operand : operands) {
        if (operand->type() == ExprType::ADD) {
            factors.emplace_back(operand->to_string(), 1);
        } else if (operand->type() == ExprType::POW && operand->child(0)->type() == ExprType::ADD) {
            factors.emplace_back(operand->child(0)->to_string(), static_cast<const Int&>(*operand->child(1)).value());
        }
    }
    return factors;
}

int gcd_of(int a, int b) { return b == 0 ? (a < 0 ? -a : a) : gcd_of(b, a % b); }

}  // namespace

// Products of two to four primitive linear factors a x + b y + c, some
// repeated: factor finds each once with its multiplicity, and multiplies
// back out to the expansion.
TEST_CASE(generated_products_factor_into_their_factors) {
    unsigned state = 12345;
    auto next = [&state](int low, int high) {
        state = state * 1103515245u + 12345u;
        return low + static_cast<int>((state >> 16) % static_cast<unsigned>(high - low + 1));
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> distinct;  // the factors' school texts
        ExprPtr product = num(1);
        std::vector<int> multiplicity;
        const int count = next(2, 4);
        for (int i = 0; i < count; ++i) {
            const int a = next(1, 3);
            const int b = next(-3, 3);
            const int c = next(-5, 5);
            if (gcd_of(gcd_of(a, b), c) != 1) {
                continue;
            }
            const ExprPtr factor = add(add(mul(num(a), var("x")), mul(num(b), var("y"))), num(c));
            const std::string key = school_expand(factor, Cancellation())->to_string();
            const auto known = std::find(distinct.begin(), distinct.end(), key);
            if (known == distinct.end()) {
                distinct.push_back(key);
                multiplicity.push_back(1);
            } else {
                ++multiplicity[static_cast<std::size_t>(known - distinct.begin())];
            }
            product = mul(product, factor);
        }
        const ExprPtr expanded = school_expand(product, Cancellation());
        const ExprPtr factored = school_factor(expanded, Cancellation());
        CHECK_EQ(school_expand(factored, Cancellation())->to_string(), expanded->to_string());
        const auto found = polynomial_factors(factored);
        std::size_t polynomial_count = 0;
        for (std::size_t i = 0; i < distinct.size(); ++i) {
            if (distinct[i].find(' ') == std::string::npos) {
                continue;  // a single term such as x is a letter factor, not a sum
            }
            ++polynomial_count;
            // a > 0, so the factor's first coefficient is already positive
            const bool present = std::any_of(found.begin(), found.end(), [&](const auto& entry) {
                return entry.first == distinct[i] && entry.second == multiplicity[i];
            });
            CHECK(present);
        }
        CHECK_EQ(found.size(), polynomial_count);
    }
}
