// The units of expansion on their own: a term's powers (exponents that wrap
// or reach 0, factors taken in front), interning of factors, and term
// tables (like terms, cancelled groups, canonical order, keys known only in
// part, and sums joined in either order).

#include <climits>
#include <string>
#include <vector>

#include "ast/latex.hpp"
#include "check.hpp"
#include "expansion/factor_table.hpp"
#include "expansion/term.hpp"
#include "expansion/term_conversion.hpp"
#include "expansion/term_table.hpp"
#include "result_comparison.hpp"
#include "tree_builders.hpp"

using namespace kalvira;
using namespace kalvira::testing;

namespace {

const Cancellation never;

std::string latex(const ExprPtr& tree) {
    std::string out;
    write_latex(*tree, out, never);
    return out;
}

// The powers of a term as "factor^exp ..." by factor id.
std::string powers_of(const Term& term) {
    std::string out;
    for (const Power& power : term.powers()) {
        out += std::to_string(power.factor) + "^" + std::to_string(power.exp) + " ";
    }
    return out;
}

// Summands read from trees, into one list.
std::vector<Term> read(std::initializer_list<ExprPtr> trees, FactorTable& factors) {
    std::vector<Term> out;
    for (const ExprPtr& tree : trees) {
        read_summands(tree, factors, out);
    }
    return out;
}

// A factor whose text is longer than the part a key starts with, ending in
// the given name: sqrt of a variable with a long name.
ExprPtr long_factor(const std::string& end) { return sqrt(var(std::string(TEXT_PREFIX_BYTES + 8, 'q') + end)); }

}  // namespace

TEST_CASE(term_exponents_wrap_and_zero_entries_stay_until_dropped) {
    FactorTable factors(never);
    const FactorId x = factors.intern(var("x"));
    const FactorId y = factors.intern(var("y"));
    Term term;
    term.multiply(x, INT_MAX, factors);
    term.multiply(y, 1, factors);
    term.multiply(x, INT_MAX, factors);  // wraps to -2
    CHECK_EQ(powers_of(term), "0^-2 1^1 ");
    term.multiply(x, 2, factors);
    term.multiply(y, -1, factors);
    CHECK_EQ(powers_of(term), "0^0 1^0 ");
    CHECK(term.is_constant());
    term.drop_zero_powers();
    CHECK_EQ(powers_of(term), "");
}

// Taking factors in front leaves a met entry behind at exponent 0; later
// products reach the entry in front, with few factors and with many.
TEST_CASE(term_takes_factors_in_front) {
    for (const int extra : {0, 20}) {
        FactorTable factors(never);
        Term term;
        for (int i = 0; i < 3 + extra; ++i) {
            term.multiply(factors.intern(var("v" + std::to_string(i))), 1, factors);
        }
        const FactorId w = factors.intern(var("w"));
        Term before(3, {{w, 1}, {2, 4}}, factors);  // w, v2^4
        term.coeff = 5;
        term.multiply_before(before, factors);
        term.multiply(2, 1, factors);
        CHECK_EQ(term.coeff, 15);
        const std::string start = std::to_string(w) + "^1 2^6 0^1 ";
        CHECK_EQ(powers_of(term).substr(0, start.size()), start);
        term.drop_zero_powers();
        CHECK_EQ(term.powers().size(), std::size_t(4 + extra));
    }
}

TEST_CASE(factors_of_equal_structure_share_one_id) {
    FactorTable factors(never);
    const FactorId a = factors.intern(add(var("x"), num(1)));
    CHECK_EQ(factors.intern(add(var("x"), num(1))), a);
    CHECK(factors.intern(add(num(1), var("x"))) != a);
    CHECK_EQ(factors.intern(var("x")), factors.intern(var("x")));
    // Alike in text, not in structure: two factors that order as equals.
    const FactorId pi_node = factors.intern(pi());
    const FactorId pi_name = factors.intern(var("\\pi"));
    CHECK(pi_node != pi_name);
    CHECK_EQ(factors.compare_texts(pi_node, pi_name), 0);
    CHECK(factors.stands_before(factors.intern(var("y")), factors.intern(var("x"))));
}

TEST_CASE(tables_group_like_terms_drop_cancelled_ones_and_order_canonically) {
    const struct {
        std::vector<ExprPtr> summands;
        const char* expected;
    } cases[] = {
        {{var("x"), mul(num(2), var("x")), var("y"), neg(var("y")), num(3)}, "3x + 3"},
        {{num(2), mul(var("x"), var("y")), mul(var("y"), var("x")), pow(var("z"), 2)}, "z^{2} + 2yx + 2"},
        {{var("x"), neg(var("x"))}, "0"},
        // Keys alike in the part a key starts with: told apart and grouped
        // by their whole texts.
        {{long_factor("a"), long_factor("b"), long_factor("a"), var("x")},
         "x + \\sqrt{qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqb} + "
         "2\\sqrt{qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqa}"},
    };
    for (const auto& c : cases) {
        // One at a time, as a long sum grows, and all at once.
        for (const bool at_once : {false, true}) {
            FactorTable factors(never);
            TermTable table = TermTable::collect({}, factors);
            if (at_once) {
                std::vector<Term> all;
                for (const ExprPtr& s : c.summands) {
                    read_summands(s, factors, all);
                }
                table.add(std::move(all), factors);
            } else {
                for (const ExprPtr& s : c.summands) {
                    table.add(read({s}, factors), factors);
                }
            }
            CHECK_EQ(latex(table.tree(factors)), std::string(c.expected));
        }
    }
}

// A group keeps the factors of the first summand of its key, whichever
// side of a sum is collected into the other.
TEST_CASE(joined_sums_keep_the_factors_met_first) {
    for (const bool first_is_larger : {false, true}) {
        FactorTable factors(never);
        std::vector<ExprPtr> first{mul(pi(), var("y"))};
        std::vector<ExprPtr> second{mul(var("\\pi"), var("y"))};
        // Both keyed (more than a few terms), one larger than the other.
        for (int i = 0; i < 12; ++i) {
            first.push_back(var("a" + std::to_string(i)));
            second.push_back(var("b" + std::to_string(i)));
            if (i < 4) {
                (first_is_larger ? first : second).push_back(var("c" + std::to_string(i)));
            }
        }
        const auto table_of = [&factors](const std::vector<ExprPtr>& trees) {
            std::vector<Term> summands;
            for (const ExprPtr& t : trees) {
                read_summands(t, factors, summands);
            }
            return TermTable::collect(std::move(summands), factors);
        };
        TermTable a = table_of(first);
        TermTable b = table_of(second);
        CHECK(a.joins(b));
        if (first_is_larger) {
            a.join(std::move(b), false, factors);
        } else {
            b.join(std::move(a), true, factors);
            a = std::move(b);
        }
        const std::string dump = structural_dump(a.tree(factors));
        CHECK(dump.find("Pi()") != std::string::npos);
        CHECK(dump.find("Var(\"\\\\pi\")") == std::string::npos);
        CHECK(latex(a.tree(factors)).find("2y\\pi") != std::string::npos);
    }
}

// A long sum, and a long product of negations and integers (which intern no
// factor, so only the walk itself can see the check), are read until the
// check asks to stop.
TEST_CASE(reading_summands_stops_when_the_check_asks) {
    ExprPtr sum = var("x");
    ExprPtr product = num(2);
    for (int i = 0; i < 20000; ++i) {
        sum = add(sum, var("x"));
        product = mul(neg(product), num(3));
    }
    for (const ExprPtr& tree : {sum, product}) {
        const Cancellation stop([] { return true; });
        FactorTable factors(stop);
        std::vector<Term> summands;
        bool cancelled = false;
        try {
            read_summands(tree, factors, summands);
        } catch (const Cancelled&) {
            cancelled = true;
        }
        CHECK(cancelled);
    }
}
