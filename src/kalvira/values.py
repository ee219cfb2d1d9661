"""Trees as Python values, installed on the core classes by `import kalvira`.

`_kalvira_core` alone compares trees by identity; once the package is
imported, `==`, `!=` and `hash` go by structure (the core's iterative
equality and a structural hash, both native, so any depth works and
Ctrl-C interrupts them). A tree equals only another tree: comparing with
an int or a str is False, as for any two unrelated types.
"""

from __future__ import annotations

from _kalvira_core import Expr

from kalvira import _native


def _equal(self: Expr, other: object) -> bool:
    if not isinstance(other, Expr):
        return NotImplemented
    return _native.structural_equal(self, other)


def _not_equal(self: Expr, other: object) -> bool:
    if not isinstance(other, Expr):
        return NotImplemented
    return not _native.structural_equal(self, other)


def _hash(self: Expr) -> int:
    return _native.structural_hash(self)


def install_value_semantics() -> None:
    """Puts structural ==, != and hash on Expr, which every node class inherits."""
    Expr.__eq__ = _equal  # type: ignore[method-assign,assignment]
    Expr.__ne__ = _not_equal  # type: ignore[method-assign,assignment]
    Expr.__hash__ = _hash  # type: ignore[method-assign,assignment]
