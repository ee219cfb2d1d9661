// What only C++ callers of the parser can hand it: bytes that are not
// UTF-8, and a cancellation check. (Python texts are covered by the
// differential test against the grammar.)

#include <string>

#include "check.hpp"
#include "parser/parse.hpp"

using namespace kalvira;

namespace {

struct Refusal {
    std::size_t offset;
    std::string reason;
};

Refusal refusal_of(const std::string& text) {
    try {
        parse_expression(text);
    } catch (const ParseFailure& failure) {
        return {failure.offset(), failure.reason()};
    }
    return {0, "accepted"};
}

}  // namespace

TEST_CASE(a_byte_outside_utf8_is_one_character_that_nothing_accepts) {
    const struct {
        std::string text;
        std::size_t offset;
        const char* reason;
    } cases[] = {
        {"x + \xff", 4, "unexpected character '\\udcff'"},
        {"\xc3(x)", 0, "unexpected character '\\udcc3'"},
        {"\xce\xb1 + \x80\x80", 4, "unexpected character '\\udc80'"},
        {"x_{\xe2\x82}", 3, "unexpected character '\\udce2'"},
        {"x_{\xed\xa0\x80}", 3, "unexpected character '\\ud800'"},
    };
    for (const auto& c : cases) {
        const Refusal got = refusal_of(c.text);
        CHECK_EQ(got.offset, c.offset);
        CHECK_EQ(got.reason, std::string(c.reason));
    }
}

TEST_CASE(a_long_parse_stops_when_asked) {
    const std::string deep = std::string(100000, '(') + "x" + std::string(100000, ')');
    bool cancelled = false;
    try {
        parse_expression(deep, Cancellation([] { return true; }));
    } catch (const Cancelled&) {
        cancelled = true;
    }
    CHECK(cancelled);
}
