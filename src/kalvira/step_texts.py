"""The teacher's words for each method of the working, in English and Japanese.

A text holds "{}" where the mathematics of the step goes ("take the square
factor out of the root: \\sqrt{8} = 2\\sqrt{2}"). The keys are the rule
names of the steps (Step.rule).
"""

from __future__ import annotations

LANGUAGES = ("en", "ja")

RULES: dict[str, tuple[str, str]] = {
    # expand
    "remove-brackets": (
        "remove the brackets after a minus sign, changing the signs: {}",
        "負号のついたかっこを外し、符号を変える: {}",
    ),
    "formula": ("use the formula {}", "公式 {} を使う"),
    "distribute": ("distribute, multiplying each term: {}", "分配法則で展開する: {}"),
    "multiply": ("multiply: {}", "掛け算をする: {}"),
    "collect-terms": ("collect like terms: {}", "同類項をまとめる: {}"),
    "expand": ("multiply out: {}", "展開する: {}"),
    # simplify
    "special-angle": ("the value at a special angle: {}", "特別な角の値: {}"),
    "logarithm": ("use the rules of logarithms: {}", "対数の性質を使う: {}"),
    "root": ("take the square factor out of the root: {}", "根号の中の平方因数を外に出す: {}"),
    "power": ("work out the power: {}", "累乗を計算する: {}"),
    "exponent-laws": ("use the laws of exponents: {}", "指数法則を使う: {}"),
    "common-denominator": ("bring to a common denominator: {}", "通分する: {}"),
    "add-numerators": ("add the numerators: {}", "分子を足す: {}"),
    "numbers": ("work out the numbers: {}", "数を計算する: {}"),
    "reduce": ("reduce the fraction: {}", "約分する: {}"),
    "factor-fraction": ("factorise the numerator and the denominator: {}", "分子と分母を因数分解する: {}"),
    "cancel": ("cancel the common factor: {}", "共通因数で約分する: {}"),
    "rationalise": ("rationalise the denominator, multiplying by {}", "分母を有理化する（{} を掛ける）"),
    "collect-surds": ("collect like surds: {}", "同類の根号をまとめる: {}"),
    "simplify": ("work out: {}", "計算する: {}"),
    # factor
    "expand-first": ("multiply out first: {}", "まず展開する: {}"),
    "common-factor": ("take out the common factor {}", "共通因数 {} をくくり出す"),
    "sum-product": ("find two numbers from their product and sum: {}", "積と和から 2 数を見つける: {}"),
    "cross-method": ("the cross method: {}", "たすき掛け: {}"),
    "grouping": ("group the terms: {}", "項を組み分けする: {}"),
    "substitution": ("substitute {}", "{} と置き換える"),
    "factor-theorem": ("the factor theorem: {}", "因数定理: {}"),
    "factor": ("factorise: {}", "因数分解する: {}"),
    # any operation
    "order": ("write the terms in order: {}", "項を整理する: {}"),
}

# The last line of a working cut short by max_steps.
LEFT_OUT = ("the rest of the working, left out after {} steps", "{} 段階より後の計算は省略")


def text(texts: tuple[str, str], lang: str) -> str:
    """The text of `texts` in `lang` ("en" or "ja")."""
    return texts[LANGUAGES.index(lang)]
