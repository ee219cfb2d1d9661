// LaTeX rendering. Parentheses are the sized pair "\left(" ... "\right)";
// sums render flat; a product juxtaposes its factors except where two
// numeric literals or two digits would meet, where " \cdot " separates them.

#include "ast/latex.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

namespace kalvira {

namespace {

constexpr int EMPTY = -1;  // first_byte of a text that is empty

bool is_digit(int c) { return c >= '0' && c <= '9'; }

void append_number(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// The fraction's absolute value; the magnitude of -2147483648 is exact.
void append_magnitude(std::string& out, const Rational& fraction) {
    if (fraction.den() == 1) {
        append_number(out, magnitude(fraction.num()));
        return;
    }
    out += "\\frac{";
    append_number(out, magnitude(fraction.num()));
    out += "}{";
    append_number(out, fraction.den());
    out += "}";
}

// Which of a product's rules applies: a left factor of -1 or 1 or a right
// factor of 1 leaves only the other operand; otherwise both are joined.
enum class MulForm { NEGATED_RIGHT, RIGHT_ONLY, LEFT_ONLY, JOINED };

MulForm mul_form(const Mul& mul) {
    if (is_int(mul.left(), -1)) {
        return MulForm::NEGATED_RIGHT;
    }
    if (is_int(mul.left(), 1)) {
        return MulForm::RIGHT_ONLY;
    }
    if (is_int(mul.right(), 1)) {
        return MulForm::LEFT_ONLY;
    }
    return MulForm::JOINED;
}

int first_digit(std::int64_t value) {
    while (value >= 10) {
        value /= 10;
    }
    return '0' + static_cast<int>(value);
}

// The first byte of e's text as a product operand (wrapped when looser than
// a product), or EMPTY. Found by descending to the leftmost piece of text;
// only empty variable names make the search step past a piece.
int first_byte_as_factor(const Expr& e) {
    struct Piece {
        const Expr* node;
        int byte;  // used when node is null
    };
    std::vector<Piece> pending;
    const auto push_factor = [&pending](const Expr& factor) {
        if (factor.precedence() < PREC_PRODUCT) {
            pending.push_back({nullptr, '\\'});
        } else {
            pending.push_back({&factor, 0});
        }
    };
    push_factor(e);
    while (!pending.empty()) {
        const Piece piece = pending.back();
        pending.pop_back();
        if (piece.node == nullptr) {
            return piece.byte;
        }
        const Expr& node = *piece.node;
        switch (node.type()) {
        case ExprType::INT: {
            const int value = static_cast<const Int&>(node).value();
            return value < 0 ? '-' : first_digit(value);
        }
        case ExprType::VAR: {
            const std::string& name = static_cast<const Var&>(node).name();
            if (!name.empty()) {
                return static_cast<unsigned char>(name[0]);
            }
            break;
        }
        case ExprType::RATIONAL: {
            const auto& fraction = static_cast<const Rational&>(node);
            if (fraction.num() < 0) {
                return '-';
            }
            return fraction.den() == 1 ? first_digit(fraction.num()) : '\\';
        }
        case ExprType::NEG:
            return '-';
        case ExprType::E:
            return 'e';
        case ExprType::ADD:  // the joiner " + " or " - " follows the left operand
            pending.push_back({nullptr, ' '});
            pending.push_back({static_cast<const Add&>(node).left().get(), 0});
            break;
        case ExprType::POW: {
            const auto& pow = static_cast<const Pow&>(node);
            if (pow_base_needs_parens(*pow.base())) {
                return '\\';
            }
            pending.push_back({nullptr, '^'});
            pending.push_back({pow.base().get(), 0});
            break;
        }
        case ExprType::MUL: {
            const auto& mul = static_cast<const Mul&>(node);
            switch (mul_form(mul)) {
            case MulForm::NEGATED_RIGHT:
                return '-';
            case MulForm::RIGHT_ONLY:
                push_factor(*mul.right());
                break;
            case MulForm::LEFT_ONLY:
                push_factor(*mul.left());
                break;
            case MulForm::JOINED:  // an empty left operand never gets a separator
                push_factor(*mul.right());
                push_factor(*mul.left());
                break;
            }
            break;
        }
        default:  // quotients, roots, functions and pi begin with a command
            return '\\';
        }
    }
    return EMPTY;
}

class LatexWriter {
public:
    LatexWriter(std::string& out, const Cancellation& cancel) : out_(out), cancel_(cancel) {}

    // Writes root's text, or stops once out holds stop_at bytes; returns
    // whether the text is complete.
    bool run(const Expr& root, std::size_t stop_at = std::string::npos) {
        pending_.push_back({Step::NODE, &root, nullptr, 0});
        while (!pending_.empty() && out_.size() < stop_at) {
            cancel_.poll();
            const Step step = pending_.back();
            pending_.pop_back();
            switch (step.kind) {
            case Step::TEXT:
                out_ += step.text;
                break;
            case Step::NODE:
                write_node(*step.node);
                break;
            case Step::SUM_RIGHT:
                write_sum_right(static_cast<const Add&>(*step.node));
                break;
            case Step::PRODUCT_RIGHT:
                write_product_right(static_cast<const Mul&>(*step.node), step.mark);
                break;
            }
        }
        return pending_.empty();
    }

private:
    // What is still to be written, last first.
    struct Step {
        enum Kind { NODE, TEXT, SUM_RIGHT, PRODUCT_RIGHT } kind;
        const Expr* node;
        const char* text;
        std::size_t mark;  // PRODUCT_RIGHT: where the left operand's text began
    };

    void then_node(const ExprPtr& node) { pending_.push_back({Step::NODE, node.get(), nullptr, 0}); }
    void then_text(const char* text) { pending_.push_back({Step::TEXT, nullptr, text, 0}); }

    // Writes child next, in parentheses when it binds more loosely than
    // min_prec. Must be the last thing a step schedules.
    void then_child(const ExprPtr& child, int min_prec) {
        if (child->precedence() < min_prec) {
            out_ += "\\left(";
            then_text("\\right)");
        }
        then_node(child);
    }

    void write_node(const Expr& node);
    void write_sum_right(const Add& sum);
    void write_product_right(const Mul& product, std::size_t left_start);

    std::string& out_;
    const Cancellation& cancel_;
    std::vector<Step> pending_;
};

void LatexWriter::write_node(const Expr& node) {
    switch (node.type()) {
    case ExprType::INT:
        append_number(out_, static_cast<const Int&>(node).value());
        return;
    case ExprType::VAR:
        out_ += static_cast<const Var&>(node).name();
        return;
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        if (fraction.num() < 0) {
            out_ += '-';
        }
        append_magnitude(out_, fraction);
        return;
    }
    case ExprType::PI:
        out_ += "\\pi";
        return;
    case ExprType::E:
        out_ += 'e';
        return;
    case ExprType::NEG:
        out_ += '-';
        then_child(static_cast<const Neg&>(node).operand(), PREC_NEG);
        return;
    case ExprType::ADD:
        // Sums never wrap their left operand, so nested sums render flat.
        pending_.push_back({Step::SUM_RIGHT, &node, nullptr, 0});
        then_node(static_cast<const Add&>(node).left());
        return;
    case ExprType::MUL: {
        const auto& mul = static_cast<const Mul&>(node);
        switch (mul_form(mul)) {
        case MulForm::NEGATED_RIGHT:
            out_ += '-';
            then_child(mul.right(), PREC_PRODUCT);
            return;
        case MulForm::RIGHT_ONLY:
            then_child(mul.right(), PREC_PRODUCT);
            return;
        case MulForm::LEFT_ONLY:
            then_child(mul.left(), PREC_PRODUCT);
            return;
        case MulForm::JOINED:
            pending_.push_back({Step::PRODUCT_RIGHT, &node, nullptr, out_.size()});
            then_child(mul.left(), PREC_PRODUCT);
            return;
        }
        return;
    }
    case ExprType::DIV: {
        const auto& div = static_cast<const Div&>(node);
        out_ += "\\frac{";
        then_text("}");
        then_node(div.den());
        then_text("}{");
        then_node(div.num());
        return;
    }
    case ExprType::POW: {
        const auto& pow = static_cast<const Pow&>(node);
        const bool wrapped = pow_base_needs_parens(*pow.base());
        if (wrapped) {
            out_ += "\\left(";
        }
        then_text("}");
        then_node(pow.exp());
        then_text(wrapped ? "\\right)^{" : "^{");
        then_node(pow.base());
        return;
    }
    default:
        break;
    }
    // Roots and functions: a command, then the operand in braces or parentheses.
    static constexpr struct {
        ExprType kind;
        const char* open;
        const char* close;
    } APPLICATIONS[] = {
        {ExprType::SQRT, "\\sqrt{", "}"},
        {ExprType::CBRT, "\\sqrt[3]{", "}"},
        {ExprType::SIN, "\\sin\\left(", "\\right)"},
        {ExprType::COS, "\\cos\\left(", "\\right)"},
        {ExprType::TAN, "\\tan\\left(", "\\right)"},
        {ExprType::LOG, "\\ln\\left(", "\\right)"},
    };
    for (const auto& application : APPLICATIONS) {
        if (application.kind == node.type()) {
            out_ += application.open;
            then_text(application.close);
            then_node(node.child(0));
            return;
        }
    }
}

// A negation, a negative integer or a negative fraction on the right of a
// sum turns the plus into a minus followed by the magnitude.
void LatexWriter::write_sum_right(const Add& sum) {
    const Expr& right = *sum.right();
    switch (right.type()) {
    case ExprType::NEG:
        out_ += " - ";
        then_child(static_cast<const Neg&>(right).operand(), PREC_NEG);
        return;
    case ExprType::INT: {
        const int value = static_cast<const Int&>(right).value();
        if (value < 0) {
            out_ += " - ";
            append_number(out_, magnitude(value));
            return;
        }
        break;
    }
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(right);
        if (fraction.num() < 0) {
            out_ += " - ";
            append_magnitude(out_, fraction);
            return;
        }
        break;
    }
    default:
        break;
    }
    out_ += " + ";
    then_node(sum.right());
}

// Two numeric literals, or a digit meeting a digit, are separated by a dot.
void LatexWriter::write_product_right(const Mul& product, std::size_t left_start) {
    const bool both_numeric = product.left()->is_numeric() && product.right()->is_numeric();
    const bool digits_meet = out_.size() > left_start && is_digit(out_.back()) &&
                             is_digit(first_byte_as_factor(*product.right()));
    if (both_numeric || digits_meet) {
        out_ += " \\cdot ";
    }
    then_child(product.right(), PREC_PRODUCT);
}

}  // namespace

// A power wraps loose bases, towers and negative literals, so that the
// exponent visibly applies to the whole base.
bool pow_base_needs_parens(const Expr& base) {
    switch (base.type()) {
    case ExprType::POW:
        return true;
    case ExprType::INT:
        return static_cast<const Int&>(base).value() < 0;
    case ExprType::RATIONAL:
        return static_cast<const Rational&>(base).num() < 0;
    default:
        return base.precedence() < PREC_POWER;
    }
}

void write_latex(const Expr& e, std::string& out, const Cancellation& cancel) {
    LatexWriter(out, cancel).run(e);
}

bool write_latex_prefix(const Expr& e, std::string& out, std::size_t min_bytes, const Cancellation& cancel) {
    return LatexWriter(out, cancel).run(e, out.size() + min_bytes);
}

int compare_latex(const Expr& a, const Expr& b, const Cancellation& cancel) {
    for (std::size_t length = 16;; length *= 2) {
        std::string left;
        std::string right;
        const bool left_complete = write_latex_prefix(a, left, length, cancel);
        const bool right_complete = write_latex_prefix(b, right, length, cancel);
        const std::size_t common = std::min(left.size(), right.size());
        const int order = left.compare(0, common, right, 0, common);
        if (order != 0) {
            return order < 0 ? -1 : 1;
        }
        const bool left_ends = left_complete && left.size() == common;
        const bool right_ends = right_complete && right.size() == common;
        if (left_ends || right_ends) {  // a proper prefix comes first
            return left_ends == right_ends ? 0 : (left_ends ? -1 : 1);
        }
    }
}

std::string Expr::to_string() const {
    std::string out;
    write_latex(*this, out, Cancellation());
    return out;
}

}  // namespace kalvira
