// parse(text): the text is handed over as UTF-8, with lone surrogates kept
// (as 'surrogatepass' writes them) so that every str gets a tree or a
// ParseFailure. Failures carry (offset, reason, hint) as their args; the
// kalvira package turns them into ParseError.

#include <string_view>

#include "ast/interruptible.hpp"
#include "native/bindings.hpp"
#include "native/utf8_text.hpp"
#include "parser/parse.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

ExprPtr parse_str(const py::str& text) {
    const Utf8Text utf8(text);
    return call_interruptibly([&utf8](const Cancellation& cancel) { return parse_expression(utf8.view(), cancel); });
}

}  // namespace

void bind_parser(py::module_& m) {
    static py::handle failure_type = PyErr_NewException("kalvira._native.ParseFailure", PyExc_ValueError, nullptr);
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
