#pragma once

// Expression trees: immutable nodes held by shared pointers. Rendering
// (latex.cpp), structural equality (equality.cpp) and the release of deep
// trees (release.cpp) walk trees with explicit stacks, so no tree is too deep
// for them. The rendered text is also the library's canonical key of a
// subtree (term collection groups and orders by it), so every byte matters.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "ast/errors.hpp"
#include "ast/int32.hpp"
#include "ast/node_kinds.hpp"

namespace kalvira {

#define KALVIRA_KIND(Class, KIND, ...) KIND,
#define KALVIRA_CONSTANT_KIND(Class, KIND) KIND,
enum class ExprType : int { KALVIRA_NODE_KINDS(KALVIRA_KIND, KALVIRA_CONSTANT_KIND, KALVIRA_KIND, KALVIRA_KIND) };
#undef KALVIRA_KIND
#undef KALVIRA_CONSTANT_KIND

// Binding strength used to decide where rendering needs parentheses.
enum Precedence : int {
    PREC_SUM = 1,
    PREC_NEG = 2,
    PREC_PRODUCT = 3,  // products and quotients alike
    PREC_POWER = 4,
    PREC_ATOM = 5,
};

class Cancellation;
class Expr;
using ExprPtr = std::shared_ptr<Expr>;

class Expr {
public:
    virtual ~Expr() = default;
    virtual ExprType type() const = 0;
    virtual int precedence() const = 0;
    virtual bool is_numeric() const { return false; }

    // Children in their order (operand; left, right; num, den; base, exp).
    virtual std::size_t arity() const { return 0; }
    virtual const ExprPtr& child(std::size_t index) const {
        (void)index;
        throw std::logic_error("a leaf has no children");
    }

    // The LaTeX text of the tree, written into one buffer in linear time.
    std::string to_string() const;
    // Structural equality: same kinds, same data, equal children in order.
    // Polls cancel, so a long comparison can be stopped.
    bool equals(const ExprPtr& other, const Cancellation& cancel) const;

    // Whether this node's own data (not its children) equals that of other,
    // a node of the same kind.
    virtual bool same_data(const Expr& other) const {
        (void)other;
        return true;
    }
};

class Int : public Expr {
public:
    explicit Int(int value) : value_(value) {}

    int value() const { return value_; }

    ExprType type() const override { return ExprType::INT; }
    int precedence() const override { return PREC_ATOM; }
    bool is_numeric() const override { return true; }
    bool same_data(const Expr& other) const override { return static_cast<const Int&>(other).value_ == value_; }

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

    ExprType type() const override { return ExprType::VAR; }
    int precedence() const override { return PREC_ATOM; }
    bool same_data(const Expr& other) const override { return static_cast<const Var&>(other).name_ == name_; }

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
            throw std::invalid_argument(errors::ZERO_DENOMINATOR);
        }
        const std::uint32_t divisor = magnitude(gcd(num, den));
        const std::uint32_t reduced_den = magnitude(den) / divisor;
        if (reduced_den > INT32_MAX) {
            throw std::invalid_argument(errors::DENOMINATOR_TOO_LARGE);
        }
        const int reduced_num = wrap(magnitude(num) / divisor);
        num_ = (num < 0) != (den < 0) ? wrap_neg(reduced_num) : reduced_num;
        den_ = static_cast<int>(reduced_den);
    }

    int num() const { return num_; }
    int den() const { return den_; }

    ExprType type() const override { return ExprType::RATIONAL; }
    int precedence() const override { return PREC_ATOM; }
    bool is_numeric() const override { return true; }
    bool same_data(const Expr& other) const override {
        const auto& that = static_cast<const Rational&>(other);
        return num_ == that.num_ && den_ == that.den_;
    }

private:
    int num_;
    int den_;
};

// True when e is an integer or fraction literal below zero.
inline bool is_negative_literal(const Expr& e) {
    switch (e.type()) {
    case ExprType::INT:
        return static_cast<const Int&>(e).value() < 0;
    case ExprType::RATIONAL:
        return static_cast<const Rational&>(e).num() < 0;
    default:
        return false;
    }
}

// Drops a node's share of a child and releases every node left without an
// owner by it, in a loop that neither recurses nor allocates, so dropping a
// tree of any depth works even when memory has run out.
void release_child(ExprPtr& child) noexcept;

// Nodes with one child, `operand_`.
class UnaryExpr : public Expr {
public:
    explicit UnaryExpr(ExprPtr operand) : operand_(std::move(operand)) {}
    ~UnaryExpr() override { release_child(operand_); }

    const ExprPtr& operand() const { return operand_; }

    int precedence() const override { return PREC_ATOM; }
    std::size_t arity() const override { return 1; }
    const ExprPtr& child(std::size_t) const override { return operand_; }

protected:
    ExprPtr operand_;
};

// Nodes with two children. The first is kept in `left_` and the second in
// `right_`; each node class names its accessors after its own operands.
class BinaryExpr : public Expr {
public:
    BinaryExpr(ExprPtr left, ExprPtr right) : left_(std::move(left)), right_(std::move(right)) {}
    ~BinaryExpr() override {
        release_child(right_);
        release_child(left_);
    }

    std::size_t arity() const override { return 2; }
    const ExprPtr& child(std::size_t index) const override { return index == 0 ? left_ : right_; }

protected:
    ExprPtr left_;
    ExprPtr right_;
};

// The node classes with children and the constants, from the list of
// kinds; the leaves with data (Int, Var, Rational) are written out above.
#define KALVIRA_UNARY_CLASS(Class, KIND, PRECEDENCE, operand)     \
    class Class : public UnaryExpr {                              \
    public:                                                       \
        using UnaryExpr::UnaryExpr;                               \
        ExprType type() const override { return ExprType::KIND; } \
        int precedence() const override { return PRECEDENCE; }    \
    };
// Each binary class names its accessors after its own operands.
#define KALVIRA_BINARY_CLASS(Class, KIND, PRECEDENCE, first, second) \
    class Class : public BinaryExpr {                                \
    public:                                                          \
        using BinaryExpr::BinaryExpr;                                \
        ExprType type() const override { return ExprType::KIND; }    \
        int precedence() const override { return PRECEDENCE; }       \
        const ExprPtr& first() const { return left_; }               \
        const ExprPtr& second() const { return right_; }             \
    };
// Constants carry no data: any two nodes of the same kind are equal.
#define KALVIRA_CONSTANT_CLASS(Class, KIND)                       \
    class Class : public Expr {                                   \
    public:                                                       \
        ExprType type() const override { return ExprType::KIND; } \
        int precedence() const override { return PREC_ATOM; }     \
    };
#define KALVIRA_WRITTEN_OUT(Class, KIND, ...)

KALVIRA_NODE_KINDS(KALVIRA_WRITTEN_OUT, KALVIRA_CONSTANT_CLASS, KALVIRA_UNARY_CLASS, KALVIRA_BINARY_CLASS)

#undef KALVIRA_WRITTEN_OUT
#undef KALVIRA_CONSTANT_CLASS
#undef KALVIRA_BINARY_CLASS
#undef KALVIRA_UNARY_CLASS

}  // namespace kalvira
