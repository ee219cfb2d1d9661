"""Builds a few expressions node by node and prints each as LaTeX,
simplified, expanded and factorised as a teacher writes them."""

from kalvira import (
    Add,
    Cos,
    Div,
    E,
    Int,
    Log,
    Mul,
    Neg,
    Pi,
    Pow,
    Rational,
    Sin,
    Sqrt,
    Tan,
    Var,
    expand,
    factor,
    simplify,
)

x = Var("x")
y = Var("y")

EXAMPLES = [
    Pow(Add(x, Int(1)), Int(3)),
    Mul(Add(x, Int(2)), Add(x, Int(3))),
    Mul(Add(x, Int(1)), Add(x, Int(-1))),
    Pow(Add(x, y), Int(2)),
    Add(Pow(Add(x, Int(1)), Int(2)), Neg(Pow(x, Int(2)))),
    Div(Int(6), Sqrt(Int(12))),
    Add(Sqrt(Int(72)), Rational(6, -8)),
    Pow(Int(2), Int(-3)),
    Add(Sin(Div(Pi(), Int(4))), Cos(Pi())),
    Mul(Tan(Div(Pi(), Int(4))), Log(Pow(E(), x))),
]


def main() -> None:
    for expr in EXAMPLES:
        print(f"{expr.to_string()}")
        print(f"  simplify: {simplify(expr).to_string()}")
        print(f"  expand:   {expand(expr).to_string()}")
        print(f"  factor:   {factor(expr).to_string()}")
    try:
        simplify(Div(x, Add(Int(1), Int(-1))))
    except ValueError as error:
        print(f"x / (1 - 1): {error}")
    print(f"simplify(None): {simplify(None)}")


if __name__ == "__main__":
    main()
