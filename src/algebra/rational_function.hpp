#pragma once

// A value of the algebra layer: a quotient of two polynomials in kernels.
// Algebra keeps every value it returns normal: the denominator is free of
// integer roots, shares no factor with the numerator and is monic; a
// polynomial has the denominator 1.

#include "algebra/polynomial.hpp"

namespace kalvira {

struct RationalFunction {
    explicit RationalFunction(const PolynomialRing& ring) : num(ring), den(ring) {
        fmpq_mpoly_one(den.get(), den.ctx());
    }

    bool is_polynomial() const { return den.is_one(); }
    bool is_rational_number() const { return is_polynomial() && num.is_constant(); }

    Polynomial num;
    Polynomial den;
};

}  // namespace kalvira
