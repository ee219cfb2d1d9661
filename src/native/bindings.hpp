#pragma once

// The parts of the kalvira._native module, each bound by a file of its own.

#include <pybind11/pybind11.h>

namespace kalvira {

// parse(text) -> Expr, raising ParseFailure(offset, reason, hint).
void bind_parser(pybind11::module_& m);

}  // namespace kalvira
