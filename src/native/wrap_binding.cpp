// wrapped(tree, result): whether result lost tree's value to 32-bit
// wrap-around, as batch/wrap_verdict.hpp decides; residue(tree, point): the
// tree's value modulo the check's prime, which answer checking compares in
// time linear in the tree where exact values grow with its depth. Ctrl-C
// stops a long walk.

#include <pybind11/stl.h>

#include "ast/interruptible.hpp"
#include "batch/wrap_verdict.hpp"
#include "native/bindings.hpp"
#include "values/prime_field.hpp"
#include "values/wrap_check.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

bool wrapped(const ExprPtr& tree, const ExprPtr& result) {
    return call_interruptibly([&](const Cancellation& cancel) { return wrapped_around(tree, result, cancel); });
}

Residue residue(const ExprPtr& tree, const std::unordered_map<std::string, std::uint64_t>& point) {
    return call_interruptibly([&](const Cancellation& cancel) { return residue_at(tree, point, cancel); });
}

}  // namespace

void bind_wrap_check(py::module_& m) {
    m.def("wrapped", &wrapped, py::arg("tree").none(false), py::arg("result").none(false),
          "True when result's value differs from tree's because an integer wrapped around at 32 bits");
    m.def("residue", &residue, py::arg("tree").none(false), py::arg("point"),
          "The tree's value modulo RESIDUE_PRIME, each variable given its residue; None where it has none");
    m.attr("RESIDUE_PRIME") = prime_field::PRIME;
}

}  // namespace kalvira
