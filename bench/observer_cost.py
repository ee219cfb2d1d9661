"""What the rewrite trace costs simplify and expand when no one traces:
the installed _kalvira_core against one built from another checkout (say,
the commit before the trace), each workload timed in fresh processes that
alternate between the two, best of several runs.

    python -m bench.observer_cost BUILD_DIR_OF_THE_OTHER_CORE [--runs N]
"""

import subprocess
import sys

WORKLOADS = {
    "simplify, 200k rules": (
        "t = kc.Int(0)\n"
        "for i in range(100_000): t = kc.Add(t, kc.Add(kc.Sqrt(kc.Int(8)), kc.Mul(kc.Int(1), kc.Int(i))))",
        "kc.simplify(t)",
    ),
    "simplify, 200k nodes, no rule": (
        "t = kc.Var('x')\nfor i in range(200_000): t = kc.Add(t, kc.Var('y'))",
        "kc.simplify(t)",
    ),
    "expand (x+y+z+1)^16": (
        "s = kc.Add(kc.Add(kc.Add(kc.Var('x'), kc.Var('y')), kc.Var('z')), kc.Int(1)); t = kc.Pow(s, kc.Int(16))",
        "kc.expand(t)",
    ),
    "expand, sum of 100k": (
        "t = kc.Var('v0')\nfor i in range(1, 100_000): t = kc.Add(t, kc.Var(f'v{i}'))",
        "kc.expand(t)",
    ),
}

TIMER = """
import sys, time
{path}
import _kalvira_core as kc
{setup}
best = min((lambda s: (exec({call!r}), time.perf_counter() - s)[1])(time.perf_counter()) for _ in range(3))
print(best)
"""


def seconds(build, setup, call):
    path = f"sys.path.insert(0, {build!r})" if build else ""
    code = TIMER.format(path=path, setup=setup, call=call)
    return float(subprocess.run([sys.executable, "-c", code], check=True, capture_output=True, text=True).stdout)


def main():
    other = sys.argv[1]
    runs = int(sys.argv[sys.argv.index("--runs") + 1]) if "--runs" in sys.argv else 5
    print(f"{'workload':32} {'installed s':>12} {'other s':>10} {'ratio':>7}")
    for name, (setup, call) in WORKLOADS.items():
        ours, theirs = [], []
        for _ in range(runs):
            ours.append(seconds("", setup, call))
            theirs.append(seconds(other, setup, call))
        print(f"{name:32} {min(ours):12.4f} {min(theirs):10.4f} {min(ours) / min(theirs):7.3f}")


if __name__ == "__main__":
    main()
