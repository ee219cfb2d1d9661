#include "literal/power_steps.hpp"

#include "ast/make_node.hpp"

namespace kalvira {

namespace {

int bit_length(unsigned value) {
    int bits = 0;
    for (; value != 0; value >>= 1) {
        ++bits;
    }
    return bits;
}

// tree^exp, written as the tree itself for exp 1.
ExprPtr power_of(const ExprPtr& tree, unsigned exp) {
    return exp == 1 ? tree : std::make_shared<Pow>(tree, make_int(static_cast<int>(exp)));
}

}  // namespace

ExprPtr PowerSteps::whole(const ExprPtr& done, int m) const {
    const int shift = bit_length(static_cast<unsigned>(n_)) - bit_length(static_cast<unsigned>(m));
    const unsigned rest = static_cast<unsigned>(n_) - (static_cast<unsigned>(m) << shift);
    ExprPtr raised = power_of(done, 1U << shift);
    return rest == 0 ? raised : std::make_shared<Mul>(std::move(raised), power_of(base_, rest));
}

}  // namespace kalvira
