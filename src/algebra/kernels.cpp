#include "algebra/kernels.hpp"

#include <flint/flint.h>

#include <utility>

namespace kalvira {

namespace {

// FLINT's text of a polynomial with the default names x1, x2, ...: the
// same kernels in the same ring always give the same text.
void append_polynomial(std::string& key, const Polynomial& poly) {
    char* text = fmpq_mpoly_get_str_pretty(poly.get(), nullptr, poly.ctx());
    key += text;
    flint_free(text);
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
