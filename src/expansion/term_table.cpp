#include "expansion/term_table.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

#include "ast/latex.hpp"
#include "ast/product_joint.hpp"
#include "expansion/term_conversion.hpp"

namespace kalvira {

namespace {

std::size_t hash_of(PowerView powers) {
    std::size_t h = powers.size();
    for (const Power& p : powers) {
        h = h * 1000003u ^ (static_cast<std::size_t>(p.factor) << 32 | static_cast<std::uint32_t>(p.exp));
    }
    return h;
}

// Keys alike in their first TEXT_PREFIX_BYTES bytes share a bucket.
std::size_t bucket_of(const TermKey& key) {
    return std::hash<std::string_view>()(std::string_view(key.text).substr(0, TEXT_PREFIX_BYTES));
}

// Below this many entries a linear search beats hashing, and a small call
// allocates no index at all.
constexpr std::size_t SEARCHED_UP_TO = 16;

// Summands grouped by their canonical factors, coefficients summed: like
// summands have the same key, so each class is rendered and looked up once.
class ProductClasses {
public:
    ProductClasses() = default;
    // Room for up to a few classes; more grow as they come.
    explicit ProductClasses(std::size_t expected) { classes_.reserve(std::min<std::size_t>(expected, SEARCHED_UP_TO)); }

    // Adds coeff to the class of the powers, or opens one with make().
    template <class Make>
    void add(int coeff, PowerView powers, Make make) {
        if (Term* known = find(powers)) {
            known->coeff = wrap_add(known->coeff, coeff);
            return;
        }
        if (!index_.empty()) {
            index_.insert(hash_of(powers), static_cast<std::uint32_t>(classes_.size()));
        }
        classes_.push_back(make());
    }
    std::vector<Term> take() && { return std::move(classes_); }

private:
    Term* find(PowerView powers) {
        if (index_.empty() && classes_.size() <= SEARCHED_UP_TO) {
            const auto same = std::find_if(classes_.begin(), classes_.end(),
                                           [&powers](const Term& t) { return t.powers() == powers; });
            return same == classes_.end() ? nullptr : &*same;
        }
        if (index_.empty()) {
            for (std::size_t i = 0; i < classes_.size(); ++i) {
                index_.insert(hash_of(classes_[i].powers()), static_cast<std::uint32_t>(i));
            }
        }
        const std::uint32_t same =
            index_.find(hash_of(powers), [&](std::uint32_t i) { return classes_[i].powers() == powers; });
        return same == HashIndex::NONE ? nullptr : &classes_[same];
    }

    std::vector<Term> classes_;
    HashIndex index_;  // positions of classes by the hash of their powers
};

}  // namespace

TermTable TermTable::collect(std::vector<Term> summands, const FactorTable& factors) {
    TermTable table;
    table.add(std::move(summands), factors);
    return table;
}

namespace {

// The order of the known beginnings of two keys.
int compare_known(const TermKey& a, const TermKey& b) {
    const std::size_t common = std::min(a.text.size(), b.text.size());
    return a.text.compare(0, common, b.text, 0, common);
}

// Whether the known beginnings of two keys, alike as far as both go,
// leave their order open: when the shorter may go on.
bool order_open(const TermKey& a, const TermKey& b) {
    const TermKey& shorter = a.text.size() <= b.text.size() ? a : b;
    return !shorter.complete || (a.text.size() == b.text.size() && !(a.complete && b.complete));
}

// The order of two canonical terms' keys, -1, 0 or 1: by the known
// beginnings where they tell, otherwise by rendering the keys side by side
// only as far as they agree.
int compare_keys(const TermKey& a, const Term& a_term, const TermKey& b, const Term& b_term,
                 const FactorTable& factors) {
    int order = compare_known(a, b);
    if (order == 0 && order_open(a, b)) {
        order = compare_latex(*key_tree(a_term, factors), *key_tree(b_term, factors), factors.cancel());
    } else if (order == 0) {
        order = a.text.compare(b.text);
    }
    return (order > 0) - (order < 0);
}

// The beginning of a canonical term's key, enough to tell it from "1":
// whole for a product of leaves, whose texts cost nothing to keep; for other
// factors only the first bytes, so that no factor of a deep chain keeps its
// text (compare_keys renders the rest side by side where needed).
TermKey leading_key(const Term& canonical, const FactorTable& factors) {
    const PowerView powers = canonical.powers();
    const auto is_leaf = [&factors](const Power& p) { return factors[p.factor].node->arity() == 0; };
    if (std::all_of(powers.begin(), powers.end(), is_leaf)) {
        return key_of(canonical, factors);
    }
    TermKey key;
    key.complete =
        write_latex_prefix(*key_tree(canonical, factors), key.text, CONSTANT_KEY.text.size() + 1, factors.cancel());
    return key;
}

// Tables of more terms are keyed: telling unkeyed terms apart takes a
// comparison of every pair.
constexpr std::size_t MAX_UNKEYED = 8;

}  // namespace

bool TermTable::add_unkeyed(std::vector<Term>& summands, const FactorTable& factors) {
    Term* terms[MAX_UNKEYED];
    std::size_t count = 0;
    for (Group& group : groups_) {
        terms[count++] = &group.term;
    }
    for (Term& summand : summands) {
        if (summand.coeff != 0) {
            if (count == MAX_UNKEYED) {
                return false;
            }
            terms[count++] = &summand;
        }
    }
    TermKey keys[MAX_UNKEYED];
    if (count > 1) {  // a lone term meets no other key, whatever its shape
        for (std::size_t i = 0; i < count; ++i) {
            terms[i]->canonicalise(factors);
            keys[i] = leading_key(*terms[i], factors);
            if (!terms[i]->is_constant() && keys[i] == CONSTANT_KEY) {
                return false;
            }
            for (std::size_t j = 0; j < i; ++j) {
                if (compare_keys(keys[j], *terms[j], keys[i], *terms[i], factors) == 0) {
                    return false;
                }
            }
        }
    }
    groups_.reserve(count);
    // Keys of unkeyed tables only order them; they may be known in part.
    std::size_t next = 0;
    if (count > 1) {
        for (Group& group : groups_) {
            group.key = std::move(keys[next++]);
        }
    }
    for (Term& summand : summands) {
        if (summand.coeff == 0) {
            continue;
        }
        TermKey& key = keys[next++];
        if (summand.is_constant()) {
            add_to_constant(summand.coeff, factors);
        } else {
            groups_.push_back({std::move(summand), std::move(key)});
            count_irregular(groups_.back(), factors, +1);
        }
    }
    sorted_ = groups_.size() < 2;
    return true;
}

// As collecting the lone summand of the product would: an unkeyed table of
// that summand, a constant group if it is a number, none if it cancelled.
void TermTable::multiply_lone(const Term& other, const FactorTable& factors) {
    Term& term = groups_.front().term;
    term.drop_zero_powers();
    term.multiply(other, factors);
    by_key_.clear();
    indexed_ = false;
    keyed_ = false;
    sorted_ = true;
    irregular_ = 0;
    groups_.front().key = TermKey();
    if (term.coeff == 0) {
        groups_.clear();
        return;
    }
    if (term.is_constant()) {
        groups_.front() = {Term(term.coeff, {}, factors), CONSTANT_KEY};
    }
    count_irregular(groups_.front(), factors, +1);
}

void TermTable::add_to_constant(int coeff, const FactorTable& factors) {
    auto constant = std::find_if(groups_.begin(), groups_.end(), [](const Group& g) { return g.term.is_constant(); });
    if (constant == groups_.end()) {
        groups_.push_back({Term(0, {}, factors), CONSTANT_KEY});
        constant = groups_.end() - 1;
        count_irregular(*constant, factors, +1);
    }
    constant->term.coeff = wrap_add(constant->term.coeff, coeff);
    if (constant->term.coeff == 0) {
        count_irregular(*constant, factors, -1);
        groups_.erase(constant);
    }
}

void TermTable::add(std::vector<Term> summands, const FactorTable& factors) {
    if (!keyed_ && add_unkeyed(summands, factors)) {
        return;
    }
    ensure_keyed(factors);
    add_classes(classes_of(std::move(summands), factors), factors);
}

std::vector<Term> TermTable::classes_of(std::vector<Term> summands, const FactorTable& factors) {
    if (summands.size() == 1) {  // the usual step of a long sum: no table to build
        if (summands.front().coeff == 0) {
            summands.clear();
        } else {
            summands.front().canonicalise(factors);
        }
        return summands;
    }
    ProductClasses classes;
    for (Term& summand : summands) {
        if (summand.coeff != 0) {
            summand.canonicalise(factors);
            classes.add(summand.coeff, summand.powers(), [&summand] { return std::move(summand); });
        }
    }
    return std::move(classes).take();
}

// A group the new summands meet first takes the factors of the first of
// them; their later like summands, and the table's own, only add in.
void TermTable::add_before(std::vector<Term> summands, const FactorTable& factors) {
    std::vector<std::size_t>& touched = touched_;
    touched.clear();
    for (Term& term : classes_of(std::move(summands), factors)) {
        TermKey key = key_of(term, factors);
        const std::size_t index = find_group(term, key, factors);
        if (index == groups_.size() || groups_[index].claimed) {
            join(index, std::move(term), std::move(key), touched, factors);
        } else {
            Group& group = groups_[index];
            count_irregular(group, factors, -1);
            term.coeff = wrap_add(term.coeff, group.term.coeff);
            group.term = std::move(term);
            count_irregular(group, factors, +1);
            touched.push_back(index);
        }
        groups_[touched.back()].claimed = true;
    }
    for (std::size_t index : touched) {
        groups_[index].claimed = false;
    }
    drop_cancelled(touched, factors);
    sorted_ = false;
}

// The groups of a collected table have distinct keys, so each meets at
// most one of this table's groups and no two of them group together.
void TermTable::join(TermTable other, bool other_first, const FactorTable& factors) {
    std::vector<std::size_t>& touched = touched_;
    touched.clear();
    for (Group& group : other.groups_) {
        const std::size_t index = find_group(group.term, group.key, factors);
        if (other_first && index != groups_.size()) {
            Group& mine = groups_[index];
            count_irregular(mine, factors, -1);
            group.term.coeff = wrap_add(group.term.coeff, mine.term.coeff);
            mine.term = std::move(group.term);
            count_irregular(mine, factors, +1);
            touched.push_back(index);
        } else {
            join(index, std::move(group.term), std::move(group.key), touched, factors);
        }
    }
    drop_cancelled(touched, factors);
    sorted_ = false;
}

namespace {

// Positions of factors in descending order of their texts, when no two of
// the given terms' factors share a text; empty otherwise.
std::vector<std::uint32_t> text_ranks(const std::vector<Term>& left, const std::vector<Term>& right,
                                      const FactorTable& factors) {
    std::vector<FactorId> ids;
    for (const auto* side : {&left, &right}) {
        for (const Term& term : *side) {
            for (const Power& power : term.powers()) {
                ids.push_back(power.factor);
            }
        }
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::sort(ids.begin(), ids.end(), [&factors](FactorId a, FactorId b) { return factors.stands_before(a, b); });
    std::vector<std::uint32_t> rank(factors.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i > 0 && factors.compare_texts(ids[i], ids[i - 1]) == 0) {
            return {};
        }
        rank[ids[i]] = static_cast<std::uint32_t>(i);
    }
    return rank;
}

std::vector<std::vector<Power>> sorted_by_rank(const std::vector<Term>& terms, const std::vector<std::uint32_t>& rank) {
    std::vector<std::vector<Power>> sorted;
    sorted.reserve(terms.size());
    for (const Term& term : terms) {
        sorted.emplace_back(term.powers().begin(), term.powers().end());
        std::sort(sorted.back().begin(), sorted.back().end(),
                  [&rank](const Power& a, const Power& b) { return rank[a.factor] < rank[b.factor]; });
    }
    return sorted;
}

// The canonical factors of a product of two canonical factor lists: one
// merge, exponents of the same factor added, exponent-0 factors dropped.
void merge_powers(const std::vector<Power>& a, const std::vector<Power>& b, const std::vector<std::uint32_t>& rank,
                  std::vector<Power>& out) {
    out.clear();
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        Power next;
        if (j == b.size() || (i < a.size() && rank[a[i].factor] < rank[b[j].factor])) {
            next = a[i++];
        } else if (i == a.size() || rank[b[j].factor] < rank[a[i].factor]) {
            next = b[j++];
        } else {
            next = {a[i].factor, wrap_add(a[i].exp, b[j].exp)};
            ++i;
            ++j;
        }
        if (next.exp != 0) {
            out.push_back(next);
        }
    }
}

// The literal product: left's factors, then right's merged in by identity.
void multiply_powers(PowerView a, PowerView b, const FactorTable& factors, std::vector<Power>& out) {
    out.assign(a.begin(), a.end());
    for (const Power& power : b) {
        const auto same =
            std::find_if(out.begin(), out.end(), [&power](const Power& p) { return p.factor == power.factor; });
        if (same == out.end()) {
            out.push_back(power);
        } else {
            same->exp = wrap_add(same->exp, power.exp);
        }
    }
    Term::canonicalise(out, factors);
}

}  // namespace

TermTable TermTable::collect_products(const std::vector<Term>& left, const std::vector<Term>& right,
                                      const FactorTable& factors, const Cancellation& cancel) {
    // With distinct factor texts, canonical order is a total order by text,
    // so each product's canonical factors come from one merge of its two
    // sorted operands. Otherwise the factors are merged and sorted as read.
    // A few products are cheaper to sort one by one than to rank all factors.
    const bool few = left.size() * right.size() <= SEARCHED_UP_TO;
    const std::vector<std::uint32_t> rank = few ? std::vector<std::uint32_t>() : text_ranks(left, right, factors);
    const bool by_rank = !few && (!rank.empty() || factors.size() == 0);
    std::vector<std::vector<Power>> sorted_left;
    std::vector<std::vector<Power>> sorted_right;
    if (by_rank) {
        sorted_left = sorted_by_rank(left, rank);
        sorted_right = sorted_by_rank(right, rank);
    }
    ProductClasses classes(left.size() * right.size());
    std::vector<Power> product;
    for (std::size_t i = 0; i < left.size(); ++i) {
        for (std::size_t j = 0; j < right.size(); ++j) {
            cancel.poll();
            const int coeff = wrap_mul(left[i].coeff, right[j].coeff);
            if (coeff == 0) {
                continue;
            }
            if (by_rank) {
                merge_powers(sorted_left[i], sorted_right[j], rank, product);
            } else {
                multiply_powers(left[i].powers(), right[j].powers(), factors, product);
            }
            classes.add(coeff, {product.data(), product.data() + product.size()},
                        [&] { return Term(coeff, product, factors); });
        }
    }
    TermTable table;
    table.keyed_ = true;
    table.add_classes(std::move(classes).take(), factors);
    return table;
}

TermTable TermTable::of_distinct(std::size_t count) {
    TermTable table;
    table.keyed_ = true;
    table.groups_.reserve(count);
    return table;
}

void TermTable::add_distinct(Term canonical, TermKey key, const FactorTable& factors) {
    groups_.push_back({std::move(canonical), std::move(key)});
    count_irregular(groups_.back(), factors, +1);
    sorted_ = groups_.size() < 2;
}

void TermTable::add_classes(std::vector<Term> classes, const FactorTable& factors) {
    if (groups_.capacity() < groups_.size() + classes.size()) {  // grow geometrically, as push_back would
        groups_.reserve(std::max(groups_.size() + classes.size(), 2 * groups_.capacity()));
    }
    std::vector<std::size_t>& touched = touched_;
    touched.clear();
    for (Term& term : classes) {
        TermKey key = key_of(term, factors);
        insert(std::move(term), std::move(key), touched, factors);
    }
    drop_cancelled(touched, factors);
    sorted_ = false;
}

void TermTable::count_irregular(const Group& group, const FactorTable& factors, int delta) {
    if (!group.term.reads_back_as_itself(factors)) {
        irregular_ += delta;
    }
}

bool TermTable::has_key(Group& group, const Term& term, TermKey& key, const FactorTable& factors) const {
    if (compare_known(group.key, key) != 0) {
        return false;
    }
    if (order_open(group.key, key)) {
        complete_key(group.key, group.term, factors);
        complete_key(key, term, factors);
    }
    return group.key.text == key.text;
}

bool TermTable::key_before(Group& a, Group& b, const FactorTable& factors) const {
    if (a.key == CONSTANT_KEY || b.key == CONSTANT_KEY) {
        return b.key == CONSTANT_KEY && !(a.key == CONSTANT_KEY);
    }
    const int order = compare_known(a.key, b.key);
    if (order != 0) {
        return order > 0;
    }
    if (order_open(a.key, b.key)) {
        complete_key(a.key, a.term, factors);
        complete_key(b.key, b.term, factors);
    }
    return a.key.text > b.key.text;
}

std::size_t TermTable::find_group(const Term& term, TermKey& key, const FactorTable& factors) {
    if (!indexed_ && groups_.size() > SEARCHED_UP_TO) {
        for (std::size_t i = 0; i < groups_.size(); ++i) {
            by_key_.insert(bucket_of(groups_[i].key), static_cast<std::uint32_t>(i));
        }
        indexed_ = true;
    }
    if (!indexed_) {
        for (std::size_t i = 0; i < groups_.size(); ++i) {
            if (has_key(groups_[i], term, key, factors)) {
                return i;
            }
        }
        return groups_.size();
    }
    const std::uint32_t found = by_key_.find(
        bucket_of(key), [&](std::uint32_t candidate) { return has_key(groups_[candidate], term, key, factors); });
    return found == HashIndex::NONE ? groups_.size() : found;
}

void TermTable::insert(Term summand, TermKey key, std::vector<std::size_t>& touched, const FactorTable& factors) {
    const std::size_t index = find_group(summand, key, factors);
    join(index, std::move(summand), std::move(key), touched, factors);
}

void TermTable::join(std::size_t index, Term summand, TermKey key, std::vector<std::size_t>& touched,
                     const FactorTable& factors) {
    if (index == groups_.size()) {
        if (indexed_) {
            by_key_.insert(bucket_of(key), static_cast<std::uint32_t>(index));
        }
        groups_.push_back({std::move(summand), std::move(key)});
    } else {
        Group& group = groups_[index];
        count_irregular(group, factors, -1);
        group.term.coeff = wrap_add(group.term.coeff, summand.coeff);
    }
    count_irregular(groups_[index], factors, +1);
    touched.push_back(index);
}

// Groups whose coefficients cancelled leave the table (order within the
// table does not matter until it is sorted).
void TermTable::drop_cancelled(const std::vector<std::size_t>& touched, const FactorTable& factors) {
    for (std::size_t index : touched) {
        while (index < groups_.size() && groups_[index].term.coeff == 0) {
            count_irregular(groups_[index], factors, -1);
            const std::size_t last = groups_.size() - 1;
            if (indexed_) {
                by_key_.erase(bucket_of(groups_[index].key), static_cast<std::uint32_t>(index));
                if (index != last) {
                    by_key_.move(bucket_of(groups_[last].key), static_cast<std::uint32_t>(last),
                                 static_cast<std::uint32_t>(index));
                }
            }
            if (index != last) {
                groups_[index] = std::move(groups_.back());
            }
            groups_.pop_back();
        }
    }
}

void TermTable::ensure_keyed(const FactorTable& factors) {
    if (!keyed_) {
        for (Group& group : groups_) {
            group.term.canonicalise(factors);
            group.key = key_of(group.term, factors);
        }
        keyed_ = true;
    }
}

void TermTable::ensure_sorted(const FactorTable& factors) {
    if (sorted_ || groups_.size() < 2) {
        return;
    }
    if (!keyed_) {  // a few canonical terms, whose keys differ
        std::sort(groups_.begin(), groups_.end(), [&factors](const Group& a, const Group& b) {
            if (a.term.is_constant() || b.term.is_constant()) {
                return b.term.is_constant() && !a.term.is_constant();
            }
            return compare_keys(a.key, a.term, b.key, b.term, factors) > 0;
        });
        sorted_ = true;
        return;
    }
    if (groups_.size() <= SEARCHED_UP_TO) {  // in place: keys differ, so any sort gives one order
        for (std::size_t i = 1; i < groups_.size(); ++i) {
            for (std::size_t j = i; j > 0 && key_before(groups_[j], groups_[j - 1], factors); --j) {
                std::swap(groups_[j], groups_[j - 1]);
            }
        }
        sorted_ = true;
        by_key_.clear();
        indexed_ = false;
        return;
    }
    // Sort positions by the leading bytes of the keys, which decide almost
    // every comparison without touching the groups, then move each group once.
    struct Place {
        bool constant;
        std::uint64_t lead;
        std::uint32_t index;
    };
    std::vector<Place> order(groups_.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i] = {groups_[i].key == CONSTANT_KEY, leading_bytes(groups_[i].key.text), i};
    }
    std::sort(order.begin(), order.end(), [this, &factors](const Place& a, const Place& b) {
        if (a.constant || b.constant) {
            return b.constant && !a.constant;
        }
        if (a.lead != b.lead) {
            return a.lead > b.lead;
        }
        return key_before(groups_[a.index], groups_[b.index], factors);
    });
    // Each cycle of the permutation moves its groups along in place, so a
    // long table is not copied into a second one.
    for (std::uint32_t start = 0; start < order.size(); ++start) {
        if (order[start].index == start) {
            continue;
        }
        Group held = std::move(groups_[start]);
        std::uint32_t to = start;
        while (order[to].index != start) {
            const std::uint32_t from = order[to].index;
            groups_[to] = std::move(groups_[from]);
            order[to].index = to;
            to = from;
        }
        groups_[to] = std::move(held);
        order[to].index = to;
    }
    sorted_ = true;
    by_key_.clear();  // positions moved; rebuilt only if more summands come
    indexed_ = false;
}

std::vector<Term> TermTable::summands(FactorTable& factors) && {
    ensure_sorted(factors);
    return std::move(*this).addends(factors);
}

std::vector<Term> TermTable::addends(FactorTable& factors) && {
    std::vector<Term> out;
    out.reserve(groups_.size());
    for (Group& group : groups_) {
        if (group.term.reads_back_as_itself(factors)) {
            group.term.drop_zero_powers();
            out.push_back(std::move(group.term));
        } else {
            read_summands(term_tree(group.term, factors), factors, out);
        }
    }
    groups_.clear();
    by_key_.clear();
    indexed_ = false;
    irregular_ = 0;
    return out;
}

std::vector<Term> TermTable::summands(FactorTable& factors) const& { return TermTable(*this).summands(factors); }

ExprPtr TermTable::tree(const FactorTable& factors) {
    ensure_sorted(factors);
    ExprPtr sum;
    for (Group& group : groups_) {
        factors.cancel().poll();  // a large sum takes long to build
        if (!keyed_) {
            group.term.canonicalise(factors);
        }
        ExprPtr term = term_tree(group.term, factors);
        sum = sum ? std::make_shared<Add>(std::move(sum), std::move(term)) : std::move(term);
    }
    return sum ? sum : std::make_shared<Int>(0);
}

}  // namespace kalvira
