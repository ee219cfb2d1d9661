#pragma once

// The rewrite rules of each node kind. Every function receives the node's
// children already simplified, tries its kind's rules in order and returns
// the first rule's result, or null when no rule holds (the driver then
// builds a node of the same kind over the children).

#include "ast/expr.hpp"

namespace kalvira {

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

ExprPtr rule_neg(const ExprPtr& op);
ExprPtr rule_add(const ExprPtr& l, const ExprPtr& r, const Cancellation& cancel);
ExprPtr rule_mul(const ExprPtr& l, const ExprPtr& r);
// Rationalising a square-root denominator simplifies the trees it builds.
ExprPtr rule_div(const ExprPtr& n, const ExprPtr& dn, const Cancellation& cancel, const Resimplify& resimplify);
ExprPtr rule_pow(const ExprPtr& base, const ExprPtr& exp);
ExprPtr rule_sqrt(const ExprPtr& op);
ExprPtr rule_cbrt(const ExprPtr& op);
ExprPtr rule_log(const ExprPtr& op);
// kind is SIN, COS or TAN.
ExprPtr rule_trig(ExprType kind, const ExprPtr& op);

}  // namespace kalvira
