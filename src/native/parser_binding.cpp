// parse(text): the text is handed over as UTF-8, with lone surrogates kept
// (as 'surrogatepass' writes them) so that every str gets a tree or a
// ParseFailure. Failures carry (offset, reason, hint) as their args; the
// kalvira package turns them into ParseError.

#include <Python.h>

#include <string_view>

#include "native/bindings.hpp"
#include "parser/parse.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

// Ctrl-C during a long parse: the pending KeyboardInterrupt is rethrown.
ExprPtr parse_interruptibly(std::string_view text) {
    const Cancellation on_signal([] { return PyErr_CheckSignals() != 0; });
    try {
        return parse_expression(text, on_signal);
    } catch (const Cancelled&) {
        throw py::error_already_set();
    }
}

ExprPtr parse_str(const py::str& text) {
    Py_ssize_t size = 0;
    if (const char* utf8 = PyUnicode_AsUTF8AndSize(text.ptr(), &size)) {
        return parse_interruptibly(std::string_view(utf8, static_cast<std::size_t>(size)));
    }
    PyErr_Clear();  // lone surrogates: encode them as three bytes each
    const py::bytes encoded = py::reinterpret_steal<py::bytes>(
        PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogatepass"));
    if (!encoded) {
        throw py::error_already_set();
    }
    return parse_interruptibly(std::string_view(encoded));
}

}  // namespace

void bind_parser(py::module_& m) {
    static py::handle failure_type =
        PyErr_NewException("kalvira._native.ParseFailure", PyExc_ValueError, nullptr);
    m.add_object("ParseFailure", failure_type);
    py::register_exception_translator([](std::exception_ptr pending) {
        try {
            if (pending) {
                std::rethrow_exception(pending);
            }
        } catch (const ParseFailure& failure) {
            const py::tuple args = py::make_tuple(failure.offset(), failure.reason(), failure.hint());
            PyErr_SetObject(failure_type.ptr(), args.ptr());
        }
    });
    m.def("parse", &parse_str, py::arg("text"),
          "Reads school notation into a tree; raises ParseFailure(offset, reason, hint)");
}

}  // namespace kalvira
