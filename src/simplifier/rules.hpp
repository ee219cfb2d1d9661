#pragma once

// The rewrite rules of each node kind. Every function receives the node's
// children already simplified, tries its kind's rules in order and returns
// the first rule's result and name, or an empty result when no rule holds
// (the driver then builds a node of the same kind over the children).

#include "ast/expr.hpp"
#include "simplifier/rule_table.hpp"

namespace kalvira {

struct RuleResult {
    ExprPtr result;
    Rule rule = Rule::NONE;
};

class Cancellation;

// A borrowed callable through which a rule asks its walk to simplify a tree
// that the rule built over the walk's own results; it holds no state of its
// own and costs one indirect call.
class Resimplify {
public:
    template <class Function>
    explicit Resimplify(Function& function)
        : function_(&function),
          call_([](void* f, const ExprPtr& tree) { return (*static_cast<Function*>(f))(tree); }) {}

    ExprPtr operator()(const ExprPtr& tree) const { return call_(function_, tree); }

private:
    void* function_;
    ExprPtr (*call_)(void*, const ExprPtr&);
};

RuleResult rule_neg(const ExprPtr& op);
RuleResult rule_add(const ExprPtr& l, const ExprPtr& r, const Cancellation& cancel);
RuleResult rule_mul(const ExprPtr& l, const ExprPtr& r);
// Rationalising a square-root denominator simplifies the trees it builds.
RuleResult rule_div(const ExprPtr& n, const ExprPtr& dn, const Cancellation& cancel, const Resimplify& resimplify);
RuleResult rule_pow(const ExprPtr& base, const ExprPtr& exp);
RuleResult rule_sqrt(const ExprPtr& op);
RuleResult rule_cbrt(const ExprPtr& op);
RuleResult rule_log(const ExprPtr& op);
// kind is SIN, COS or TAN.
RuleResult rule_trig(ExprType kind, const ExprPtr& op);

}  // namespace kalvira
