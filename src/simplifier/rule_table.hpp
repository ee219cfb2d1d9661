#pragma once

// The rewrite rules of simplification and of the literal expansion, one
// line each: a stable identifier and the name a trace reports it by. The
// names belong to the package's interface (kalvira.steps reads them), so
// a name never changes once released; new rules take new names.

namespace kalvira {

#define KALVIRA_RULES(X)                              \
    X(NEG_OF_NEG, "neg-of-neg")                       \
    X(NEG_OF_NUMBER, "neg-of-number")                 \
    X(ADD_ZERO, "add-zero")                           \
    X(ADD_INTEGERS, "add-integers")                   \
    X(ADD_EQUAL_TERMS, "add-equal-terms")             \
    X(MUL_BY_ZERO, "mul-by-zero")                     \
    X(MUL_BY_ONE, "mul-by-one")                       \
    X(MUL_INTEGERS, "mul-integers")                   \
    X(DIV_ZERO_NUMERATOR, "div-zero-numerator")       \
    X(DIV_INTEGERS, "div-integers")                   \
    X(DIV_BY_ITSELF, "div-by-itself")                 \
    X(DIV_RATIONALISE, "div-rationalise")             \
    X(POW_ZERO_EXPONENT, "pow-zero-exponent")         \
    X(POW_ONE_EXPONENT, "pow-one-exponent")           \
    X(POW_OF_ZERO_OR_ONE, "pow-of-zero-or-one")       \
    X(POW_INTEGERS, "pow-integers")                   \
    X(POW_NEGATIVE_EXPONENT, "pow-negative-exponent") \
    X(SQRT_OF_ZERO_OR_ONE, "sqrt-of-zero-or-one")     \
    X(SQRT_PERFECT_SQUARE, "sqrt-perfect-square")     \
    X(SQRT_SQUARE_FACTOR, "sqrt-square-factor")       \
    X(CBRT_OF_ZERO_OR_ONE, "cbrt-of-zero-or-one")     \
    X(CBRT_OF_CUBE, "cbrt-of-cube")                   \
    X(CBRT_PERFECT_CUBE, "cbrt-perfect-cube")         \
    X(LOG_OF_ONE, "log-of-one")                       \
    X(LOG_OF_E, "log-of-e")                           \
    X(LOG_OF_POWER_OF_E, "log-of-power-of-e")         \
    X(TRIG_OF_ZERO, "trig-of-zero")                   \
    X(TRIG_SPECIAL_ANGLE, "trig-special-angle")       \
    X(SAME_AS_BEFORE, "same-as-before")               \
    X(EXPAND_PRODUCT, "expand-product")               \
    X(POWER_AS_PRODUCT, "power-as-product")           \
    X(EXPAND_SQUARE, "expand-square")                 \
    X(EXPAND_TIMES_BASE, "expand-times-base")         \
    X(COLLECT_TERMS, "collect-terms")

enum class Rule : unsigned char {
    NONE,
#define KALVIRA_RULE_ID(id, name) id,
    KALVIRA_RULES(KALVIRA_RULE_ID)
#undef KALVIRA_RULE_ID
};

inline const char* rule_name(Rule rule) {
    static constexpr const char* NAMES[] = {"none",
#define KALVIRA_RULE_NAME(id, name) name,
                                            KALVIRA_RULES(KALVIRA_RULE_NAME)
#undef KALVIRA_RULE_NAME
    };
    return NAMES[static_cast<unsigned>(rule)];
}

}  // namespace kalvira
