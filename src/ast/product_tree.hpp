#pragma once

// The tree of a product of powers with an integer coefficient, the one
// shape in which both the expansion engine and the literal algorithm write
// a summand, so that both write every summand alike.

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "ast/expr.hpp"
#include "ast/make_node.hpp"

namespace kalvira {

// The tree of coeff times count powers, power_at(i) giving the i-th factor
// and its exponent, exponent-0 factors dropped: Pow(f, Int(e)) for e other
// than 1, products nested to the left, the coefficient as an Int on the left
// (1 omitted, -1 as a Neg, no factors an Int, 0 always Int(0)).
template <class PowerAt>
ExprPtr product_tree(int coeff, std::size_t count, PowerAt power_at) {
    if (coeff == 0) {
        return make_int(0);
    }
    ExprPtr product;
    for (std::size_t i = 0; i < count; ++i) {
        const auto [factor, exp] = power_at(i);
        if (exp == 0) {
            continue;
        }
        ExprPtr power = exp == 1 ? factor : std::make_shared<Pow>(factor, make_int(exp));
        product = product ? std::make_shared<Mul>(std::move(product), std::move(power)) : std::move(power);
    }
    if (!product) {
        return make_int(coeff);
    }
    switch (coeff) {
    case 1:
        return product;
    case -1:
        return std::make_shared<Neg>(std::move(product));
    default:
        return std::make_shared<Mul>(make_int(coeff), std::move(product));
    }
}

// The same over factors and their exponents in the order given.
inline ExprPtr product_tree(int coeff, const std::vector<std::pair<ExprPtr, int>>& powers) {
    return product_tree(coeff, powers.size(), [&powers](std::size_t i) {
        return std::pair<const ExprPtr&, int>(powers[i].first, powers[i].second);
    });
}

}  // namespace kalvira
