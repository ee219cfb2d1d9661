#include "batch/outcome.hpp"

#include <new>
#include <stdexcept>

#include "algebra/school_operations.hpp"
#include "ast/latex.hpp"
#include "batch/wrap_verdict.hpp"
#include "expansion/expand.hpp"
#include "parser/parse.hpp"
#include "simplifier/simplify.hpp"
#include "values/constructor_form.hpp"
#include "values/school_text.hpp"

namespace kalvira {

namespace {

ExprPtr apply(BatchOperation op, ExprPtr tree, const Cancellation& cancel) {
    switch (op) {
    case BatchOperation::SIMPLIFY:
        return school_simplify(tree, cancel);
    case BatchOperation::EXPAND:
        return school_expand(tree, cancel);
    case BatchOperation::FACTOR:
        return school_factor(tree, cancel);
    case BatchOperation::CORE_SIMPLIFY:
        return simplify(std::move(tree), cancel);
    case BatchOperation::CORE_EXPAND:
        return expand(std::move(tree), cancel);
    case BatchOperation::LATEX:
        break;
    }
    return tree;
}

// Only the core's operations can lose a value to wrap-around; the school
// operations refuse a number that does not fit instead.
bool may_wrap(BatchOperation op) { return op == BatchOperation::CORE_SIMPLIFY || op == BatchOperation::CORE_EXPAND; }

void write_result(BatchNotation notation, const Expr& result, std::string& out, const Cancellation& cancel) {
    switch (notation) {
    case BatchNotation::TEXT:
        write_school_text(result, TextStyle::ASCII, out, cancel);
        return;
    case BatchNotation::UNICODE:
        write_school_text(result, TextStyle::UNICODE, out, cancel);
        return;
    case BatchNotation::TREE:
        write_constructor_form(result, out, cancel);
        return;
    case BatchNotation::LATEX:
        break;
    }
    write_latex(result, out, cancel);
}

Outcome failure(FailureKind kind, std::string message, std::size_t position = 0) {
    return Outcome{kind, std::move(message), position};
}

}  // namespace

Outcome run_text(BatchOperation op, BatchNotation notation, std::string_view text, bool check_wrap,
                 const Cancellation& cancel) {
    try {
        const ExprPtr input = parse_expression(text, cancel);
        const ExprPtr result = apply(op, input, cancel);
        Outcome done;
        write_result(notation, *result, done.text, cancel);
        done.wrapped = check_wrap && may_wrap(op) && wrapped_around(input, result, cancel);
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
