// libFuzzer target of the parser: any bytes give a tree or a ParseFailure
// whose offset lies within the text (counted in code points, where every
// byte that is not part of a UTF-8 sequence counts as one).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "parser/parse.hpp"

namespace {

std::size_t code_points(std::string_view text) {
    std::size_t count = 0;
    for (const char byte : text) {
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        if (!kalvira::parse_expression(text)) {
            std::abort();
        }
    } catch (const kalvira::ParseFailure& failure) {
        if (failure.offset() > code_points(text)) {
            std::abort();
        }
    }
    return 0;
}
