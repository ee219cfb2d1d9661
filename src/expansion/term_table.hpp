#pragma once

// Like-term collection on term tables. A table is the collected sum that
// the literal algorithm would build as a tree: groups of like terms (equal
// keys, the LaTeX text of the coefficient-free product), each keeping the
// factors of its first summand, cancelled groups gone, in canonical order
// (descending key, the constant "1" last) when asked for.

#include <string>
#include <vector>

#include "ast/cancellation.hpp"
#include "ast/expr.hpp"
#include "expansion/hash_index.hpp"
#include "expansion/term.hpp"
#include "expansion/term_conversion.hpp"

namespace kalvira {

class TermTable {
public:
    // Groups the summands, in their order, into like terms.
    static TermTable collect(std::vector<Term> summands, const FactorTable& factors);

    // Collects the products of every left summand (outermost) with every
    // right summand, without building the products one by one.
    static TermTable collect_products(const std::vector<Term>& left, const std::vector<Term>& right,
                                      const FactorTable& factors, const Cancellation& cancel);

    // An empty keyed table with room for count terms, which add_distinct
    // fills in.
    static TermTable of_distinct(std::size_t count);
    // Adds a canonical term with a nonzero coefficient and its key, known to
    // differ from every key in the table, so that none is looked up.
    void add_distinct(Term canonical, TermKey key, const FactorTable& factors);

    // Collects the table's summands followed by more summands. Only for a
    // table whose terms read back as themselves, so that its groups stand.
    void add(std::vector<Term> summands, const FactorTable& factors);
    // Collects more summands followed by the table's summands: a like
    // group keeps the factors of the first of the new summands. Cheaper
    // than collecting all again when the table is large; only for a keyed
    // table whose terms read back as themselves.
    void add_before(std::vector<Term> summands, const FactorTable& factors);
    // Whether join serves for this table and other: both keyed, and their
    // terms read back as themselves.
    bool joins(const TermTable& other) const {
        return keyed_ && other.keyed_ && irregular_ == 0 && other.irregular_ == 0;
    }
    // Collects other's summands after this table's (or before them, when
    // other_first), reusing other's groups and keys as they are.
    void join(TermTable other, bool other_first, const FactorTable& factors);
    // Whether add_before serves this table for about count summands better
    // than collecting its own summands again.
    bool takes_before(std::size_t count) const { return keyed_ && irregular_ == 0 && groups_.size() > count; }

    // Whether multiply_lone serves for this table and a term: the table is a
    // lone term that reads back as itself and has at least as many factors.
    bool multiplies_in_place(const Term& other) const {
        return groups_.size() == 1 && irregular_ == 0 && groups_.front().term.factor_count() >= other.factor_count();
    }
    // Becomes the collected product of its lone term and other, in place,
    // so that a long product grows by one factor per step without taking
    // the table apart and collecting it again.
    void multiply_lone(const Term& other, const FactorTable& factors);

    // Whether every term, written as a tree and read back, is itself.
    bool reads_back_as_itself() const { return irregular_ == 0; }
    std::size_t size() const { return groups_.size(); }

    // The summands that the table's tree splits into, in order.
    std::vector<Term> summands(FactorTable& factors) &&;
    std::vector<Term> summands(FactorTable& factors) const&;
    // The same summands in any order: for a table whose terms read back as
    // themselves, whose summands have distinct keys, so that adding them to
    // another sum gives the same table in whatever order they come.
    std::vector<Term> addends(FactorTable& factors) &&;

    // The table as a tree: a left-nested sum of terms, Int(0) when empty.
    ExprPtr tree(const FactorTable& factors);

private:
    struct Group {
        Term term;  // canonical once the group has a key
        TermKey key;
        bool claimed = false;  // by a summand of the add_before under way
    };

    // Adds the summands without keys if the table stays one that needs
    // none; says whether it did.
    bool add_unkeyed(std::vector<Term>& summands, const FactorTable& factors);
    void add_to_constant(int coeff, const FactorTable& factors);
    // Adds summands whose factors are canonical and distinct, in order.
    void add_classes(std::vector<Term> classes, const FactorTable& factors);
    // Groups the summands into classes of equal canonical factors.
    static std::vector<Term> classes_of(std::vector<Term> summands, const FactorTable& factors);
    void ensure_keyed(const FactorTable& factors);
    void ensure_sorted(const FactorTable& factors);
    // The position of the group with the key, or size() if there is none.
    std::size_t find_group(const Term& term, TermKey& key, const FactorTable& factors);
    // Adds a summand to the group of its key, or opens a group.
    void insert(Term summand, TermKey key, std::vector<std::size_t>& touched, const FactorTable& factors);
    // Adds a summand to the group at index, or opens one if index is size().
    void join(std::size_t index, Term summand, TermKey key, std::vector<std::size_t>& touched,
              const FactorTable& factors);
    // Whether a group has the key given: by the texts, rendered in full
    // first where only beginnings are known (those have met in a bucket).
    bool has_key(Group& group, const Term& term, TermKey& key, const FactorTable& factors) const;
    // Canonical order of keys: descending bytes, the constant last.
    bool key_before(Group& a, Group& b, const FactorTable& factors) const;
    void drop_cancelled(const std::vector<std::size_t>& touched, const FactorTable& factors);
    void count_irregular(const Group& group, const FactorTable& factors, int delta);

    std::vector<Group> groups_;
    // Positions of groups by the first TEXT_PREFIX_BYTES bytes of their
    // keys, which a key known only in part has; built once a keyed table
    // has more groups than a linear search serves well.
    HashIndex by_key_;
    bool indexed_ = false;
    // False while no key is needed: for a lone term of any shape, or for a
    // few canonical terms whose keys are known to differ from each other
    // and (but for the constant's) from "1", so that no two of them group
    // and comparing the beginnings of their keys orders them.
    bool keyed_ = false;
    bool sorted_ = true;
    std::size_t irregular_ = 0;         // terms that do not read back as themselves
    std::vector<std::size_t> touched_;  // groups an addition reached, kept for its buffer
};

}  // namespace kalvira
