#pragma once

// The exact algebra layer's one error type. It is an invalid_argument, so
// the batch path reports it like the core's errors and the binding raises
// ValueError; its messages are English and name the cause.

#include <stdexcept>
#include <string>

namespace kalvira {

class AlgebraError : public std::invalid_argument {
public:
    explicit AlgebraError(const std::string& message) : std::invalid_argument(message) {}
};

}  // namespace kalvira
