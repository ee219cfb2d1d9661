#pragma once

#include <memory>
#include <stdexcept>
#include <utility>

#include "ast/expr.hpp"

namespace kalvira {

// A new node of a kind that has children, over the given children (second
// is ignored for one-operand kinds).
inline ExprPtr make_node(ExprType kind, ExprPtr first, ExprPtr second = nullptr) {
    switch (kind) {
    case ExprType::NEG: return std::make_shared<Neg>(std::move(first));
    case ExprType::SQRT: return std::make_shared<Sqrt>(std::move(first));
    case ExprType::CBRT: return std::make_shared<Cbrt>(std::move(first));
    case ExprType::SIN: return std::make_shared<Sin>(std::move(first));
    case ExprType::COS: return std::make_shared<Cos>(std::move(first));
    case ExprType::TAN: return std::make_shared<Tan>(std::move(first));
    case ExprType::LOG: return std::make_shared<Log>(std::move(first));
    case ExprType::ADD: return std::make_shared<Add>(std::move(first), std::move(second));
    case ExprType::MUL: return std::make_shared<Mul>(std::move(first), std::move(second));
    case ExprType::DIV: return std::make_shared<Div>(std::move(first), std::move(second));
    case ExprType::POW: return std::make_shared<Pow>(std::move(first), std::move(second));
    default: throw std::logic_error("make_node: a leaf kind has no children");
    }
}

inline ExprPtr make_int(int value) { return std::make_shared<Int>(value); }

}  // namespace kalvira
