// How the notation binds, loosest first: sums (+, and - which makes the
// right operand a Neg); a leading minus, which covers a whole product ("-xy"
// is Neg(Mul(x, y))) unless an integer follows it, which takes the sign
// ("-3" is Int(-3), "-2x" Mul(Int(-2), x), "-(3)" Neg(Int(3))); products and
// quotients, from the left; powers, from the right; atoms. A child is
// written bare when it binds at least as tightly as its place asks,
// otherwise in parentheses.
//
// Two factors are written side by side ("2x", "x^2y", "(x + 1)(x - 1)",
// "xy") only where the parser splits them back exactly so and a reader
// would too; otherwise they are joined by "*" (Unicode "·"): between
// digits, after a quotient, a root or a subscript, and between letters
// that would spell a function or pi ("l*n", not "ln").

#include "values/school_text.hpp"

#include <array>
#include <string_view>
#include <vector>

#include "ast/kind_words.hpp"
#include "values/variable_name.hpp"

namespace kalvira {
namespace {

enum Level : int { SUM = 1, SIGNED = 2, PRODUCT = 3, POWER = 4, ATOM = 5 };

bool is_root(ExprType type) { return !root_sign(type).empty(); }

int level(const Expr& node) {
    switch (node.type()) {
    // A negative integer stands bare where a product's first factor may.
    case ExprType::INT:
        return static_cast<const Int&>(node).value() < 0 ? PRODUCT : ATOM;
    case ExprType::RATIONAL:  // written n/d
    case ExprType::MUL:
    case ExprType::DIV:
        return PRODUCT;
    case ExprType::NEG:
        return SIGNED;
    case ExprType::ADD:
        return SUM;
    case ExprType::POW:
        return POWER;
    default:
        return ATOM;
    }
}

bool is_int_at_least(const Expr& node, int minimum) {
    return node.type() == ExprType::INT && static_cast<const Int&>(node).value() >= minimum;
}

// The factor that a product or quotient begins with; any other node itself.
const Expr& first_factor(const Expr& node) {
    const Expr* factor = &node;
    while (factor->type() == ExprType::MUL || factor->type() == ExprType::DIV) {
        factor = factor->child(0).get();
    }
    return *factor;
}

// After a leading minus, products, powers and atoms stand bare, but not
// when they begin with a number: "-3" and "-2x" would read as the integer
// -3 and the product (-2)x, and "--2x" would be hard to read.
bool wrapped_after_sign(const Expr& operand) {
    const ExprType first = first_factor(operand).type();
    return level(operand) < PRODUCT || first == ExprType::INT || first == ExprType::RATIONAL;
}

// How a text begins or ends, as far as joining two factors cares.
// WORD: a function name or "pi", which stand apart after a letter.
enum class Edge { DIGIT, LETTER, WORD, OPEN, CLOSE, ROOT, NUMBER, OTHER };

struct Boundary {
    Edge edge;
    char32_t letter = 0;  // for LETTER: the letter itself
};

// Two letters side by side that would begin a function name or pi.
bool spells_word(char32_t first, char32_t second) {
    if (first >= 0x80 || second >= 0x80) {
        return false;
    }
    const char pair[2] = {static_cast<char>(first), static_cast<char>(second)};
    for (const KindWord& entry : KIND_WORDS) {
        for (const std::string_view word : {entry.word, entry.also}) {
            if (word.size() >= 2 && word.substr(0, 2) == std::string_view(pair, 2)) {
                return true;
            }
        }
    }
    return false;
}

class SchoolTextWriter {
public:
    SchoolTextWriter(TextStyle style, std::string& out, const Cancellation& cancel)
        : unicode_(style == TextStyle::UNICODE), out_(out), cancel_(cancel) {}

    void write(const Expr& tree) {
        tasks_.push_back({&tree, {}, false});
        while (!tasks_.empty()) {
            cancel_.poll();
            const Task task = tasks_.back();
            tasks_.pop_back();
            if (task.node == nullptr) {
                out_ += task.text;
            } else if (task.superscript) {
                write_superscript(static_cast<const Int&>(*task.node).value());
            } else {
                write_node(*task.node);
            }
        }
    }

private:
    // A node to write, a superscript exponent, or a fixed text.
    struct Task {
        const Expr* node;
        std::string_view text;
        bool superscript;
    };

    // A piece of a node's text, in reading order: a child (in parentheses
    // when wrapped), or a fixed text.
    struct Piece {
        const Expr* child;
        bool wrapped;
        std::string_view text;
    };

    static Piece text(std::string_view t) { return {nullptr, false, t}; }
    static Piece operand(const ExprPtr& child, int minimum) { return {child.get(), level(*child) < minimum, {}}; }

    void push(std::initializer_list<Piece> pieces) {
        for (auto piece = std::rbegin(pieces); piece != std::rend(pieces); ++piece) {
            if (piece->child == nullptr) {
                tasks_.push_back({nullptr, piece->text, false});
            } else if (piece->wrapped) {
                tasks_.push_back({nullptr, ")", false});
                tasks_.push_back({piece->child, {}, false});
                tasks_.push_back({nullptr, "(", false});
            } else {
                tasks_.push_back({piece->child, {}, false});
            }
        }
    }

    void write_node(const Expr& node);
    void write_leaf(const Expr& node);
    void write_name(const std::string& name);
    void write_superscript(int exponent);
    void push_sum(const Add& sum);
    void push_power(const Pow& power);
    void push_function(const UnaryExpr& call, ExprType type);
    std::string_view product_joint(const Mul& product) const;
    Boundary first_of(const Expr& node, bool wrapped) const;
    Boundary last_of(const Expr& node, bool wrapped) const;

    const bool unicode_;
    std::string& out_;
    const Cancellation& cancel_;
    std::vector<Task> tasks_;
};

void SchoolTextWriter::write_node(const Expr& node) {
    switch (node.type()) {
    case ExprType::NEG: {
        const ExprPtr& operand = static_cast<const Neg&>(node).operand();
        push({text("-"), {operand.get(), wrapped_after_sign(*operand), {}}});
        return;
    }
    case ExprType::ADD:
        push_sum(static_cast<const Add&>(node));
        return;
    case ExprType::MUL: {
        const auto& product = static_cast<const Mul&>(node);
        push({operand(product.left(), PRODUCT), text(product_joint(product)), operand(product.right(), POWER)});
        return;
    }
    case ExprType::DIV: {
        const auto& quotient = static_cast<const Div&>(node);
        push({operand(quotient.num(), PRODUCT), text("/"), operand(quotient.den(), POWER)});
        return;
    }
    case ExprType::POW:
        push_power(static_cast<const Pow&>(node));
        return;
    default:
        break;
    }
    if (is_function(node.type())) {
        push_function(static_cast<const UnaryExpr&>(node), node.type());
    } else {
        write_leaf(node);
    }
}

void SchoolTextWriter::write_leaf(const Expr& node) {
    switch (node.type()) {
    case ExprType::INT:
        out_ += std::to_string(static_cast<const Int&>(node).value());
        return;
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        out_ += std::to_string(fraction.num());
        out_ += '/';
        out_ += std::to_string(fraction.den());
        return;
    }
    case ExprType::VAR:
        write_name(static_cast<const Var&>(node).name());
        return;
    default: {  // pi and e
        const KindWord& constant = *kind_word(node.type());
        out_ += unicode_ && !constant.symbol.empty() ? constant.symbol : constant.word;
        return;
    }
    }
}

void SchoolTextWriter::write_name(const std::string& name) {
    const NameForm form = name_form(name);
    if (!unicode_ || form.shape != NameShape::DIGIT_SUBSCRIPT) {
        out_ += name;
        return;
    }
    static constexpr std::array<std::string_view, 10> SUBSCRIPTS{"₀", "₁", "₂", "₃", "₄", "₅", "₆", "₇", "₈", "₉"};
    out_.append(name, 0, form.letter_size);
    for (std::size_t at = form.letter_size + 1; at < name.size(); ++at) {
        out_ += SUBSCRIPTS[static_cast<std::size_t>(name[at] - '0')];
    }
}

void SchoolTextWriter::write_superscript(int exponent) {
    static constexpr std::array<std::string_view, 10> SUPERSCRIPTS{"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
    const std::string digits = std::to_string(exponent);
    for (const char c : digits) {
        out_ += c == '-' ? std::string_view("⁻") : SUPERSCRIPTS[static_cast<std::size_t>(c - '0')];
    }
}

// "a - b" is Add(a, Neg(b)), so a Neg on the right is written as a minus.
void SchoolTextWriter::push_sum(const Add& sum) {
    if (sum.right()->type() == ExprType::NEG) {
        push({operand(sum.left(), SUM), text(" - "), operand(static_cast<const Neg&>(*sum.right()).operand(), SIGNED)});
    } else {
        push({operand(sum.left(), SUM), text(" + "), operand(sum.right(), PRODUCT)});
    }
}

// An exponent is bare only when it is an atom or a negative integer
// ("x^-1"); Unicode writes integer exponents as superscripts ("x⁻¹"). A
// root is a base in parentheses there: "√x²" is the root of x².
void SchoolTextWriter::push_power(const Pow& power) {
    const Expr& base = *power.base();
    const Piece base_piece{&base, level(base) < ATOM || (unicode_ && is_root(base.type())), {}};
    const Expr& exponent = *power.exp();
    if (unicode_ && exponent.type() == ExprType::INT) {
        tasks_.push_back({&exponent, {}, true});
        push({base_piece});
        return;
    }
    const bool bare = level(exponent) == ATOM || exponent.type() == ExprType::INT;
    push({base_piece, text("^"), {&exponent, !bare, {}}});
}

void SchoolTextWriter::push_function(const UnaryExpr& call, ExprType type) {
    if (unicode_ && is_root(type)) {
        const Piece radicand = operand(call.operand(), ATOM);
        push({text(root_sign(type)), radicand});
        return;
    }
    push({text(kind_word(type)->word), text("("), {call.operand().get(), false, {}}, text(")")});
}

// Side by side where that reads back and reads well, else "*" or "·".
std::string_view SchoolTextWriter::product_joint(const Mul& product) const {
    const std::string_view joint = unicode_ ? "·" : "*";
    const Expr& left = *product.left();
    const bool left_is_product = left.type() == ExprType::MUL;
    const Expr& last_factor = left_is_product ? *static_cast<const Mul&>(left).right() : left;
    const bool last_wrapped = level(last_factor) < (left_is_product ? POWER : PRODUCT);
    const Boundary last = last_of(last_factor, last_wrapped);
    const Boundary first = first_of(*product.right(), level(*product.right()) < POWER);
    switch (last.edge) {
    case Edge::CLOSE:
    case Edge::NUMBER:
        return first.edge == Edge::LETTER || first.edge == Edge::WORD || first.edge == Edge::OPEN ||
                       first.edge == Edge::ROOT
                   ? ""
                   : joint;
    case Edge::LETTER:
        return first.edge == Edge::LETTER && !spells_word(last.letter, first.letter) ? "" : joint;
    default:
        return joint;
    }
}

// How the text of node begins, where it stands as the right factor of a product.
Boundary SchoolTextWriter::first_of(const Expr& node, bool wrapped) const {
    if (wrapped) {
        return {Edge::OPEN};
    }
    switch (node.type()) {
    case ExprType::INT:
        return {Edge::DIGIT};
    case ExprType::PI:
        return unicode_ ? Boundary{Edge::LETTER, U'π'} : Boundary{Edge::WORD};
    case ExprType::E:
        return {Edge::LETTER, 'e'};
    case ExprType::VAR: {
        const NameForm form = name_form(static_cast<const Var&>(node).name());
        return form.shape == NameShape::UNREADABLE ? Boundary{Edge::OTHER} : Boundary{Edge::LETTER, form.letter};
    }
    case ExprType::POW: {
        const Expr& base = *static_cast<const Pow&>(node).base();
        return first_of(base, level(base) < ATOM);
    }
    default:
        break;
    }
    if (unicode_ && is_root(node.type())) {
        return {Edge::ROOT};
    }
    return {Edge::WORD};
}

// How the text of node ends, where it stands as the last factor before
// another: NUMBER for an integer or an integer power ("2", "x^2", "x²").
Boundary SchoolTextWriter::last_of(const Expr& node, bool wrapped) const {
    if (wrapped) {
        return {Edge::CLOSE};
    }
    switch (node.type()) {
    case ExprType::INT:
        return {Edge::NUMBER};
    case ExprType::POW:
        return is_int_at_least(*static_cast<const Pow&>(node).exp(), 0) ? Boundary{Edge::NUMBER}
                                                                        : Boundary{Edge::OTHER};
    case ExprType::PI:
        return unicode_ ? Boundary{Edge::LETTER, U'π'} : Boundary{Edge::OTHER};
    case ExprType::E:
        return {Edge::LETTER, 'e'};
    case ExprType::VAR: {
        const NameForm form = name_form(static_cast<const Var&>(node).name());
        return form.shape == NameShape::LETTER ? Boundary{Edge::LETTER, form.letter} : Boundary{Edge::OTHER};
    }
    default:
        break;
    }
    if (is_function(node.type())) {
        return unicode_ && is_root(node.type()) ? Boundary{Edge::OTHER} : Boundary{Edge::CLOSE};
    }
    return {Edge::OTHER};  // quotients and fractions: "a/2x" would mislead
}

}  // namespace

void write_school_text(const Expr& tree, TextStyle style, std::string& out, const Cancellation& cancel) {
    SchoolTextWriter(style, out, cancel).write(tree);
}

}  // namespace kalvira
