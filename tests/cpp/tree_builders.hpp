#pragma once

// Short constructors for writing trees as constructor terms in tests:
// add(num(2), var("x")) is Add(Int(2), Var("x")).

#include <memory>
#include <string>

#include "ast/expr.hpp"

namespace kalvira::testing {

inline ExprPtr num(int value) { return std::make_shared<Int>(value); }
inline ExprPtr var(const std::string& name) { return std::make_shared<Var>(name); }
inline ExprPtr frac(int n, int d) { return std::make_shared<Rational>(n, d); }
inline ExprPtr pi() { return std::make_shared<Pi>(); }
inline ExprPtr e() { return std::make_shared<E>(); }
inline ExprPtr neg(ExprPtr a) { return std::make_shared<Neg>(std::move(a)); }
inline ExprPtr add(ExprPtr a, ExprPtr b) { return std::make_shared<Add>(std::move(a), std::move(b)); }
inline ExprPtr mul(ExprPtr a, ExprPtr b) { return std::make_shared<Mul>(std::move(a), std::move(b)); }
inline ExprPtr divide(ExprPtr a, ExprPtr b) { return std::make_shared<Div>(std::move(a), std::move(b)); }
inline ExprPtr pow(ExprPtr a, ExprPtr b) { return std::make_shared<Pow>(std::move(a), std::move(b)); }
inline ExprPtr pow(ExprPtr a, int exp) { return pow(std::move(a), num(exp)); }
inline ExprPtr sqrt(ExprPtr a) { return std::make_shared<Sqrt>(std::move(a)); }
inline ExprPtr sin(ExprPtr a) { return std::make_shared<Sin>(std::move(a)); }

}  // namespace kalvira::testing
