#pragma once

// Comparing what two implementations of one tree operation return: the
// exact structure (kinds and fields, so nodes that render alike but differ
// still count as different), the LaTeX text, and any error (exception type
// and message). Header-only, so that tests and fuzzers can share it.

#include <exception>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira::testing {

inline const char* kind_name(ExprType kind) {
#define KALVIRA_NAME(Class, ...) #Class,
    static const char* const names[] = {KALVIRA_NODE_KINDS(KALVIRA_NAME, KALVIRA_NAME, KALVIRA_NAME, KALVIRA_NAME)};
#undef KALVIRA_NAME
    return names[static_cast<int>(kind)];
}

// The operands of a node, in order; null where a node has fewer than two.
inline std::pair<const Expr*, const Expr*> operands(const Expr& node) {
    const std::size_t arity = node.arity();
    return {arity > 0 ? node.child(0).get() : nullptr, arity > 1 ? node.child(1).get() : nullptr};
}

inline std::string leaf_fields(const Expr& node) {
    switch (node.type()) {
    case ExprType::INT:
        return std::to_string(static_cast<const Int&>(node).value());
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        return std::to_string(fraction.num()) + "," + std::to_string(fraction.den());
    }
    case ExprType::VAR: {
        std::string quoted = "\"";
        for (const char c : static_cast<const Var&>(node).name()) {
            if (c == '"' || c == '\\') {
                quoted += '\\';
            }
            quoted += c;
        }
        return quoted + "\"";
    }
    default:
        return "";
    }
}

// The tree as constructor terms, e.g. Add(Var("x"),Int(1)); "null" for
// null. Walks with its own stack, so deep trees cannot exhaust the C stack.
inline std::string structural_dump(const ExprPtr& root) {
    struct Step {
        const Expr* node;
        const char* text;  // written out instead when node is null
    };
    std::string out;
    std::vector<Step> todo{{root.get(), "null"}};
    while (!todo.empty()) {
        const Step step = todo.back();
        todo.pop_back();
        if (!step.node) {
            out += step.text;
            continue;
        }
        out += kind_name(step.node->type());
        out += '(';
        out += leaf_fields(*step.node);
        const auto [first, second] = operands(*step.node);
        todo.push_back({nullptr, ")"});
        if (second) {
            todo.push_back({second, nullptr});
            todo.push_back({nullptr, ","});
        }
        if (first) {
            todo.push_back({first, nullptr});
        }
    }
    return out;
}

// What one call returned: the tree with its dump and LaTeX, or the error.
struct Outcome {
    ExprPtr tree;
    std::string dump;
    std::string latex;
    std::string error;  // "type: message" of an exception, empty otherwise
};

template <class Operation>
Outcome outcome_of(Operation&& operation, const ExprPtr& input) {
    Outcome outcome;
    try {
        outcome.tree = operation(input);
    } catch (const std::exception& e) {
        outcome.error = std::string(typeid(e).name()) + ": " + e.what();
        return outcome;
    }
    outcome.dump = structural_dump(outcome.tree);
    outcome.latex = outcome.tree ? outcome.tree->to_string() : "";
    return outcome;
}

// Empty when both outcomes are identical, otherwise what differs.
inline std::string difference(const Outcome& actual, const Outcome& expected) {
    if (actual.error != expected.error) {
        return "error: got [" + actual.error + "], expected [" + expected.error + "]";
    }
    if (actual.dump != expected.dump) {
        return "structure: got " + actual.dump + ", expected " + expected.dump;
    }
    if (actual.latex != expected.latex) {
        return "LaTeX: got " + actual.latex + ", expected " + expected.latex;
    }
    const bool both_null = !actual.tree && !expected.tree;
    if (!both_null && !(actual.tree && expected.tree && actual.tree->equals(expected.tree, Cancellation()))) {
        return "equals() disagrees with equal dumps " + actual.dump;
    }
    return "";
}

}  // namespace kalvira::testing
