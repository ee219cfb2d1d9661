// wrapped(tree, result): whether result lost tree's value to 32-bit
// wrap-around, as batch/wrap_check.hpp decides. Ctrl-C stops a long check.

#include "batch/wrap_check.hpp"
#include "native/bindings.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

bool wrapped(const ExprPtr& tree, const ExprPtr& result) {
    if (!tree || !result) {
        throw py::type_error("wrapped() needs two expression trees, not None");
    }
    const Cancellation on_signal([] { return PyErr_CheckSignals() != 0; });
    try {
        return wrapped_around(tree, result, on_signal);
    } catch (const Cancelled&) {
        throw py::error_already_set();
    }
}

}  // namespace

void bind_wrap_check(py::module_& m) {
    m.def("wrapped", &wrapped, py::arg("tree"), py::arg("result"),
          "True when result's value differs from tree's because an integer wrapped around at 32 bits");
}

}  // namespace kalvira
