#include "tree_generator.hpp"

#include <algorithm>
#include <climits>
#include <exception>
#include <functional>

#include "ast/make_node.hpp"
#include "result_comparison.hpp"
#include "simplifier/simplify.hpp"
#include "tree_builders.hpp"

// Random draws never share one expression: compilers evaluate function
// arguments in different orders, and a seed must give the same tree with
// every compiler.

namespace kalvira::testing {

namespace {

constexpr int MAX_DEPTH = 3;
// The most summands one distribution may produce before they are collected.
constexpr std::uint64_t MAX_PRODUCTS = 1000;
constexpr std::uint64_t MAX_NODES = 150;

std::uint64_t capped(std::uint64_t count) { return std::min(count, MAX_PRODUCTS + 1); }

// How many terms the power exp of a sum of `terms` summands can have: the
// number of monomials of degree exp in that many unknowns.
std::uint64_t power_terms(std::uint64_t terms, int exp) {
    if (terms <= 1 || exp <= 0) {
        return 1;
    }
    if (static_cast<std::uint64_t>(exp) > MAX_PRODUCTS) {
        return MAX_PRODUCTS + 1;
    }
    std::uint64_t count = 1;  // C(exp + i, i), exact while below the cap
    for (std::uint64_t i = 1; i < terms && count <= MAX_PRODUCTS; ++i) {
        count = capped(count * (exp + i) / i);
    }
    return count;
}

// The summands of the largest distribution in raising to exp by squaring:
// the last square, or the last multiplication by the base.
std::uint64_t power_products(std::uint64_t terms, int exp) {
    if (terms <= 1 || exp <= 1) {
        return 1;
    }
    const std::uint64_t half = power_terms(terms, exp / 2);
    const std::uint64_t odd = exp % 2 == 1 ? capped(power_terms(terms, exp - 1) * terms) : 0;
    return std::max(capped(half * half), odd);
}

struct Cost {
    std::uint64_t largest_products = 0;
    std::uint64_t nodes = 0;
};

// An upper bound of the number of terms in the expansion of e: summands add,
// factors multiply, powers of sums have at most as many terms as there are
// monomials of their degree. The largest distribution met anywhere and the
// node count (shared nodes once per use) go into cost.
std::uint64_t term_bound(const Expr& e, Cost& cost) {
    if (++cost.nodes > MAX_NODES) {
        return 1;
    }
    const auto [first, second] = operands(e);
    const std::uint64_t a = first ? term_bound(*first, cost) : 1;
    const std::uint64_t b = second ? term_bound(*second, cost) : 1;
    std::uint64_t terms = 1;
    std::uint64_t products = 1;
    switch (e.type()) {
    case ExprType::ADD:
        terms = capped(a + b);
        break;
    case ExprType::MUL:
        terms = products = capped(a * b);
        break;
    case ExprType::NEG:
        terms = a;
        break;
    case ExprType::POW:
        if (second->type() == ExprType::INT) {
            const int exp = static_cast<const Int&>(*second).value();
            terms = power_terms(a, exp);
            products = power_products(a, exp);
        }
        break;
    default:
        break;
    }
    cost.largest_products = std::max({cost.largest_products, terms, products});
    return terms;
}

// Bounds what expansion will see: the simplified tree. A tree on which
// simplification throws fails at once and is always affordable.
bool affordable(const ExprPtr& tree) {
    ExprPtr simplified;
    try {
        simplified = simplify(tree);
    } catch (const std::exception&) {
        return true;
    }
    Cost cost;
    term_bound(*simplified, cost);
    return cost.largest_products <= MAX_PRODUCTS && cost.nodes <= MAX_NODES;
}

// add(add(v, target), -v) for a variable v: survives simplification, and its
// expansion is the expansion of target.
ExprPtr cancelled_around(const ExprPtr& v, const ExprPtr& v_copy, const ExprPtr& target) {
    return add(add(v, target), neg(v_copy));
}

}  // namespace

const char* feature_name(Feature feature) {
    static const char* const names[FEATURE_COUNT] = {
        "base expanding to an integer",
        "base expanding to a negation",
        "base expanding to a product",
        "base expanding to an integer power",
        "base expanding to a sum",
        "exponents wrapping to 1",
        "exponents wrapping to 0",
        "huge power of a term",
        "render-alike factors",
        "power of a sum",
        "product of sums",
        "wrapping coefficient",
        "negated sum",
        "cancellation",
        "shared subtree",
        "simplification error",
    };
    return names[feature];
}

std::uint64_t Random::next() {
    state_ += 0x9E3779B97F4A7C15u;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

template <class Make>
std::pair<ExprPtr, ExprPtr> TreeGenerator::twins(Make make) {
    const Random start = random_;
    const std::vector<ExprPtr> start_subtrees = subtrees_;
    ExprPtr first = make();
    if (random_.chance(40)) {
        features_.set(SHARED_SUBTREE);
        return {first, first};
    }
    const Random end = random_;
    std::vector<ExprPtr> end_subtrees = subtrees_;
    random_ = start;
    subtrees_ = start_subtrees;
    ExprPtr second = make();
    random_ = end;
    subtrees_ = std::move(end_subtrees);
    return {first, second};
}

ExprPtr TreeGenerator::tree() {
    for (;;) {
        features_.reset();
        subtrees_.clear();
        ExprPtr candidate = any(MAX_DEPTH);
        if (affordable(candidate)) {
            return candidate;
        }
    }
}

ExprPtr TreeGenerator::any(int depth) {
    if (depth <= 0) {
        return leaf();
    }
    if (!subtrees_.empty() && random_.chance(6)) {
        features_.set(SHARED_SUBTREE);
        return subtrees_[random_.below(static_cast<int>(subtrees_.size()))];
    }
    ExprPtr built = fresh(depth);
    subtrees_.push_back(built);
    return built;
}

ExprPtr TreeGenerator::fresh(int depth) {
    const int roll = random_.below(100);
    if (roll < 8) {
        return leaf();
    }
    if (roll < 28) {
        ExprPtr l = any(depth - 1);
        ExprPtr r = any(depth - 1);
        return roll < 18 ? add(l, r) : mul(l, r);
    }
    if (roll < 31) {
        return neg(any(depth - 1));
    }
    if (roll < 37) {
        ExprPtr base = any(depth - 1);
        return pow(base, exponent());
    }
    if (roll < 44) {
        return opaque(depth);
    }
    if (roll < 56) {
        return wrapped_exponents(depth);
    }
    if (roll < 60) {
        static const int exps[] = {-1, -2, -3, 2};
        ExprPtr base = collapsing_sum(depth - 1);
        return pow(base, pick(exps));
    }
    if (roll < 65) {
        return huge_power(depth);
    }
    if (roll < 76) {
        return render_alike(depth);
    }
    if (roll < 80) {
        return power_of_sum(nullptr, nullptr);
    }
    if (roll < 84) {
        return product_of_sums(nullptr, nullptr);
    }
    if (roll < 89) {
        features_.set(NEGATED_SUM);
        ExprPtr negated = neg(small_sum());
        return random_.chance(50) ? negated : mul(negated, small_sum());
    }
    if (roll < 96) {
        return cancellation(depth);
    }
    return failing(depth);
}

ExprPtr TreeGenerator::variable() {
    // UTF-8 bytes above 0x7f must order as unsigned characters.
    static const char* const names[] = {"x", "y", "z", "x", "y", "a", "b", "\xCE\xB1"};
    return var(pick(names));
}

ExprPtr TreeGenerator::leaf() {
    static const int small[] = {-2, -1, 0, 1, 2, 3, 5};
    static const int large[] = {65536, 46341, INT_MAX, INT_MIN, 1 << 30, -65536, 1431655765, -1431655765};
    static const std::pair<int, int> fractions[] = {{1, 2}, {-1, 2}, {2, 1}, {3, 4}, {-2, 1}};
    // Names that render like other nodes or like products of other names.
    static const char* const lookalikes[] = {"ba",    "x2", "\\pi",      "e",  "2",  "\\frac{1}{2}",
                                             "x^{2}", "1",  "\\sqrt{x}", "yx", "-1", ""};
    switch (random_.below(12)) {
    case 5:
        return num(pick(small));
    case 6:
        features_.set(LARGE_COEFFICIENT);
        return num(pick(large));
    case 7: {
        const auto [n, d] = pick(fractions);
        return frac(n, d);
    }
    case 8:
        return random_.chance(50) ? pi() : e();
    case 9:
    case 10:
        return var(pick(lookalikes));
    case 11:
        return scaled_variable();
    default:
        return variable();
    }
}

// c * v for a variable v and a coefficient c whose products and sums wrap.
ExprPtr TreeGenerator::scaled_variable() {
    static const int coefficients[] = {2, -1, 3, -3, 65536, 46341, INT_MAX, INT_MIN, 1431655765};
    const int c = pick(coefficients);
    if (c > 3 || c < -3) {
        features_.set(LARGE_COEFFICIENT);
    }
    return mul(num(c), variable());
}

ExprPtr TreeGenerator::exponent() {
    switch (random_.below(10)) {
    case 3:
        return num(3);
    case 4:
        return num(0);
    case 5:
        return num(-1);
    case 6:
        return num(-2);
    case 7:
        return frac(1, 2);
    case 8:
        return frac(2, 1);
    case 9:
        return var("n");
    default:
        return num(2);
    }
}

ExprPtr TreeGenerator::small_sum() {
    auto term = [&]() -> ExprPtr {
        switch (random_.below(7)) {
        case 0:
            return num(random_.below(7) - 3);
        case 1:
            return scaled_variable();
        case 2:
            return neg(variable());
        case 3:
            return pow(variable(), 2);
        case 4: {  // pi and a variable named like it
            ExprPtr constant = random_.chance(50) ? pi() : var("\\pi");
            return random_.chance(30) ? constant : mul(constant, variable());
        }
        default:
            return variable();
        }
    };
    ExprPtr sum = term();
    sum = add(sum, term());
    return random_.chance(40) ? add(sum, term()) : sum;
}

ExprPtr TreeGenerator::single_term(int depth) {
    static const int exps[] = {-1, -2, 2, 3};
    static const ExprType functions[] = {ExprType::SIN, ExprType::SQRT, ExprType::LOG};
    switch (random_.below(7)) {
    case 1:
        return scaled_variable();
    case 2:
        return neg(variable());
    case 3: {
        ExprPtr l = variable();
        return mul(l, variable());
    }
    case 4: {
        ExprPtr base = variable();
        return pow(base, pick(exps));
    }
    case 5: {
        const ExprType function = pick(functions);
        return make_node(function, any(depth - 1));
    }
    case 6:
        return pow(collapsing_sum(depth - 1), -1);
    default:
        return variable();
    }
}

ExprPtr TreeGenerator::collapsing_sum(int depth) {
    static const int integers[] = {0, 2, -1, 3, 65536, 2};
    static const int exps[] = {-2, -1, 2, 3};
    ExprPtr target;
    switch (random_.below(6)) {
    case 0:
        features_.set(INTEGER_BASE);
        target = num(pick(integers));
        break;
    case 1:
        features_.set(NEGATION_BASE);
        target = neg(random_.chance(50) ? variable() : small_sum());
        break;
    case 2: {  // a product of two factors, or of a coefficient and a factor
        static const int coefficients[] = {3, -1, 65536};
        features_.set(PRODUCT_BASE);
        const int shape = random_.below(3);
        ExprPtr l = shape == 0 ? num(pick(coefficients)) : variable();
        target = mul(l, shape == 1 ? sin(variable()) : variable());
        break;
    }
    case 3:
        features_.set(POWER_BASE);
        target = variable();
        target = pow(target, pick(exps));
        break;
    case 4:
        features_.set(SUM_BASE);
        target = small_sum();
        break;
    default:
        target = any(depth - 1);
        break;
    }
    const auto [v, v_copy] = twins([&] { return random_.chance(70) ? variable() : single_term(depth - 1); });
    switch (random_.below(4)) {
    case 0:
        return cancelled_around(v, v_copy, target);
    case 1:
        return add(neg(v), add(v_copy, target));
    case 2:
        return add(target, add(v, neg(v_copy)));
    default:  // 65536 * 65536 wraps to 0
        features_.set(LARGE_COEFFICIENT);
        return add(mul(num(65536), mul(num(65536), v)), target);
    }
}

// The integer 2 as a factor with exponent 1, not as a coefficient: the
// product of 2^-2147483648 and 2^-2147483647 of a sum expanding to 2.
ExprPtr TreeGenerator::integer_factor() {
    features_.set(INTEGER_BASE);
    features_.set(EXPONENT_WRAPS_TO_ONE);
    const auto [v, v_copy] = twins([&] { return variable(); });
    ExprPtr two = cancelled_around(v, v_copy, num(2));
    return mul(pow(two, INT_MIN), pow(two, INT_MIN + 1));
}

// Equal bases whose negative exponents add up to 0, 1, 2 or 3 modulo 2^32,
// possibly with a last factor base^-k that brings 1 + k back to 1.
ExprPtr TreeGenerator::wrapped_exponents(int depth) {
    static const int targets[] = {1, 1, 1, 0, 2, 3};
    const int target = pick(targets);
    const int later = random_.chance(40) ? 1 + random_.below(3) : 0;
    // The first two factors collect to target + later, the last one to target.
    if (target == 1 || target + later == 1) {
        features_.set(EXPONENT_WRAPS_TO_ONE);
    }
    if (target == 0) {
        features_.set(EXPONENT_WRAPS_TO_ZERO);
    }
    const int split = random_.below(target + later + 1);
    const auto [b1, b2] = twins([&] {
        const int roll = random_.below(100);
        if (roll < 70) {
            return collapsing_sum(depth - 1);
        }
        if (roll < 85) {
            features_.set(POWER_BASE);
            return pow(collapsing_sum(depth - 1), -1);
        }
        return any(depth - 1);
    });
    ExprPtr first = pow(b1, INT_MIN + split);
    if (random_.chance(30)) {
        first = mul(first, any(depth - 1));
    }
    ExprPtr product = mul(first, pow(b2, INT_MIN + target + later - split));
    return later ? mul(product, pow(random_.chance(50) ? b1 : b2, -later)) : product;
}

// A single term raised to a power whose exponent or coefficient wraps.
ExprPtr TreeGenerator::huge_power(int depth) {
    static const int exps[] = {INT_MAX, 1 << 30, 1431655765, 1431655766, 65536, 65537, INT_MAX - 1};
    static const int inner_exps[] = {3, 5, -3, 2};
    features_.set(HUGE_POWER);
    const auto [b1, b2] = twins([&] { return single_term(depth - 1); });
    switch (random_.below(4)) {
    case 0:
        return pow(b1, pick(exps));
    case 1:  // the exponent wraps to -2147483648
        return mul(pow(b1, INT_MAX), b2);
    case 2:  // 2 * 2147483647 + 2 wraps to 0
        features_.set(EXPONENT_WRAPS_TO_ZERO);
        return mul(mul(pow(b1, INT_MAX), pow(b2, INT_MAX)), pow(b2, 2));
    default: {
        const int inner = pick(inner_exps);
        return pow(pow(b1, inner), pick(exps));
    }
    }
}

TreeGenerator::Lookalikes TreeGenerator::lookalikes() {
    features_.set(RENDER_ALIKE);
    // Each group: nodes that render to the same text but are not equal.
    const std::vector<std::vector<std::function<ExprPtr()>>> groups = {
        {[] { return frac(1, 2); }, [] { return divide(var("1"), num(2)); }, [] { return var("\\frac{1}{2}"); }},
        {[] { return pow(var("x"), frac(2, 1)); }, [] { return pow(var("x"), 2); }, [] { return var("x^{2}"); }},
        {[] { return var("\\pi"); }, [] { return pi(); }},
        {[] { return var("e"); }, [] { return e(); }},
        {[] { return var("ba"); }, [] { return mul(var("a"), var("b")); }, [] { return mul(var("b"), var("a")); }},
        {[] { return var("x2"); }, [this] { return mul(var("x"), integer_factor()); }},
        {[] { return pow(frac(2, 1), -1); }, [] { return pow(var("2"), -1); },
         [this] {
             const auto [v, v_copy] = twins([&] { return variable(); });
             return pow(cancelled_around(v, v_copy, num(2)), -1);
         }},
        {[] { return sqrt(var("x")); }, [] { return var("\\sqrt{x}"); }},
        {[] { return divide(var("x"), var("y")); }, [] { return var("\\frac{x}{y}"); }},
        {[] { return frac(2, 1); }, [] { return var("2"); }},
        {[] { return var("1"); }, [] { return num(1); }},
        {[] { return mul(pi(), var("R")); }, [] { return var("\\pi R"); }},
        {[] { return mul(var("x"), frac(-1, 3)); }, [] { return var("x\\left(-\\frac{1}{3}\\right)"); }},
    };
    const auto& group = groups[random_.below(static_cast<int>(groups.size()))];
    const int size = static_cast<int>(group.size());
    const int first = random_.below(size);
    const int second = (first + 1 + random_.below(size - 1)) % size;
    return {group[first], group[second]};
}

ExprPtr TreeGenerator::render_alike(int depth) {
    const auto [make_p, make_q] = lookalikes();
    ExprPtr p = make_p();
    ExprPtr q = make_q();
    switch (random_.below(9)) {
    case 0: {
        const auto [t1, t2] = twins([&] { return single_term(depth - 1); });
        return add(mul(p, t1), mul(q, t2));
    }
    case 1:
        return mul(p, q);
    case 2:
        return mul(mul(p, any(depth - 1)), pow(q, -1));
    case 3:
        return mul(pow(add(p, variable()), 2), q);
    case 4:
        return add(p, q);
    case 5:
        return random_.chance(50) ? power_of_sum(p, q) : product_of_sums(p, q);
    case 6: {  // p^0 by wrapping, then q, then p again
        features_.set(EXPONENT_WRAPS_TO_ZERO);
        ExprPtr zeroed = mul(pow(p, INT_MIN), pow(make_p(), INT_MIN));
        return mul(mul(zeroed, q), make_p());
    }
    case 7: {  // (65536pv + qu)(65536u + v): pvu comes first, with the coefficient 0
        features_.set(LARGE_COEFFICIENT);
        ExprPtr l = add(mul(num(65536), mul(p, var("v"))), mul(q, var("u")));
        return mul(l, add(mul(num(65536), var("u")), var("v")));
    }
    default: {
        ExprPtr p2 = make_p();
        ExprPtr q2 = make_q();
        return add(mul(p, q), mul(q2, p2));
    }
    }
}

// A sum to a power of 2 to 12; p and q, when given, as factors of two of
// its summands.
ExprPtr TreeGenerator::power_of_sum(const ExprPtr& p, const ExprPtr& q) {
    features_.set(POWER_OF_SUM);
    ExprPtr base = small_sum();
    if (p) {
        ExprPtr with_p = add(mul(p, variable()), base);
        base = add(with_p, mul(q, variable()));
    }
    return pow(base, 2 + random_.below(11));
}

ExprPtr TreeGenerator::product_of_sums(const ExprPtr& p, const ExprPtr& q) {
    features_.set(PRODUCT_OF_SUMS);
    ExprPtr first = small_sum();
    if (p) {
        first = add(mul(p, variable()), first);
    }
    ExprPtr second = small_sum();
    if (q) {
        second = add(second, mul(q, variable()));
    }
    ExprPtr product = mul(first, second);
    return random_.chance(50) ? mul(product, small_sum()) : product;
}

// A term and an equal copy of it with the opposite sign.
ExprPtr TreeGenerator::cancellation(int depth) {
    features_.set(CANCELLATION);
    const auto [t1, t2] = twins([&] { return any(depth - 1); });
    switch (random_.below(3)) {
    case 0:
        return add(t1, neg(t2));
    case 1:
        return add(mul(num(-1), t1), t2);
    default:  // -2147483648 twice wraps to 0
        features_.set(LARGE_COEFFICIENT);
        return add(mul(num(INT_MIN), t1), mul(num(INT_MIN), t2));
    }
}

ExprPtr TreeGenerator::opaque(int depth) {
    static const ExprType functions[] = {ExprType::SQRT, ExprType::CBRT, ExprType::SIN,
                                         ExprType::COS,  ExprType::TAN,  ExprType::LOG};
    switch (random_.below(4)) {
    case 0: {
        const ExprType function = pick(functions);
        return make_node(function, any(depth - 1));
    }
    case 1: {
        ExprPtr n = any(depth - 1);
        return divide(n, any(depth - 1));
    }
    case 2: {
        static const std::pair<int, int> fractions[] = {{1, 2}, {2, 1}, {-1, 3}};
        ExprPtr base = any(depth - 1);
        if (random_.chance(30)) {
            return pow(base, add(var("n"), num(1)));
        }
        const auto [n, d] = pick(fractions);
        return pow(base, frac(n, d));
    }
    default: {  // a power of a power
        ExprPtr base = any(depth - 1);
        ExprPtr inner = exponent();
        return pow(pow(base, inner), exponent());
    }
    }
}

ExprPtr TreeGenerator::failing(int depth) {
    static const int negatives[] = {-4, -1, INT_MIN};
    features_.set(FAILURE);
    if (random_.chance(30)) {  // two errors: the first one met must win
        ExprPtr first = failing(depth - 1);
        return add(first, failing(depth - 1));
    }
    switch (random_.below(5)) {
    case 0:
        return divide(any(depth - 1), num(0));
    case 1:
        return sqrt(num(pick(negatives)));
    case 2:
        return make_node(ExprType::TAN, divide(pi(), num(2)));
    case 3:  // 65536^2 wraps to a zero denominator
        return pow(num(65536), -2);
    default:
        return divide(variable(), add(num(1), num(-1)));
    }
}

}  // namespace kalvira::testing
