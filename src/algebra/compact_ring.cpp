#include "algebra/compact_ring.hpp"

#include <algorithm>

namespace kalvira {

CompactRing::CompactRing(const std::vector<const Polynomial*>& polys) : wide_(polys.front()->ctx()) {
    const auto variables = static_cast<std::size_t>(polys.front()->ring().variables());
    std::vector<int> used(variables);
    std::vector<int> any(variables);
    for (const Polynomial* poly : polys) {
        fmpq_mpoly_used_vars(used.data(), poly->get(), poly->ctx());
        for (std::size_t k = 0; k < variables; ++k) {
            any[k] |= used[k];
        }
    }
    for (std::size_t k = 0; k < variables; ++k) {
        to_compact_.push_back(any[k] ? static_cast<slong>(to_wide_.size()) : -1);
        if (any[k]) {
            to_wide_.push_back(static_cast<slong>(k));
        }
    }
    ring_ = std::make_unique<PolynomialRing>(std::max<slong>(1, static_cast<slong>(to_wide_.size())));
}

}  // namespace kalvira
