#pragma once

// The kalvira._native module is bound piece by piece, each by a file of its own.

#include <pybind11/pybind11.h>

namespace kalvira {

// parse(text) -> Expr, raising ParseFailure(offset, reason, hint).
void bind_parser(pybind11::module_& m);

// run_batch(operation, texts, jobs, notation, check_wrap) -> (results,
// failures, wrapped), on threads without the GIL.
void bind_batch(pybind11::module_& m);

// structural_equal(a, b), structural_hash(tree), school_text(tree, unicode),
// constructor_form(tree) and integer_range_error(negative, digits), with the
// GIL held.
void bind_values(pybind11::module_& m);

// wrapped(tree, result) -> bool: a value lost to 32-bit wrap-around.
void bind_wrap_check(pybind11::module_& m);

// variables, substitute and nodes: the walks behind kalvira.evaluation,
// kalvira.answers and kalvira.pickling; and NODE_KINDS, the list of kinds.
void bind_walks(pybind11::module_& m);

// school_expand, school_simplify and school_factor(tree) -> tree: the exact
// algebra layer, with the GIL held; Ctrl-C stops a long call.
void bind_algebra(pybind11::module_& m);

// certified_value(tree, point, bits): exact where rational, otherwise the
// endpoints of a ball; ('undefined', cause) where the point has no value.
void bind_certified(pybind11::module_& m);

}  // namespace kalvira
