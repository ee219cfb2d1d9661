#include "algebra/algebra_error.hpp"

namespace kalvira {

const char* cause_text(UndefinedCause cause) {
    switch (cause) {
    case UndefinedCause::DIVISION_BY_ZERO:
        return "division by zero";
    case UndefinedCause::NEGATIVE_SQUARE_ROOT:
        return "the square root of a negative number";
    case UndefinedCause::LOGARITHM_OF_NON_POSITIVE:
        return "the logarithm of a number that is not positive";
    case UndefinedCause::TANGENT_AT_ODD_HALF_PI:
        return "the tangent of pi/2 (plus a multiple of pi)";
    case UndefinedCause::EVEN_ROOT_OF_NEGATIVE:
        return "a negative number to a fractional power with an even denominator";
    case UndefinedCause::NEGATIVE_TO_IRRATIONAL_POWER:
        break;
    }
    return "a negative number to a power that is not rational";
}

}  // namespace kalvira
