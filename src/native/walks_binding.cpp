// variables(tree), substitute(tree, replacements) and nodes(tree), with
// NODE_KINDS, the walks behind kalvira.evaluation, kalvira.answers and
// kalvira.pickling. They build Python objects, so they keep the GIL;
// Ctrl-C stops a long walk.

#include <pybind11/stl.h>

#include <iterator>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ast/fold_tree.hpp"
#include "ast/interruptible.hpp"
#include "ast/kind_words.hpp"
#include "native/bindings.hpp"
#include "values/tree_values.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

// A variable's name as Var takes it back: a str where it is UTF-8, else
// its bytes (such names are built from bytes, Var(b'\xff')).
py::object name_object(const std::string& name) {
    if (PyObject* text = PyUnicode_DecodeUTF8(name.data(), static_cast<Py_ssize_t>(name.size()), nullptr)) {
        return py::reinterpret_steal<py::object>(text);
    }
    if (!PyErr_ExceptionMatches(PyExc_UnicodeDecodeError)) {
        throw py::error_already_set();
    }
    PyErr_Clear();
    return py::bytes(name);
}

// A leaf's data as the second and third fields of its entry in nodes().
std::pair<py::object, py::object> leaf_fields(const Expr& node) {
    switch (node.type()) {
    case ExprType::INT:
        return {py::int_(static_cast<const Int&>(node).value()), py::none()};
    case ExprType::VAR:
        return {name_object(static_cast<const Var&>(node).name()), py::none()};
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        return {py::int_(fraction.num()), py::int_(fraction.den())};
    }
    default:
        return {py::none(), py::none()};
    }
}

// The class names of the kinds, by ExprType value, as Python strings.
std::vector<py::str> kind_names() {
#define KALVIRA_NAME(Class, ...) #Class,
    static const char* const names[] = {KALVIRA_NODE_KINDS(KALVIRA_NAME, KALVIRA_NAME, KALVIRA_NAME, KALVIRA_NAME)};
#undef KALVIRA_NAME
    return {std::begin(names), std::end(names)};
}

// The names in an entry of the list of kinds, written "num, den".
py::tuple names_in(std::string_view written) {
    py::list names;
    while (!written.empty()) {
        const std::size_t comma = written.find(", ");
        names.append(py::str(std::string(written.substr(0, comma))));
        written = comma == std::string_view::npos ? std::string_view() : written.substr(comma + 2);
    }
    return py::tuple(names);
}

// The kinds from the one list, in the order of ExprType, for the package:
// (class name, accessors of a leaf's data, accessors of the children, the
// word of a function or constant or "").
py::tuple kind_records() {
    py::list records;
    const auto add = [&records](const char* name, ExprType kind, std::string_view data, std::string_view children) {
        const KindWord* spelled = kind_word(kind);
        records.append(py::make_tuple(name, names_in(data), names_in(children),
                                      spelled ? std::string(spelled->word) : std::string()));
    };
#define KALVIRA_LEAF_RECORD(Class, KIND, ...) add(#Class, ExprType::KIND, #__VA_ARGS__, "");
#define KALVIRA_CONSTANT_RECORD(Class, KIND) add(#Class, ExprType::KIND, "", "");
#define KALVIRA_UNARY_RECORD(Class, KIND, PRECEDENCE, operand) add(#Class, ExprType::KIND, "", #operand);
#define KALVIRA_BINARY_RECORD(Class, KIND, PRECEDENCE, first, second) \
    add(#Class, ExprType::KIND, "", #first ", " #second);
    KALVIRA_NODE_KINDS(KALVIRA_LEAF_RECORD, KALVIRA_CONSTANT_RECORD, KALVIRA_UNARY_RECORD, KALVIRA_BINARY_RECORD)
#undef KALVIRA_LEAF_RECORD
#undef KALVIRA_CONSTANT_RECORD
#undef KALVIRA_UNARY_RECORD
#undef KALVIRA_BINARY_RECORD
    return py::tuple(records);
}

// Every distinct node once, children before parents, as (kind, first,
// second): the kind is the node's class name; first and second are a leaf's
// data (Int value; Var name, as str or bytes; Rational num and den), or the positions in
// this list of the node's children; None where unused.
py::list nodes(const ExprPtr& tree) {
    const std::vector<py::str> names = kind_names();
    py::list entries;
    call_interruptibly([&](const Cancellation& cancel) {
        return fold_tree<std::size_t>(tree, cancel, [&](const ExprPtr& node, const std::size_t* children) {
            const py::str& kind = names[static_cast<std::size_t>(node->type())];
            if (node->arity() == 0) {
                const auto [first, second] = leaf_fields(*node);
                entries.append(py::make_tuple(kind, first, second));
            } else {
                const py::object second = node->arity() == 2 ? py::object(py::int_(children[1])) : py::none();
                entries.append(py::make_tuple(kind, children[0], second));
            }
            return entries.size() - 1;
        });
    });
    return entries;
}

}  // namespace

void bind_walks(py::module_& m) {
    m.def(
        "variables",
        [](const ExprPtr& tree) {
            return call_interruptibly([&](const Cancellation& cancel) { return variables(tree, cancel); });
        },
        py::arg("tree").none(false), "The names of the tree's variables, sorted");
    m.def(
        "substitute",
        [](const ExprPtr& tree, const std::unordered_map<std::string, ExprPtr>& replacements) {
            return call_interruptibly(
                [&](const Cancellation& cancel) { return substitute(tree, replacements, cancel); });
        },
        py::arg("tree").none(false), py::arg("replacements"), "The tree with the named variables replaced by trees");
    m.attr("NODE_KINDS") = kind_records();
    m.def("nodes", &nodes, py::arg("tree").none(false),
          "Every distinct node, children first, as (class name, first, second): leaf data or child positions");
}

}  // namespace kalvira
