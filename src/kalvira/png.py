"""Drawing formulas into a PNG image with matplotlib's mathtext (the extra `png`)."""

from __future__ import annotations


def write_png(formulas: list[str], path: str) -> None:
    """Draws LaTeX formulas one under another; raises ValueError when
    matplotlib is missing or cannot typeset a formula."""
    try:
        from matplotlib.figure import Figure
    except ImportError:
        raise ValueError("--png needs matplotlib: pip install 'kalvira-core[png]'") from None
    line_height = 0.45
    figure = Figure(figsize=(6, line_height * max(len(formulas), 1) + 0.2))
    for row, formula in enumerate(formulas):
        figure.text(0.02, 1 - (row + 0.75) / max(len(formulas), 1), f"${formula}$", fontsize=16)
    try:
        figure.savefig(path, dpi=150, bbox_inches="tight", pad_inches=0.15)
    except ValueError as error:
        raise ValueError(f"cannot draw the formulas: {_reason(error)}") from None
    except OSError as error:
        raise ValueError(f"cannot write {path}: {error.strerror}") from None


def _reason(error: ValueError) -> str:
    """The last non-blank line of mathtext's message, which names the fault
    (the lines before it repeat the formula and point into it)."""
    lines = [line for line in str(error).splitlines() if line.strip()]
    return lines[-1] if lines else type(error).__name__
