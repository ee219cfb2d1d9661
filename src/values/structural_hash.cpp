#include "values/structural_hash.hpp"

#include <string_view>

#include "ast/fold_tree.hpp"

namespace kalvira {
namespace {

// splitmix64's finaliser: every input bit reaches every output bit.
std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBULL;
    return h ^ (h >> 31);
}

std::uint64_t combine(std::uint64_t seed, std::uint64_t value) { return mix(seed ^ (value + 0x9E3779B97F4A7C15ULL)); }

std::uint64_t bits(int value) { return static_cast<std::uint32_t>(value); }

// The node's kind and own data, the part Expr::same_data compares.
std::uint64_t own_hash(const Expr& node) {
    std::uint64_t h = mix(static_cast<std::uint64_t>(node.type()) + 1);
    switch (node.type()) {
    case ExprType::INT:
        return combine(h, bits(static_cast<const Int&>(node).value()));
    case ExprType::VAR: {
        const std::string& name = static_cast<const Var&>(node).name();
        return combine(h, std::hash<std::string_view>()(name));
    }
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        return combine(h, bits(fraction.num()) << 32 | bits(fraction.den()));
    }
    default:
        return h;
    }
}

}  // namespace

std::uint64_t structural_hash(const ExprPtr& root, const Cancellation& cancel) {
    return fold_tree<std::uint64_t>(root, cancel, [](const ExprPtr& node, const std::uint64_t* children) {
        std::uint64_t h = own_hash(*node);
        for (std::size_t i = 0, arity = node->arity(); i < arity; ++i) {
            h = combine(h, children[i]);
        }
        return h;
    });
}

}  // namespace kalvira
