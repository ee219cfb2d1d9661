"""The native parser against the grammar (tests/lark_oracle.py) on generated
texts, valid and corrupted: the same tree, or the same refusal (position,
reason and hint)."""

import random

import pytest

import lark_oracle
from kalvira import ParseError, constructor_form, parse

ATOMS = [
    "x",
    "y",
    "a",
    "e",
    "pi",
    "π",
    "α",
    "x_1",
    "a_n",
    "y_{12}",
    "e_1",
    "x₁",
    "b₂₃",
    "0",
    "1",
    "2",
    "7",
    "42",
    "2147483647",
    "2147483648",
    "2147483649",
    "00012",
    "1.5",
    ".5",
    "3.",
]
FUNCTIONS = ["sin", "cos", "tan", "ln", "log", "sqrt", "cbrt", "sqr", "SIN", "xy", "xsin", "api", "x_s", "√", "∛"]
BINARY = ["+", "-", "−", "*", "·", "×", "/", "÷", "^", "**", "", " "]
SIGNS = ["-", "−", "+", "--"]
SUPERSCRIPTS = ["²", "³", "⁻¹", "²³", "⁰", "⁻", "¹⁰⁰⁰⁰⁰⁰⁰⁰⁰⁰"]
SPECIAL = list("$_{}()·×÷−√∛²⁻₁ \t\n\u00a0\u2003\u200b\x00\x85'\"\\") + ["\ud800", "\udfff", "𝑥", "Ⅻ", "½", "١"]
TEXTS_PER_RUN = 100_000


def expression(rng: random.Random, depth: int) -> str:
    """A random text that is mostly school notation."""
    roll = rng.random()
    if depth <= 0 or roll < 0.3:
        text = rng.choice(ATOMS)
    elif roll < 0.45:
        name = rng.choice(FUNCTIONS)
        inner = expression(rng, depth - 1)
        text = f"{name}{inner}" if name in "√∛" and rng.random() < 0.5 else f"{name}({inner})"
    elif roll < 0.55:
        text = f"({expression(rng, depth - 1)})"
    elif roll < 0.65:
        text = rng.choice(SIGNS) + expression(rng, depth - 1)
    else:
        text = expression(rng, depth - 1) + rng.choice(BINARY) + expression(rng, depth - 1)
    if rng.random() < 0.15:
        text += rng.choice(SUPERSCRIPTS)
    return text


def random_character(rng: random.Random) -> str:
    return rng.choice(SPECIAL) if rng.random() < 0.7 else chr(rng.randrange(0x110000))


def corrupted(rng: random.Random, text: str) -> str:
    """The text with a few characters deleted, inserted or replaced."""
    chars = list(text)
    for _ in range(rng.randint(1, 3)):
        at = rng.randint(0, len(chars))
        kind = rng.random()
        if kind < 0.35 and at < len(chars):
            del chars[at]
        elif kind < 0.7:
            chars.insert(at, random_character(rng))
        elif kind < 0.9:
            chars.insert(at, rng.choice(ATOMS + FUNCTIONS + BINARY + SUPERSCRIPTS))
        else:
            chars.insert(at, "9" * rng.choice([11, 25, 5000]))
    return "".join(chars)


def outcome(parser, text: str) -> str:
    try:
        return constructor_form(parser(text))
    except ParseError as error:
        return f"refused: {error.summary!r}"


TOKENS = ATOMS + FUNCTIONS + BINARY + SIGNS + SUPERSCRIPTS + SPECIAL + ["(", ")", "((", "))"]


def token_soup(rng: random.Random) -> str:
    return "".join(rng.choice(TOKENS) for _ in range(rng.randint(1, 12)))


def generated_texts(seed: int, count: int):
    """Expressions, corrupted expressions and runs of random tokens."""
    rng = random.Random(seed)
    for _ in range(count):
        roll = rng.random()
        if roll < 0.2:
            yield token_soup(rng)
        else:
            text = expression(rng, rng.randint(0, 6))
            yield corrupted(rng, text) if roll < 0.6 else text


@pytest.mark.parametrize("seed", range(4))
def test_native_parser_agrees_with_the_grammar(seed):
    disagreements = [
        (text, native, oracle)
        for text in generated_texts(seed, TEXTS_PER_RUN // 4)
        if (native := outcome(parse, text)) != (oracle := outcome(lark_oracle.parse, text))
    ]
    assert not disagreements[:5], f"{len(disagreements)} texts differ"


def test_some_generated_texts_parse_and_some_are_refused():
    outcomes = [outcome(parse, text) for text in generated_texts(99, 2000)]
    refused = sum(result.startswith("refused") for result in outcomes)
    assert 0.2 < refused / len(outcomes) < 0.8
