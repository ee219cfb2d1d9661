#pragma once

// A minimal test harness: TEST_CASE registers a function, CHECK records a
// failed condition without stopping the case, main runs every case.

#include <sstream>
#include <string>
#include <vector>

namespace check {

struct TestCase {
    const char* name;
    void (*body)();
};

std::vector<TestCase>& registry();
void record_failure(const char* file, int line, const std::string& what);

struct Registration {
    Registration(const char* name, void (*body)()) { registry().push_back({name, body}); }
};

template <class A, class B>
std::string mismatch(const char* expression, const A& actual, const B& expected) {
    std::ostringstream out;
    out << expression << ": got " << actual << ", expected " << expected;
    return out.str();
}

}  // namespace check

#define TEST_CASE(name)                                                \
    static void name();                                                \
    static const check::Registration name##_registration(#name, name); \
    static void name()

#define CHECK(condition)                                                         \
    do {                                                                         \
        if (!(condition)) check::record_failure(__FILE__, __LINE__, #condition); \
    } while (0)

#define CHECK_EQ(actual, expected)                                                                             \
    do {                                                                                                       \
        const auto& actual_value = (actual);                                                                   \
        const auto& expected_value = (expected);                                                               \
        if (!(actual_value == expected_value))                                                                 \
            check::record_failure(__FILE__, __LINE__, check::mismatch(#actual, actual_value, expected_value)); \
    } while (0)
