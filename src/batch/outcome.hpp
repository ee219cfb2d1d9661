#pragma once

// What one text of a batch comes to: its result written out, or why it has none.

#include <cstddef>
#include <string>
#include <string_view>

#include "ast/cancellation.hpp"

namespace kalvira {

enum class BatchOperation { LATEX, SIMPLIFY, EXPAND };

// How results are written: LaTeX, or the school notation parse reads.
enum class BatchNotation { LATEX, TEXT, UNICODE };

enum class FailureKind { NONE, PARSE, MATH, MEMORY };

struct Outcome {
    FailureKind failure = FailureKind::NONE;
    // The written result, or the one-line error message.
    std::string text;
    // For parse failures, where the text goes wrong: 1-based, in characters.
    std::size_t position = 0;
};

// Parses text, applies op and writes the result in notation. Failures of
// the text itself (not an expression, a mathematical error, no memory)
// become the outcome; only Cancelled and faults of the library escape.
Outcome run_text(BatchOperation op, BatchNotation notation, std::string_view text, const Cancellation& cancel);

}  // namespace kalvira
