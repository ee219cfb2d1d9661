"""A line a method of the working offers: the whole expression after it,
the method's rule name and the mathematics of what changed."""

from __future__ import annotations

from dataclasses import dataclass

from _kalvira_core import Expr

from kalvira.working_terms import Equation


@dataclass(frozen=True)
class Line:
    tree: Expr
    rule: str
    changes: tuple[Equation, ...]
