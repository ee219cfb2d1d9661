// Trees as values: structural equality and hash, which the package installs
// on the core classes as ==, != and hash. Both hold the GIL and poll for
// Ctrl-C.

#include <cstdint>

#include "native/bindings.hpp"
#include "native/interruptible.hpp"
#include "values/structural_hash.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

bool structural_equal(const ExprPtr& a, const ExprPtr& b) {
    return call_interruptibly([&](const Cancellation& cancel) { return a->equals(b, cancel); });
}

// A Python int in the range of Py_hash_t, as hash() wants.
std::int64_t structural_hash_of(const ExprPtr& tree) {
    return static_cast<std::int64_t>(
        call_interruptibly([&](const Cancellation& cancel) { return structural_hash(tree, cancel); }));
}

}  // namespace

void bind_values(py::module_& m) {
    m.def("structural_equal", &structural_equal, py::arg("a").none(false), py::arg("b").none(false),
          "Whether two trees have the same structure: same kinds, same data, equal children in order.");
    m.def("structural_hash", &structural_hash_of, py::arg("tree").none(false),
          "A hash of the tree's structure; equal trees hash equal.");
}

}  // namespace kalvira
