"""Rewrites the generated stubs of _kalvira_core (the file named on the
command line) so that simplify and expand say what their bindings do: a
tree in gives a tree out, and None gives None. pybind11-stubgen sees a
single signature, so scripts/stubs and the staleness test both run this
after it."""

import re
import sys

FUNCTION = re.compile(r'^def (simplify|expand)\(expr: Expr\) -> Expr:\n(    """\n.*?\n    """\n)', re.M | re.S)


def with_overloads(stub: str) -> str:
    def overloads(match: re.Match[str]) -> str:
        name, docstring = match.groups()
        return (f"@typing.overload\ndef {name}(expr: Expr) -> Expr:\n{docstring}"
                f"@typing.overload\ndef {name}(expr: None) -> None:\n    ...\n")

    rewritten, count = FUNCTION.subn(overloads, stub)
    if count != 2:
        raise SystemExit("stub_overloads: simplify and expand are not in the generated stubs as expected")
    return rewritten


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as stub:
        text = stub.read()
    with open(sys.argv[1], "w", encoding="utf-8") as stub:
        stub.write(with_overloads(text))
