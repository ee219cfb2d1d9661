#pragma once

// The kernels of one computation: the things its polynomials are
// polynomials in. Letters, pi and e; square and cube roots of primes (the
// root of any other integer is a product of these and a rational number);
// and opaque applications, keyed by their kind and normal arguments, so that
// equal arguments give the same kernel. Each kernel is one variable of the
// ring, numbered in the order of discovery, so an opaque kernel's arguments
// only use kernels numbered before it.

#include <string>
#include <unordered_map>
#include <vector>

#include "algebra/rational_function.hpp"
#include "ast/expr.hpp"

namespace kalvira {

enum class KernelKind { LETTER, PI, E, SQUARE_ROOT, CUBE_ROOT, OPAQUE };

struct Kernel {
    KernelKind kind;
    std::string name;                         // LETTER
    Integer prime;                            // SQUARE_ROOT, CUBE_ROOT
    ExprType function = ExprType::INT;        // OPAQUE: the kind of node applied
    std::vector<RationalFunction> arguments;  // OPAQUE: its operands

    // Roots of primes, and square and cube roots of polynomials, whose
    // powers reduce: sqrt(u)^2 = u.
    bool is_root() const {
        return kind == KernelKind::SQUARE_ROOT || kind == KernelKind::CUBE_ROOT ||
               (kind == KernelKind::OPAQUE && (function == ExprType::SQRT || function == ExprType::CBRT) &&
                arguments[0].is_polynomial());
    }
    // The power of a root kernel that is free of it again: 2 or 3.
    ulong root_index() const { return kind == KernelKind::SQUARE_ROOT || function == ExprType::SQRT ? 2 : 3; }
    // Numeric kernels join a term's coefficient; letters and opaque ones follow it.
    bool is_numeric() const { return kind != KernelKind::LETTER && kind != KernelKind::OPAQUE; }
};

// Thrown when a computation needs more kernels than its ring has variables;
// it starts again in a larger ring.
struct KernelsExhausted {};

class KernelTable {
public:
    explicit KernelTable(const PolynomialRing& ring) : ring_(ring) {}

    slong letter(const std::string& name);
    slong pi();
    slong e();
    slong root(KernelKind kind, const fmpz* prime);
    slong opaque(ExprType function, std::vector<RationalFunction> arguments);

    const Kernel& operator[](slong index) const { return kernels_[static_cast<std::size_t>(index)]; }
    slong size() const { return static_cast<slong>(kernels_.size()); }
    // The root kernels, last found first: the radicand of each uses only
    // kernels found before it, so reducing them in this order is complete.
    const std::vector<slong>& roots() const { return roots_; }

private:
    slong find_or_add(std::string key, Kernel&& kernel);

    const PolynomialRing& ring_;
    std::vector<Kernel> kernels_;
    std::vector<slong> roots_;
    std::unordered_map<std::string, slong> index_;
};

}  // namespace kalvira
