// Factor texts compared by their beginnings against whole rendered texts,
// on pairs of generated trees and on pairs where one text begins the other.

#include <string>

#include "check.hpp"
#include "expansion/factor_table.hpp"
#include "tree_builders.hpp"
#include "tree_generator.hpp"

using namespace kalvira;
using namespace kalvira::testing;

namespace {

int sign(int order) { return (order > 0) - (order < 0); }

void check_order(const ExprPtr& a, const ExprPtr& b) {
    const Cancellation never;
    FactorTable factors(never);
    const FactorId first = factors.intern(a);
    const FactorId second = factors.intern(b);
    CHECK_EQ(factors.compare_texts(first, second), sign(a->to_string().compare(b->to_string())));
    const FactorText& known = factors.text(first);
    const std::string whole = a->to_string();
    CHECK_EQ(whole.compare(0, known.text.size(), known.text), 0);
    CHECK(known.complete ? known.text == whole : known.text.size() >= TEXT_PREFIX_BYTES);
}

}  // namespace

TEST_CASE(factor_texts_compare_as_their_whole_texts) {
    for (int seed = 1; seed <= 500; ++seed) {
        TreeGenerator left(seed);
        TreeGenerator right(seed + 7919);
        check_order(left.tree(), right.tree());
    }
    // Long common beginnings, a text that begins the other, texts alike.
    ExprPtr chain = var("x");
    for (int level = 0; level < 200; ++level) {
        chain = neg(sqrt(chain));
        const ExprPtr longer = add(chain, var("y"));
        check_order(chain, longer);
        check_order(longer, chain);
        check_order(add(chain, var("z")), longer);
        check_order(chain, neg(sqrt(neg(sqrt(var("1"))))));
        check_order(pow(chain, frac(2, 1)), pow(chain, num(2)));
        check_order(mul(chain, var("")), chain);  // an empty last factor adds nothing
        check_order(chain, mul(chain, var("")));
    }
}
