"""Timing and peak memory of one workload."""

import statistics
import time


def _peak_rss_kib():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def _reset_peak_rss():
    try:
        with open("/proc/self/clear_refs", "w") as clear:
            clear.write("5")
    except OSError:
        pass


def measure(run, budget=1.0, max_repeats=25):
    """Median and minimum seconds of run() and the peak resident memory (MiB)
    it reached, repeating until the budget is spent (at least three runs
    unless one alone exceeds the budget)."""
    _reset_peak_rss()
    times = []
    result = None
    while len(times) < max_repeats:
        start = time.perf_counter()
        result = run()
        times.append(time.perf_counter() - start)
        if sum(times) > budget and len(times) >= 3 or times[0] > budget:
            break
    return {
        "median": statistics.median(times),
        "min": min(times),
        "runs": len(times),
        "peak_mib": _peak_rss_kib() / 1024,
        "result": result,
    }
