#include "algebra/school_operations.hpp"

#include <algorithm>
#include <string>
#include <utility>

#include <flint/flint.h>

#include "algebra/algebra_error.hpp"
#include "algebra/school_factor.hpp"
#include "algebra/school_form.hpp"
#include "algebra/tree_to_algebra.hpp"

namespace kalvira {

namespace {

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

// Converts tree in a ring with room for its kernels and hands the value to
// write; a ring found too small is replaced by one twice the size.
template <class Write>
auto with_value(const ExprPtr& tree, const Cancellation& cancel, Write write) {
    if (!tree) {
        throw AlgebraError("no expression");
    }
    [[maybe_unused]] static thread_local const FlintThreadCache cache;
    slong capacity = FIRST_KERNEL_COUNT;
    for (;;) {
        try {
            Algebra algebra(capacity);
            const RationalFunction value = to_algebra(algebra, tree, cancel);
            return write(algebra, value);
        } catch (const KernelsExhausted&) {
            if (capacity == LARGEST_KERNEL_COUNT) {
                throw AlgebraError("the expression has more than " + std::to_string(LARGEST_KERNEL_COUNT) +
                                   " distinct letters, roots and functions");
            }
            capacity = std::min(capacity * 2, LARGEST_KERNEL_COUNT);
        }
    }
}

ExprPtr school_expression(const ExprPtr& tree, const Cancellation& cancel) {
    return with_value(tree, cancel, [&](const Algebra& algebra, const RationalFunction& value) {
        SchoolWriter writer(algebra, cancel);
        writer.prepare({&value.num, &value.den});
        return writer.expression(value);
    });
}

}  // namespace

// Both give the expanded school form of a fraction in lowest terms: for a
// polynomial that is its expansion, and expand's quotients by numbers and
// simplify's cancelled fractions are the same value in the same form.
ExprPtr school_expand(const ExprPtr& tree, const Cancellation& cancel) { return school_expression(tree, cancel); }

ExprPtr school_simplify(const ExprPtr& tree, const Cancellation& cancel) { return school_expression(tree, cancel); }

ExprPtr school_factor(const ExprPtr& tree, const Cancellation& cancel) {
    return with_value(tree, cancel, [&](const Algebra& algebra, const RationalFunction& value) {
        return factored(algebra, value, cancel);
    });
}

bool school_is_zero(const ExprPtr& tree, const Cancellation& cancel) {
    return with_value(tree, cancel, [](const Algebra&, const RationalFunction& value) { return value.num.is_zero(); });
}

}  // namespace kalvira
