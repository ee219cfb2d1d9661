#include "batch/outcome.hpp"

#include <new>
#include <stdexcept>

#include "ast/latex.hpp"
#include "parser/parse.hpp"
#include "simplifier/simplifier.hpp"

namespace kalvira {

namespace {

ExprPtr apply(BatchOperation op, ExprPtr tree, const Cancellation& cancel) {
    switch (op) {
    case BatchOperation::SIMPLIFY: return simplify(std::move(tree), cancel);
    case BatchOperation::EXPAND: return expand(std::move(tree), cancel);
    case BatchOperation::LATEX: break;
    }
    return tree;
}

Outcome failure(FailureKind kind, std::string message, std::size_t position = 0) {
    return Outcome{kind, std::move(message), position};
}

}  // namespace

Outcome run_text(BatchOperation op, std::string_view text, const Cancellation& cancel) {
    try {
        const ExprPtr result = apply(op, parse_expression(text, cancel), cancel);
        Outcome done;
        write_latex(*result, done.text, cancel);
        return done;
    } catch (const ParseFailure& refused) {
        return failure(FailureKind::PARSE, refused.summary(), refused.offset() + 1);
    } catch (const std::invalid_argument& error) {
        return failure(FailureKind::MATH, error.what());
    } catch (const std::bad_alloc&) {
        return failure(FailureKind::MEMORY, "out of memory");
    }
}

}  // namespace kalvira
