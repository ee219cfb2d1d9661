#pragma once

#include "ast/expr.hpp"

namespace kalvira {

// The working of base^n by square-and-multiply, written as whole powers:
// when the work so far is a tree worth base^m (m is the leading bits of n,
// perhaps with its last bit cleared), base^n is that tree raised to the
// n's remaining bits' power of two, times base to what those bits leave.
// (x + 1)^5 starts as (x + 1)^4 (x + 1); after one squaring it is
// (x^2 + 2x + 1)^2 (x + 1).
class PowerSteps {
public:
    PowerSteps(ExprPtr base, int n) : base_(std::move(base)), n_(n) {}

    // base^n written from `done`, a tree worth base^m.
    ExprPtr whole(const ExprPtr& done, int m) const;

    // Whether base^n must first be written as a product (n is no power of two).
    bool split_first() const { return (n_ & (n_ - 1)) != 0; }

private:
    ExprPtr base_;
    int n_;
};

}  // namespace kalvira
