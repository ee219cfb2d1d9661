#pragma once

// Whether the core's simplify or expand of input lost its value because a
// 32-bit integer wrapped around. The modular check (values/wrap_check.hpp)
// judges first, cheaply; where it cannot, as beside roots and functions,
// the exact layer works out input - result, and a nonzero difference is a
// lost value. The core's results differ from the exact layer's in form, so
// only that difference's value counts.
//
// False where neither can tell: where the exact layer refuses the
// difference (a point with no value, such as a division by zero, or work
// too large to do), and for an input with the cube root of anything but a
// number, where the core knows an identity the exact layer does not.

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

bool wrapped_around(const ExprPtr& input, const ExprPtr& result, const Cancellation& cancel);

}  // namespace kalvira
