#pragma once

// The exact algebra layer's errors. AlgebraError is an invalid_argument, so
// the batch path reports it like the core's errors and the binding raises
// ValueError; its messages are English and name the cause. UndefinedValue
// is the one kind of them that says the expression has no value at all,
// with the cause as a code too, so evaluation can name it in its own words.

#include <stdexcept>
#include <string>

namespace kalvira {

class AlgebraError : public std::invalid_argument {
public:
    explicit AlgebraError(const std::string& message) : std::invalid_argument(message) {}
};

enum class UndefinedCause {
    DIVISION_BY_ZERO,
    NEGATIVE_SQUARE_ROOT,
    LOGARITHM_OF_NON_POSITIVE,
    TANGENT_AT_ODD_HALF_PI,
    EVEN_ROOT_OF_NEGATIVE,
    NEGATIVE_TO_IRRATIONAL_POWER,
};

// The cause in a few words: "division by zero".
const char* cause_text(UndefinedCause cause);

class UndefinedValue : public AlgebraError {
public:
    UndefinedValue(UndefinedCause cause, const std::string& message) : AlgebraError(message), cause_(cause) {}
    explicit UndefinedValue(UndefinedCause cause) : UndefinedValue(cause, cause_text(cause)) {}

    UndefinedCause cause() const { return cause_; }

private:
    UndefinedCause cause_;
};

}  // namespace kalvira
