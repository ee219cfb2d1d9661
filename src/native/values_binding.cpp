// Trees as values: structural equality and hash, the constructor form and
// school notation, which the package installs on the core classes as ==,
// !=, hash, repr and str. All hold the GIL and poll for Ctrl-C.

#include <cstdint>
#include <string>

#include "ast/interruptible.hpp"
#include "native/bindings.hpp"
#include "native/utf8_text.hpp"
#include "parser/parse_errors.hpp"
#include "values/constructor_form.hpp"
#include "values/school_text.hpp"
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

template <class Writer>
py::str written(Writer write) {
    const std::string text = call_interruptibly([&](const Cancellation& cancel) {
        std::string out;
        write(out, cancel);
        return out;
    });
    // Names that are not UTF-8 come out with their bytes as \xNN escapes.
    return str_of(text, "backslashreplace");
}

py::str school_text_of(const ExprPtr& tree, bool unicode) {
    const TextStyle style = unicode ? TextStyle::UNICODE : TextStyle::ASCII;
    return written([&](std::string& out, const Cancellation& cancel) { write_school_text(*tree, style, out, cancel); });
}

py::str constructor_form_of(const ExprPtr& tree) {
    return written([&](std::string& out, const Cancellation& cancel) { write_constructor_form(*tree, out, cancel); });
}

// The parser's words for an integer it refuses, for the operators' too.
std::string integer_range_error(bool negative, const std::string& digits) {
    return parse_errors::integer_too_large(negative, digits) + "; " + parse_errors::INTEGER_RANGE_HINT;
}

}  // namespace

void bind_values(py::module_& m) {
    m.def("structural_equal", &structural_equal, py::arg("a").none(false), py::arg("b").none(false),
          "Whether two trees have the same structure: same kinds, same data, equal children in order.");
    m.def("structural_hash", &structural_hash_of, py::arg("tree").none(false),
          "A hash of the tree's structure; equal trees hash equal.");
    m.def("school_text", &school_text_of, py::arg("tree").none(false), py::arg("unicode") = false,
          "The tree in the school notation that parse reads.");
    m.def("constructor_form", &constructor_form_of, py::arg("tree").none(false),
          "The Python expression that builds the tree.");
    m.def("integer_range_error", &integer_range_error, py::arg("negative"), py::arg("digits"),
          "The message for an integer outside 32 bits, given its sign and decimal digits.");
}

}  // namespace kalvira
