#include "algebra/tree_to_algebra.hpp"

#include <cstddef>
#include <unordered_map>
#include <utility>
#include <vector>

#include "algebra/function_values.hpp"

namespace kalvira {

namespace {

struct Operand {
    const ExprPtr* tree;
    bool negated;
};

// A node whose operands are being worked out: when `count` results are on
// the stack, they are combined.
struct Frame {
    const ExprPtr* node;
    bool operands_done;
    std::size_t count;
    std::size_t signs_at;  // sums: where the operands' signs begin in the sign list
};

bool is_sum_node(const ExprPtr& node) { return node->type() == ExprType::ADD || node->type() == ExprType::NEG; }

class Converter {
public:
    Converter(Algebra& algebra, const Cancellation& cancel, const LetterValues* letters)
        : algebra_(algebra), cancel_(cancel), letters_(letters) {}

    RationalFunction run(const ExprPtr& root) {
        pending_.push_back({&root, false, 0, 0});
        while (!pending_.empty()) {
            cancel_.poll();
            const Frame frame = pending_.back();
            pending_.pop_back();
            if (frame.operands_done) {
                combine(frame);
            } else {
                visit(*frame.node);
            }
        }
        return std::move(results_.back());
    }

private:
    void visit(const ExprPtr& node);
    void combine(const Frame& frame);
    RationalFunction leaf(const Expr& node);
    // The operands of the sum or product cluster at node: its nested
    // additions and negations (or products) that have no other owner.
    std::vector<Operand> cluster(const ExprPtr& node);
    RationalFunction balanced(std::size_t first, bool sum);

    void finish(const ExprPtr& node, RationalFunction value) {
        if (node.use_count() > 1) {
            shared_.emplace(node.get(), value);
        }
        results_.push_back(std::move(value));
    }

    Algebra& algebra_;
    const Cancellation& cancel_;
    const LetterValues* letters_;
    std::vector<Frame> pending_;
    std::vector<RationalFunction> results_;
    std::vector<bool> signs_;
    std::unordered_map<const Expr*, RationalFunction> shared_;
};

std::vector<Operand> Converter::cluster(const ExprPtr& node) {
    const ExprType kind = node->type();
    const bool sum = is_sum_node(node);
    std::vector<Operand> operands;
    std::vector<Operand> open{{&node, false}};
    while (!open.empty()) {
        cancel_.poll();
        const Operand next = open.back();
        open.pop_back();
        const ExprPtr& tree = *next.tree;
        const bool inner = tree == node || tree.use_count() == 1;
        if (inner && sum && tree->type() == ExprType::NEG) {
            open.push_back({&tree->child(0), !next.negated});
        } else if (inner && (sum ? tree->type() == ExprType::ADD : tree->type() == kind)) {
            open.push_back({&tree->child(1), next.negated});
            open.push_back({&tree->child(0), next.negated});
        } else {
            operands.push_back(next);
        }
    }
    return operands;
}

void Converter::visit(const ExprPtr& node) {
    if (const auto known = shared_.find(node.get()); known != shared_.end()) {
        results_.push_back(known->second);
        return;
    }
    if (node->arity() == 0) {
        finish(node, leaf(*node));
        return;
    }
    const ExprType kind = node->type();
    if (is_sum_node(node) || kind == ExprType::MUL) {
        const std::vector<Operand> operands = cluster(node);
        pending_.push_back({&node, true, operands.size(), signs_.size()});
        for (const Operand& operand : operands) {
            signs_.push_back(operand.negated);
        }
        for (auto operand = operands.rbegin(); operand != operands.rend(); ++operand) {
            pending_.push_back({operand->tree, false, 0, 0});
        }
        return;
    }
    pending_.push_back({&node, true, node->arity(), 0});
    for (std::size_t i = node->arity(); i-- > 0;) {
        pending_.push_back({&node->child(i), false, 0, 0});
    }
}

RationalFunction Converter::leaf(const Expr& node) {
    switch (node.type()) {
    case ExprType::INT:
        return algebra_.number(static_cast<const Int&>(node).value());
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        return algebra_.number(fraction.num(), static_cast<ulong>(fraction.den()));
    }
    case ExprType::VAR: {
        const std::string& name = static_cast<const Var&>(node).name();
        if (letters_) {
            if (const auto value = letters_->find(name); value != letters_->end()) {
                return algebra_.number(value->second.get());
            }
        }
        return algebra_.kernel(algebra_.kernels().letter(name));
    }
    case ExprType::PI:
        return algebra_.kernel(algebra_.kernels().pi());
    default:
        return algebra_.kernel(algebra_.kernels().e());
    }
}

// Combines results_[first..] pairwise, neighbours first, so that operands
// of similar size meet.
RationalFunction Converter::balanced(std::size_t first, bool sum) {
    std::size_t count = results_.size() - first;
    while (count > 1) {
        for (std::size_t i = 0; i + 1 < count; i += 2) {
            cancel_.poll();
            RationalFunction& into = results_[first + i];
            const RationalFunction& other = results_[first + i + 1];
            if (sum) {
                algebra_.add(into, other);
            } else {
                algebra_.multiply(into, other);
            }
            results_[first + i / 2] = std::move(into);
        }
        if (count % 2 == 1) {
            results_[first + count / 2] = std::move(results_[first + count - 1]);
        }
        count = (count + 1) / 2;
    }
    RationalFunction value = std::move(results_[first]);
    results_.erase(results_.begin() + static_cast<std::ptrdiff_t>(first), results_.end());
    return value;
}

void Converter::combine(const Frame& frame) {
    const ExprPtr& node = *frame.node;
    const std::size_t first = results_.size() - frame.count;
    const ExprType kind = node->type();
    if (is_sum_node(node)) {
        for (std::size_t i = 0; i < frame.count; ++i) {
            if (signs_[frame.signs_at + i]) {
                algebra_.negate(results_[first + i]);
            }
        }
        signs_.resize(frame.signs_at);
        finish(node, balanced(first, true));
        return;
    }
    if (kind == ExprType::MUL) {
        finish(node, balanced(first, false));
        return;
    }
    RationalFunction value = std::move(results_[first]);
    if (kind == ExprType::DIV) {
        algebra_.divide(value, results_[first + 1]);
    } else if (kind == ExprType::POW) {
        value = apply_power(algebra_, std::move(value), std::move(results_[first + 1]));
    } else {
        value = apply_function(algebra_, kind, std::move(value));
    }
    results_.erase(results_.begin() + static_cast<std::ptrdiff_t>(first), results_.end());
    finish(node, std::move(value));
}

}  // namespace

RationalFunction to_algebra(Algebra& algebra, const ExprPtr& tree, const Cancellation& cancel,
                            const LetterValues* letters) {
    return Converter(algebra, cancel, letters).run(tree);
}

}  // namespace kalvira
