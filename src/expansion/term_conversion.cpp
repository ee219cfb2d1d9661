// Between trees and terms: reading a tree's summands into terms, writing a
// term back as a tree, and the key (the text of a term's product without
// coefficient) by which like terms are collected.

#include "expansion/term_conversion.hpp"

#include <algorithm>
#include <charconv>
#include <utility>

#include "ast/latex.hpp"
#include "ast/product_joint.hpp"
#include "ast/product_tree.hpp"

namespace kalvira {

namespace {

// Writes one part of a product (a factor, or a power of it) as a product
// operand would be written (alone, it is the whole product). Of a factor
// whose text is known only in part, writes up to the end of what is known
// and says so by returning false.
bool write_part(const Power& power, const Factor& factor, const FactorText& text, bool alone, std::string& out) {
    const bool wrapped = power.exp == 1 ? factor.wrapped_in_product && !alone : factor.wrapped_as_pow_base;
    // Empty appends and a temporary string for the exponent cost more than
    // the few bytes most factors write.
    if (wrapped) {
        out += "\\left(";
    }
    out += text.text;
    if (!text.complete) {
        return false;
    }
    if (power.exp == 1) {
        if (wrapped) {
            out += "\\right)";
        }
        return true;
    }
    out += wrapped ? "\\right)^{" : "^{";
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, power.exp).ptr);
    out += '}';
    return true;
}

// Reads one summand's product: integer literals multiply the coefficient,
// negations negate it, integer powers give their base and exponent, and any
// other node is a factor, merged left to right into its first occurrence.
Term read_product(const ExprPtr& summand, FactorTable& factors) {
    Term term;
    if (summand->arity() == 0 && summand->type() != ExprType::INT) {  // a lone factor
        term.multiply(factors.intern(summand), 1, factors);
        return term;
    }
    std::vector<const ExprPtr*> pending{&summand};
    while (!pending.empty()) {
        factors.cancel().poll();
        const ExprPtr& node = *pending.back();
        pending.pop_back();
        switch (node->type()) {
        case ExprType::INT:
            term.coeff = wrap_mul(term.coeff, static_cast<const Int&>(*node).value());
            continue;
        case ExprType::NEG:
            term.coeff = wrap_neg(term.coeff);
            pending.push_back(&static_cast<const Neg&>(*node).operand());
            continue;
        case ExprType::MUL:
            pending.push_back(&static_cast<const Mul&>(*node).right());
            pending.push_back(&static_cast<const Mul&>(*node).left());
            continue;
        case ExprType::POW: {
            const auto& pow = static_cast<const Pow&>(*node);
            if (pow.exp()->type() == ExprType::INT) {
                term.multiply(factors.intern(pow.base()), static_cast<const Int&>(*pow.exp()).value(), factors);
                continue;
            }
            break;
        }
        default:
            break;
        }
        term.multiply(factors.intern(node), 1, factors);
    }
    return term;
}

// The tree of coeff times a term's factors, in the term's order.
ExprPtr build_of_term(int coeff, const Term& term, const FactorTable& factors) {
    const PowerView powers = term.powers();
    return product_tree(coeff, powers.size(), [&](std::size_t i) {
        return std::pair<const ExprPtr&, int>(factors[powers[i].factor].node, powers[i].exp);
    });
}

}  // namespace

ExprPtr key_tree(const Term& canonical, const FactorTable& factors) { return build_of_term(1, canonical, factors); }

// Written straight from the beginnings of the factors' texts, joined as the
// renderer joins a product's operands, and ending where a factor's known
// text ends. An integer factor written alone takes part in the special
// rules of -1 and 1, so such a product is built as a tree and rendered
// instead.
TermKey key_of(const Term& canonical, const FactorTable& factors) {
    const PowerView powers = canonical.powers();
    const bool has_lone_integer = std::any_of(
        powers.begin(), powers.end(), [&factors](const Power& p) { return p.exp == 1 && factors[p.factor].is_int; });
    TermKey key;
    if (has_lone_integer) {
        key.complete = write_latex_prefix(*key_tree(canonical, factors), key.text, TEXT_PREFIX_BYTES, factors.cancel());
        return key;
    }
    if (powers.empty()) {
        return CONSTANT_KEY;
    }
    std::string& text = key.text;
    if (!write_part(powers[0], factors[powers[0].factor], factors.text(powers[0].factor), powers.size() == 1, text)) {
        return key;
    }
    ProductJoiner joiner;
    std::string part;
    for (std::size_t i = 1; i < powers.size(); ++i) {
        const Factor& factor = factors[powers[i].factor];
        part.clear();
        const bool part_complete = write_part(powers[i], factor, factors.text(powers[i].factor), false, part);
        const bool both_fractions = i == 1 && powers[0].exp == 1 && factors[powers[0].factor].is_fraction &&
                                    powers[1].exp == 1 && factor.is_fraction;
        const int first = part.empty() ? NO_FIRST_BYTE : static_cast<unsigned char>(part.front());
        const ProductJoint joint = joiner.join(text, 0, first, both_fractions);
        if (*joint.separator != '\0') {
            text += joint.separator;
        }
        if (joint.wrap_right) {
            text += "\\left(";
        }
        text += part;
        if (!part_complete) {
            return key;
        }
        if (joint.wrap_right) {
            text += "\\right)";
        }
    }
    key.complete = true;
    return key;
}

void complete_key(TermKey& key, const Term& canonical, const FactorTable& factors) {
    if (!key.complete) {
        key.text.clear();
        write_latex(*key_tree(canonical, factors), key.text, factors.cancel());
        key.complete = true;
    }
}

void read_summands(const ExprPtr& tree, FactorTable& factors, std::vector<Term>& out) {
    if (tree->type() != ExprType::ADD) {
        out.push_back(read_product(tree, factors));
        return;
    }
    std::vector<const ExprPtr*> pending{&tree};
    while (!pending.empty()) {
        factors.cancel().poll();
        const ExprPtr& node = *pending.back();
        pending.pop_back();
        if (node->type() == ExprType::ADD) {
            pending.push_back(&static_cast<const Add&>(*node).right());
            pending.push_back(&static_cast<const Add&>(*node).left());
        } else {
            out.push_back(read_product(node, factors));
        }
    }
}

ExprPtr term_tree(const Term& term, const FactorTable& factors) { return build_of_term(term.coeff, term, factors); }

}  // namespace kalvira
