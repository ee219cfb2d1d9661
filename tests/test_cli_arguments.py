"""The one argument reader of the command line, for the main commands and
for steps: what each argument means, and the wording of each refusal."""

import pytest

from kalvira.cli_formats import FORMATS
from kalvira.cli_options import UsageError, chosen_format, read_arguments
from kalvira.cli_steps import FORMATS as STEPS_FORMATS
from kalvira.cli_steps import read_steps_arguments


@pytest.mark.parametrize(
    "arguments, expected",
    [
        (
            ["expand", "-x+1", "-fx", "--3", "-f", "ws.txt", "--file=-", "-j", "2"],
            {"command": "expand", "expressions": ["-x+1", "-fx", "--3"], "files": ["ws.txt", "-"], "jobs": 2},
        ),
        (
            ["latex", "--", "-h", "--tree"],
            {"command": "latex", "expressions": ["-h", "--tree"], "help": False, "tree": False},
        ),
        (["check", "2x", "x+x", "--form", "expanded", "--strict"], {"form": "expanded", "strict": True}),
        (["--tree", "simplify", "x", "--png=out.png"], {"command": "simplify", "tree": True, "png": "out.png"}),
        (["nonsense", "-h"], {"help": True}),
    ],
)
def test_main_arguments(arguments, expected):
    options = read_arguments(arguments)
    assert {name: getattr(options, name) for name in expected} == expected


@pytest.mark.parametrize(
    "arguments, expected",
    [
        (
            ["simplify", "1/sqrt(8)", "-x", "-f", "--lang=ja", "--max-steps", "3", "--unicode"],
            {
                "operation": "simplify",
                "expressions": ["1/sqrt(8)", "-x", "-f"],
                "lang": "ja",
                "max_steps": 3,
                "unicode": True,
            },
        ),
        (["expand", "--", "--lang", "x"], {"operation": "expand", "expressions": ["--lang", "x"], "lang": "en"}),
        (["-h"], {"help": True}),
    ],
)
def test_steps_arguments(arguments, expected):
    options = read_steps_arguments(arguments)
    assert {name: getattr(options, name) for name in expected} == expected


@pytest.mark.parametrize(
    "read, arguments, message",
    [
        (read_arguments, ["expand", "--tre"], "unknown option --tre; did you mean --tree?"),
        (read_steps_arguments, ["simplify", "--tre"], "unknown option --tre of steps; did you mean --text?"),
        (read_arguments, ["expand", "--strict=yes"], "--strict takes no value"),
        (read_steps_arguments, ["simplify", "x", "--text=1"], "--text takes no value"),
        (read_arguments, ["expand", "x", "-f"], "-f needs a value"),
        (read_steps_arguments, ["simplify", "x", "--max-steps"], "--max-steps needs a value"),
        (read_arguments, ["expand", "-j", "0"], "--jobs needs a positive whole number, not '0'"),
        (read_steps_arguments, ["simplify", "--max-steps=x1"], "--max-steps needs a positive whole number, not 'x1'"),
        (
            read_arguments,
            ["check", "--form", "tidy"],
            "--form needs expanded, simplified, factored, lowest-terms, single-fraction or same-up-to-order, not 'tidy'",
        ),
        (read_steps_arguments, ["simplify", "--lang", "fr"], "--lang needs en or ja, not 'fr'"),
        (read_arguments, ["expand", "--form=expanded"], "--form belongs to the check command"),
        (read_arguments, ["--strict"], "no command given"),
        (read_steps_arguments, ["x+1"], "steps needs expand, simplify or factor first"),
        (read_steps_arguments, ["expand"], "steps needs an expression"),
    ],
)
def test_refusals(read, arguments, message):
    with pytest.raises(UsageError) as refused:
        read(arguments)
    assert str(refused.value).startswith(message)


@pytest.mark.parametrize(
    "read, arguments, formats, expected",
    [
        (read_arguments, ["latex", "x"], FORMATS, "latex"),
        (read_arguments, ["latex", "x", "--mathml", "--mathml"], FORMATS, "mathml"),
        (read_steps_arguments, ["simplify", "x", "--text"], STEPS_FORMATS, "text"),
        (
            read_arguments,
            ["latex", "x", "--unicode", "--tree"],
            FORMATS,
            "choose one output format, not --tree and --unicode",
        ),
        (
            read_steps_arguments,
            ["simplify", "x", "--unicode", "--text"],
            STEPS_FORMATS,
            "choose one output format, not --text and --unicode",
        ),
    ],
)
def test_one_output_format(read, arguments, formats, expected):
    try:
        assert chosen_format(read(arguments), formats, "latex") == expected
    except UsageError as error:
        assert str(error) == expected
