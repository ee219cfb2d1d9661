// Certified values without Python: exact values and exact zeros at special
// points, the cause of each point without a value, and balls that hold the
// value to the precision asked for.

#include <arb.h>

#include <string>

#include "algebra/algebra_error.hpp"
#include "certified/certified_value.hpp"
#include "check.hpp"
#include "parser/parse.hpp"

using namespace kalvira;

namespace {

CertifiedValue value_of(const std::string& text, slong x_num = 1, ulong x_den = 1) {
    LetterValues point;
    point.emplace("x", Fraction(x_num, x_den));
    return certified_value(parse_expression(text), point, 64, Cancellation());
}

// The exact value as "num/den", or "ball" when it is not exact.
std::string exact_text(const std::string& text, slong x_num = 1, ulong x_den = 1) {
    const CertifiedValue value = value_of(text, x_num, x_den);
    if (!value.exact) {
        return "ball";
    }
    char* printed = fmpq_get_str(nullptr, 10, value.rational.get());
    std::string result(printed);
    flint_free(printed);
    return result;
}

std::string failure(const std::string& text) {
    try {
        value_of(text);
    } catch (const UndefinedValue& error) {
        return std::string("undefined: ") + error.what();
    } catch (const std::invalid_argument& error) {
        return std::string("refused: ") + error.what();
    }
    return "a value";
}

}  // namespace

TEST_CASE(exact_values_and_zeros) {
    const struct {
        const char* text;
        const char* exact;
    } cases[] = {
        {"sin(pi/6) + x", "3/2"}, {"sqrt(cos(pi/2))", "0"}, {"sqrt(tan(pi))", "0"},
        {"sqrt(2)^2 - 2", "0"},   {"(x+1)^2/4", "1"},       {"sqrt(9/4)", "3/2"},
        {"sqrt(2)", "ball"},      {"ln(x) + pi", "ball"},   {"cbrt(-8) x", "-2"},
    };
    for (const auto& c : cases) {
        CHECK_EQ(exact_text(c.text), std::string(c.exact));
    }
}

TEST_CASE(points_without_a_value_name_their_cause) {
    for (const char* text : {"1/sin(pi)", "sqrt(-x)", "ln(x - 1)", "tan(pi/2)", "1/(x - 1)"}) {
        CHECK(failure(text).rfind("undefined: ", 0) == 0);
    }
    CHECK_EQ(failure("sqrt(x + 3)"), std::string("a value"));
}

TEST_CASE(balls_hold_the_value_narrowly) {
    const CertifiedValue root = value_of("sqrt(2) - 665857/470832");
    CHECK(!root.exact);
    CHECK(!arb_contains_zero(root.ball.get()));  // the fraction is close, but not the root
    CHECK(arb_rel_accuracy_bits(root.ball.get()) >= 64);
    const CertifiedValue pi = value_of("pi x", 2);
    arb_t expected;
    arb_init(expected);
    arb_const_pi(expected, 200);
    arb_mul_si(expected, expected, 2, 200);
    CHECK(arb_overlaps(pi.ball.get(), expected));
    arb_clear(expected);
}
