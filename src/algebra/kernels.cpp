#include "algebra/kernels.hpp"

#include <string>
#include <utility>
#include <vector>

namespace kalvira {

namespace {

// A text of a polynomial that is the same for equal polynomials: each
// term's coefficient and its kernels' numbers and exponents.
void append_polynomial(std::string& key, const Polynomial& poly) {
    std::vector<Integer> exponents(static_cast<std::size_t>(poly.ring().variables()));
    std::vector<fmpz*> pointers;
    for (Integer& exponent : exponents) {
        pointers.push_back(exponent.get());
    }
    Fraction coefficient;
    for (slong term = 0; term < poly.length(); ++term) {
        fmpq_mpoly_get_term_coeff_fmpq(coefficient.get(), poly.get(), term, poly.ctx());
        key += decimal(coefficient.num()) + "/" + decimal(coefficient.den());
        fmpq_mpoly_get_term_exp_fmpz(pointers.data(), poly.get(), term, poly.ctx());
        for (std::size_t kernel = 0; kernel < exponents.size(); ++kernel) {
            if (!fmpz_is_zero(exponents[kernel].get())) {
                key += " k" + std::to_string(kernel) + "^" + decimal(exponents[kernel].get());
            }
        }
        key += ';';
    }
}

}  // namespace

slong KernelTable::find_or_add(std::string key, Kernel&& kernel) {
    if (const auto known = index_.find(key); known != index_.end()) {
        return known->second;
    }
    const slong index = size();
    if (index == ring_.variables()) {
        throw KernelsExhausted();
    }
    if (kernel.is_root()) {
        roots_.insert(roots_.begin(), index);
    }
    kernels_.push_back(std::move(kernel));
    index_.emplace(std::move(key), index);
    return index;
}

slong KernelTable::letter(const std::string& name) {
    return find_or_add("L" + name, Kernel{KernelKind::LETTER, name, Integer(), ExprType::INT, {}});
}

slong KernelTable::pi() { return find_or_add("P", Kernel{KernelKind::PI, "", Integer(), ExprType::INT, {}}); }

slong KernelTable::e() { return find_or_add("E", Kernel{KernelKind::E, "", Integer(), ExprType::INT, {}}); }

slong KernelTable::root(KernelKind kind, const fmpz* prime) {
    Integer p;
    fmpz_set(p.get(), prime);
    std::string key = (kind == KernelKind::SQUARE_ROOT ? "S" : "C") + decimal(prime);
    return find_or_add(std::move(key), Kernel{kind, "", p, ExprType::INT, {}});
}

slong KernelTable::opaque(ExprType function, std::vector<RationalFunction> arguments) {
    std::string key = "F" + std::to_string(static_cast<int>(function));
    for (const RationalFunction& argument : arguments) {
        key += '(';
        append_polynomial(key, argument.num);
        key += ")/(";
        append_polynomial(key, argument.den);
        key += ')';
    }
    return find_or_add(std::move(key), Kernel{KernelKind::OPAQUE, "", Integer(), function, std::move(arguments)});
}

}  // namespace kalvira
