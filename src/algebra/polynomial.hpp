#pragma once

// Owning handles over FLINT's multivariate polynomials with rational
// coefficients, and over its integers and fractions. Every variable of a
// ring is one kernel of the algebra layer.

#include <flint/fmpq.h>
#include <flint/fmpq_mpoly.h>
#include <flint/fmpz.h>

#include <string>

namespace kalvira {

class PolynomialRing {
public:
    explicit PolynomialRing(slong variables) { fmpq_mpoly_ctx_init(ctx_, variables, ORD_LEX); }
    ~PolynomialRing() { fmpq_mpoly_ctx_clear(ctx_); }
    PolynomialRing(const PolynomialRing&) = delete;
    PolynomialRing& operator=(const PolynomialRing&) = delete;

    const fmpq_mpoly_ctx_struct* get() const { return ctx_; }
    slong variables() const { return fmpq_mpoly_ctx_nvars(ctx_); }

private:
    fmpq_mpoly_ctx_t ctx_;
};

class Polynomial {
public:
    explicit Polynomial(const PolynomialRing& ring) : ring_(&ring) { fmpq_mpoly_init(poly_, ring.get()); }
    Polynomial(const Polynomial& other) : Polynomial(*other.ring_) { fmpq_mpoly_set(poly_, other.poly_, ctx()); }
    Polynomial(Polynomial&& other) noexcept : Polynomial(*other.ring_) { swap(other); }
    Polynomial& operator=(const Polynomial& other) {
        fmpq_mpoly_set(poly_, other.poly_, ctx());
        return *this;
    }
    Polynomial& operator=(Polynomial&& other) noexcept {
        swap(other);
        return *this;
    }
    ~Polynomial() { fmpq_mpoly_clear(poly_, ctx()); }

    void swap(Polynomial& other) noexcept { fmpq_mpoly_swap(poly_, other.poly_, ctx()); }

    fmpq_mpoly_struct* get() { return poly_; }
    const fmpq_mpoly_struct* get() const { return poly_; }
    const fmpq_mpoly_ctx_struct* ctx() const { return ring_->get(); }
    const PolynomialRing& ring() const { return *ring_; }

    bool is_zero() const { return fmpq_mpoly_is_zero(poly_, ctx()); }
    bool is_one() const { return fmpq_mpoly_is_one(poly_, ctx()); }
    bool is_constant() const { return fmpq_mpoly_is_fmpq(poly_, ctx()); }
    slong length() const { return fmpq_mpoly_length(poly_, ctx()); }
    bool operator==(const Polynomial& other) const { return fmpq_mpoly_equal(poly_, other.poly_, ctx()); }

private:
    const PolynomialRing* ring_;
    fmpq_mpoly_t poly_;
};

class Integer {
public:
    Integer() { fmpz_init(value_); }
    explicit Integer(slong v) { fmpz_init_set_si(value_, v); }
    Integer(const Integer& other) { fmpz_init_set(value_, other.value_); }
    Integer& operator=(const Integer& other) {
        fmpz_set(value_, other.value_);
        return *this;
    }
    ~Integer() { fmpz_clear(value_); }

    fmpz* get() { return value_; }
    const fmpz* get() const { return value_; }

private:
    fmpz_t value_;
};

class Fraction {
public:
    Fraction() { fmpq_init(value_); }
    Fraction(slong num, ulong den) {
        fmpq_init(value_);
        fmpq_set_si(value_, num, den);
    }
    Fraction(const Fraction& other) {
        fmpq_init(value_);
        fmpq_set(value_, other.value_);
    }
    Fraction& operator=(const Fraction& other) {
        fmpq_set(value_, other.value_);
        return *this;
    }
    ~Fraction() { fmpq_clear(value_); }

    fmpq* get() { return value_; }
    const fmpq* get() const { return value_; }
    const fmpz* num() const { return fmpq_numref(value_); }
    const fmpz* den() const { return fmpq_denref(value_); }

private:
    fmpq_t value_;
};

// The decimal digits of an integer.
std::string decimal(const fmpz* value);
// The same for messages: a number longer than a line shows its first
// digits and its length.
std::string number_text(const fmpz* value);

}  // namespace kalvira
