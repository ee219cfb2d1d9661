// kalvira._native.run_batch: texts in, results written out (LaTeX, school notation or the
// constructor form) or errors out, on threads that run without the GIL. The
// calling thread waits with the GIL released and takes it back every
// WAIT_SLICE to let signal handlers run, so Ctrl-C stops the batch within a
// fraction of a second.

#include <pybind11/pybind11.h>

#include <chrono>
#include <string>
#include <vector>

#include "batch/batch_run.hpp"
#include "native/bindings.hpp"
#include "native/utf8_text.hpp"

namespace py = pybind11;

namespace kalvira {
namespace {

constexpr std::chrono::milliseconds WAIT_SLICE(50);

// Lone surrogates of the texts (read as 'surrogatepass' writes them) come
// back in the results as they came in.
constexpr const char* RESULT_ERRORS = "surrogatepass";

BatchOperation operation_named(const std::string& name) {
    if (name == "latex") return BatchOperation::LATEX;
    if (name == "simplify") return BatchOperation::SIMPLIFY;
    if (name == "expand") return BatchOperation::EXPAND;
    if (name == "factor") return BatchOperation::FACTOR;
    if (name == "core_simplify") return BatchOperation::CORE_SIMPLIFY;
    if (name == "core_expand") return BatchOperation::CORE_EXPAND;
    throw py::value_error("unknown operation '" + name +
                          "': expected 'latex', 'simplify', 'expand', 'factor', 'core_simplify' or 'core_expand'");
}

std::string utf8_of(const py::handle& text, std::size_t index) {
    if (!PyUnicode_Check(text.ptr())) {
        throw py::type_error("texts[" + std::to_string(index) + "] is " + std::string(Py_TYPE(text.ptr())->tp_name) +
                             ", not str");
    }
    return std::string(Utf8Text(text).view());
}

BatchNotation notation_named(const std::string& name) {
    if (name == "latex") return BatchNotation::LATEX;
    if (name == "text") return BatchNotation::TEXT;
    if (name == "unicode") return BatchNotation::UNICODE;
    if (name == "tree") return BatchNotation::TREE;
    throw py::value_error("unknown notation '" + name + "': expected 'latex', 'text', 'unicode' or 'tree'");
}

const char* kind_name(FailureKind kind) {
    switch (kind) {
    case FailureKind::PARSE:
        return "parse";
    case FailureKind::MATH:
        return "math";
    case FailureKind::MEMORY:
        return "memory";
    case FailureKind::NONE:
        break;
    }
    return "";
}

std::vector<Outcome> run_interruptibly(BatchOperation op, BatchNotation notation, std::vector<std::string> texts,
                                       unsigned jobs, bool check_wrap) {
    BatchRun run(op, notation, std::move(texts), jobs, check_wrap);
    for (;;) {
        bool finished = false;
        {
            const py::gil_scoped_release unlocked;
            finished = run.wait_for(WAIT_SLICE);
        }
        if (finished) {
            return run.results();
        }
        if (PyErr_CheckSignals() != 0) {
            run.stop();
            {
                const py::gil_scoped_release unlocked;
                run.join();
            }
            throw py::error_already_set();
        }
    }
}

// Returns (results, failures, wrapped): results[i] is the written result of
// texts[i] or None, failures lists (index, kind, message, position) for each
// None, and wrapped the indices of results whose integers wrapped around.
py::tuple run_batch(const std::string& operation, const py::iterable& texts, unsigned jobs, const std::string& notation,
                    bool check_wrap) {
    const BatchOperation op = operation_named(operation);
    const BatchNotation written_as = notation_named(notation);
    std::vector<std::string> utf8;
    for (const py::handle text : texts) {
        utf8.push_back(utf8_of(text, utf8.size()));
    }
    const std::vector<Outcome> outcomes = run_interruptibly(op, written_as, std::move(utf8), jobs, check_wrap);
    py::list results(outcomes.size());
    py::list failures;
    py::list wrapped;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const Outcome& outcome = outcomes[i];
        if (outcome.failure == FailureKind::NONE) {
            results[i] = str_of(outcome.text, RESULT_ERRORS);
            if (outcome.wrapped) {
                wrapped.append(i);
            }
        } else {
            results[i] = py::none();
            const py::object position = outcome.position ? py::object(py::int_(outcome.position)) : py::none();
            failures.append(
                py::make_tuple(i, kind_name(outcome.failure), str_of(outcome.text, RESULT_ERRORS), position));
        }
    }
    return py::make_tuple(std::move(results), std::move(failures), std::move(wrapped));
}

}  // namespace

void bind_batch(py::module_& m) {
    m.def("run_batch", &run_batch, py::arg("operation"), py::arg("texts"), py::arg("jobs") = 1,
          py::arg("notation") = "latex", py::arg("check_wrap") = true,
          "Parses, applies the operation and writes every result in the notation ('latex', 'text', "
          "'unicode' or 'tree') on `jobs` threads; returns (results, failures, wrapped).");
}

}  // namespace kalvira
