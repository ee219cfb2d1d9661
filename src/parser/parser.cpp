// An operator-precedence parser on two explicit stacks (operands and
// pending operators), so that no depth of parentheses, signs, powers or
// calls makes it recurse. It refuses syntax at the first token that cannot
// continue an expression. Literals it cannot take (decimals, integers
// beyond 32 bits, unknown functions, lone surrogates in names) are noted
// instead, and the leftmost of them is refused once the whole text has
// been read: a syntax fault anywhere is reported first.
//
// How the notation binds, loosest first: + and - between terms; a sign in
// front of a term, which covers the term's whole product ("-xy" is -(xy),
// as in school algebra), except that a sign right before an integer is the
// integer's own ("-2x" is (-2)x); *, / and juxtaposition ("2x",
// "(x+1)(x-1)"), from the left; a sign in front of a later factor ("x*-y",
// "x/-y"), which covers that factor only; ^ and **, from the right, whose
// exponent may carry signs ("x^-1"); a superscript ("x²"), which takes the
// atom right before it; √ and ∛, which take the atom after them together
// with its superscript ("√x²" is √(x²)).

#include <optional>
#include <utility>
#include <vector>

#include "ast/make_node.hpp"
#include "parser/integer_literal.hpp"
#include "parser/lexer.hpp"
#include "parser/parse.hpp"
#include "parser/parse_errors.hpp"
#include "parser/script_digits.hpp"

namespace kalvira {
namespace {

// A parsed operand: a node, or an integer literal not yet made one.
struct Operand {
    ExprPtr node;
    IntegerLiteral literal;
};

// NEGATE_TERM is a sign in front of a term, NEGATE one in front of a factor.
enum class Pending { ADD, SUBTRACT, NEGATE_TERM, MULTIPLY, DIVIDE, NEGATE, POWER, ROOT, GROUP, CALL, UNKNOWN_CALL };

// How tightly a pending operator holds the operand after it; parentheses
// and calls (0) are never reduced by an operator.
int precedence(Pending op) {
    switch (op) {
    case Pending::ADD:
    case Pending::SUBTRACT:
        return 1;
    case Pending::NEGATE_TERM:
        return 2;
    case Pending::MULTIPLY:
    case Pending::DIVIDE:
        return 3;
    case Pending::NEGATE:
        return 4;
    case Pending::POWER:
        return 5;
    case Pending::ROOT:
        return 6;
    default:
        return 0;
    }
}

Pending binary_operator(TokenKind kind) {
    switch (kind) {
    case TokenKind::PLUS:
        return Pending::ADD;
    case TokenKind::MINUS:
        return Pending::SUBTRACT;
    case TokenKind::TIMES:
        return Pending::MULTIPLY;
    default:
        return Pending::DIVIDE;
    }
}

struct PendingOp {
    Pending op;
    Token token;  // the operator, or for calls the function's name
    Token open;   // parentheses and calls: the '('
};

enum class Expecting {
    OPERAND,     // at the start, after '(' or an operator: an atom or a sign
    ATOM,        // after √: an atom, no sign
    OPEN,        // after a function name: '('
    AFTER_ATOM,  // anything that may follow an atom, superscripts included
    AFTER_POWER  // after x²: as after an atom, but no exponent again
};

bool starts_atom(TokenKind kind) {
    switch (kind) {
    case TokenKind::INTEGER:
    case TokenKind::DECIMAL:
    case TokenKind::PI:
    case TokenKind::E:
    case TokenKind::VARIABLE:
    case TokenKind::FUNCTION:
    case TokenKind::UNKNOWN_FUNCTION:
    case TokenKind::LPAR:
    case TokenKind::ROOT:
        return true;
    default:
        return false;
    }
}

class ExpressionParser {
public:
    ExpressionParser(std::string_view text, const Cancellation& cancel) : lexer_(text), cancel_(cancel) {
        operands_.reserve(TYPICAL_DEPTH);
        operators_.reserve(TYPICAL_DEPTH);
    }

    ExprPtr run();

private:
    // Token handlers by what is expected; false when the token cannot come here.
    bool take_operand(const Token& token);
    bool take_atom(const Token& token);
    bool take_open(const Token& token);
    bool take_after_atom(const Token& token);
    [[noreturn]] void refuse_syntax(const Token& token) const;

    void push_operator(Pending op, const Token& token, const Token& open = {});
    bool at_term_start() const;
    void give_sign_to_integer();
    void push_binary(Pending op, const Token& token);
    void reduce(int down_to);
    void close_roots();
    void apply_top();
    void close_group(const Token& close);
    void apply_superscript(const Token& token);

    void push(ExprPtr node) { operands_.push_back({std::move(node), {}}); }
    Operand pop_operand();
    ExprPtr pop_node() { return to_node(pop_operand()); }
    ExprPtr to_node(Operand operand);
    ExprPtr variable(const Token& token);
    // Notes a refusal (the leftmost one is kept) and returns a stand-in node.
    ExprPtr refuse(std::size_t offset, std::string reason, std::string hint);

    // Enough for most texts without growing the stacks.
    static constexpr std::size_t TYPICAL_DEPTH = 16;

    Lexer lexer_;
    const Cancellation& cancel_;
    std::vector<Operand> operands_;
    std::vector<PendingOp> operators_;
    std::size_t open_groups_ = 0;
    Expecting expecting_ = Expecting::OPERAND;
    Token call_{};  // the function name waiting for its '('
    std::optional<ParseFailure> refusal_;
};

ExprPtr ExpressionParser::run() {
    for (bool first = true;; first = false) {
        cancel_.poll();
        const Token token = lexer_.next(expecting_ != Expecting::AFTER_POWER);
        const bool after_operand = expecting_ == Expecting::AFTER_ATOM || expecting_ == Expecting::AFTER_POWER;
        if (token.kind == TokenKind::END && after_operand && open_groups_ == 0) {
            close_roots();
            reduce(1);
            break;
        }
        bool taken = false;
        switch (expecting_) {
        case Expecting::OPERAND:
            taken = take_operand(token);
            break;
        case Expecting::ATOM:
            taken = take_atom(token);
            break;
        case Expecting::OPEN:
            taken = take_open(token);
            break;
        default:
            taken = take_after_atom(token);
            break;
        }
        if (!taken) {
            if (first && token.kind == TokenKind::END) {
                throw ParseFailure(0, parse_errors::EMPTY);
            }
            refuse_syntax(token);
        }
    }
    ExprPtr result = pop_node();
    if (refusal_) {
        throw *refusal_;
    }
    return result;
}

void ExpressionParser::refuse_syntax(const Token& token) const {
    std::string hint = expecting_ == Expecting::OPEN ? parse_errors::EXPECTED_OPEN : "";
    if (token.kind == TokenKind::END) {
        throw ParseFailure(token.offset, parse_errors::UNEXPECTED_END, std::move(hint));
    }
    throw ParseFailure(token.offset, parse_errors::unexpected_token(lexer_.text_of(token)), std::move(hint));
}

bool ExpressionParser::take_operand(const Token& token) {
    if (token.kind == TokenKind::MINUS) {
        push_operator(at_term_start() ? Pending::NEGATE_TERM : Pending::NEGATE, token);
        return true;
    }
    return token.kind == TokenKind::PLUS || take_atom(token);
}

bool ExpressionParser::take_atom(const Token& token) {
    expecting_ = Expecting::AFTER_ATOM;
    switch (token.kind) {
    case TokenKind::INTEGER:
        operands_.push_back({nullptr, IntegerLiteral::from_digits(lexer_.text_of(token), false, token.offset)});
        return true;
    case TokenKind::DECIMAL:
        push(refuse(token.offset, parse_errors::DECIMAL, parse_errors::DECIMAL_HINT));
        return true;
    case TokenKind::PI:
        push(std::make_shared<Pi>());
        return true;
    case TokenKind::E:
        push(std::make_shared<E>());
        return true;
    case TokenKind::VARIABLE:
        push(variable(token));
        return true;
    case TokenKind::FUNCTION:
    case TokenKind::UNKNOWN_FUNCTION:
        call_ = token;
        expecting_ = Expecting::OPEN;
        return true;
    case TokenKind::LPAR:
        push_operator(Pending::GROUP, token, token);
        expecting_ = Expecting::OPERAND;
        return true;
    case TokenKind::ROOT:
        push_operator(Pending::ROOT, token);
        expecting_ = Expecting::ATOM;
        return true;
    default:
        return false;
    }
}

bool ExpressionParser::take_open(const Token& token) {
    if (token.kind != TokenKind::LPAR) {
        return false;
    }
    push_operator(call_.kind == TokenKind::FUNCTION ? Pending::CALL : Pending::UNKNOWN_CALL, call_, token);
    expecting_ = Expecting::OPERAND;
    return true;
}

bool ExpressionParser::take_after_atom(const Token& token) {
    const bool exponent_allowed = expecting_ == Expecting::AFTER_ATOM;
    if (token.kind == TokenKind::SUPERSCRIPT && exponent_allowed) {
        apply_superscript(token);
        return true;
    }
    close_roots();
    switch (token.kind) {
    case TokenKind::POWER:
        if (!exponent_allowed) {
            return false;
        }
        push_operator(Pending::POWER, token);
        expecting_ = Expecting::OPERAND;
        return true;
    case TokenKind::PLUS:
    case TokenKind::MINUS:
    case TokenKind::TIMES:
    case TokenKind::DIVIDE:
        push_binary(binary_operator(token.kind), token);
        expecting_ = Expecting::OPERAND;
        return true;
    case TokenKind::RPAR:
        if (open_groups_ == 0) {
            return false;
        }
        reduce(1);
        close_group(token);
        expecting_ = Expecting::AFTER_ATOM;
        return true;
    default:
        if (!starts_atom(token.kind)) {
            return false;
        }
        push_binary(Pending::MULTIPLY, token);
        return take_atom(token);
    }
}

void ExpressionParser::push_operator(Pending op, const Token& token, const Token& open) {
    operators_.push_back({op, token, open});
    open_groups_ += precedence(op) == 0;
}

// A sign right after the start, '(', a sum's + or - or another such sign
// begins a term; after *, /, ^ or a factor's sign it belongs to a factor.
bool ExpressionParser::at_term_start() const {
    return operators_.empty() || precedence(operators_.back().op) <= precedence(Pending::NEGATE_TERM);
}

// At the end of a term's first factor: a term's sign right before a bare
// integer becomes the integer's, so that "-2x" is (-2)x and not -(2x).
void ExpressionParser::give_sign_to_integer() {
    const bool integer = !operands_.back().node && !operands_.back().literal.negative;
    if (integer && !operators_.empty() && operators_.back().op == Pending::NEGATE_TERM) {
        apply_top();
    }
}

// A binary operator after an operand, once what binds more tightly is applied.
void ExpressionParser::push_binary(Pending op, const Token& token) {
    reduce(precedence(op));
    give_sign_to_integer();
    push_operator(op, token);
}

// Applies pending operators that hold at least as tightly as down_to.
void ExpressionParser::reduce(int down_to) {
    while (!operators_.empty() && precedence(operators_.back().op) >= down_to) {
        apply_top();
    }
}

// √ and ∛ waiting for their atom take it once no superscript follows.
void ExpressionParser::close_roots() {
    while (!operators_.empty() && operators_.back().op == Pending::ROOT) {
        apply_top();
    }
}

void ExpressionParser::apply_top() {
    const PendingOp top = operators_.back();
    operators_.pop_back();
    if (top.op == Pending::NEGATE || top.op == Pending::NEGATE_TERM) {
        Operand operand = pop_operand();
        if (!operand.node && !operand.literal.negative) {
            operand.literal.negative = true;
            operand.literal.offset = top.token.offset;
            operands_.push_back(std::move(operand));
        } else {
            push(make_node(ExprType::NEG, to_node(std::move(operand))));
        }
        return;
    }
    if (top.op == Pending::ROOT) {
        push(make_node(top.token.function, pop_node()));
        return;
    }
    ExprPtr right = pop_node();
    ExprPtr left = pop_node();
    switch (top.op) {
    case Pending::ADD:
        push(make_node(ExprType::ADD, std::move(left), std::move(right)));
        break;
    case Pending::SUBTRACT:
        push(make_node(ExprType::ADD, std::move(left), make_node(ExprType::NEG, std::move(right))));
        break;
    case Pending::MULTIPLY:
        push(make_node(ExprType::MUL, std::move(left), std::move(right)));
        break;
    case Pending::DIVIDE:
        push(make_node(ExprType::DIV, std::move(left), std::move(right)));
        break;
    default:
        push(make_node(ExprType::POW, std::move(left), std::move(right)));
        break;
    }
}

void ExpressionParser::close_group(const Token& close) {
    const PendingOp marker = operators_.back();
    operators_.pop_back();
    --open_groups_;
    ExprPtr inside = pop_node();
    switch (marker.op) {
    case Pending::GROUP:
        push(std::move(inside));
        break;
    case Pending::CALL:
        push(make_node(marker.token.function, std::move(inside)));
        break;
    default: {
        const std::string_view letters = lexer_.text_of(marker.token);
        const std::string_view group = lexer_.text().substr(marker.open.begin, close.end - marker.open.begin);
        push(refuse(marker.token.offset, parse_errors::unknown_function(letters),
                    parse_errors::unknown_function_hint(letters, group)));
    }
    }
}

// x² is Pow(x, 2); the run of superscript digits is one integer.
void ExpressionParser::apply_superscript(const Token& token) {
    const std::string_view written = lexer_.text_of(token);
    std::string digits;
    bool negative = false;
    for (std::size_t at = 0; at < written.size();) {
        const utf8::Decoded decoded = utf8::decode(written, at);
        negative = negative || decoded.code == SUPERSCRIPT_MINUS;
        if (decoded.code != SUPERSCRIPT_MINUS) {
            digits += static_cast<char>('0' + superscript_digit(decoded.code));
        }
        at += decoded.length;
    }
    ExprPtr exponent = to_node({nullptr, IntegerLiteral::from_digits(digits, negative, token.offset)});
    ExprPtr base = pop_node();
    push(make_node(ExprType::POW, std::move(base), std::move(exponent)));
    if (!operators_.empty() && operators_.back().op == Pending::ROOT) {
        apply_top();  // √x²: the root takes the power; another superscript may follow
    } else {
        expecting_ = Expecting::AFTER_POWER;
    }
}

Operand ExpressionParser::pop_operand() {
    Operand operand = std::move(operands_.back());
    operands_.pop_back();
    return operand;
}

ExprPtr ExpressionParser::to_node(Operand operand) {
    if (operand.node) {
        return std::move(operand.node);
    }
    const IntegerLiteral& literal = operand.literal;
    if (const std::optional<int> value = literal.value()) {
        return make_int(*value);
    }
    return refuse(literal.offset, parse_errors::integer_too_large(literal.negative, literal.digits),
                  parse_errors::INTEGER_RANGE_HINT);
}

// The name as written; a letter with subscript digits is written with _
// and digits (x₁₂ is x_12). Names are UTF-8, so a lone surrogate in one
// is refused.
ExprPtr ExpressionParser::variable(const Token& token) {
    const std::string_view written = lexer_.text_of(token);
    const std::size_t letter_length = utf8::decode(written, 0).length;
    if (letter_length < written.size() && subscript_digit(utf8::decode(written, letter_length).code) >= 0) {
        std::string name(written.substr(0, letter_length));
        name += '_';
        for (std::size_t at = letter_length; at < written.size(); at += utf8::decode(written, at).length) {
            name += static_cast<char>('0' + subscript_digit(utf8::decode(written, at).code));
        }
        return std::make_shared<Var>(name);
    }
    std::size_t offset = token.offset;
    for (std::size_t at = 0; at < written.size(); ++offset) {
        const utf8::Decoded decoded = utf8::decode(written, at);
        if (utf8::is_surrogate(decoded.code)) {
            return refuse(offset, parse_errors::unexpected_character(decoded.code), "");
        }
        at += decoded.length;
    }
    return std::make_shared<Var>(std::string(written));
}

ExprPtr ExpressionParser::refuse(std::size_t offset, std::string reason, std::string hint) {
    if (!refusal_ || offset < refusal_->offset()) {
        refusal_.emplace(offset, std::move(reason), std::move(hint));
    }
    return make_int(0);
}

}  // namespace

ExprPtr parse_expression(std::string_view text, const Cancellation& cancel) {
    return ExpressionParser(text, cancel).run();
}

}  // namespace kalvira
