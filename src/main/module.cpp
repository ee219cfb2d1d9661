// The Python module _kalvira_core: the expression classes, `simplify` and
// `expand`. Every binding forwards to the core; nothing here does maths.
// Long calls poll for Ctrl-C: the core is handed a cancellation check that
// asks the interpreter for pending signals, with the GIL held throughout.

#include <pybind11/pybind11.h>

#include <memory>
#include <new>
#include <string>
#include <utility>

#include "ast/interruptible.hpp"
#include "ast/latex.hpp"
#include "expansion/expand.hpp"
#include "simplifier/simplify.hpp"

namespace py = pybind11;
using namespace kalvira;

namespace {

// A Python wrapper owns its node only through its shared pointer. pybind11
// stores the node's address in a wrapper before registering the wrapper, and
// makes the holder after; when registering runs out of memory, no holder
// exists and pybind11's own cleanup frees the bare address. That address lies
// inside a make_shared block, which a shared pointer elsewhere (the
// constructor's result, a returned child) still owns or has already freed: an
// invalid free. This cleanup drops the holder if there is one and frees
// nothing else, so a failed registration leaves the node to its owner.
template <class Node>
void release_wrapper(py::detail::value_and_holder& v_h) {
    py::error_scope keep_pending_error;  // may run while an exception is pending
    if (v_h.holder_constructed()) {
        v_h.holder<std::shared_ptr<Node>>().~shared_ptr();
        v_h.set_holder_constructed(false);
    }
    v_h.value_ptr() = nullptr;
}

template <class Node, class... Bases>
auto expr_class(py::module_& m, const char* name) {
    py::class_<Node, Bases..., std::shared_ptr<Node>> cls(m, name);
    py::detail::get_type_info(reinterpret_cast<PyTypeObject*>(cls.ptr()))->dealloc = &release_wrapper<Node>;
    return cls;
}

// A child parameter that refuses None, so no node with an empty child exists.
py::arg child(const char* name) { return py::arg(name).none(false); }

// The constructor of a node class. It returns the shared pointer itself:
// from a bare pointer, pybind11 would allocate the pointer's control block
// after the call, where a bad_alloc cannot become a MemoryError and aborts
// the interpreter instead.
template <class Node, class... Args>
auto node_init() {
    return py::init([](Args... args) { return std::make_shared<Node>(std::move(args)...); });
}

// The leaves with data, each with its own constructor.
template <class Node>
void bind_leaf(py::module_& m, const char* name);

template <>
void bind_leaf<Int>(py::module_& m, const char* name) {
    expr_class<Int, Expr>(m, name).def(node_init<Int, int>(), py::arg("value")).def("value", &Int::value);
}

template <>
void bind_leaf<Var>(py::module_& m, const char* name) {
    expr_class<Var, Expr>(m, name).def(node_init<Var, std::string>(), py::arg("name")).def("name", &Var::name);
}

template <>
void bind_leaf<Rational>(py::module_& m, const char* name) {
    expr_class<Rational, Expr>(m, name)
        .def(node_init<Rational, int, int>(), py::arg("num"), py::arg("den"))
        .def("num", &Rational::num)
        .def("den", &Rational::den);
}

template <class Node>
void bind_constant(py::module_& m, const char* name) {
    expr_class<Node, Expr>(m, name).def(node_init<Node>());
}

template <class Node>
void bind_unary(py::module_& m, const char* name) {
    expr_class<Node, Expr>(m, name).def(node_init<Node, ExprPtr>(), child("operand")).def("operand", &Node::operand);
}

template <class Node, class Accessor>
void bind_binary(py::module_& m, const char* name, const char* first, Accessor first_of, const char* second,
                 Accessor second_of) {
    expr_class<Node, Expr>(m, name)
        .def(node_init<Node, ExprPtr, ExprPtr>(), child(first), child(second))
        .def(first, first_of)
        .def(second, second_of);
}

// Every node class, in the order of the list of kinds.
void bind_nodes(py::module_& m) {
#define KALVIRA_BIND_LEAF(Class, ...) bind_leaf<Class>(m, #Class);
#define KALVIRA_BIND_CONSTANT(Class, KIND) bind_constant<Class>(m, #Class);
#define KALVIRA_BIND_UNARY(Class, ...) bind_unary<Class>(m, #Class);
#define KALVIRA_BIND_BINARY(Class, KIND, PRECEDENCE, first, second) \
    bind_binary<Class>(m, #Class, #first, &Class::first, #second, &Class::second);
    KALVIRA_NODE_KINDS(KALVIRA_BIND_LEAF, KALVIRA_BIND_CONSTANT, KALVIRA_BIND_UNARY, KALVIRA_BIND_BINARY)
#undef KALVIRA_BIND_LEAF
#undef KALVIRA_BIND_CONSTANT
#undef KALVIRA_BIND_UNARY
#undef KALVIRA_BIND_BINARY
}

std::string latex_of(const Expr& e) {
    return call_interruptibly([&e](const Cancellation& cancel) {
        std::string out;
        write_latex(e, out, cancel);
        return out;
    });
}

ExprPtr simplify_tree(ExprPtr expr) {
    return call_interruptibly(
        [&expr](const Cancellation& cancel) { return kalvira::simplify(std::move(expr), cancel); });
}

ExprPtr expand_tree(ExprPtr expr) {
    return call_interruptibly([&expr](const Cancellation& cancel) { return kalvira::expand(std::move(expr), cancel); });
}

// Pickling a node: the nodes have no pickled form of their own, so every
// protocol refuses with the TypeError that protocol 2 raises by default.
// Below protocol 2, Python's default would call the base type from a C
// slot, and pybind11 aborts the process there instead of raising.
[[noreturn]] void refuse_pickling(const py::object& self) {
    throw py::type_error(std::string("cannot pickle '") + Py_TYPE(self.ptr())->tp_name + "' object");
}

// The first throw on a thread may allocate (the runtime's per-thread
// exception state, the unwinder's caches); if that fails once memory is
// exhausted, the process exits at once instead of raising MemoryError.
// Throwing once at import, while there is memory, makes those allocations
// for the importing thread.
void prepare_exception_state() {
    try {
        throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace

PYBIND11_MODULE(_kalvira_core, m) {
    prepare_exception_state();
    m.doc() = "KalVira: 高校数Ⅲレベルの数式処理ライブラリ (C++ core)";

    expr_class<Expr>(m, "Expr")
        .def("to_string", &latex_of, "LaTeX形式の文字列を返す")
        .def(
            "__reduce_ex__", [](const py::object& self, int) { refuse_pickling(self); }, py::arg("protocol"))
        .def("__reduce__", &refuse_pickling);

    bind_nodes(m);

    m.def("simplify", &simplify_tree, py::arg("expr"), "数式を簡略化する");
    m.def("expand", &expand_tree, py::arg("expr"), "数式を展開して同類項をまとめる");
}
