"""No tree crashes or hangs the interpreter: trees a million levels deep of
every shape, shared subtrees, Ctrl-C during long calls, and running out of
memory. Each probe runs in a fresh interpreter with the default stack, so a
crash fails the test instead of the test run."""

import os
import signal
import subprocess
import sys
import textwrap
import time

import pytest

DEPTH = int(os.environ.get("KALVIRA_PROBE_DEPTH", "1000000"))

# One level of each shape, wrapped around the tree t built so far.
SHAPES = {
    "left sum": "Add(t, Int(1))",
    "right sum": "Add(Int(1), t)",
    "left product": "Mul(t, x)",
    "right product": "Mul(Int(2), t)",
    "negations": "Neg(t)",
    "sines": "Sin(t)",
    "cosines": "Cos(t)",
    "tangents": "Tan(t)",
    "logarithms": "Log(t)",
    "square roots": "Sqrt(t)",
    "cube roots": "Cbrt(t)",
    "power tower": "Pow(t, Int(2))",
    "exponent tower": "Pow(x, t)",
    "quotients": "Div(t, x)",
    # Expansion keeps terms of these as tables of factors whose texts nest.
    "negated roots": "Neg(Sqrt(t))",
    "negated sines": "Neg(Sin(t))",
    "negated sums": "Neg(Add(t, Int(1)))",
    "roots plus x": "Add(Sqrt(t), x)",
}


def run_python(code, **kwargs):
    return subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True, timeout=600, **kwargs
    )


@pytest.mark.parametrize("shape", SHAPES)
def test_deep_tree_builds_renders_compares_simplifies_expands_and_drops(shape):
    result = run_python(
        f"""
        from _kalvira_core import *
        x = Var("x")
        def build():
            t = x
            for _ in range({DEPTH}):
                t = {SHAPES[shape]}
            return t
        a, b = build(), build()
        text = a.to_string()
        assert len(text) >= {DEPTH}, len(text)
        # Two separately built equal trees: the sum rule compares them.
        doubled = simplify(Add(a, b)).to_string()
        assert doubled.startswith("2"), doubled[:20]
        expand(a).to_string()
        del a, b
        print("ok")
        """
    )
    assert result.returncode == 0 and result.stdout.strip() == "ok", result.stderr[-2000:]


def test_shared_subtrees_are_simplified_once():
    result = run_python(
        """
        import time
        from _kalvira_core import *
        t = Var("x")
        for _ in range(64):
            t = Add(t, t)
        start = time.perf_counter()
        text = simplify(t).to_string()
        assert text == "2 \\\\cdot " * 63 + "2x", text[:60]
        expand(t)
        print(time.perf_counter() - start < 5)
        """
    )
    assert result.stdout.strip() == "True", result.stderr[-2000:]


# Long calls: a huge expansion, and the rendering of a shared tree whose text
# would be 2^64 characters long.
INTERRUPTED_CALLS = {
    "expand": ("t = Pow(Add(Add(x, Var('y')), Int(1)), Int(100000))", "expand(t)"),
    "to_string": ("t = x\nfor _ in range(64): t = Mul(t, t)", "t.to_string()"),
}


@pytest.mark.parametrize("call", INTERRUPTED_CALLS)
def test_ctrl_c_stops_a_long_call_and_leaves_the_argument_intact(call):
    setup, statement = INTERRUPTED_CALLS[call]
    code = textwrap.dedent(
        """
        from _kalvira_core import *
        x = Var("x")
        {setup}
        before = t.to_string() if {small} else None
        print("start", flush=True)
        try:
            {statement}
        except KeyboardInterrupt:
            print("interrupted", before == (t.to_string() if {small} else None), flush=True)
        """
    ).format(setup=setup, statement=statement, small=call == "expand")
    child = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    assert child.stdout.readline().strip() == "start"
    time.sleep(1.0)
    child.send_signal(signal.SIGINT)
    sent = time.monotonic()
    out, err = child.communicate(timeout=60)
    assert out.strip() == "interrupted True", err[-2000:]
    assert time.monotonic() - sent < 2.0


@pytest.mark.skipif(os.environ.get("KALVIRA_SANITIZED") == "1", reason="the sanitizer reserves more address space")
def test_running_out_of_memory_raises_memory_error_and_the_interpreter_goes_on():
    result = run_python(
        """
        import resource
        resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
        from _kalvira_core import *
        def chain(names):
            s = Var(names[0])
            for name in names[1:]:
                s = Add(s, Var(name))
            return s
        a = chain([f"a{i}" for i in range(3000)])
        b = chain([f"b{i}" for i in range(3000)])
        try:
            expand(Mul(a, b))
        except MemoryError:
            print(expand(Pow(Add(Var("x"), Int(1)), Int(2))).to_string())
        """
    )
    assert result.stdout.strip() == "x^{2} + 2x + 1", result.stderr[-2000:]
