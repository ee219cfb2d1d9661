"""The examples of the package's docstrings and of the README run as written."""

import doctest
import importlib
import pkgutil
from pathlib import Path

import pytest

import kalvira

ROOT = Path(__file__).resolve().parents[1]

# Running __main__ would run the command line.
MODULES = sorted(
    info.name for info in pkgutil.iter_modules(kalvira.__path__, "kalvira.") if info.name != "kalvira.__main__"
)

FLAGS = doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE


@pytest.mark.parametrize("name", ["kalvira", *MODULES])
def test_docstring_examples(name):
    assert doctest.testmod(importlib.import_module(name), optionflags=FLAGS, report=False).failed == 0


def test_readme_examples():
    # A closing fence right after an example's output would read as more output.
    text = (ROOT / "README.md").read_text(encoding="utf-8").replace("\n```", "\n\n```")
    examples = doctest.DocTestParser().get_doctest(text, {}, "README.md", str(ROOT / "README.md"), 0)
    assert examples.examples and doctest.DocTestRunner(optionflags=FLAGS).run(examples).failed == 0
