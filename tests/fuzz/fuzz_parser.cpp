// libFuzzer target of the parser: any bytes give a tree or a ParseFailure
// whose offset lies within the text (counted in code points, where every
// byte that is not part of a UTF-8 sequence counts as one); and every tree
// written in school notation, ASCII or Unicode, parses back to itself.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "parser/parse.hpp"
#include "parser/utf8.hpp"
#include "values/school_text.hpp"

namespace {

void check_reads_back(const kalvira::ExprPtr& tree, kalvira::TextStyle style) {
    std::string text;
    kalvira::write_school_text(*tree, style, text);
    if (!kalvira::parse_expression(text)->equals(tree, kalvira::Cancellation())) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const kalvira::ExprPtr tree = kalvira::parse_expression(text);
        if (!tree) {
            std::abort();
        }
        check_reads_back(tree, kalvira::TextStyle::ASCII);
        check_reads_back(tree, kalvira::TextStyle::UNICODE);
    } catch (const kalvira::ParseFailure& failure) {
        if (failure.offset() > kalvira::utf8::count_code_points(text)) {
            std::abort();
        }
    }
    return 0;
}
