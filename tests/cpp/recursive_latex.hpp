#pragma once

// The plain recursive rendering, each node concatenating its children's
// complete texts: the oracle for the iterative renderer on small trees.

#include <string>

#include "ast/latex.hpp"

namespace kalvira::testing {

inline std::string recursive_latex(const ExprPtr& e);

inline std::string parenthesized(const ExprPtr& child, int min_prec) {
    const std::string text = recursive_latex(child);
    return child->precedence() < min_prec ? "\\left(" + text + "\\right)" : text;
}

inline std::string magnitude_text(const Rational& r) {
    const std::string digits = std::to_string(magnitude(r.num()));
    return r.den() == 1 ? digits : "\\frac{" + digits + "}{" + std::to_string(r.den()) + "}";
}

inline std::string recursive_latex(const ExprPtr& e) {
    const auto operand = [&e] { return recursive_latex(e->child(0)); };
    switch (e->type()) {
    case ExprType::INT:
        return std::to_string(static_cast<const Int&>(*e).value());
    case ExprType::VAR:
        return static_cast<const Var&>(*e).name();
    case ExprType::RATIONAL: {
        const auto& r = static_cast<const Rational&>(*e);
        return (r.num() < 0 ? "-" : "") + magnitude_text(r);
    }
    case ExprType::PI:
        return "\\pi";
    case ExprType::E:
        return "e";
    case ExprType::NEG:
        return "-" + parenthesized(e->child(0), PREC_NEG);
    case ExprType::SQRT:
        return "\\sqrt{" + operand() + "}";
    case ExprType::CBRT:
        return "\\sqrt[3]{" + operand() + "}";
    case ExprType::SIN:
        return "\\sin\\left(" + operand() + "\\right)";
    case ExprType::COS:
        return "\\cos\\left(" + operand() + "\\right)";
    case ExprType::TAN:
        return "\\tan\\left(" + operand() + "\\right)";
    case ExprType::LOG:
        return "\\ln\\left(" + operand() + "\\right)";
    case ExprType::DIV:
        return "\\frac{" + recursive_latex(e->child(0)) + "}{" + recursive_latex(e->child(1)) + "}";
    case ExprType::POW: {
        const std::string base = recursive_latex(e->child(0));
        const bool wrap = pow_base_needs_parens(*e->child(0));
        return (wrap ? "\\left(" + base + "\\right)" : base) + "^{" + recursive_latex(e->child(1)) + "}";
    }
    case ExprType::ADD: {
        const ExprPtr& r = e->child(1);
        std::string right = " + " + recursive_latex(r);
        if (r->type() == ExprType::NEG) {
            right = " - " + parenthesized(r->child(0), PREC_NEG);
        } else if (r->type() == ExprType::INT && static_cast<const Int&>(*r).value() < 0) {
            right = " - " + std::to_string(magnitude(static_cast<const Int&>(*r).value()));
        } else if (r->type() == ExprType::RATIONAL && static_cast<const Rational&>(*r).num() < 0) {
            right = " - " + magnitude_text(static_cast<const Rational&>(*r));
        }
        return recursive_latex(e->child(0)) + right;
    }
    case ExprType::MUL: {
        const ExprPtr& l = e->child(0);
        const ExprPtr& r = e->child(1);
        if (is_int(l, -1)) return "-" + parenthesized(r, PREC_PRODUCT);
        if (is_int(l, 1)) return parenthesized(r, PREC_PRODUCT);
        if (is_int(r, 1)) return parenthesized(l, PREC_PRODUCT);
        const std::string ls = parenthesized(l, PREC_PRODUCT);
        const std::string rs = parenthesized(r, PREC_PRODUCT);
        const auto digit = [](char c) { return c >= '0' && c <= '9'; };
        const bool separate = (l->is_numeric() && r->is_numeric()) ||
                              (!ls.empty() && !rs.empty() && digit(ls.back()) && digit(rs.front()));
        if (separate) return ls + " \\cdot " + rs;
        if (!rs.empty() && rs.front() == '-') return ls + "\\left(" + rs + "\\right)";
        const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        const std::size_t last_other = ls.find_last_not_of(letters);
        const bool control_word =
            last_other != std::string::npos && last_other + 1 < ls.size() && ls[last_other] == '\\';
        const bool letter_follows = !rs.empty() && letters.find(rs.front()) != std::string::npos;
        return ls + (control_word && letter_follows ? " " : "") + rs;
    }
    }
    return "";
}

}  // namespace kalvira::testing
