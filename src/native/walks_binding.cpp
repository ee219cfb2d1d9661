// variables(tree), substitute(tree, replacements) and nodes(tree), the walks behind kalvira.evaluation and kalvira.answers. They build Python objects, so they keep the GIL;
// Ctrl-C stops a long walk.

#include <pybind11/stl.h>

#include <iterator>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ast/fold_tree.hpp"
#include "native/bindings.hpp"
#include "main/interruptible.hpp"
#include "values/tree_values.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

// A leaf's data as the second and third fields of its entry in nodes().
std::pair<py::object, py::object> leaf_fields(const Expr& node) {
    switch (node.type()) {
    case ExprType::INT: return {py::int_(static_cast<const Int&>(node).value()), py::none()};
    case ExprType::VAR: return {py::str(static_cast<const Var&>(node).name()), py::none()};
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        return {py::int_(fraction.num()), py::int_(fraction.den())};
    }
    default: return {py::none(), py::none()};
    }
}

// The class names of the kinds, by ExprType value, as Python strings.
std::vector<py::str> kind_names() {
#define KALVIRA_NAME(Class, ...) #Class,
    static const char* const names[] = {KALVIRA_NODE_KINDS(KALVIRA_NAME, KALVIRA_NAME, KALVIRA_NAME, KALVIRA_NAME)};
#undef KALVIRA_NAME
    return {std::begin(names), std::end(names)};
}

// Every distinct node once, children before parents, as (kind, first,
// second): the kind is the node's class name; first and second are a leaf's
// data (Int value; Var name; Rational num and den), or the positions in
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
    m.def("nodes", &nodes, py::arg("tree").none(false),
          "Every distinct node, children first, as (class name, first, second): leaf data or child positions");
}

}  // namespace kalvira
