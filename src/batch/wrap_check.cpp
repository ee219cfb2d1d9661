#include "batch/wrap_check.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "batch/prime_field.hpp"

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

bool has_value(ExprType kind) {
    switch (kind) {
    case ExprType::SQRT:
    case ExprType::CBRT:
    case ExprType::SIN:
    case ExprType::COS:
    case ExprType::TAN:
    case ExprType::LOG: return false;
    default: return true;
    }
}

std::optional<std::uint64_t> literal_value(const Expr& node) {
    switch (node.type()) {
    case ExprType::INT: return field::of_int(static_cast<const Int&>(node).value());
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        return field::multiply(field::of_int(fraction.num()), field::inverse(field::of_int(fraction.den())));
    }
    case ExprType::VAR: return value_of_name(static_cast<const Var&>(node).name());
    case ExprType::PI: return PI_VALUE;
    case ExprType::E: return E_VALUE;
    default: return std::nullopt;
    }
}

std::optional<std::uint64_t> power_value(std::uint64_t base, int exponent) {
    const std::uint64_t magnitude_power = field::power(base, magnitude(exponent));
    if (exponent >= 0) {
        return magnitude_power;  // 0^0 is 1, as simplify takes it
    }
    if (magnitude_power == 0) {
        return std::nullopt;
    }
    return field::inverse(magnitude_power);
}

// The value of a node from the values of its children (for a power, only
// the base: the exponent is the node's own integer literal).
std::optional<std::uint64_t> combined(const Expr& node, const std::uint64_t* operands) {
    switch (node.type()) {
    case ExprType::NEG: return field::negate(operands[0]);
    case ExprType::ADD: return field::add(operands[0], operands[1]);
    case ExprType::MUL: return field::multiply(operands[0], operands[1]);
    case ExprType::DIV:
        if (operands[1] == 0) {
            return std::nullopt;
        }
        return field::multiply(operands[0], field::inverse(operands[1]));
    case ExprType::POW:
        return power_value(operands[0], static_cast<const Int&>(*node.child(1)).value());
    default: return std::nullopt;
    }
}

// The children whose values a node needs, or -1 when it has no value.
int operands_needed(const Expr& node) {
    if (!has_value(node.type())) {
        return -1;
    }
    if (node.type() == ExprType::POW) {
        return node.child(1)->type() == ExprType::INT ? 1 : -1;
    }
    return static_cast<int>(node.arity());
}

// The tree's value modulo the prime, bottom-up from an explicit stack; a
// node with other owners is evaluated once per call. None when the tree
// has no value there (see the header).
class ModularValue {
public:
    explicit ModularValue(const Cancellation& cancel) : cancel_(cancel) {}

    std::optional<std::uint64_t> of(const Expr& root) {
        std::vector<Frame> pending{{&root, false, false}};
        std::vector<std::uint64_t> values;
        while (!pending.empty()) {
            cancel_.poll();
            const Frame frame = pending.back();
            pending.pop_back();
            if (!frame.children_done && !visit(frame, pending, values)) {
                return std::nullopt;
            }
            if (frame.children_done && !finish(frame, values)) {
                return std::nullopt;
            }
        }
        return values.back();
    }

private:
    struct Frame {
        const Expr* node;
        bool shared;
        bool children_done;
    };

    // Pushes a leaf's or a known node's value, or schedules the children.
    bool visit(const Frame& frame, std::vector<Frame>& pending, std::vector<std::uint64_t>& values) {
        const Expr& node = *frame.node;
        if (const auto known = memo_.find(&node); frame.shared && known != memo_.end()) {
            values.push_back(known->second);
            return true;
        }
        if (node.arity() == 0) {
            const std::optional<std::uint64_t> value = literal_value(node);
            if (value) {
                values.push_back(*value);
            }
            return value.has_value();
        }
        const int needed = operands_needed(node);
        if (needed < 0) {
            return false;
        }
        pending.push_back({&node, frame.shared, true});
        for (int i = needed; i-- > 0;) {
            const ExprPtr& child = node.child(static_cast<std::size_t>(i));
            pending.push_back({child.get(), child.use_count() > 1, false});
        }
        return true;
    }

    bool finish(const Frame& frame, std::vector<std::uint64_t>& values) {
        const std::size_t count = static_cast<std::size_t>(operands_needed(*frame.node));
        const std::optional<std::uint64_t> value = combined(*frame.node, values.data() + values.size() - count);
        if (!value) {
            return false;
        }
        values.resize(values.size() - count);
        values.push_back(*value);
        if (frame.shared) {
            memo_.emplace(frame.node, *value);
        }
        return true;
    }

    const Cancellation& cancel_;
    // Values of nodes with other owners too; the trees keep them alive.
    std::unordered_map<const Expr*, std::uint64_t> memo_;
};

}  // namespace

bool wrapped_around(const Expr& input, const Expr& result, const Cancellation& cancel) {
    ModularValue values(cancel);
    const std::optional<std::uint64_t> before = values.of(input);
    if (!before) {
        return false;
    }
    const std::optional<std::uint64_t> after = values.of(result);
    return after && *after != *before;
}

}  // namespace kalvira
