"""The distribution's version, written only here: the build reads it from
this file into the package's metadata."""

__version__ = "0.2.0"
