"""The batch on a Dask cluster (the optional extra `dask`).

    import dask.bag
    from dask.distributed import Client
    from kalvira.dask import answer_bag

    client = Client("tcp://SCHEDULER-HOST:8786")     # or Client() for this machine
    lines = dask.bag.read_text("worksheets/*.txt", encoding="utf-8-sig", errors="surrogateescape")
    answer_bag(lines, "expand").to_textfiles("answers/*.txt")

Each partition of text lines is answered by one batch call, so the lines
of the result are what `kalvira expand --file` (or factor, simplify,
latex; with core=True, --core) prints for the same lines,
byte for byte: one per expression, empty where it has no result (the
errors themselves are not kept).
"""

from __future__ import annotations

from collections.abc import Iterable
from typing import Any

from kalvira.batch import Operation, batch
from kalvira.worksheet import answer, expressions


def answer_partition(lines: Iterable[str], operation: Operation, jobs: int = 1, core: bool = False) -> list[str]:
    """The output lines of one partition of worksheet lines."""
    _, texts = expressions(list(lines))
    outputs, _ = answer(lambda chunk: batch(operation, chunk, jobs, core=core), texts)
    return outputs


def answer_bag(bag: Any, operation: Operation, jobs: int = 1, core: bool = False) -> Any:
    """A dask.bag of the output lines for a dask.bag of worksheet lines (as
    read_text gives them, with or without their line ends): operation is
    "simplify", "expand", "factor" or "latex", and core=True gives simplify
    and expand the core's rules, as --core does. `jobs` threads work on
    each partition; give the workers one thread each (for example
    LocalCluster(threads_per_worker=1)) and jobs=cores, or the reverse."""
    return bag.map_partitions(answer_partition, operation, jobs, core)
