"""The distribution's version, kept equal to pyproject.toml's by a test."""

__version__ = "0.2.0"
