// libFuzzer target: decodes bytes into a tree (every kind, extreme integers,
// odd variable names, shared subtrees, chains up to 10,000 deep), then
// renders, simplifies and expands it and checks what must always hold.
// Any broken invariant aborts, which the fuzzer reports with its input.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "../cpp/result_comparison.hpp"
#include "ast/errors.hpp"
#include "ast/latex.hpp"
#include "ast/make_node.hpp"
#include "simplifier/expand_reference.hpp"
#include "simplifier/simplifier.hpp"

using namespace kalvira;

namespace {

constexpr int INTEGERS[] = {0, 1, -1, 2, -2, 3, 4, 8, 12, 27, 65536, 46341, INT_MAX, INT_MIN, INT_MIN + 1};
const char* const NAMES[] = {"x", "y", "", "\\pi", "ab", "a", "b", "x2", "変数", "1"};
constexpr ExprType UNARY[] = {ExprType::NEG, ExprType::SQRT, ExprType::CBRT, ExprType::SIN,
                              ExprType::COS, ExprType::TAN,  ExprType::LOG};
constexpr ExprType BINARY[] = {ExprType::ADD, ExprType::MUL, ExprType::DIV, ExprType::POW};

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

int integer(Bytes& bytes) {
    const std::uint8_t pick = bytes.next();
    if (pick < 200) {
        return INTEGERS[pick % (sizeof INTEGERS / sizeof *INTEGERS)];
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = value << 8 | bytes.next();
    }
    return static_cast<int>(value);
}

// A stack machine: leaves push, operators pop their operands, a reference
// pushes an earlier node again (a shared subtree), a chain wraps the top in
// up to 10,000 one-operand nodes.
ExprPtr decode(Bytes& bytes) {
    std::vector<ExprPtr> stack;
    std::vector<ExprPtr> built;
    const auto pop = [&stack] {
        if (stack.empty()) {
            return ExprPtr(std::make_shared<Var>("x"));
        }
        ExprPtr top = stack.back();
        stack.pop_back();
        return top;
    };
    while (!bytes.empty() && built.size() < 400) {
        const std::uint8_t op = bytes.next() % 8;
        ExprPtr node;
        switch (op) {
        case 0:
            node = make_int(integer(bytes));
            break;
        case 1:
            node = std::make_shared<Var>(NAMES[bytes.next() % (sizeof NAMES / sizeof *NAMES)]);
            break;
        case 2: {
            const int num = integer(bytes);
            const int den = integer(bytes);
            try {
                node = std::make_shared<Rational>(num, den);
            } catch (const std::invalid_argument&) {
                node = make_int(num);
            }
            break;
        }
        case 3:
            node = bytes.next() % 2 ? ExprPtr(std::make_shared<Pi>()) : ExprPtr(std::make_shared<E>());
            break;
        case 4:
            node = make_node(UNARY[bytes.next() % 7], pop());
            break;
        case 5: {
            ExprPtr right = pop();
            node = make_node(BINARY[bytes.next() % 4], pop(), right);
            break;
        }
        case 6:
            node = built.empty() ? make_int(1) : built[bytes.next() % built.size()];
            break;
        default: {
            const ExprType kind = UNARY[bytes.next() % 7];
            const int length = (bytes.next() << 8 | bytes.next()) % 10000;
            node = pop();
            for (int i = 0; i < length; ++i) {
                node = make_node(kind, node);
            }
        }
        }
        stack.push_back(node);
        built.push_back(node);
    }
    return stack.empty() ? make_int(0) : stack.back();
}

bool is_library_error(const std::invalid_argument& error) {
    for (const char* text : {errors::ZERO_DENOMINATOR, errors::DENOMINATOR_TOO_LARGE, errors::DIVISION_BY_ZERO,
                             errors::NEGATIVE_SQRT, errors::TAN_OF_HALF_PI}) {
        if (std::strcmp(error.what(), text) == 0) {
            return true;
        }
    }
    return false;
}

// Every fraction in lowest terms with a positive denominator.
void check_fractions(const ExprPtr& root) {
    std::vector<const Expr*> pending{root.get()};
    while (!pending.empty()) {
        const Expr* node = pending.back();
        pending.pop_back();
        if (node->type() == ExprType::RATIONAL) {
            const auto& fraction = static_cast<const Rational&>(*node);
            require(fraction.den() > 0 && gcd(fraction.num(), fraction.den()) == 1, "fraction in lowest terms");
        }
        for (std::size_t i = 0; i < node->arity(); ++i) {
            pending.push_back(node->child(i).get());
        }
    }
}

// Calls stop after a budget of steps, so that huge expansions and renderings
// of exponentially long texts end quickly; polls counts the checks made.
struct Budget {
    int polls = 0;
    int limit;
    Cancellation cancellation() {
        return Cancellation([this] { return ++polls > limit; });
    }
};

// Runs operation; false when it ran out of budget. Library errors are fine.
template <class Operation>
bool run(Operation operation) {
    try {
        operation();
    } catch (const Cancelled&) {
        return false;
    } catch (const std::invalid_argument& error) {
        require(is_library_error(error), "only the library's own messages escape");
    }
    return true;
}

void check_result(const ExprPtr& result, Budget& budget) {
    std::string text;
    if (result && run([&] { write_latex(*result, text, budget.cancellation()); })) {
        check_fractions(result);
    }
}

std::size_t count_up_to(const ExprPtr& root, std::size_t limit) {
    std::vector<const Expr*> pending{root.get()};
    std::size_t count = 0;
    while (!pending.empty() && count <= limit) {
        const Expr* node = pending.back();
        pending.pop_back();
        ++count;
        for (std::size_t i = 0; i < node->arity(); ++i) {
            pending.push_back(node->child(i).get());
        }
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    const ExprPtr input = decode(bytes);
    Budget budget{0, 200};
    std::string before;
    if (!run([&] { write_latex(*input, before, budget.cancellation()); })) {
        return 0;  // an exponentially long text: nothing more to learn here
    }
    ExprPtr simplified;
    if (run([&] { simplified = simplify(input, budget.cancellation()); }) && simplified) {
        if (input->arity() == 0) {
            require(simplified == input, "simplify returns a leaf as the same node");
        }
        check_result(simplified, budget);
    }
    Budget expansion{0, 100};
    ExprPtr expanded;
    const bool finished = run([&] { expanded = expand(input, expansion.cancellation()); });
    check_result(expanded, budget);
    // The literal expansion is slow: compare only where it stays quick.
    if (finished && expansion.polls < 3 && count_up_to(input, 300) <= 300) {
        const auto ours = testing::outcome_of([](const ExprPtr& e) { return expand(e); }, input);
        const auto literal = testing::outcome_of(expand_reference, input);
        const std::string why = testing::difference(ours, literal);
        if (!why.empty()) {
            std::fprintf(stderr, "%s\n", why.c_str());
            require(false, "expand agrees with the literal expansion");
        }
    }
    std::string after;
    write_latex(*input, after, Cancellation());
    require(after == before, "the argument is unchanged");
    return 0;
}
