#pragma once

// What one text of a batch comes to: its result written out, or why it has none.

#include <cstddef>
#include <string>
#include <string_view>

#include "ast/cancellation.hpp"

namespace kalvira {

// SIMPLIFY, EXPAND and FACTOR are the exact school operations, which refuse
// what does not fit; CORE_SIMPLIFY and CORE_EXPAND the core's own, whose
// 32-bit arithmetic wraps.
enum class BatchOperation { LATEX, SIMPLIFY, EXPAND, FACTOR, CORE_SIMPLIFY, CORE_EXPAND };

// How results are written: LaTeX, the school notation parse reads, or the
// constructor form that rebuilds the tree in Python.
enum class BatchNotation { LATEX, TEXT, UNICODE, TREE };

enum class FailureKind { NONE, PARSE, MATH, MEMORY };

struct Outcome {
    FailureKind failure = FailureKind::NONE;
    // The written result, or the one-line error message.
    std::string text;
    // For parse failures, where the text goes wrong: 1-based, in characters.
    std::size_t position = 0;
    // The result's value differs from the text's: a 32-bit integer wrapped.
    bool wrapped = false;
};

// Parses text, applies op and writes the result in notation; with
// check_wrap and a core operation, also looks for a value lost to 32-bit
// wrap-around (batch/wrap_verdict.hpp). Failures of the text itself (not
// an expression, a mathematical error, no memory) become the outcome; only
// Cancelled and faults of the library escape.
Outcome run_text(BatchOperation op, BatchNotation notation, std::string_view text, bool check_wrap,
                 const Cancellation& cancel);

}  // namespace kalvira
