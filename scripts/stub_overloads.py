"""Rewrites the generated stubs of _kalvira_core (the file named on the
command line) so that simplify and expand say what their bindings do: a
tree in gives a tree out, and None gives None; and so that Expr declares
what `import kalvira` installs on it (structural ==, hash, the operators),
since programs that type-check use the trees through the package.
pybind11-stubgen sees the bare module, so scripts/stubs and the staleness
test both run this after it."""

import re
import sys

FUNCTION = re.compile(r'^def (simplify|expand)\(expr: Expr\) -> Expr:\n(    """\n.*?\n    """\n)', re.M | re.S)


OPERAND = "Expr | int | fractions.Fraction"
BINARY = ("add", "sub", "mul", "truediv", "pow")
VALUE_METHODS = "".join(
    [
        f"    def __{name}__(self, other: {OPERAND}) -> Expr: ...\n    def __r{name}__(self, other: {OPERAND}) -> Expr: ...\n"
        for name in BINARY
    ]
    + [
        "    def __neg__(self) -> Expr: ...\n    def __pos__(self) -> Expr: ...\n",
        "    def __eq__(self, other: object) -> bool: ...\n    def __ne__(self, other: object) -> bool: ...\n",
        "    def __hash__(self) -> int: ...\n    def __bool__(self) -> typing.NoReturn: ...\n",
        "    def _repr_latex_(self) -> str: ...\n",
    ]
)


def with_value_methods(stub: str) -> str:
    if "\nimport typing\n" not in stub or "\nclass Expr:\n" not in stub:
        raise SystemExit("stub_overloads: Expr is not in the generated stubs as expected")
    stub = stub.replace("\nimport typing\n", "\nimport fractions\nimport typing\n", 1)
    comment = "    # Installed on the class by `import kalvira`; the bare module compares by identity.\n"
    return stub.replace("\nclass Expr:\n", "\nclass Expr:\n" + comment + VALUE_METHODS, 1)


def with_overloads(stub: str) -> str:
    def overloads(match: re.Match[str]) -> str:
        name, docstring = match.groups()
        return (
            f"@typing.overload\ndef {name}(expr: Expr) -> Expr:\n{docstring}"
            f"@typing.overload\ndef {name}(expr: None) -> None:\n    ...\n"
        )

    rewritten, count = FUNCTION.subn(overloads, stub)
    if count != 2:
        raise SystemExit("stub_overloads: simplify and expand are not in the generated stubs as expected")
    return rewritten


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as stub:
        text = stub.read()
    with open(sys.argv[1], "w", encoding="utf-8") as stub:
        stub.write(with_value_methods(with_overloads(text)))
