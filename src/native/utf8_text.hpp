#pragma once

// Between Python str and UTF-8 bytes, in both directions.

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>

namespace kalvira {

// The UTF-8 bytes of a Python str, with lone surrogates written as three
// bytes each (as 'surrogatepass' writes them), so that every str reaches
// the parser. Valid while the str lives.
class Utf8Text {
public:
    explicit Utf8Text(pybind11::handle text) {
        Py_ssize_t size = 0;
        if (const char* utf8 = PyUnicode_AsUTF8AndSize(text.ptr(), &size)) {
            view_ = std::string_view(utf8, static_cast<std::size_t>(size));
            return;
        }
        PyErr_Clear();
        encoded_ = pybind11::reinterpret_steal<pybind11::bytes>(
            PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogatepass"));
        if (!encoded_) {
            throw pybind11::error_already_set();
        }
        view_ = std::string_view(encoded_);
    }

    std::string_view view() const { return view_; }

private:
    pybind11::bytes encoded_;
    std::string_view view_;
};

// The str of UTF-8 bytes, decoded with the named error handler of Python's
// codecs for bytes that are not UTF-8.
inline pybind11::str str_of(const std::string& utf8, const char* errors) {
    PyObject* text = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), errors);
    if (text == nullptr) {
        throw pybind11::error_already_set();
    }
    return pybind11::reinterpret_steal<pybind11::str>(text);
}

}  // namespace kalvira
