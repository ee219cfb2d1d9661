#pragma once

// Random expression trees for differential tests of expansion. Besides
// plain random trees, the generator deliberately builds the situations in
// which an expansion that keeps terms as tables, instead of rebuilding and
// re-reading trees after every step, is most likely to go wrong.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "ast/expr.hpp"

namespace kalvira::testing {

enum Feature {
    INTEGER_BASE,            // a power whose base is a sum expanding to an integer literal
    NEGATION_BASE,           // ... to a negation
    PRODUCT_BASE,            // ... to a product
    POWER_BASE,              // ... to a power with an integer exponent
    SUM_BASE,                // ... to another sum
    EXPONENT_WRAPS_TO_ONE,   // equal factors whose exponents add up to 1 modulo 2^32
    EXPONENT_WRAPS_TO_ZERO,  // ... to 0 modulo 2^32
    HUGE_POWER,              // a single term raised to a power near 2^31 or 2^32 / k
    RENDER_ALIKE,            // unequal factors with the same LaTeX text
    POWER_OF_SUM,
    PRODUCT_OF_SUMS,
    LARGE_COEFFICIENT,  // integers whose products or sums wrap around
    NEGATED_SUM,
    CANCELLATION,    // a term minus an equal copy of it
    SHARED_SUBTREE,  // one node used twice in the tree
    FAILURE,         // a subtree on which simplification throws
    FEATURE_COUNT
};

const char* feature_name(Feature feature);

using Features = std::bitset<FEATURE_COUNT>;

// splitmix64: the same seed gives the same trees on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next();
    // Uniform in [0, n).
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t state_;
};

class TreeGenerator {
public:
    explicit TreeGenerator(std::uint64_t seed) : random_(seed) {}

    // A random tree in which no distribution yields more than about a
    // thousand products, so that the literal expansion stays fast.
    ExprPtr tree();

    // The features deliberately built into the last tree.
    const Features& features() const { return features_; }

private:
    ExprPtr any(int depth);
    ExprPtr fresh(int depth);
    ExprPtr leaf();
    ExprPtr variable();
    ExprPtr scaled_variable();
    ExprPtr exponent();
    ExprPtr small_sum();
    ExprPtr single_term(int depth);
    ExprPtr collapsing_sum(int depth);
    ExprPtr integer_factor();
    ExprPtr wrapped_exponents(int depth);
    ExprPtr huge_power(int depth);
    // Makers of two nodes that render alike but are not equal.
    using Lookalikes = std::pair<std::function<ExprPtr()>, std::function<ExprPtr()>>;
    Lookalikes lookalikes();
    ExprPtr render_alike(int depth);
    ExprPtr power_of_sum(const ExprPtr& p, const ExprPtr& q);
    ExprPtr product_of_sums(const ExprPtr& p, const ExprPtr& q);
    ExprPtr cancellation(int depth);
    ExprPtr opaque(int depth);
    ExprPtr failing(int depth);

    // Builds a subtree twice from the same random state: the second copy is
    // structurally equal to the first, or (at random) the very same node.
    template <class Make>
    std::pair<ExprPtr, ExprPtr> twins(Make make);

    template <class T, std::size_t N>
    const T& pick(const T (&items)[N]) {
        return items[random_.below(static_cast<int>(N))];
    }

    Random random_;
    Features features_;
    std::vector<ExprPtr> subtrees_;  // built so far in this tree, for sharing
};

}  // namespace kalvira::testing
