#include "algebra/school_factor.hpp"

#include <flint/fmpz_mpoly_factor.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "algebra/algebra_error.hpp"
#include "algebra/compact_ring.hpp"
#include "algebra/school_form.hpp"
#include "ast/make_node.hpp"

namespace kalvira {

namespace {

struct Factor {
    Polynomial poly;
    slong exponent;
};

// A polynomial as constant * product of factors^exponents, each factor
// irreducible over the integers with a positive first coefficient.
struct Factorisation {
    Fraction constant;
    std::vector<Factor> factors;
};

class FlintFactors {
public:
    explicit FlintFactors(const fmpz_mpoly_ctx_struct* ctx) : ctx_(ctx) {
        fmpz_mpoly_factor_init(factors_, ctx);
        fmpz_mpoly_init(poly_, ctx);
    }
    ~FlintFactors() {
        fmpz_mpoly_clear(poly_, ctx_);
        fmpz_mpoly_factor_clear(factors_, ctx_);
    }
    FlintFactors(const FlintFactors&) = delete;
    FlintFactors& operator=(const FlintFactors&) = delete;

    fmpz_mpoly_struct* poly() { return poly_; }
    fmpz_mpoly_factor_struct* get() { return factors_; }

private:
    const fmpz_mpoly_ctx_struct* ctx_;
    fmpz_mpoly_t poly_;
    fmpz_mpoly_factor_t factors_;
};

// The highest degree in one kernel that is factorised, beyond the power of
// it that divides every term: enough for any school polynomial, and FLINT
// would take too long to stop on much higher ones (x^1000000 - 1).
constexpr slong HIGHEST_FACTORISED_DEGREE = 1000;

void refuse_high_degree(const Polynomial& poly) {
    Polynomial common(poly.ring());
    Polynomial rest(poly.ring());
    fmpq_mpoly_term_content(common.get(), poly.get(), poly.ctx());
    fmpq_mpoly_divides(rest.get(), poly.get(), common.get(), poly.ctx());
    std::vector<slong> degrees(static_cast<std::size_t>(poly.ring().variables()));
    fmpq_mpoly_degrees_si(degrees.data(), rest.get(), rest.ctx());
    const slong highest = *std::max_element(degrees.begin(), degrees.end());
    if (highest > HIGHEST_FACTORISED_DEGREE) {
        throw AlgebraError("the polynomial of degree " + std::to_string(highest) + " is too large to factorise");
    }
}

Factorisation factorise(const Polynomial& poly, SchoolWriter& writer) {
    Factorisation result;
    fmpq_mpoly_get_term_coeff_fmpq(result.constant.get(), poly.get(), 0, poly.ctx());
    if (poly.is_constant()) {
        return result;
    }
    // poly = content * zpoly, with zpoly an integer polynomial.
    Polynomial integral = poly;
    fmpq_set(result.constant.get(), fmpq_mpoly_content_ref(integral.get(), integral.ctx()));
    refuse_high_degree(integral);
    const CompactRing compact({&poly});
    const fmpz_mpoly_ctx_struct* zctx = compact.get()->zctx;
    FlintFactors flint(zctx);
    compact.to_compact(flint.poly(), fmpq_mpoly_zpoly_ref(integral.get(), integral.ctx()));
    if (!fmpz_mpoly_factor(flint.get(), flint.poly(), zctx)) {
        throw AlgebraError("the polynomial is too large to factorise");
    }
    fmpq_mul_fmpz(result.constant.get(), result.constant.get(), flint.get()->constant);
    for (slong i = 0; i < flint.get()->num; ++i) {
        if (!fmpz_fits_si(flint.get()->exp + i)) {
            throw AlgebraError("the exponent " + number_text(flint.get()->exp + i) + " does not fit in 32 bits");
        }
        Factor factor{Polynomial(poly.ring()), fmpz_get_si(flint.get()->exp + i)};
        fmpq_mpoly_struct* target = factor.poly.get();
        compact.to_wide(target->zpoly, flint.get()->poly + i);
        fmpq_one(target->content);
        fmpq_mpoly_reduce(target, poly.ctx());
        if (writer.leading_sign(factor.poly) < 0) {
            fmpq_mpoly_neg(target, target, poly.ctx());
            if (factor.exponent % 2 != 0) {
                fmpq_neg(result.constant.get(), result.constant.get());
            }
        }
        result.factors.push_back(std::move(factor));
    }
    return result;
}

// What polynomial factors are ordered by: degree, then first letter, then
// their coefficients in school order, smaller magnitudes first and minus
// before plus, then fewer terms first.
struct FactorKey {
    slong degree;
    std::string first_letter;
    std::vector<Fraction> coefficients;
};

FactorKey order_key(const Algebra& algebra, SchoolWriter& writer, const Polynomial& poly) {
    FactorKey key{fmpq_mpoly_total_degree_si(poly.get(), poly.ctx()), std::string(), writer.coefficients(poly)};
    for (const slong kernel : writer.letters_of(poly)) {
        if (algebra.kernels()[kernel].kind == KernelKind::LETTER) {
            key.first_letter = algebra.kernels()[kernel].name;
            break;
        }
    }
    return key;
}

int compare_coefficients(const Fraction& a, const Fraction& b) {
    Fraction magnitude_a;
    Fraction magnitude_b;
    fmpq_abs(magnitude_a.get(), a.get());
    fmpq_abs(magnitude_b.get(), b.get());
    if (const int order = fmpq_cmp(magnitude_a.get(), magnitude_b.get()); order != 0) {
        return order;
    }
    return fmpq_sgn(a.get()) == fmpq_sgn(b.get()) ? 0 : (fmpq_sgn(a.get()) < 0 ? -1 : 1);
}

bool comes_before(const FactorKey& a, const FactorKey& b) {
    if (a.degree != b.degree) {
        return a.degree < b.degree;
    }
    if (a.first_letter != b.first_letter) {
        return a.first_letter < b.first_letter;
    }
    const std::size_t common = std::min(a.coefficients.size(), b.coefficients.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (const int order = compare_coefficients(a.coefficients[i], b.coefficients[i]); order != 0) {
            return order < 0;
        }
    }
    return a.coefficients.size() < b.coefficients.size();
}

// The product of a factorisation with the given constant: one term of the
// constant with the factors that are kernels (6xy, 2\pi), then the
// polynomial factors; a negative constant is the sign of that term's
// literal, or else a minus sign before them all.
ExprPtr product_tree(const Algebra& algebra, SchoolWriter& writer, const fmpq* constant, std::vector<Factor> factors) {
    Polynomial monomial(algebra.ring());
    fmpq_mpoly_set_fmpq(monomial.get(), constant, monomial.ctx());
    std::vector<std::pair<FactorKey, Factor>> polynomials;
    for (Factor& factor : factors) {
        if (factor.poly.length() > 1) {
            FactorKey key = order_key(algebra, writer, factor.poly);
            polynomials.emplace_back(std::move(key), std::move(factor));
            continue;
        }
        fmpq_mpoly_pow_ui(factor.poly.get(), factor.poly.get(), static_cast<ulong>(factor.exponent), monomial.ctx());
        fmpq_mpoly_mul(monomial.get(), monomial.get(), factor.poly.get(), monomial.ctx());
    }
    if (polynomials.empty()) {
        return writer.polynomial(monomial);  // one term, its sign written as every term's
    }
    std::stable_sort(polynomials.begin(), polynomials.end(),
                     [](const auto& a, const auto& b) { return comes_before(a.first, b.first); });
    bool negative = fmpq_sgn(constant) < 0;
    if (negative) {
        fmpq_mpoly_neg(monomial.get(), monomial.get(), monomial.ctx());
    }
    ExprPtr product = monomial.is_one() ? nullptr : writer.polynomial(monomial);
    if (negative && product) {
        // A literal leading the product takes the sign (-2(x - 1)); a term
        // without one (-x) stays under the minus before the whole product.
        fmpq_mpoly_neg(monomial.get(), monomial.get(), monomial.ctx());
        if (ExprPtr signed_lead = writer.polynomial(monomial); signed_lead->type() != ExprType::NEG) {
            product = std::move(signed_lead);
            negative = false;
        }
    }
    for (const auto& [key, factor] : polynomials) {
        ExprPtr tree = writer.polynomial(factor.poly);
        if (factor.exponent != 1) {
            const Integer exponent(factor.exponent);
            tree = std::make_shared<Pow>(std::move(tree), int_leaf(exponent.get(), "exponent"));
        }
        product = product ? std::make_shared<Mul>(std::move(product), std::move(tree)) : std::move(tree);
    }
    return negative ? std::make_shared<Neg>(std::move(product)) : product;
}

}  // namespace

ExprPtr factored(const Algebra& algebra, const RationalFunction& value, const Cancellation& cancel) {
    SchoolWriter writer(algebra, cancel);
    writer.prepare({&value.num, &value.den});
    if (value.num.is_zero()) {
        return make_int(0);
    }
    Factorisation num = factorise(value.num, writer);
    Factorisation den = factorise(value.den, writer);
    Fraction constant;
    fmpq_div(constant.get(), num.constant.get(), den.constant.get());
    if (value.is_polynomial()) {
        return product_tree(algebra, writer, constant.get(), std::move(num.factors));
    }
    // A quotient's sign stands before it.
    const bool negative = fmpq_sgn(constant.get()) < 0;
    Fraction top;
    Fraction bottom;
    fmpz_abs(fmpq_numref(top.get()), fmpq_numref(constant.get()));
    fmpq_set_fmpz(bottom.get(), fmpq_denref(constant.get()));
    ExprPtr tree = std::make_shared<Div>(product_tree(algebra, writer, top.get(), std::move(num.factors)),
                                         product_tree(algebra, writer, bottom.get(), std::move(den.factors)));
    return negative ? std::make_shared<Neg>(std::move(tree)) : tree;
}

}  // namespace kalvira
