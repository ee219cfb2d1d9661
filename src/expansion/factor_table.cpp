#include "expansion/factor_table.hpp"

#include <algorithm>
#include <functional>
#include <utility>

#include "ast/latex.hpp"

namespace kalvira {

namespace {

std::size_t mix(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

std::size_t own_data_hash(const Expr& node) {
    std::size_t h = static_cast<std::size_t>(node.type());
    switch (node.type()) {
    case ExprType::INT:
        return mix(h, static_cast<std::size_t>(static_cast<const Int&>(node).value()));
    case ExprType::VAR:
        return mix(h, std::hash<std::string>()(static_cast<const Var&>(node).name()));
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        return mix(mix(h, static_cast<std::size_t>(fraction.num())), static_cast<std::size_t>(fraction.den()));
    }
    default:
        return h;
    }
}

bool splits_when_alone(const Expr& node) {
    switch (node.type()) {
    case ExprType::INT:
    case ExprType::NEG:
    case ExprType::MUL:
        return true;
    case ExprType::POW:
        return static_cast<const Pow&>(node).exp()->type() == ExprType::INT;
    default:
        return false;
    }
}

}  // namespace

// Post-order over the factor with an explicit stack; hashes of shared
// subtrees are remembered, so a shared structure is hashed once.
std::size_t FactorTable::structural_hash(const ExprPtr& root) {
    if (root->arity() == 0) {
        return own_data_hash(*root);
    }
    struct Frame {
        const ExprPtr* node;
        std::size_t next_child;
        std::size_t hash;
    };
    std::vector<Frame> frames{{&root, 0, own_data_hash(*root)}};
    std::size_t last = 0;
    while (!frames.empty()) {
        Frame& frame = frames.back();
        const ExprPtr& node = *frame.node;
        if (frame.next_child == 0 && node->arity() > 0 && node.use_count() > 1) {
            const auto known = hash_of_shared_.find(node.get());
            if (known != hash_of_shared_.end()) {
                last = known->second.second;
                frames.pop_back();
                if (!frames.empty()) {
                    frames.back().hash = mix(frames.back().hash, last);
                }
                continue;
            }
        }
        if (frame.next_child < node->arity()) {
            const ExprPtr* child = &node->child(frame.next_child++);
            cancel_.poll();
            frames.push_back({child, 0, own_data_hash(**child)});
            continue;
        }
        last = frame.hash;
        if (node->arity() > 0 && node.use_count() > 1) {
            hash_of_shared_.emplace(node.get(), std::make_pair(node, last));
        }
        frames.pop_back();
        if (!frames.empty()) {
            frames.back().hash = mix(frames.back().hash, last);
        }
    }
    return last;
}

// Leaves are hashed and compared at once; a node with children is first
// looked up by its address, since hashing its structure costs its size.
FactorId FactorTable::intern(const ExprPtr& node) {
    const bool leaf = node->arity() == 0;
    if (!leaf) {
        if (const auto known = by_node_.find(node.get()); known != by_node_.end()) {
            return known->second.second;
        }
    }
    const std::size_t hash = structural_hash(node);
    const auto is_same = [&](FactorId candidate) { return factors_[candidate].node->equals(node, cancel_); };
    FactorId id = by_hash_.find(hash, is_same);
    if (id == HashIndex::NONE) {
        id = static_cast<FactorId>(factors_.size());
        factors_.push_back({node, splits_when_alone(*node), node->type() == ExprType::ADD,
                            node->type() == ExprType::INT, node->type() == ExprType::RATIONAL,
                            node->precedence() < PREC_PRODUCT, pow_base_needs_parens(*node)});
        texts_.emplace_back();
        by_hash_.insert(hash, id);
    }
    if (!leaf) {
        by_node_.emplace(node.get(), std::make_pair(node, id));
    }
    return id;
}

const FactorText& FactorTable::text(FactorId id) const {
    std::optional<FactorText>& known = texts_[id];
    if (!known) {
        const Expr& node = *factors_[id].node;
        FactorText text;
        if (node.type() == ExprType::VAR) {
            text = {static_cast<const Var&>(node).name(), true};
        } else {  // may be cancelled: nothing is kept then
            text.complete = write_latex_prefix(node, text.text, TEXT_PREFIX_BYTES, cancel_);
        }
        known = std::move(text);
    }
    return *known;
}

int FactorTable::compare_texts(FactorId a, FactorId b) const {
    if (a == b) {
        return 0;
    }
    const std::string& left = text(a).text;
    const std::string& right = text(b).text;
    const std::size_t common = std::min(left.size(), right.size());
    int order = left.compare(0, common, right, 0, common);
    if (order == 0) {
        order = whole_text(a).compare(whole_text(b));
    }
    return (order > 0) - (order < 0);
}

const std::string& FactorTable::whole_text(FactorId id) const {
    FactorText& known = *texts_[id];
    if (!known.complete) {
        std::string text;
        write_latex(*factors_[id].node, text, cancel_);
        known = {std::move(text), true};
    }
    return known.text;
}

}  // namespace kalvira
