#include "algebra/school_operations.hpp"

#include "algebra/algebra_error.hpp"
#include "algebra/fitting_ring.hpp"
#include "algebra/school_factor.hpp"
#include "algebra/school_form.hpp"
#include "algebra/tree_to_algebra.hpp"

namespace kalvira {

namespace {

// Converts tree and hands its value to write.
template <class Write>
auto with_value(const ExprPtr& tree, const Cancellation& cancel, Write write) {
    if (!tree) {
        throw AlgebraError("no expression");
    }
    return in_fitting_ring([&](Algebra& algebra) {
        const RationalFunction value = to_algebra(algebra, tree, cancel);
        return write(algebra, value);
    });
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
