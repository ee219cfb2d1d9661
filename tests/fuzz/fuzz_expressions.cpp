// libFuzzer target: decodes bytes into a tree (every kind, extreme integers,
// odd variable names, shared subtrees, separately built copies of them,
// chains of one or two kinds of level), then renders, simplifies and expands
// it and checks what must always hold. Any broken invariant aborts, which
// the fuzzer reports with its input.
//
// Built twice: fast (KALVIRA_FUZZ_FAST: small trees below depth 100 and a
// small budget, for about a thousand runs a second on two cores) and deep (chains up to
// 10,000 levels and a large budget). Every call runs under a budget: a
// cancellation check that stops it after a number of polls, and a call so
// stopped passes, so that inputs too big for the budget are still explored.

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "../cpp/result_comparison.hpp"
#include "ast/errors.hpp"
#include "ast/latex.hpp"
#include "ast/make_node.hpp"
#include "expansion/expand.hpp"
#include "literal/expand_reference.hpp"
#include "simplifier/simplify.hpp"

using namespace kalvira;

namespace {

struct Limits {
    std::size_t nodes;         // decoded steps
    int chain;                 // levels of one chain
    int depth;                 // of the whole tree
    int polls;                 // of the cancellation check, each every few thousand steps
    std::size_t oracle_nodes;  // the largest tree compared with the literal expansion
};
#ifdef KALVIRA_FUZZ_FAST
constexpr Limits LIMITS{128, 32, 99, 1, 60};
#else
constexpr Limits LIMITS{400, 10000, INT_MAX, 200, 300};
#endif

constexpr int INTEGERS[] = {0, 1, -1, 2, -2, 3, 4, 8, 12, 27, 65536, 46341, INT_MAX, INT_MIN, INT_MIN + 1};
const char* const NAMES[] = {"x", "y", "", "\\pi", "ab", "a", "b", "x2", "変数", "1"};
constexpr ExprType UNARY[] = {ExprType::NEG, ExprType::SQRT, ExprType::CBRT, ExprType::SIN,
                              ExprType::COS, ExprType::TAN,  ExprType::LOG};
constexpr ExprType BINARY[] = {ExprType::ADD, ExprType::MUL, ExprType::DIV, ExprType::POW};

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

int integer(Bytes& bytes) {
    const std::uint8_t pick = bytes.next();
    if (pick < 200) {
        return INTEGERS[pick % (sizeof INTEGERS / sizeof *INTEGERS)];
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = value << 8 | bytes.next();
    }
    return static_cast<int>(value);
}

// A node as decoded, with the depth of its tree.
struct Decoded {
    ExprPtr node;
    int depth;
};

// What a chain level puts around the tree below it, under its one-operand
// node: nothing, another one-operand node, or a sum or product with a leaf.
ExprPtr chain_inner(std::uint8_t pick, ExprPtr t) {
    switch (pick) {
    case 0:
        return t;
    case 8:
        return std::make_shared<Add>(std::move(t), make_int(1));
    case 9:
        return std::make_shared<Add>(std::move(t), std::make_shared<Var>("x"));
    case 10:
        return std::make_shared<Mul>(std::move(t), std::make_shared<Var>("y"));
    default:
        return make_node(UNARY[pick - 1], std::move(t));
    }
}
constexpr std::uint8_t CHAIN_INNERS = 11;

// A separately built copy of a tree: new inner nodes, the same sharing
// among them, the same leaves (a walk without recursion, memoised by node).
ExprPtr separate_copy(const ExprPtr& root) {
    std::unordered_map<const Expr*, ExprPtr> copies;
    std::vector<std::pair<const ExprPtr*, bool>> pending{{&root, false}};
    while (!pending.empty()) {
        const auto [node, children_done] = pending.back();
        pending.pop_back();
        const Expr& original = **node;
        if (original.arity() == 0) {
            copies.emplace(&original, *node);
        } else if (children_done) {
            const ExprPtr& left = copies.at(original.child(0).get());
            copies.emplace(&original, make_node(original.type(), left,
                                                original.arity() == 2 ? copies.at(original.child(1).get()) : nullptr));
        } else if (copies.count(&original) == 0) {
            pending.push_back({node, true});
            for (std::size_t i = 0; i < original.arity(); ++i) {
                pending.push_back({&original.child(i), false});
            }
        }
    }
    return copies.at(root.get());
}

// A stack machine: leaves push, operators pop their operands, a reference
// pushes an earlier node again (a shared subtree) or a separately built copy
// of it, a chain wraps the top in levels of one or two kinds.
ExprPtr decode(Bytes& bytes) {
    std::vector<Decoded> stack;
    std::vector<Decoded> built;
    const auto pop = [&stack] {
        if (stack.empty()) {
            return Decoded{std::make_shared<Var>("x"), 1};
        }
        Decoded top = stack.back();
        stack.pop_back();
        return top;
    };
    while (!bytes.empty() && built.size() < LIMITS.nodes) {
        const std::uint8_t op = bytes.next() % 8;
        Decoded next{nullptr, 1};
        switch (op) {
        case 0:
            next.node = make_int(integer(bytes));
            break;
        case 1:
            next.node = std::make_shared<Var>(NAMES[bytes.next() % (sizeof NAMES / sizeof *NAMES)]);
            break;
        case 2: {
            const int num = integer(bytes);
            const int den = integer(bytes);
            try {
                next.node = std::make_shared<Rational>(num, den);
            } catch (const std::invalid_argument&) {
                next.node = make_int(num);
            }
            break;
        }
        case 3:
            next.node = bytes.next() % 2 ? ExprPtr(std::make_shared<Pi>()) : ExprPtr(std::make_shared<E>());
            break;
        case 4: {
            const ExprType kind = UNARY[bytes.next() % 7];
            next = pop();
            if (next.depth < LIMITS.depth) {
                next = {make_node(kind, next.node), next.depth + 1};
            }
            break;
        }
        case 5: {
            const Decoded right = pop();
            const Decoded left = pop();
            const ExprType kind = BINARY[bytes.next() % 4];
            const int depth = std::max(left.depth, right.depth) + 1;
            next = depth <= LIMITS.depth ? Decoded{make_node(kind, left.node, right.node), depth} : left;
            break;
        }
        case 6: {
            const std::uint8_t pick = bytes.next();  // the high bit asks for a copy
            if (built.empty()) {
                next.node = make_int(1);
            } else {
                next = built[(pick & 0x7f) % built.size()];
                next.node = pick & 0x80 ? separate_copy(next.node) : next.node;
            }
            break;
        }
        default: {
            const std::uint8_t kinds = bytes.next();
            const ExprType outer = UNARY[kinds % 7];
            const std::uint8_t inner = kinds / 7 % CHAIN_INNERS;
            const int per_level = inner == 0 ? 1 : 2;
            int length = (bytes.next() << 8 | bytes.next()) % (LIMITS.chain + 1);
            next = pop();
            length = std::min(length, (LIMITS.depth - next.depth) / per_level);
            for (int i = 0; i < length; ++i) {
                next.node = make_node(outer, chain_inner(inner, next.node));
            }
            next.depth += length * per_level;
        }
        }
        stack.push_back(next);
        built.push_back(next);
    }
    return stack.empty() ? make_int(0) : stack.back().node;
}

bool is_library_error(const std::invalid_argument& error) {
    for (const char* text : {errors::ZERO_DENOMINATOR, errors::DENOMINATOR_TOO_LARGE, errors::DIVISION_BY_ZERO,
                             errors::NEGATIVE_SQRT, errors::TAN_OF_HALF_PI}) {
        if (std::strcmp(error.what(), text) == 0) {
            return true;
        }
    }
    return false;
}

// Every fraction in lowest terms with a positive denominator.
void check_fractions(const ExprPtr& root) {
    std::vector<const Expr*> pending{root.get()};
    while (!pending.empty()) {
        const Expr* node = pending.back();
        pending.pop_back();
        if (node->type() == ExprType::RATIONAL) {
            const auto& fraction = static_cast<const Rational&>(*node);
            require(fraction.den() > 0 && gcd(fraction.num(), fraction.den()) == 1, "fraction in lowest terms");
        }
        for (std::size_t i = 0; i < node->arity(); ++i) {
            pending.push_back(node->child(i).get());
        }
    }
}

// Stops a call after a budget of polls; polls counts the checks made.
struct Budget {
    int polls = 0;
    Cancellation cancellation() {
        return Cancellation([this] { return ++polls > LIMITS.polls; });
    }
};

// Runs operation under the budget; false when it ran out of it. Library
// errors are fine.
template <class Operation>
bool run(Operation operation, Budget& budget) {
    try {
        operation(budget.cancellation());
    } catch (const Cancelled&) {
        return false;
    } catch (const std::invalid_argument& error) {
        require(is_library_error(error), "only the library's own messages escape");
    }
    return true;
}

template <class Operation>
bool run(Operation operation) {
    Budget budget;
    return run(operation, budget);
}

// Every distinct node of a tree, once each, with its kind, its children's
// addresses and, for a leaf, its text: what a call must leave as it was.
// Linear in the distinct nodes, where the text of a shared tree can grow
// exponentially. The snapshot holds the nodes, so no address is reused.
struct NodeRecord {
    ExprPtr node;
    ExprType kind;
    std::vector<const Expr*> children;
    std::string leaf_text;
    bool operator==(const NodeRecord& other) const {
        return node == other.node && kind == other.kind && children == other.children && leaf_text == other.leaf_text;
    }
};

std::vector<NodeRecord> snapshot(const ExprPtr& root) {
    std::vector<NodeRecord> records;
    std::unordered_map<const Expr*, bool> seen;
    std::vector<ExprPtr> pending{root};
    while (!pending.empty()) {
        ExprPtr node = std::move(pending.back());
        pending.pop_back();
        if (!seen.emplace(node.get(), true).second) {
            continue;
        }
        NodeRecord record{node, node->type(), {}, node->arity() == 0 ? node->to_string() : std::string()};
        for (std::size_t i = 0; i < node->arity(); ++i) {
            record.children.push_back(node->child(i).get());
            pending.push_back(node->child(i));
        }
        records.push_back(std::move(record));
    }
    return records;
}

// Every result renders (within the budget) and, if it does, has its
// fractions in lowest terms.
void check_result(const ExprPtr& result) {
    std::string text;
    if (result && run([&](const Cancellation& cancel) { write_latex(*result, text, cancel); })) {
        check_fractions(result);
    }
}

std::size_t count_up_to(const ExprPtr& root, std::size_t limit) {
    std::vector<const Expr*> pending{root.get()};
    std::size_t count = 0;
    while (!pending.empty() && count <= limit) {
        const Expr* node = pending.back();
        pending.pop_back();
        ++count;
        for (std::size_t i = 0; i < node->arity(); ++i) {
            pending.push_back(node->child(i).get());
        }
    }
    return count;
}

// The literal expansion is slow: compare only where ours was quick and the
// tree small.
void compare_with_literal_expansion(const ExprPtr& input) {
    const auto ours = testing::outcome_of([](const ExprPtr& e) { return expand(e); }, input);
    const auto literal = testing::outcome_of([](const ExprPtr& e) { return expand_reference(e); }, input);
    const std::string why = testing::difference(ours, literal);
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        require(false, "expand agrees with the literal expansion");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    const ExprPtr input = decode(bytes);
    const std::vector<NodeRecord> before = snapshot(input);
    ExprPtr simplified;
    if (run([&](const Cancellation& cancel) { simplified = simplify(input, cancel); }) && simplified) {
        if (input->arity() == 0) {
            require(simplified == input, "simplify returns a leaf as the same node");
        }
        check_result(simplified);
    }
    Budget expansion;
    ExprPtr expanded;
    const bool finished = run([&](const Cancellation& cancel) { expanded = expand(input, cancel); }, expansion);
    check_result(expanded);
    if (finished && expansion.polls < 3 && count_up_to(input, LIMITS.oracle_nodes) <= LIMITS.oracle_nodes) {
        compare_with_literal_expansion(input);
    }
    require(snapshot(input) == before, "the argument is unchanged");
    return 0;
}
