// wrapped(tree, result): whether result lost tree's value to 32-bit
// wrap-around, as values/wrap_check.hpp decides. Ctrl-C stops a long check.

#include "ast/interruptible.hpp"
#include "native/bindings.hpp"
#include "values/wrap_check.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

bool wrapped(const ExprPtr& tree, const ExprPtr& result) {
    return call_interruptibly([&](const Cancellation& cancel) { return wrapped_around(tree, result, cancel); });
}

}  // namespace

void bind_wrap_check(py::module_& m) {
    m.def("wrapped", &wrapped, py::arg("tree").none(false), py::arg("result").none(false),
          "True when result's value differs from tree's because an integer wrapped around at 32 bits");
}

}  // namespace kalvira
