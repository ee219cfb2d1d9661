#include "values/wrap_check.hpp"

#include <cstdint>
#include <string>

#include "ast/fold_tree.hpp"
#include "values/prime_field.hpp"

namespace kalvira {

namespace {

namespace field = prime_field;

// A mix of the bits of v (the finaliser of splitmix64).
std::uint64_t mixed(std::uint64_t v) {
    v += 0x9E3779B97F4A7C15ULL;
    v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ULL;
    v = (v ^ (v >> 27)) * 0x94D049BB133111EBULL;
    return v ^ (v >> 31);
}

// The point: every variable gets a value from its name, the same in both
// trees and in every run, so that the warning does not come and go.
std::uint64_t value_of_name(const std::string& name) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const unsigned char byte : name) {
        hash = (hash ^ byte) * 0x100000001B3ULL;
    }
    return field::reduce(mixed(hash));
}

constexpr std::uint64_t PI_VALUE = 0x1234567890ABCDEULL;
constexpr std::uint64_t E_VALUE = 0x0FEDCBA987654321ULL;

// A leaf's value; variables take theirs from value_of_variable.
template <class VariableValue>
Residue leaf_value(const Expr& node, const VariableValue& value_of_variable) {
    switch (node.type()) {
    case ExprType::INT:
        return field::of_int(static_cast<const Int&>(node).value());
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        return field::multiply(field::of_int(fraction.num()), field::inverse(field::of_int(fraction.den())));
    }
    case ExprType::VAR:
        return value_of_variable(static_cast<const Var&>(node).name());
    case ExprType::PI:
        return PI_VALUE;
    case ExprType::E:
        return E_VALUE;
    default:
        return std::nullopt;
    }
}

// Only powers with an integer literal exponent have a value here.
Residue power_value(const Expr& power, std::uint64_t base) {
    const ExprPtr& exponent_node = power.child(1);
    if (exponent_node->type() != ExprType::INT) {
        return std::nullopt;
    }
    const int exponent = static_cast<const Int&>(*exponent_node).value();
    const std::uint64_t magnitude_power = field::power(base, magnitude(exponent));
    if (exponent >= 0) {
        return magnitude_power;  // 0^0 is 1, as simplify takes it
    }
    if (magnitude_power == 0) {
        return std::nullopt;
    }
    return field::inverse(magnitude_power);
}

// A node's value from its children's; none where a child has none, and for
// roots and functions, whose values are not residues.
Residue operation_value(const ExprPtr& node, const Residue* children) {
    for (std::size_t i = 0; i < node->arity(); ++i) {
        if (!children[i]) {
            return std::nullopt;
        }
    }
    switch (node->type()) {
    case ExprType::NEG:
        return field::negate(*children[0]);
    case ExprType::ADD:
        return field::add(*children[0], *children[1]);
    case ExprType::MUL:
        return field::multiply(*children[0], *children[1]);
    case ExprType::DIV:
        if (*children[1] == 0) {
            return std::nullopt;
        }
        return field::multiply(*children[0], field::inverse(*children[1]));
    case ExprType::POW:
        return power_value(*node, *children[0]);
    default:
        return std::nullopt;
    }
}

template <class VariableValue>
Residue residue_of(const ExprPtr& tree, const Cancellation& cancel, const VariableValue& value_of_variable) {
    return fold_tree<Residue>(tree, cancel, [&](const ExprPtr& node, const Residue* children) {
        return node->arity() == 0 ? leaf_value(*node, value_of_variable) : operation_value(node, children);
    });
}

Residue residue_of(const ExprPtr& tree, const Cancellation& cancel) {
    return residue_of(tree, cancel, [](const std::string& name) -> Residue { return value_of_name(name); });
}

}  // namespace

Residue residue_at(const ExprPtr& tree, const std::unordered_map<std::string, std::uint64_t>& point,
                   const Cancellation& cancel) {
    return residue_of(tree, cancel, [&point](const std::string& name) -> Residue {
        const auto found = point.find(name);
        return found == point.end() ? Residue() : Residue(found->second);
    });
}

std::optional<bool> values_differ_at_point(const ExprPtr& input, const ExprPtr& result, const Cancellation& cancel) {
    const Residue before = residue_of(input, cancel);
    if (!before) {
        return std::nullopt;
    }
    const Residue after = residue_of(result, cancel);
    if (!after) {
        return std::nullopt;
    }
    return *after != *before;
}

}  // namespace kalvira
