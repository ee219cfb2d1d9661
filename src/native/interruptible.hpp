#pragma once

// Runs a core call with a check that stops it once a signal handler (Ctrl-C's
// KeyboardInterrupt) has raised; that pending Python error is rethrown.

#include <pybind11/pybind11.h>

#include "ast/cancellation.hpp"

namespace kalvira {

template <class Operation>
auto interruptibly(Operation operation) {
    const Cancellation on_signal([] { return PyErr_CheckSignals() != 0; });
    try {
        return operation(on_signal);
    } catch (const Cancelled&) {
        throw pybind11::error_already_set();
    }
}

}  // namespace kalvira
