#include <iostream>

#include "check.hpp"

namespace check {

namespace {
int failures_in_case = 0;
}

std::vector<TestCase>& registry() {
    static std::vector<TestCase> cases;
    return cases;
}

void record_failure(const char* file, int line, const std::string& what) {
    ++failures_in_case;
    std::cerr << file << ":" << line << ": " << what << "\n";
}

}  // namespace check

int main() {
    int passed = 0;
    int failed = 0;
    for (const auto& test : check::registry()) {
        check::failures_in_case = 0;
        test.body();
        if (check::failures_in_case == 0) {
            ++passed;
        } else {
            ++failed;
            std::cerr << "FAILED: " << test.name << "\n";
        }
    }
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}
