"""The native front of the kalvira package: the parser and the batch path."""

from collections.abc import Iterable

from _kalvira_core import Expr

class ParseFailure(ValueError): ...

def parse(text: str) -> Expr: ...
def run_batch(
    operation: str, texts: Iterable[str], jobs: int = 1
) -> tuple[list[str | None], list[tuple[int, str, str, int | None]]]: ...
