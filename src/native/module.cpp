// kalvira._native: the package's native front (the parser, the batch path,
// trees as values, the wrap check, the walks behind evaluation, and the
// working of simplify and expand). It returns the core's own node classes,
// so _kalvira_core is imported first: pybind11 shares registered types
// between modules.

#include <pybind11/pybind11.h>

#include "native/bindings.hpp"

PYBIND11_MODULE(_native, m) {
    pybind11::module_::import("_kalvira_core");
    m.doc() = "The native front of the kalvira package";
    kalvira::bind_parser(m);
    kalvira::bind_batch(m);
    kalvira::bind_values(m);
    kalvira::bind_wrap_check(m);
    kalvira::bind_walks(m);
    kalvira::bind_algebra(m);
    kalvira::bind_certified(m);
}
