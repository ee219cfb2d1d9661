// Expansion on term tables. The walk follows the literal algorithm (simplify
// each node, expand its children, distribute, collect after every step) but
// keeps collected sums as tables of interned factors and exponents instead
// of trees, and builds a tree only where one is needed: for the result, and
// for the few terms whose tree reads back differently from the table (those
// are read back from their tree, exactly as the literal algorithm does).

#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ast/make_node.hpp"
#include "expansion/expand.hpp"
#include "expansion/packed_terms.hpp"
#include "expansion/term_conversion.hpp"
#include "expansion/term_table.hpp"
#include "simplifier/simplify_walk.hpp"

namespace kalvira {

namespace {

// What expanding one node gives: a collected table, or a tree that was not
// collected (leaves, quotients, roots and functions, symbolic powers).
struct Expansion {
    ExprPtr tree;
    std::optional<TermTable> table;
};

class ExpandWalk {
public:
    explicit ExpandWalk(const Cancellation& cancel) : simplifier_(cancel), factors_(cancel), cancel_(cancel) {}

    ExprPtr run(const ExprPtr& root);

private:
    struct Frame {
        ExprPtr node;
        bool from_caller;
        ExprPtr simplified;
        std::size_t next_child = 0;
    };

    Expansion combine(const ExprPtr& simplified, Expansion* children);
    Expansion power(const Expansion& base, int exp);
    Expansion negation(Expansion operand);

    std::vector<Term> summands(Expansion value);
    void append_summands(Expansion value, std::vector<Term>& out);
    // The summands in any order where that gives the same sum (see
    // TermTable::addends), otherwise in order.
    std::vector<Term> addends(Expansion value);
    ExprPtr tree_of(Expansion& value) { return value.table ? value.table->tree(factors_) : value.tree; }
    Expansion collected(std::vector<Term> summands) {
        return {nullptr, TermTable::collect(std::move(summands), factors_)};
    }
    // The collected products of every left summand with every right one.
    Expansion product(std::vector<Term> left, const std::vector<Term>& right);

    SimplifyWalk simplifier_;
    FactorTable factors_;
    const Cancellation& cancel_;
    // Expansions of simplified nodes that occur more than once in the tree.
    std::unordered_map<const Expr*, std::pair<ExprPtr, Expansion>> shared_;
    std::vector<Term> right_summands_;  // of the product being combined
};

// Which children of a simplified node the literal algorithm expands.
std::size_t expanded_children(const Expr& node) {
    switch (node.type()) {
    case ExprType::ADD:
    case ExprType::MUL:
        return 2;
    case ExprType::POW:  // only the base; the exponent stays as it is
        return 1;
    default:  // negations, roots and functions; not quotients
        return node.arity() == 1 ? 1 : 0;
    }
}

// A simplified node held by more owners than its one parent and the walk's
// frame (node and simplified node) may occur more than once; its expansion
// is kept. Any misjudgement costs only time.
bool maybe_shared(const ExprPtr& simplified) { return simplified.use_count() > 3; }

ExprPtr ExpandWalk::run(const ExprPtr& root) {
    std::vector<Frame> frames;
    frames.reserve(16);  // enough for small trees
    frames.push_back({root, true, nullptr});
    std::vector<Expansion> values;
    values.reserve(8);  // 1 KB: small enough for the allocator's per-thread cache
    while (!frames.empty()) {
        Frame& frame = frames.back();
        if (!frame.simplified) {
            cancel_.poll();
            // Simplification's results are fixed points of it, so only the
            // caller's tree is simplified; the nodes below are results.
            frame.simplified = frame.from_caller ? simplifier_.simplify(frame.node) : frame.node;
            if (maybe_shared(frame.simplified)) {
                const auto known = shared_.find(frame.simplified.get());
                if (known != shared_.end()) {
                    values.push_back(known->second.second);
                    frames.pop_back();
                    continue;
                }
            }
        }
        const std::size_t arity = expanded_children(*frame.simplified);
        if (frame.next_child < arity) {
            ExprPtr child = frame.simplified->child(frame.next_child++);
            frames.push_back({std::move(child), false, nullptr});
            continue;
        }
        Expansion value = combine(frame.simplified, values.data() + values.size() - arity);
        values.resize(values.size() - arity);
        if (maybe_shared(frame.simplified)) {
            shared_.emplace(frame.simplified.get(), std::make_pair(frame.simplified, value));
        }
        frames.pop_back();
        values.push_back(std::move(value));
    }
    return tree_of(values.back());
}

Expansion ExpandWalk::combine(const ExprPtr& simplified, Expansion* children) {
    switch (simplified->type()) {
    case ExprType::ADD: {
        Expansion& left = children[0];
        Expansion& right = children[1];
        // Collecting a collected sum's own terms again changes nothing:
        // only the other operand's summands join it, the smaller side into
        // the larger, so that a long sum of any shape grows at small cost.
        if (left.table && right.table && left.table->joins(*right.table)) {
            const bool right_larger = right.table->size() > left.table->size();
            Expansion& larger = right_larger ? right : left;
            larger.table->join(std::move(right_larger ? *left.table : *right.table), right_larger, factors_);
            return std::move(larger);
        }
        if (right.table && right.table->takes_before(left.table ? left.table->size() : 1)) {
            right.table->add_before(addends(std::move(left)), factors_);
            return std::move(right);
        }
        if (left.table && left.table->reads_back_as_itself()) {
            left.table->add(addends(std::move(right)), factors_);
            return std::move(left);
        }
        std::vector<Term> all;
        all.reserve(2);  // two leaves, the usual case
        append_summands(std::move(left), all);
        append_summands(std::move(right), all);
        return collected(std::move(all));
    }
    case ExprType::MUL: {
        // The right side's summands go into a buffer kept from step to
        // step, so that a long product's step allocates nothing for them.
        std::vector<Term>& right = right_summands_;
        right.clear();
        append_summands(std::move(children[1]), right);
        Expansion& lone = children[0];
        if (right.size() == 1 && lone.table && lone.table->multiplies_in_place(right.front())) {
            lone.table->multiply_lone(right.front(), factors_);
            return std::move(lone);
        }
        std::vector<Term> left = summands(std::move(children[0]));
        // A long product nested to the right grows by its left factors.
        if (left.size() == 1 && right.size() == 1 && left.front().powers().size() < right.front().powers().size()) {
            right.front().multiply_before(left.front(), factors_);
            return collected(std::move(right));
        }
        return product(std::move(left), right);
    }
    case ExprType::POW: {
        const ExprPtr& exp = static_cast<const Pow&>(*simplified).exp();
        if (exp->type() != ExprType::INT || static_cast<const Int&>(*exp).value() < 0) {
            return {std::make_shared<Pow>(tree_of(children[0]), exp), std::nullopt};
        }
        const int n = static_cast<const Int&>(*exp).value();
        std::optional<TermTable> packed =
            n < 2 ? std::nullopt : packed_power(summands(children[0]), n, factors_, cancel_);
        if (packed) {
            return {nullptr, std::move(*packed)};
        }
        Expansion result = power(children[0], n);
        if (result.table && result.table->reads_back_as_itself()) {
            return result;  // collecting it again would change nothing
        }
        return collected(summands(std::move(result)));
    }
    case ExprType::NEG:
        return negation(std::move(children[0]));
    default:
        if (simplified->arity() == 1) {  // roots and functions: not collected
            return {make_node(simplified->type(), tree_of(children[0])), std::nullopt};
        }
        return {simplified, std::nullopt};  // leaves and quotients stay as simplified
    }
}

// base^exp by squaring from the most significant bit, collecting after
// every product, as the literal algorithm does.
Expansion ExpandWalk::power(const Expansion& base, int exp) {
    if (exp == 0) {
        return {make_int(1), std::nullopt};
    }
    if (exp == 1) {
        return base;
    }
    const Expansion half = power(base, exp / 2);
    const std::vector<Term> half_terms = summands(half);
    Expansion result = product(half_terms, half_terms);
    if (exp % 2 == 1) {
        result = product(summands(std::move(result)), summands(base));
    }
    return result;
}

// The negation is one summand: of a sum, the negated sum as one factor;
// of anything else, its one summand negated.
Expansion ExpandWalk::negation(Expansion operand) {
    ExprPtr tree = tree_of(operand);
    std::vector<Term> negated;
    if (tree->type() == ExprType::ADD) {
        Term term;
        term.coeff = -1;
        term.multiply(factors_.intern(tree), 1, factors_);
        negated.push_back(std::move(term));
    } else {
        read_summands(tree, factors_, negated);
        negated.front().coeff = wrap_neg(negated.front().coeff);
    }
    return collected(std::move(negated));
}

std::vector<Term> ExpandWalk::addends(Expansion value) {
    if (value.table && value.table->reads_back_as_itself()) {
        return std::move(*value.table).addends(factors_);
    }
    return summands(std::move(value));
}

std::vector<Term> ExpandWalk::summands(Expansion value) {
    std::vector<Term> out;
    append_summands(std::move(value), out);
    return out;
}

void ExpandWalk::append_summands(Expansion value, std::vector<Term>& out) {
    if (!value.table) {
        read_summands(value.tree, factors_, out);
        return;
    }
    std::vector<Term> terms = std::move(*value.table).summands(factors_);
    if (out.empty()) {
        out = std::move(terms);
        return;
    }
    out.insert(out.end(), std::make_move_iterator(terms.begin()), std::make_move_iterator(terms.end()));
}

// A lone product is multiplied in place: a long product of distinct factors
// then grows by one factor per step at constant cost.
Expansion ExpandWalk::product(std::vector<Term> left, const std::vector<Term>& right) {
    if (right.size() == 1 && left.size() == 1) {
        left.front().multiply(right.front(), factors_);
        return collected(std::move(left));
    }
    if (std::optional<TermTable> packed = packed_product(left, right, factors_, cancel_)) {
        return {nullptr, std::move(*packed)};
    }
    return {nullptr, TermTable::collect_products(left, right, factors_, cancel_)};
}

}  // namespace

ExprPtr expand(ExprPtr expr, const Cancellation& cancel) {
    if (!expr) {
        return expr;
    }
    return ExpandWalk(cancel).run(expr);
}

}  // namespace kalvira
