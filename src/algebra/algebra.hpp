#pragma once

// One computation's ring, its kernels and the arithmetic of its values.
// Every operation leaves its result normal (see rational_function.hpp):
// powers of root kernels reduced (sqrt(u)^2 = u, cbrt(u)^3 = u), the
// denominator rationalised by conjugates, common factors cancelled by
// FLINT's gcd. Not shared between threads: each call makes its own.

#include "algebra/kernels.hpp"
#include "algebra/rational_function.hpp"

#include <vector>

namespace kalvira {

class Algebra {
public:
    explicit Algebra(slong capacity) : ring_(capacity), kernels_(ring_) {}

    const PolynomialRing& ring() const { return ring_; }
    KernelTable& kernels() { return kernels_; }
    const KernelTable& kernels() const { return kernels_; }

    RationalFunction zero() const { return RationalFunction(ring_); }
    RationalFunction number(const fmpq* value) const;
    RationalFunction number(slong num, ulong den = 1) const;
    RationalFunction kernel(slong index) const;

    void add(RationalFunction& into, const RationalFunction& term) const;
    void negate(RationalFunction& value) const;
    void multiply(RationalFunction& into, const RationalFunction& factor) const;
    // Throws UndefinedValue when the divisor is zero.
    void divide(RationalFunction& into, const RationalFunction& divisor) const;
    // An integer power; a negative one of zero is a division by zero.
    void raise(RationalFunction& base, const fmpz* exponent) const;

    // Brings a quotient of any two polynomials to normal form.
    void normalise(RationalFunction& value) const;
    // Replaces sqrt(u)^2 and cbrt(u)^3 by u in poly.
    void reduce_roots(Polynomial& poly) const;
    // What a root kernel is the root of.
    Polynomial radicand_of(slong root) const;

    // From now on, every divisor that is not a rational number is appended
    // to into: a value found nonzero here, where kernels count as
    // independent, may still be zero as a number (sin(1)^2 + cos(1)^2 - 1),
    // which numeric evaluation has to rule out.
    void record_divisors(std::vector<RationalFunction>* into) { divisors_ = into; }

private:
    bool has_root_kernels(const RationalFunction& value) const;
    // Refuses powers whose result would be too large to work out.
    void refuse_huge_power(const RationalFunction& base, const fmpz* exponent) const;
    void rationalise(RationalFunction& value) const;
    void cancel_common_factors(RationalFunction& value) const;

    PolynomialRing ring_;
    KernelTable kernels_;
    std::vector<RationalFunction>* divisors_ = nullptr;
};

}  // namespace kalvira
