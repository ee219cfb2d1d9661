#include "algebra/school_form.hpp"

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <utility>

#include "algebra/algebra_error.hpp"
#include "ast/make_node.hpp"

namespace kalvira {

namespace {

bool fits_int32(const fmpz* value) { return fmpz_cmp_si(value, INT32_MAX) <= 0 && fmpz_cmp_si(value, INT32_MIN) >= 0; }

[[noreturn]] void refuse(const fmpz* value, const char* what) {
    throw AlgebraError(std::string("the ") + what + " " + number_text(value) + " does not fit in 32 bits");
}

// The left-nested product of factors, or null when there are none.
ExprPtr product_of(const std::vector<ExprPtr>& factors) {
    ExprPtr product;
    for (const ExprPtr& factor : factors) {
        product = product ? std::make_shared<Mul>(product, factor) : factor;
    }
    return product;
}

// The first exponent of a term that does not fit a machine word.
[[noreturn]] void refuse_huge_exponent(const Polynomial& poly, slong term) {
    const slong variables = poly.ring().variables();
    std::vector<Integer> exponents(static_cast<std::size_t>(variables));
    std::vector<fmpz*> pointers;
    for (Integer& exponent : exponents) {
        pointers.push_back(exponent.get());
    }
    fmpq_mpoly_get_term_exp_fmpz(pointers.data(), poly.get(), term, poly.ctx());
    for (const Integer& exponent : exponents) {
        if (!fits_int32(exponent.get())) {
            refuse(exponent.get(), "exponent");
        }
    }
    throw AlgebraError("an exponent does not fit in 32 bits");
}

}  // namespace

ExprPtr int_leaf(const fmpz* value, const char* what) {
    if (!fits_int32(value)) {
        refuse(value, what);
    }
    return make_int(static_cast<int>(fmpz_get_si(value)));
}

ExprPtr rational_leaf(const fmpq* value, const char* what) {
    if (fmpz_is_one(fmpq_denref(value))) {
        return int_leaf(fmpq_numref(value), what);
    }
    for (const fmpz* part : {fmpq_numref(value), fmpq_denref(value)}) {
        if (!fits_int32(part)) {
            refuse(part, what);
        }
    }
    return std::make_shared<Rational>(static_cast<int>(fmpz_get_si(fmpq_numref(value))),
                                      static_cast<int>(fmpz_get_si(fmpq_denref(value))));
}

struct SchoolWriter::Term {
    Fraction coefficient;
    std::vector<slong> exponents;  // by position in the polynomial's used kernels
    slong letter_degree = 0;
    Integer square_radicand{1};
    Integer cube_radicand{1};
    slong pi = 0;
    slong e = 0;
};

void SchoolWriter::prepare(const std::vector<const Polynomial*>& values) {
    const KernelTable& kernels = algebra_.kernels();
    const auto count = static_cast<std::size_t>(kernels.size());
    std::vector<int> needed(static_cast<std::size_t>(algebra_.ring().variables()));
    std::vector<int> used(needed.size());
    auto mark = [&](const Polynomial& poly) {
        fmpq_mpoly_used_vars(used.data(), poly.get(), poly.ctx());
        for (std::size_t k = 0; k < count; ++k) {
            needed[k] |= used[k];
        }
    };
    for (const Polynomial* value : values) {
        mark(*value);
    }
    // Arguments only use kernels found before their own, so one pass from
    // the last kernel down finds all that are needed.
    for (std::size_t k = count; k-- > 0;) {
        if (needed[k] && kernels[static_cast<slong>(k)].kind == KernelKind::OPAQUE) {
            for (const RationalFunction& argument : kernels[static_cast<slong>(k)].arguments) {
                mark(argument.num);
                mark(argument.den);
            }
        }
    }
    kernel_trees_.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        cancel_.poll();
        if (!needed[k] || kernel_trees_[k]) {
            continue;
        }
        const Kernel& kernel = kernels[static_cast<slong>(k)];
        switch (kernel.kind) {
        case KernelKind::LETTER:
            kernel_trees_[k] = std::make_shared<Var>(kernel.name);
            break;
        case KernelKind::PI:
            kernel_trees_[k] = std::make_shared<Pi>();
            break;
        case KernelKind::E:
            kernel_trees_[k] = std::make_shared<E>();
            break;
        case KernelKind::SQUARE_ROOT:
            kernel_trees_[k] = std::make_shared<Sqrt>(int_leaf(kernel.prime.get(), "number"));
            break;
        case KernelKind::CUBE_ROOT:
            kernel_trees_[k] = std::make_shared<Cbrt>(int_leaf(kernel.prime.get(), "number"));
            break;
        case KernelKind::OPAQUE: {
            ExprPtr first = expression(kernel.arguments[0]);
            ExprPtr second = kernel.arguments.size() > 1 ? expression(kernel.arguments[1]) : nullptr;
            kernel_trees_[k] = make_node(kernel.function, std::move(first), std::move(second));
            break;
        }
        }
    }
}

std::vector<slong> SchoolWriter::letters_of(const Polynomial& poly) const {
    const KernelTable& kernels = algebra_.kernels();
    std::vector<int> used(static_cast<std::size_t>(algebra_.ring().variables()));
    fmpq_mpoly_used_vars(used.data(), poly.get(), poly.ctx());
    std::vector<slong> letters;
    std::vector<slong> opaque;
    for (slong k = 0; k < kernels.size(); ++k) {
        if (used[static_cast<std::size_t>(k)]) {
            if (kernels[k].kind == KernelKind::LETTER) {
                letters.push_back(k);
            } else if (kernels[k].kind == KernelKind::OPAQUE) {
                opaque.push_back(k);
            }
        }
    }
    std::sort(letters.begin(), letters.end(), [&](slong a, slong b) { return kernels[a].name < kernels[b].name; });
    letters.insert(letters.end(), opaque.begin(), opaque.end());
    return letters;
}

SchoolWriter::Terms SchoolWriter::sorted_terms(const Polynomial& poly) {
    const KernelTable& kernels = algebra_.kernels();
    std::vector<slong> used = letters_of(poly);
    const std::size_t letter_count = used.size();
    std::vector<int> flags(static_cast<std::size_t>(algebra_.ring().variables()));
    fmpq_mpoly_used_vars(flags.data(), poly.get(), poly.ctx());
    for (slong k = 0; k < kernels.size(); ++k) {
        if (flags[static_cast<std::size_t>(k)] && kernels[k].is_numeric()) {
            used.push_back(k);
        }
    }
    std::vector<Term> terms(static_cast<std::size_t>(poly.length()));
    Integer power;
    for (slong i = 0; i < poly.length(); ++i) {
        cancel_.poll();
        if (!fmpq_mpoly_term_exp_fits_si(poly.get(), i, poly.ctx())) {
            refuse_huge_exponent(poly, i);
        }
        Term& term = terms[static_cast<std::size_t>(i)];
        fmpq_mpoly_get_term_coeff_fmpq(term.coefficient.get(), poly.get(), i, poly.ctx());
        for (std::size_t position = 0; position < used.size(); ++position) {
            const slong kernel = used[position];
            const slong exponent = fmpq_mpoly_get_term_var_exp_si(poly.get(), i, kernel, poly.ctx());
            term.exponents.push_back(exponent);
            const Kernel& entry = kernels[kernel];
            if (position < letter_count) {
                term.letter_degree += exponent;
            } else if (entry.is_root()) {
                fmpz_pow_ui(power.get(), entry.prime.get(), static_cast<ulong>(exponent));
                Integer& radicand = entry.kind == KernelKind::SQUARE_ROOT ? term.square_radicand : term.cube_radicand;
                fmpz_mul(radicand.get(), radicand.get(), power.get());
            } else {
                (entry.kind == KernelKind::PI ? term.pi : term.e) = exponent;
            }
        }
    }
    std::sort(terms.begin(), terms.end(), [letter_count](const Term& a, const Term& b) {
        if (a.letter_degree != b.letter_degree) {
            return a.letter_degree > b.letter_degree;
        }
        for (std::size_t position = 0; position < letter_count; ++position) {
            if (a.exponents[position] != b.exponents[position]) {
                return a.exponents[position] > b.exponents[position];
            }
        }
        if (a.pi + a.e != b.pi + b.e) {
            return a.pi + a.e < b.pi + b.e;
        }
        if (const int order = fmpz_cmp(a.square_radicand.get(), b.square_radicand.get()); order != 0) {
            return order < 0;
        }
        if (const int order = fmpz_cmp(a.cube_radicand.get(), b.cube_radicand.get()); order != 0) {
            return order < 0;
        }
        return a.pi != b.pi ? a.pi < b.pi : a.e < b.e;
    });
    return {std::move(used), letter_count, std::move(terms)};
}

ExprPtr SchoolWriter::kernel_power(slong kernel, slong power) {
    const ExprPtr& tree = kernel_trees_[static_cast<std::size_t>(kernel)];
    if (power == 1) {
        return tree;
    }
    const Integer exponent(power);
    const Kernel& entry = algebra_.kernels()[kernel];
    if (entry.kind == KernelKind::OPAQUE && entry.function == ExprType::POW) {
        // (b^w)^p is written b^{pw}.
        RationalFunction product = entry.arguments[1];
        fmpq_mpoly_scalar_mul_fmpz(product.num.get(), product.num.get(), exponent.get(), product.num.ctx());
        return std::make_shared<Pow>(tree->child(0), expression(product));
    }
    return std::make_shared<Pow>(tree, int_leaf(exponent.get(), "exponent"));
}

ExprPtr SchoolWriter::coefficient(const fmpq* magnitude, const std::vector<ExprPtr>& numeric_kernels, bool alone) {
    const fmpz* num = fmpq_numref(magnitude);
    const fmpz* den = fmpq_denref(magnitude);
    if (!numeric_kernels.empty()) {
        // One product from the left, 2\sqrt{2}\pi, as school notation reads it back.
        std::vector<ExprPtr> factors;
        if (!fmpz_is_one(num)) {
            factors.push_back(int_leaf(num, "coefficient"));
        }
        factors.insert(factors.end(), numeric_kernels.begin(), numeric_kernels.end());
        ExprPtr top = product_of(factors);
        return fmpz_is_one(den) ? top : std::make_shared<Div>(std::move(top), int_leaf(den, "coefficient"));
    }
    if (fmpz_is_one(num) && fmpz_is_one(den) && !alone) {
        return nullptr;
    }
    return rational_leaf(magnitude, "coefficient");
}

ExprPtr SchoolWriter::term_tree(const Term& term, const Terms& terms, bool signed_lead) {
    const std::size_t letter_count = terms.letter_count;
    std::vector<ExprPtr> numeric;
    if (!fmpz_is_one(term.square_radicand.get())) {
        numeric.push_back(std::make_shared<Sqrt>(int_leaf(term.square_radicand.get(), "number")));
    }
    if (!fmpz_is_one(term.cube_radicand.get())) {
        numeric.push_back(std::make_shared<Cbrt>(int_leaf(term.cube_radicand.get(), "number")));
    }
    std::vector<ExprPtr> letters;
    for (std::size_t position = 0; position < term.exponents.size(); ++position) {
        const slong exponent = term.exponents[position];
        const slong kernel = terms.kernels[position];
        if (exponent == 0 || (position >= letter_count && algebra_.kernels()[kernel].is_root())) {
            continue;
        }
        (position < letter_count ? letters : numeric).push_back(kernel_power(kernel, exponent));
    }
    Fraction magnitude;
    fmpq_abs(magnitude.get(), term.coefficient.get());
    ExprPtr lead = coefficient(magnitude.get(), numeric, letters.empty());
    const bool negative = signed_lead && fmpq_sgn(term.coefficient.get()) < 0;
    // A literal coefficient carries the sign itself (-2x, -\frac{5}{6}x), as
    // every notation writes it and reads it back; other terms are negated.
    const bool sign_in_literal = negative && lead && numeric.empty();
    if (sign_in_literal) {
        lead = rational_leaf(term.coefficient.get(), "coefficient");
    }
    std::vector<ExprPtr> factors;
    if (lead) {
        factors.push_back(std::move(lead));
    }
    factors.insert(factors.end(), letters.begin(), letters.end());
    ExprPtr product = product_of(factors);
    return negative && !sign_in_literal ? std::make_shared<Neg>(std::move(product)) : product;
}

ExprPtr SchoolWriter::polynomial(const Polynomial& poly) {
    if (poly.is_zero()) {
        return make_int(0);
    }
    const Terms terms = sorted_terms(poly);
    ExprPtr sum;
    for (const Term& term : terms.terms) {
        cancel_.poll();
        if (!sum) {
            sum = term_tree(term, terms, true);
            continue;
        }
        ExprPtr tree = term_tree(term, terms, false);
        const bool negative = fmpq_sgn(term.coefficient.get()) < 0;
        sum =
            std::make_shared<Add>(std::move(sum), negative ? std::make_shared<Neg>(std::move(tree)) : std::move(tree));
    }
    return sum;
}

bool SchoolWriter::is_fractional_number(const Polynomial& poly) const {
    Integer denominator;
    fmpq_mpoly_get_denominator(denominator.get(), poly.get(), poly.ctx());
    return poly.length() > 1 && !fmpz_is_one(denominator.get()) && letters_of(poly).empty();
}

ExprPtr SchoolWriter::number_over_denominator(const Polynomial& poly) {
    Integer denominator;
    fmpq_mpoly_get_denominator(denominator.get(), poly.get(), poly.ctx());
    // A minus sign leads the fraction rather than its numerator.
    const bool negative = leading_sign(poly) < 0;
    if (negative) {
        fmpz_neg(denominator.get(), denominator.get());
    }
    Polynomial numerator = poly;
    fmpq_mpoly_scalar_mul_fmpz(numerator.get(), numerator.get(), denominator.get(), numerator.ctx());
    fmpz_abs(denominator.get(), denominator.get());
    ExprPtr fraction = std::make_shared<Div>(polynomial(numerator), int_leaf(denominator.get(), "coefficient"));
    return negative ? std::make_shared<Neg>(std::move(fraction)) : fraction;
}

int SchoolWriter::leading_sign(const Polynomial& poly) {
    if (poly.is_zero()) {
        return 0;
    }
    return fmpq_sgn(sorted_terms(poly).terms.front().coefficient.get());
}

std::vector<Fraction> SchoolWriter::coefficients(const Polynomial& poly) {
    std::vector<Fraction> result;
    for (const Term& term : sorted_terms(poly).terms) {
        result.push_back(term.coefficient);
    }
    return result;
}

ExprPtr SchoolWriter::expression(const RationalFunction& value) {
    if (value.is_polynomial()) {
        return is_fractional_number(value.num) ? number_over_denominator(value.num) : polynomial(value.num);
    }
    // Both sides times b / content(den), where content(num) / content(den)
    // = a / b in lowest terms, gives coprime integer polynomials.
    Fraction num_content;
    Fraction den_content;
    fmpq_mpoly_content(num_content.get(), value.num.get(), value.num.ctx());
    fmpq_mpoly_content(den_content.get(), value.den.get(), value.den.ctx());
    Fraction scale;
    fmpq_div(scale.get(), num_content.get(), den_content.get());
    Integer b;
    fmpz_set(b.get(), fmpq_denref(scale.get()));
    fmpq_set_fmpz_frac(scale.get(), b.get(), fmpq_numref(den_content.get()));
    fmpq_mul_fmpz(scale.get(), scale.get(), fmpq_denref(den_content.get()));
    Polynomial num = value.num;
    Polynomial den = value.den;
    if (leading_sign(den) < 0) {
        fmpq_neg(scale.get(), scale.get());
    }
    fmpq_mpoly_scalar_mul_fmpq(num.get(), num.get(), scale.get(), num.ctx());
    fmpq_mpoly_scalar_mul_fmpq(den.get(), den.get(), scale.get(), den.ctx());
    // A numerator of one negative term puts its minus before the fraction
    // (-\frac{1}{x - 1}), as a teacher writes it.
    const bool negative = num.length() == 1 && leading_sign(num) < 0;
    if (negative) {
        fmpq_mpoly_neg(num.get(), num.get(), num.ctx());
    }
    ExprPtr fraction = std::make_shared<Div>(polynomial(num), polynomial(den));
    return negative ? std::make_shared<Neg>(std::move(fraction)) : fraction;
}

}  // namespace kalvira
