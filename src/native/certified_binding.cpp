// certified_value(tree, point, bits): a tree's certified value at an exact
// rational point, with the GIL held; Ctrl-C stops a long call. Numbers
// cross as hexadecimal texts both ways, so they may have any size.

#include <pybind11/stl.h>

#include <map>
#include <string>
#include <utility>

#include "algebra/algebra_error.hpp"
#include "ast/interruptible.hpp"
#include "certified/certified_value.hpp"
#include "native/bindings.hpp"

namespace py = pybind11;

namespace kalvira {

namespace {

using HexFraction = std::pair<std::string, std::string>;

void set_hex(fmpz* into, const std::string& text) {
    if (text.empty() || fmpz_set_str(into, text.c_str(), 16) != 0) {
        throw std::invalid_argument("not a hexadecimal integer: " + text);
    }
}

py::object int_of(const fmpz* value) {
    char* text = fmpz_get_str(nullptr, 16, value);
    PyObject* number = PyLong_FromString(text, nullptr, 16);
    flint_free(text);
    if (!number) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::object>(number);
}

// An endpoint as (mantissa, exponent): mantissa * 2^exponent.
py::tuple endpoint(const arf_struct* bound) {
    Integer mantissa;
    Integer exponent;
    arf_get_fmpz_2exp(mantissa.get(), exponent.get(), bound);
    return py::make_tuple(int_of(mantissa.get()), int_of(exponent.get()));
}

py::tuple ball_tuple(const ArbBall& ball, slong bits) {
    arf_t low;
    arf_t high;
    arf_init(low);
    arf_init(high);
    // Rounding outward keeps the ball's endpoints around the value.
    arb_get_lbound_arf(low, ball.get(), 2 * bits + 64);
    arb_get_ubound_arf(high, ball.get(), 2 * bits + 64);
    py::tuple result = py::make_tuple("ball", endpoint(low), endpoint(high));
    arf_clear(low);
    arf_clear(high);
    return result;
}

py::tuple certified(const ExprPtr& tree, const std::map<std::string, HexFraction>& point, slong bits) {
    if (bits < 1) {
        throw std::invalid_argument("the bits asked for must be positive");
    }
    LetterValues letters;
    for (const auto& [name, value] : point) {
        Fraction number;
        Integer num;
        Integer den;
        set_hex(num.get(), value.first);
        set_hex(den.get(), value.second);
        if (fmpz_sgn(den.get()) <= 0) {
            throw std::invalid_argument("a denominator must be positive");
        }
        fmpq_set_fmpz_frac(number.get(), num.get(), den.get());
        letters.emplace(name, number);
    }
    try {
        const CertifiedValue value = call_interruptibly(
            [&](const Cancellation& cancel) { return certified_value(tree, letters, bits, cancel); });
        if (value.exact) {
            return py::make_tuple("exact", int_of(value.rational.num()), int_of(value.rational.den()));
        }
        return ball_tuple(value.ball, bits);
    } catch (const UndefinedValue& undefined) {
        return py::make_tuple("undefined", cause_text(undefined.cause()));
    }
}

}  // namespace

void bind_certified(py::module_& m) {
    m.def("certified_value", &certified, py::arg("tree").none(false), py::arg("point"), py::arg("bits"),
          "('exact', num, den), ('ball', (mantissa, exponent), (mantissa, exponent)) or ('undefined', cause)");
}

}  // namespace kalvira
