// school_expand(tree), school_simplify(tree) and school_factor(tree): the
// exact algebra layer. Its errors are invalid_argument, so they reach Python
// as ValueError; Ctrl-C stops a long call.

#include "algebra/school_operations.hpp"
#include "ast/interruptible.hpp"
#include "native/bindings.hpp"

namespace py = pybind11;

namespace kalvira {

namespace {

template <ExprPtr (*Operation)(const ExprPtr&, const Cancellation&)>
ExprPtr interruptibly(const ExprPtr& tree) {
    return call_interruptibly([&](const Cancellation& cancel) { return Operation(tree, cancel); });
}

}  // namespace

void bind_algebra(py::module_& m) {
    m.def("school_expand", &interruptibly<school_expand>, py::arg("tree").none(false),
          "The tree multiplied out exactly, like terms collected, in school form");
    m.def("school_simplify", &interruptibly<school_simplify>, py::arg("tree").none(false),
          "The tree worked out exactly: numbers, like terms and surds collected, one fraction in lowest terms");
    m.def("school_factor", &interruptibly<school_factor>, py::arg("tree").none(false),
          "The tree factorised over the integers, in school form");
}

}  // namespace kalvira
