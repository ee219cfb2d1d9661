#pragma once

// Runs a long native call with a cancellation check that stops it once a
// signal handler (Ctrl-C's KeyboardInterrupt) has raised; the pending
// Python error is then rethrown. The GIL stays held throughout. Both
// extension modules use it. It is the one header of ast that needs Python:
// only the two modules' bindings include it, so the libraries stay free of
// Python.

#include <pybind11/pybind11.h>

#include "ast/cancellation.hpp"

namespace kalvira {

template <class Operation>
auto call_interruptibly(Operation operation) {
    const Cancellation on_signal([] { return PyErr_CheckSignals() != 0; });
    try {
        return operation(on_signal);
    } catch (const Cancelled&) {
        throw pybind11::error_already_set();
    }
}

}  // namespace kalvira
