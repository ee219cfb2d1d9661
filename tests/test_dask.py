"""The Dask recipe on a local cluster of two worker processes writes what
the command line prints for the same worksheets, byte for byte. The
cluster runs in a child process, so that its threads do not stay behind in
the test process, which later tests fork."""

import random
import subprocess
import sys
import textwrap

import pytest

pytest.importorskip("dask.distributed")

LINES = ["(x+{a})({b}x-{c})", "({a}x+y)^{b} # comment", "", "# a comment line", "{a}/0", "x^{b} + ({c}", "sqrt({a}{b})"]


def worksheet(rng, count):
    return (
        "\n".join(
            rng.choice(LINES).format(a=rng.randint(0, 9), b=rng.randint(1, 4), c=rng.randint(1, 9))
            for _ in range(count)
        )
        + "\n"
    )


def test_answer_bag_on_a_local_cluster_equals_the_command_line(tmp_path):
    rng = random.Random(14)
    sheets = []
    for index, text in enumerate(
        ["\ufeff" + worksheet(rng, 4000), worksheet(rng, 3000).replace("\n", "\r\n"), worksheet(rng, 3000)]
    ):
        sheets.append(tmp_path / f"sheet{index}.txt")
        sheets[-1].write_text(text, encoding="utf-8", newline="")
    command = [sys.executable, "-m", "kalvira", "expand", *(arg for sheet in sheets for arg in ("-f", str(sheet)))]
    printed = subprocess.run(command, capture_output=True, timeout=120).stdout
    recipe = textwrap.dedent(f"""
        import dask.bag
        from dask.distributed import Client, LocalCluster
        from kalvira.dask import answer_bag

        if __name__ == "__main__":
            with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(cluster):
                lines = dask.bag.read_text({[str(sheet) for sheet in sheets]!r}, encoding="utf-8-sig", errors="surrogateescape")
                answer_bag(lines, "expand").to_textfiles({str(tmp_path / "answers" / "*.txt")!r}, last_endline=True)
        """)
    subprocess.run([sys.executable, "-c", recipe], check=True, capture_output=True, timeout=120)
    written = b"".join((tmp_path / "answers" / f"{index}.txt").read_bytes() for index in range(len(sheets)))
    assert written == printed and printed.count(b"\n") > 5000
