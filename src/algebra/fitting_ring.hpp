#pragma once

// Runs work(algebra) in a ring with room for the kernels it finds: a ring
// found too small is replaced by one twice the size and the work starts
// again. Each call has a ring of its own, so calls on different threads
// share nothing.

#include <algorithm>
#include <string>

#include <flint/flint.h>

#include "algebra/algebra.hpp"
#include "algebra/algebra_error.hpp"

namespace kalvira {

// Every kernel is a variable of FLINT's packed exponent vectors, so each
// term costs memory in proportion to the number of kernels: beyond this
// many, a computation is refused rather than run out of memory.
constexpr slong LARGEST_KERNEL_COUNT = 4096;
// The ring of a first try: room for the kernels of most school
// expressions. Unused variables cost little in arithmetic, and
// factorisation works in a ring of just the kernels it needs.
constexpr slong FIRST_KERNEL_COUNT = 16;

// FLINT keeps a cache of integers for each thread, which the thread must
// give back before it ends; every thread that calls the layer gets one of
// these, and its destructor runs as the thread ends.
struct FlintThreadCache {
    ~FlintThreadCache() { flint_cleanup(); }
};

inline void keep_flint_thread_cache() { [[maybe_unused]] static thread_local const FlintThreadCache cache; }

template <class Work>
auto in_fitting_ring(Work work) {
    keep_flint_thread_cache();
    slong capacity = FIRST_KERNEL_COUNT;
    for (;;) {
        try {
            Algebra algebra(capacity);
            return work(algebra);
        } catch (const KernelsExhausted&) {
            if (capacity == LARGEST_KERNEL_COUNT) {
                throw AlgebraError("the expression has more than " + std::to_string(LARGEST_KERNEL_COUNT) +
                                   " distinct letters, roots and functions");
            }
            capacity = std::min(capacity * 2, LARGEST_KERNEL_COUNT);
        }
    }
}

}  // namespace kalvira
