#include "algebra/school_operations.hpp"

#include <set>
#include <string>
#include <utility>

#include "algebra/algebra_error.hpp"
#include "algebra/school_factor.hpp"
#include "algebra/school_form.hpp"
#include "algebra/tree_to_algebra.hpp"
#include "ast/fold_tree.hpp"

namespace kalvira {

namespace {

// Every kernel is a variable of FLINT's packed exponent vectors, so each
// term costs memory in proportion to the number of kernels: beyond this
// many, a computation is refused rather than run out of memory.
constexpr slong LARGEST_KERNEL_COUNT = 4096;
// Room for pi, e, roots and functions beside the letters at the first try.
constexpr slong SPARE_KERNELS = 16;

slong letter_count(const ExprPtr& tree, const Cancellation& cancel) {
    std::set<std::string> names;
    fold_tree<char>(tree, cancel, [&](const ExprPtr& node, const char*) {
        if (node->type() == ExprType::VAR) {
            names.insert(static_cast<const Var&>(*node).name());
        }
        return '\0';
    });
    return static_cast<slong>(names.size());
}

// Converts tree in a ring with room for its kernels and hands the value to
// write; a ring found too small is replaced by one twice the size.
template <class Write>
ExprPtr with_value(const ExprPtr& tree, const Cancellation& cancel, Write write) {
    if (!tree) {
        throw AlgebraError("no expression");
    }
    slong capacity = std::min(letter_count(tree, cancel) + SPARE_KERNELS, LARGEST_KERNEL_COUNT);
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

}  // namespace kalvira
