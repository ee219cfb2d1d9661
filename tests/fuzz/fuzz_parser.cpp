// libFuzzer target of the parser: any bytes give a tree or a ParseFailure
// whose offset lies within the text (counted in code points, where every
// byte that is not part of a UTF-8 sequence counts as one).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "parser/parse.hpp"
#include "parser/utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        if (!kalvira::parse_expression(text)) {
            std::abort();
        }
    } catch (const kalvira::ParseFailure& failure) {
        if (failure.offset() > kalvira::utf8::count_code_points(text)) {
            std::abort();
        }
    }
    return 0;
}
