#include "values/structural_hash.hpp"

#include <string_view>
#include <unordered_map>
#include <vector>

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
    case ExprType::INT: return combine(h, bits(static_cast<const Int&>(node).value()));
    case ExprType::VAR: {
        const std::string& name = static_cast<const Var&>(node).name();
        return combine(h, std::hash<std::string_view>()(name));
    }
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        return combine(h, bits(fraction.num()) << 32 | bits(fraction.den()));
    }
    default: return h;
    }
}

struct Frame {
    const ExprPtr* node;
    bool children_pushed;
};

}  // namespace

std::uint64_t structural_hash(const ExprPtr& root, const Cancellation& cancel) {
    std::unordered_map<const Expr*, std::uint64_t> shared;
    std::vector<Frame> pending{{&root, false}};
    std::vector<std::uint64_t> results;  // of finished subtrees, left to right
    while (!pending.empty()) {
        cancel.poll();
        Frame& frame = pending.back();
        const ExprPtr& node = *frame.node;
        const bool memoised = node.use_count() > 1;
        if (!frame.children_pushed) {
            if (memoised) {
                if (const auto known = shared.find(node.get()); known != shared.end()) {
                    results.push_back(known->second);
                    pending.pop_back();
                    continue;
                }
            }
            frame.children_pushed = true;
            // Right before left on the stack, so the left result comes first.
            for (std::size_t i = node->arity(); i-- > 0;) {
                pending.push_back({&node->child(i), false});
            }
            continue;
        }
        pending.pop_back();
        std::uint64_t h = own_hash(*node);
        const std::size_t first = results.size() - node->arity();
        for (std::size_t i = first; i < results.size(); ++i) {
            h = combine(h, results[i]);
        }
        results.resize(first);
        results.push_back(h);
        if (memoised) {
            shared.emplace(node.get(), h);
        }
    }
    return results.back();
}

}  // namespace kalvira
