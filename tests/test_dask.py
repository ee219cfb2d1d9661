"""The Dask recipe on a local cluster of two worker processes writes what
the command line prints for the same worksheets, byte for byte."""

import random
import subprocess
import sys

import pytest

dask_bag = pytest.importorskip("dask.bag")
distributed = pytest.importorskip("dask.distributed")

from kalvira.dask import answer_bag  # noqa: E402

LINES = ["(x+{a})({b}x-{c})", "({a}x+y)^{b} # comment", "", "# a comment line", "{a}/0", "x^{b} + ({c}", "sqrt({a}{b})"]


def worksheet(rng, count):
    return "\n".join(rng.choice(LINES).format(a=rng.randint(0, 9), b=rng.randint(1, 4), c=rng.randint(1, 9))
                     for _ in range(count)) + "\n"


def test_answer_bag_on_a_local_cluster_equals_the_command_line(tmp_path):
    rng = random.Random(14)
    sheets = []
    for index, text in enumerate(["\ufeff" + worksheet(rng, 4000), worksheet(rng, 3000).replace("\n", "\r\n"),
                                  worksheet(rng, 3000)]):
        sheets.append(tmp_path / f"sheet{index}.txt")
        sheets[-1].write_text(text, encoding="utf-8", newline="")
    command = [sys.executable, "-m", "kalvira", "expand", *(arg for sheet in sheets for arg in ("-f", str(sheet)))]
    printed = subprocess.run(command, capture_output=True, timeout=120).stdout
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster:
        with distributed.Client(cluster):
            lines = dask_bag.read_text([str(sheet) for sheet in sheets], encoding="utf-8-sig", errors="surrogateescape")
            answer_bag(lines, "expand").to_textfiles(str(tmp_path / "answers" / "*.txt"), last_endline=True)
    written = b"".join((tmp_path / "answers" / f"{index}.txt").read_bytes() for index in range(len(sheets)))
    assert written == printed and printed.count(b"\n") > 5000
