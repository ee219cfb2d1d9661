"""Python child processes that a test interrupts with Ctrl-C."""

import signal
import subprocess
import sys


def _default_ctrl_c():
    # A child of a background job inherits an ignored SIGINT, and Python then
    # installs no KeyboardInterrupt handler: the test would see no Ctrl-C.
    signal.signal(signal.SIGINT, signal.SIG_DFL)


def start_python(*args, text=True, **options):
    """The interpreter running args, its output piped, Ctrl-C at its default."""
    return subprocess.Popen(
        [sys.executable, *args],
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        text=text,
        preexec_fn=_default_ctrl_c,
        **options,
    )


def interrupt(child, within=30.0):
    """Sends Ctrl-C and returns the child's output once it has ended; a
    child still running after `within` seconds (generous: a second or less
    is expected even on a loaded machine) is killed and the test fails."""
    child.send_signal(signal.SIGINT)
    try:
        return child.communicate(timeout=within)
    except subprocess.TimeoutExpired:
        child.kill()
        child.communicate()
        raise
