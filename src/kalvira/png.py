"""Drawing formulas into a PNG image with matplotlib's mathtext (the extra `png`)."""

from __future__ import annotations

from functools import cache


def has_glyphs(text: str) -> bool:
    """Whether the font that write_png draws text in has every character of
    text (Japanese words need a font that this machine may lack); true
    without matplotlib, which write_png then reports."""
    try:
        drawable = _text_font_characters()
    except ImportError:
        return True
    return all(ord(character) in drawable for character in text)


@cache
def _text_font_characters() -> frozenset[int]:
    from matplotlib import font_manager
    from matplotlib.ft2font import FT2Font

    return frozenset(FT2Font(font_manager.findfont(font_manager.FontProperties())).get_charmap())


def write_png(lines: list[str], path: str) -> None:
    """Draws lines of mathtext (text with LaTeX formulas between "$") one
    under another; raises ValueError when matplotlib is missing or cannot
    typeset a formula."""
    try:
        from matplotlib.figure import Figure
    except ImportError:
        raise ValueError("--png needs matplotlib: pip install 'kalvira-core[png]'") from None
    line_height = 0.45
    figure = Figure(figsize=(6, line_height * max(len(lines), 1) + 0.2))
    for row, line in enumerate(lines):
        figure.text(0.02, 1 - (row + 0.75) / max(len(lines), 1), line, fontsize=16)
    try:
        # The format is given, so that a name without ".png" is not extended.
        figure.savefig(path, format="png", dpi=150, bbox_inches="tight", pad_inches=0.15)
    except ValueError as error:
        raise ValueError(f"cannot draw the formulas: {_reason(error)}") from None
    except OSError as error:
        raise ValueError(f"cannot write {path}: {error.strerror}") from None


def _reason(error: ValueError) -> str:
    """The last non-blank line of mathtext's message, which names the fault
    (the lines before it repeat the formula and point into it)."""
    lines = [line for line in str(error).splitlines() if line.strip()]
    return lines[-1] if lines else type(error).__name__
