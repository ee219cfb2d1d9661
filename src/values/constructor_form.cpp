#include "values/constructor_form.hpp"

#include <cstdio>
#include <string_view>
#include <vector>

#include "parser/python_repr.hpp"
#include "parser/utf8.hpp"

namespace kalvira {
namespace {

#define KALVIRA_NAME_CASE(Class, KIND, ...) \
    case ExprType::KIND:                    \
        return #Class;
#define KALVIRA_CONSTANT_NAME_CASE(Class, KIND) \
    case ExprType::KIND:                        \
        return #Class;

// The Python class of a node is named after its C++ class.
const char* class_name(ExprType type) {
    switch (type) {
        KALVIRA_NODE_KINDS(KALVIRA_NAME_CASE, KALVIRA_CONSTANT_NAME_CASE, KALVIRA_NAME_CASE, KALVIRA_NAME_CASE)
    }
    return "Expr";
}

#undef KALVIRA_NAME_CASE
#undef KALVIRA_CONSTANT_NAME_CASE

// Python's repr of bytes: printable ASCII as itself, the rest escaped.
void append_bytes_repr(std::string& out, std::string_view bytes) {
    const bool has_single = bytes.find('\'') != std::string_view::npos;
    const char quote = has_single && bytes.find('"') == std::string_view::npos ? '"' : '\'';
    out += 'b';
    out += quote;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == quote || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\t' || c == '\n' || c == '\r') {
            out += c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r";
        } else if (byte < ' ' || byte >= 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    out += quote;
}

// A name as Python would give it to Var: a str when it is UTF-8 (what
// str accepts, so no surrogates), else bytes.
void append_name_repr(std::string& out, std::string_view name) {
    std::vector<char32_t> codes;
    for (std::size_t at = 0; at < name.size();) {
        const utf8::Decoded decoded = utf8::decode(name, at);
        if (utf8::is_surrogate(decoded.code)) {
            append_bytes_repr(out, name);
            return;
        }
        codes.push_back(decoded.code);
        at += decoded.length;
    }
    out += python_repr(codes);
}

void append_leaf_arguments(std::string& out, const Expr& node) {
    switch (node.type()) {
    case ExprType::INT:
        out += std::to_string(static_cast<const Int&>(node).value());
        break;
    case ExprType::VAR:
        append_name_repr(out, static_cast<const Var&>(node).name());
        break;
    case ExprType::RATIONAL: {
        const auto& fraction = static_cast<const Rational&>(node);
        out += std::to_string(fraction.num());
        out += ", ";
        out += std::to_string(fraction.den());
        break;
    }
    default:
        break;
    }
}

// A node to write, or a fixed text.
struct Task {
    const Expr* node;
    const char* text;
};

}  // namespace

void write_constructor_form(const Expr& tree, std::string& out, const Cancellation& cancel) {
    std::vector<Task> tasks{{&tree, nullptr}};
    while (!tasks.empty()) {
        cancel.poll();
        const Task task = tasks.back();
        tasks.pop_back();
        if (task.node == nullptr) {
            out += task.text;
            continue;
        }
        const Expr& node = *task.node;
        out += class_name(node.type());
        out += '(';
        append_leaf_arguments(out, node);
        tasks.push_back({nullptr, ")"});
        for (std::size_t i = node.arity(); i-- > 0;) {
            tasks.push_back({node.child(i).get(), nullptr});
            if (i > 0) {
                tasks.push_back({nullptr, ", "});
            }
        }
    }
}

}  // namespace kalvira
