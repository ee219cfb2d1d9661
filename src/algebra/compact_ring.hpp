#pragma once

// A ring over just the kernels some polynomials use, and the maps between
// it and the computation's ring. FLINT's gcd and factorisation cost more
// with every variable of the ring, used or not, so they run in one of these.

#include <flint/fmpq_mpoly.h>
#include <flint/fmpz_mpoly.h>

#include <memory>
#include <vector>

#include "algebra/polynomial.hpp"

namespace kalvira {

class CompactRing {
public:
    explicit CompactRing(const std::vector<const Polynomial*>& polys);

    const PolynomialRing& ring() const { return *ring_; }
    const fmpq_mpoly_ctx_struct* get() const { return ring_->get(); }

    // poly in this ring, and back.
    Polynomial to_compact(const Polynomial& poly) const {
        Polynomial compact(*ring_);
        to_compact(compact.get(), poly.get());
        return compact;
    }
    void to_wide(Polynomial& wide, const Polynomial& compact) const { to_wide(wide.get(), compact.get()); }

    void to_compact(fmpq_mpoly_t compact, const fmpq_mpoly_t wide) const {
        fmpq_mpoly_compose_fmpq_mpoly_gen(compact, wide, to_compact_.data(), wide_, get());
    }
    void to_wide(fmpq_mpoly_t wide, const fmpq_mpoly_t compact) const {
        fmpq_mpoly_compose_fmpq_mpoly_gen(wide, compact, to_wide_.data(), get(), wide_);
    }
    // The same maps for integer polynomials.
    void to_compact(fmpz_mpoly_t compact, const fmpz_mpoly_t wide) const {
        fmpz_mpoly_compose_fmpz_mpoly_gen(compact, wide, to_compact_.data(), wide_->zctx, get()->zctx);
    }
    void to_wide(fmpz_mpoly_t wide, const fmpz_mpoly_t compact) const {
        fmpz_mpoly_compose_fmpz_mpoly_gen(wide, compact, to_wide_.data(), get()->zctx, wide_->zctx);
    }

private:
    const fmpq_mpoly_ctx_struct* wide_;
    std::unique_ptr<PolynomialRing> ring_;
    std::vector<slong> to_compact_;  // by wide variable: its compact one, or -1
    std::vector<slong> to_wide_;     // by compact variable: its wide one
};

}  // namespace kalvira
