#pragma once

// Expression trees: immutable nodes held by shared pointers, their
// structural equality and their LaTeX rendering. The rendered text is also
// the library's canonical key of a subtree (term collection groups and
// orders by it), so every byte of it matters.

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "ast/int32.hpp"

namespace kalvira {

enum class ExprType : int {
    INT = 0,
    VAR = 1,
    RATIONAL = 2,
    NEG = 3,
    ADD = 4,
    MUL = 5,
    DIV = 6,
    POW = 7,
    SQRT = 8,
    PI = 9,
    E = 10,
    CBRT = 11,
    SIN = 12,
    COS = 13,
    TAN = 14,
    LOG = 15,
};

// Binding strength used to decide where rendering needs parentheses.
enum Precedence : int {
    PREC_SUM = 1,
    PREC_NEG = 2,
    PREC_PRODUCT = 3,  // products and quotients alike
    PREC_POWER = 4,
    PREC_ATOM = 5,
};

class Expr;
using ExprPtr = std::shared_ptr<Expr>;

class Expr {
public:
    virtual ~Expr() = default;
    virtual std::string to_string() const = 0;
    virtual ExprType type() const = 0;
    virtual int precedence() const = 0;
    virtual bool equals(const ExprPtr& other) const = 0;
    virtual bool is_numeric() const { return false; }

protected:
    // The child's text, in parentheses when it binds more loosely than min_prec.
    static std::string parenthesize(const ExprPtr& child, int min_prec) {
        std::string text = child->to_string();
        return child->precedence() < min_prec ? in_parens(text) : text;
    }

    static std::string in_parens(const std::string& text) { return "\\left(" + text + "\\right)"; }
};

class Int : public Expr {
public:
    explicit Int(int value) : value_(value) {}

    int value() const { return value_; }

    std::string to_string() const override { return std::to_string(value_); }
    ExprType type() const override { return ExprType::INT; }
    int precedence() const override { return PREC_ATOM; }
    bool is_numeric() const override { return true; }
    bool equals(const ExprPtr& other) const override {
        return other->type() == ExprType::INT && static_cast<const Int&>(*other).value_ == value_;
    }

private:
    int value_;
};

// True when e is the integer literal v (a fraction of the same value is not).
inline bool is_int(const ExprPtr& e, int v) {
    return e->type() == ExprType::INT && static_cast<const Int&>(*e).value() == v;
}

class Var : public Expr {
public:
    explicit Var(const std::string& name) : name_(name) {}

    const std::string& name() const { return name_; }

    std::string to_string() const override { return name_; }
    ExprType type() const override { return ExprType::VAR; }
    int precedence() const override { return PREC_ATOM; }
    bool equals(const ExprPtr& other) const override {
        return other->type() == ExprType::VAR && static_cast<const Var&>(*other).name_ == name_;
    }

private:
    std::string name_;
};

// A fraction in lowest terms with a positive denominator.
class Rational : public Expr {
public:
    // Reduces by the gcd first and then moves the sign to the numerator, so
    // every fraction whose reduced form fits in 32 bits gets its exact value.
    // The numerator wraps like all integer arithmetic (-2147483648 / -1 stays
    // -2147483648); a reduced denominator of 2147483648 cannot be stored.
    Rational(int num, int den) : num_(num), den_(den) {
        if (den == 0) {
            throw std::invalid_argument("エラー: 分母をゼロにすることはできません。");
        }
        const std::uint32_t divisor = magnitude(gcd(num, den));
        const std::uint32_t reduced_den = magnitude(den) / divisor;
        if (reduced_den > INT32_MAX) {
            throw std::invalid_argument("エラー: 分母が32ビット整数の範囲を超えています。");
        }
        const int reduced_num = wrap(magnitude(num) / divisor);
        num_ = (num < 0) != (den < 0) ? wrap_neg(reduced_num) : reduced_num;
        den_ = static_cast<int>(reduced_den);
    }

    int num() const { return num_; }
    int den() const { return den_; }

    // The text of the fraction's absolute value. The magnitude of the
    // numerator is printed exactly, so -2147483648 never shows a wrong sign.
    std::string magnitude_text() const {
        const std::string digits = std::to_string(magnitude(num_));
        return den_ == 1 ? digits : "\\frac{" + digits + "}{" + std::to_string(den_) + "}";
    }

    std::string to_string() const override { return (num_ < 0 ? "-" : "") + magnitude_text(); }
    ExprType type() const override { return ExprType::RATIONAL; }
    int precedence() const override { return PREC_ATOM; }
    bool is_numeric() const override { return true; }
    bool equals(const ExprPtr& other) const override {
        if (other->type() != ExprType::RATIONAL) {
            return false;
        }
        const auto& that = static_cast<const Rational&>(*other);
        return num_ == that.num_ && den_ == that.den_;
    }

private:
    int num_;
    int den_;
};

// Nodes with one child, `operand_`. Equality and the accessor are the same
// for all of them; each node class adds its kind and its rendering.
class UnaryExpr : public Expr {
public:
    explicit UnaryExpr(ExprPtr operand) : operand_(std::move(operand)) {}

    const ExprPtr& operand() const { return operand_; }

    int precedence() const override { return PREC_ATOM; }
    bool equals(const ExprPtr& other) const override {
        return other->type() == type() && operand_->equals(static_cast<const UnaryExpr&>(*other).operand_);
    }

protected:
    ExprPtr operand_;
};

class Neg : public UnaryExpr {
public:
    using UnaryExpr::UnaryExpr;
    ExprType type() const override { return ExprType::NEG; }
    int precedence() const override { return PREC_NEG; }
    std::string to_string() const override { return "-" + parenthesize(operand_, PREC_NEG); }
};

class Sqrt : public UnaryExpr {
public:
    using UnaryExpr::UnaryExpr;
    ExprType type() const override { return ExprType::SQRT; }
    std::string to_string() const override { return "\\sqrt{" + operand_->to_string() + "}"; }
};

class Cbrt : public UnaryExpr {
public:
    using UnaryExpr::UnaryExpr;
    ExprType type() const override { return ExprType::CBRT; }
    std::string to_string() const override { return "\\sqrt[3]{" + operand_->to_string() + "}"; }
};

// Function applications always parenthesise their argument.
class Sin : public UnaryExpr {
public:
    using UnaryExpr::UnaryExpr;
    ExprType type() const override { return ExprType::SIN; }
    std::string to_string() const override { return "\\sin" + in_parens(operand_->to_string()); }
};

class Cos : public UnaryExpr {
public:
    using UnaryExpr::UnaryExpr;
    ExprType type() const override { return ExprType::COS; }
    std::string to_string() const override { return "\\cos" + in_parens(operand_->to_string()); }
};

class Tan : public UnaryExpr {
public:
    using UnaryExpr::UnaryExpr;
    ExprType type() const override { return ExprType::TAN; }
    std::string to_string() const override { return "\\tan" + in_parens(operand_->to_string()); }
};

// The natural logarithm.
class Log : public UnaryExpr {
public:
    using UnaryExpr::UnaryExpr;
    ExprType type() const override { return ExprType::LOG; }
    std::string to_string() const override { return "\\ln" + in_parens(operand_->to_string()); }
};

// Constants carry no data: any two nodes of the same kind are equal.
class ConstantExpr : public Expr {
public:
    int precedence() const override { return PREC_ATOM; }
    bool equals(const ExprPtr& other) const override { return other->type() == type(); }
};

class Pi : public ConstantExpr {
public:
    ExprType type() const override { return ExprType::PI; }
    std::string to_string() const override { return "\\pi"; }
};

class E : public ConstantExpr {
public:
    ExprType type() const override { return ExprType::E; }
    std::string to_string() const override { return "e"; }
};

// Nodes with two children. The first is kept in `left_` and the second in
// `right_`; each node class names its accessors after its own operands.
class BinaryExpr : public Expr {
public:
    BinaryExpr(ExprPtr left, ExprPtr right) : left_(std::move(left)), right_(std::move(right)) {}

    bool equals(const ExprPtr& other) const override {
        if (other->type() != type()) {
            return false;
        }
        const auto& that = static_cast<const BinaryExpr&>(*other);
        return left_->equals(that.left_) && right_->equals(that.right_);
    }

protected:
    ExprPtr left_;
    ExprPtr right_;
};

class Add : public BinaryExpr {
public:
    using BinaryExpr::BinaryExpr;
    ExprType type() const override { return ExprType::ADD; }

    const ExprPtr& left() const { return left_; }
    const ExprPtr& right() const { return right_; }

    int precedence() const override { return PREC_SUM; }
    // Neither operand is wrapped, so nested sums render flat.
    std::string to_string() const override { return left_->to_string() + joined_right(); }

private:
    // A negation, a negative integer or a negative fraction on the right turns
    // the plus into a minus followed by the magnitude.
    std::string joined_right() const {
        switch (right_->type()) {
        case ExprType::NEG:
            return " - " + parenthesize(static_cast<const Neg&>(*right_).operand(), PREC_NEG);
        case ExprType::INT: {
            const int value = static_cast<const Int&>(*right_).value();
            if (value < 0) {
                return " - " + std::to_string(magnitude(value));
            }
            break;
        }
        case ExprType::RATIONAL: {
            const auto& fraction = static_cast<const Rational&>(*right_);
            if (fraction.num() < 0) {
                return " - " + fraction.magnitude_text();
            }
            break;
        }
        default:
            break;
        }
        return " + " + right_->to_string();
    }
};

class Mul : public BinaryExpr {
public:
    using BinaryExpr::BinaryExpr;
    ExprType type() const override { return ExprType::MUL; }

    const ExprPtr& left() const { return left_; }
    const ExprPtr& right() const { return right_; }

    int precedence() const override { return PREC_PRODUCT; }
    std::string to_string() const override {
        if (is_int(left_, -1)) {
            return "-" + parenthesize(right_, PREC_PRODUCT);
        }
        if (is_int(left_, 1)) {
            return parenthesize(right_, PREC_PRODUCT);
        }
        if (is_int(right_, 1)) {
            return parenthesize(left_, PREC_PRODUCT);
        }
        const std::string ls = parenthesize(left_, PREC_PRODUCT);
        const std::string rs = parenthesize(right_, PREC_PRODUCT);
        const bool both_numeric = left_->is_numeric() && right_->is_numeric();
        const bool digits_meet = !ls.empty() && !rs.empty() && is_digit(ls.back()) && is_digit(rs.front());
        return ls + (both_numeric || digits_meet ? " \\cdot " : "") + rs;
    }

private:
    static bool is_digit(char c) { return c >= '0' && c <= '9'; }
};

class Div : public BinaryExpr {
public:
    using BinaryExpr::BinaryExpr;
    ExprType type() const override { return ExprType::DIV; }

    const ExprPtr& num() const { return left_; }
    const ExprPtr& den() const { return right_; }

    int precedence() const override { return PREC_PRODUCT; }
    std::string to_string() const override {
        return "\\frac{" + left_->to_string() + "}{" + right_->to_string() + "}";
    }
};

class Pow : public BinaryExpr {
public:
    using BinaryExpr::BinaryExpr;
    ExprType type() const override { return ExprType::POW; }

    const ExprPtr& base() const { return left_; }
    const ExprPtr& exp() const { return right_; }

    int precedence() const override { return PREC_POWER; }
    // The exponent sits in braces and is never wrapped.
    std::string to_string() const override {
        const std::string base_text = left_->to_string();
        return (base_needs_parens() ? in_parens(base_text) : base_text) + "^{" + right_->to_string() + "}";
    }

private:
    // Loose bases, towers of powers and negative literals are wrapped, so
    // that the exponent visibly applies to the whole base.
    bool base_needs_parens() const {
        switch (left_->type()) {
        case ExprType::POW:
            return true;
        case ExprType::INT:
            return static_cast<const Int&>(*left_).value() < 0;
        case ExprType::RATIONAL:
            return static_cast<const Rational&>(*left_).num() < 0;
        default:
            return left_->precedence() < PREC_POWER;
        }
    }
};

}  // namespace kalvira
