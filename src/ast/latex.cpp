// LaTeX rendering. Parentheses are the sized pair "\left(" ... "\right)";
// sums render flat; a product juxtaposes its factors as ProductJoiner says.

#include "ast/latex.hpp"
#include "ast/kind_words.hpp"
#include "ast/product_joint.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kalvira {

namespace {

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

// The first byte of a text as a product operand (wrapped when looser than a
// product), or NO_FIRST_BYTE. Found by descending to the leftmost piece of
// text; only empty variable names make the search step past a piece. When it
// steps past an empty left operand into the right one, it remembers what it
// finds there, since the writer asks about that right operand again.
class FirstByteSearch {
public:
    explicit FirstByteSearch(const Cancellation& cancel) : cancel_(cancel) {}

    int of_factor(const Expr& e) {
        if (const auto known = right_operands_.find(&e); known != right_operands_.end()) {
            return known->second;
        }
        push_factor(e);
        while (!pending_.empty()) {
            cancel_.poll();
            const Piece piece = pending_.back();
            pending_.pop_back();
            const int byte = of_piece(piece);
            if (byte != NO_FIRST_BYTE) {
                pending_.clear();
                return found(byte);
            }
        }
        return NO_FIRST_BYTE;
    }

private:
    enum class Kind { BYTE, NODE, RIGHT_OPERAND, RIGHT_OPERAND_END };
    struct Piece {
        Kind kind;
        const Expr* node;
        int byte;  // for BYTE
    };

    void push_byte(int byte) { pending_.push_back({Kind::BYTE, nullptr, byte}); }
    void push_node(const Expr& node) { pending_.push_back({Kind::NODE, &node, 0}); }
    void push_factor(const Expr& factor) {
        if (factor.precedence() < PREC_PRODUCT) {
            push_byte('\\');
        } else {
            push_node(factor);
        }
    }

    // A juxtaposed right operand that begins with a minus sign is wrapped.
    static int as_juxtaposed(int byte) { return byte == '-' ? '\\' : byte; }

    // Records the byte for the right operands being searched, innermost
    // first, and returns it as the text around them begins.
    int found(int byte) {
        for (auto open = open_rights_.rbegin(); open != open_rights_.rend(); ++open) {
            right_operands_[*open] = byte;
            byte = as_juxtaposed(byte);
        }
        open_rights_.clear();
        return byte;
    }

    int of_piece(const Piece& piece) {
        switch (piece.kind) {
        case Kind::BYTE:
            return piece.byte;
        case Kind::NODE:
            return of_node(*piece.node);
        case Kind::RIGHT_OPERAND:
            if (const auto known = right_operands_.find(piece.node); known != right_operands_.end()) {
                return known->second == NO_FIRST_BYTE ? NO_FIRST_BYTE : as_juxtaposed(known->second);
            }
            pending_.push_back({Kind::RIGHT_OPERAND_END, piece.node, 0});
            open_rights_.push_back(piece.node);
            push_factor(*piece.node);
            return NO_FIRST_BYTE;
        case Kind::RIGHT_OPERAND_END:  // the right operand's text is empty
            right_operands_[piece.node] = NO_FIRST_BYTE;
            open_rights_.pop_back();
            return NO_FIRST_BYTE;
        }
        return NO_FIRST_BYTE;
    }

    // The node's own first byte, or NO_FIRST_BYTE after pushing the pieces
    // its text begins with.
    int of_node(const Expr& node) {
        switch (node.type()) {
        case ExprType::INT: {
            const int value = static_cast<const Int&>(node).value();
            return value < 0 ? '-' : first_digit(value);
        }
        case ExprType::VAR: {
            const std::string& name = static_cast<const Var&>(node).name();
            return name.empty() ? NO_FIRST_BYTE : static_cast<unsigned char>(name[0]);
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
        case ExprType::ADD:  // the joiner " + " or " - " follows the left operand
            push_byte(' ');
            push_node(*static_cast<const Add&>(node).left());
            return NO_FIRST_BYTE;
        case ExprType::POW: {
            const auto& pow = static_cast<const Pow&>(node);
            if (pow_base_needs_parens(*pow.base())) {
                return '\\';
            }
            push_byte('^');
            push_node(*pow.base());
            return NO_FIRST_BYTE;
        }
        case ExprType::MUL:
            return of_product(static_cast<const Mul&>(node));
        default: {  // functions and constants as spelled; quotients begin with "\\frac"
            const KindWord* spelled = kind_word(node.type());
            return spelled ? static_cast<unsigned char>(spelled->latex[0]) : '\\';
        }
        }
    }

    int of_product(const Mul& mul) {
        switch (mul_form(mul)) {
        case MulForm::NEGATED_RIGHT:
            return '-';
        case MulForm::RIGHT_ONLY:
            push_factor(*mul.right());
            break;
        case MulForm::LEFT_ONLY:
            push_factor(*mul.left());
            break;
        case MulForm::JOINED:  // the right operand counts only past an empty left one
            pending_.push_back({Kind::RIGHT_OPERAND, mul.right().get(), 0});
            push_factor(*mul.left());
            break;
        }
        return NO_FIRST_BYTE;
    }

    const Cancellation& cancel_;
    std::vector<Piece> pending_;
    std::vector<const Expr*> open_rights_;  // right operands being searched, outermost first
    // First bytes of right operands found past an empty left operand.
    std::unordered_map<const Expr*, int> right_operands_;
};

class LatexWriter {
public:
    LatexWriter(std::string& out, const Cancellation& cancel) : out_(out), cancel_(cancel), first_bytes_(cancel) {}

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
    // min_prec or when wrapped is set. Must be the last thing a step schedules.
    void then_child(const ExprPtr& child, int min_prec, bool wrapped = false) {
        if (wrapped || child->precedence() < min_prec) {
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
    FirstByteSearch first_bytes_;
    ProductJoiner joiner_;
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
    case ExprType::E:
        out_ += kind_word(node.type())->latex;
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
    const KindWord& function = *kind_word(node.type());
    out_ += function.latex;
    then_text(function.latex_close);
    then_node(node.child(0));
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

void LatexWriter::write_product_right(const Mul& product, std::size_t left_start) {
    const bool both_numeric = product.left()->is_numeric() && product.right()->is_numeric();
    const ProductJoint joint = joiner_.join(out_, left_start, first_bytes_.of_factor(*product.right()), both_numeric);
    out_ += joint.separator;
    then_child(product.right(), PREC_PRODUCT, joint.wrap_right);
}

}  // namespace

// A power wraps loose bases, towers and negative literals, so that the
// exponent visibly applies to the whole base.
bool pow_base_needs_parens(const Expr& base) {
    return base.type() == ExprType::POW || is_negative_literal(base) || base.precedence() < PREC_POWER;
}

void write_latex(const Expr& e, std::string& out, const Cancellation& cancel) { LatexWriter(out, cancel).run(e); }

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
        // A text that has ended comes first if the other is known to go on;
        // a text not yet complete may still end where it stands.
        if (left_complete && right_complete && left.size() == right.size()) {
            return 0;
        }
        if (left_complete && left.size() < right.size()) {
            return -1;
        }
        if (right_complete && right.size() < left.size()) {
            return 1;
        }
    }
}

std::string Expr::to_string() const {
    std::string out;
    write_latex(*this, out, Cancellation());
    return out;
}

}  // namespace kalvira
