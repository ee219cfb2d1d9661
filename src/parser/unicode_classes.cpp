#include "parser/unicode_classes.hpp"

#include <algorithm>

namespace kalvira::unicode {

bool in_ranges(char32_t c, const CodeRange* ranges, std::size_t count) {
    const CodeRange* end = ranges + count;
    const CodeRange* after =
        std::upper_bound(ranges, end, c, [](char32_t value, const CodeRange& range) { return value < range.first; });
    return after != ranges && c <= (after - 1)->last;
}

}  // namespace kalvira::unicode
