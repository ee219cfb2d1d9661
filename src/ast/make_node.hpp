#pragma once

#include <memory>
#include <stdexcept>
#include <utility>

#include "ast/expr.hpp"

namespace kalvira {

// A new node of a kind that has children, over the given children (second
// is ignored for one-operand kinds).
inline ExprPtr make_node(ExprType kind, ExprPtr first, ExprPtr second = nullptr) {
#define KALVIRA_NO_CASE(...)
#define KALVIRA_UNARY_CASE(Class, KIND, ...) \
    case ExprType::KIND:                     \
        return std::make_shared<Class>(std::move(first));
#define KALVIRA_BINARY_CASE(Class, KIND, ...) \
    case ExprType::KIND:                      \
        return std::make_shared<Class>(std::move(first), std::move(second));
    switch (kind) {
        KALVIRA_NODE_KINDS(KALVIRA_NO_CASE, KALVIRA_NO_CASE, KALVIRA_UNARY_CASE, KALVIRA_BINARY_CASE)
    default:
        throw std::logic_error("make_node: a leaf kind has no children");
    }
#undef KALVIRA_NO_CASE
#undef KALVIRA_UNARY_CASE
#undef KALVIRA_BINARY_CASE
}

inline ExprPtr make_int(int value) { return std::make_shared<Int>(value); }

}  // namespace kalvira
