#pragma once

// Trees in the form a teacher writes, from values of the algebra layer.
//
// A polynomial is a sum of terms by descending total degree in its letters
// (opaque kernels such as sin x count as letters after all the others);
// terms of one degree lexicographically, letters alphabetical (x^2, xy,
// y^2); among terms with the same letters, the rational one first, then by
// radicand of their square roots, then of their cube roots, then pi and e.
// A term is its coefficient, then its numeric kernels (roots, pi, e), then
// its letters, then its opaque kernels; a fractional coefficient holds the
// numeric kernels in its numerator (\frac{3\sqrt{2}}{4}x) and is otherwise
// a fraction before the letters (\frac{5}{6}x). A minus sign is a Neg, the
// coefficient 1 is not written. A quotient is one Div of two polynomials
// with integer coefficients, the denominator's first coefficient positive;
// so is a number of several terms with fractional coefficients
// (\frac{1 + \sqrt{3}}{2}), while letters keep their own fractions.
//
// Numbers the tree's 32-bit Int cannot hold are refused with AlgebraError.

#include <vector>

#include "algebra/algebra.hpp"
#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

class SchoolWriter {
public:
    SchoolWriter(const Algebra& algebra, const Cancellation& cancel) : algebra_(algebra), cancel_(cancel) {}

    // Builds the trees of the opaque kernels these values use; call before
    // writing them.
    void prepare(const std::vector<const Polynomial*>& values);

    ExprPtr polynomial(const Polynomial& poly);
    ExprPtr expression(const RationalFunction& value);

    // The sign of poly's first coefficient in school order.
    int leading_sign(const Polynomial& poly);
    // poly's coefficients in school order.
    std::vector<Fraction> coefficients(const Polynomial& poly);
    // The kernels poly uses that are letters, alphabetical, then opaque ones.
    std::vector<slong> letters_of(const Polynomial& poly) const;

private:
    // The tree of a kernel to the given power.
    ExprPtr kernel_power(slong kernel, slong power);
    // The tree of a coefficient with numeric kernels in its numerator; null
    // for the coefficient 1 before letters.
    ExprPtr coefficient(const fmpq* magnitude, const std::vector<ExprPtr>& numeric_kernels, bool alone);
    struct Term;
    // A polynomial's terms in school order, with the kernels it uses: its
    // letters and opaque kernels in school order, then its numeric ones.
    struct Terms {
        std::vector<slong> kernels;
        std::size_t letter_count;
        std::vector<Term> terms;
    };
    Terms sorted_terms(const Polynomial& poly);
    // One term by its magnitude; with signed_lead, the term with its own
    // sign, as the first term of a sum stands.
    ExprPtr term_tree(const Term& term, const Terms& terms, bool signed_lead);
    // A number of several terms with fractional coefficients, such as
    // 1/2 + sqrt(3)/2, is written over their common denominator.
    bool is_fractional_number(const Polynomial& poly) const;
    ExprPtr number_over_denominator(const Polynomial& poly);

    const Algebra& algebra_;
    const Cancellation& cancel_;
    std::vector<ExprPtr> kernel_trees_;
};

// A tree leaf for an integer or fraction, or AlgebraError naming it as
// what ("coefficient", "exponent", "number") when it does not fit in 32 bits.
ExprPtr int_leaf(const fmpz* value, const char* what);
ExprPtr rational_leaf(const fmpq* value, const char* what);

}  // namespace kalvira
