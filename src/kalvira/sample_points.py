"""The points at which answers are compared: negative and positive, small
and large, whole and fractional, and close to the edges of the domain
(sqrt(x-20) is tried at 20, 20 + 1/1000, 21, 10^6, ...), the same in every
call, so a verdict never depends on the run."""

from __future__ import annotations

import random
from collections.abc import Iterable, Iterator, Mapping, Sequence
from fractions import Fraction
from itertools import chain, islice
from itertools import count as count_from

SEED = 16

# Offsets from an edge of the domain, on both sides.
EDGE_OFFSETS = tuple(Fraction(1, d) for d in (1000, 10, 3, 1)) + (Fraction(7, 2), Fraction(25))


def _whole(rng: random.Random) -> Fraction:
    return Fraction(rng.randint(-9, 9))


def _fraction(rng: random.Random) -> Fraction:
    return Fraction(rng.choice((-1, 1)) * rng.randint(1, 40), rng.choice((2, 3, 4, 5, 7, 11, 13)))


def _large(rng: random.Random) -> Fraction:
    return Fraction(rng.choice((-1, 1)) * (10 ** rng.randint(2, 6) + rng.randint(1, 99)), rng.choice((1, 1, 3, 7)))


def _small(rng: random.Random) -> Fraction:
    return Fraction(rng.choice((-1, 1)), rng.randint(10, 10**4))


# Points of small whole numbers and fractions come first, so a
# counterexample is one a reader can check.
SMALL_FIRST = 12

SMALL = (_whole, _fraction)
RANGES = (_whole, _fraction, _large, _fraction, _whole, _small)


def near_edges(edges: Sequence[Fraction]) -> list[Fraction]:
    """Each edge itself, then points on both sides of it, nearest first."""
    points = list(edges)
    for offset in EDGE_OFFSETS:
        for edge in edges:
            points += [edge + offset, edge - offset]
    return list(dict.fromkeys(points))


def points(
    names: Sequence[str],
    edges: Mapping[str, Sequence[Fraction]],
    count: int,
    boundary: Sequence[dict[str, Fraction]] = (),
) -> Iterator[dict[str, Fraction]]:
    """`count` points of the variables `names`: a few small ones, then (with
    one variable) the edges and points near them, then points of every range,
    each coordinate taken near an edge of its own now and then. With one
    variable the edges themselves come first of all; with several, the
    `boundary` points follow the small ones."""
    rng = random.Random(SEED)
    close = {name: near_edges(edges.get(name, ())) for name in names}
    small = ({name: SMALL[index % 2](rng) for name in names} for index in range(SMALL_FIRST))
    if len(names) == 1:
        name, edge_count = names[0], len(edges.get(names[0], ()))
        edge_points = [{name: value} for value in close[name]]
        first: Iterable[dict[str, Fraction]] = chain(edge_points[:edge_count], small, edge_points[edge_count:])
    else:
        first = chain(small, boundary)
    rest = ({name: _coordinate(rng, close[name], index) for name in names} for index in count_from(0))
    # Lazily: most comparisons end at the first point or two.
    return islice(chain(first, rest), count)


def _coordinate(rng: random.Random, close: list[Fraction], index: int) -> Fraction:
    if close and rng.random() < 0.3:
        return rng.choice(close)
    return RANGES[(index + rng.randrange(len(RANGES))) % len(RANGES)](rng)
