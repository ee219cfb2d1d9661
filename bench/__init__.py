"""Benchmark of expansion, rendering, building and simplification against
other libraries, in one process: `python -m bench` (see scripts/bench)."""
