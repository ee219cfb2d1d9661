#pragma once

// Reading school notation ("3(x+1)^2 - sin(pi/4)", "x² · √2") into the
// core's expression trees, without Python and without recursion.

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"

namespace kalvira {

// Text that is not an expression: where (0-based, in code points) and why.
class ParseFailure : public std::exception {
public:
    ParseFailure(std::size_t offset, std::string reason, std::string hint = {});

    std::size_t offset() const { return offset_; }  // 0-based, counted in code points
    const std::string& reason() const { return reason_; }
    const std::string& hint() const { return hint_; }
    // "<reason> at position <offset+1>[; <hint>]"
    std::string summary() const;
    const char* what() const noexcept override { return summary_.c_str(); }

private:
    std::size_t offset_;
    std::string reason_;
    std::string hint_;
    std::string summary_;
};

// Reads school notation (UTF-8; lone surrogates may appear encoded as three
// bytes each, as Python's 'surrogatepass' writes them) into a tree. Never
// recurses; polls `cancel`. Throws ParseFailure, std::bad_alloc or Cancelled.
ExprPtr parse_expression(std::string_view text, const Cancellation& cancel = Cancellation());

}  // namespace kalvira
