"""The teacher's words for each rule of the working, in English and Japanese.

A text holds "{}" where the mathematics of the step goes, written in LaTeX
("take the square factor out of the root: \\sqrt{8} = 2\\sqrt{2}"). The keys
are the rule names of the trace (kalvira._native.rule_names()).
"""

from __future__ import annotations

LANGUAGES = ("en", "ja")

MULTIPLY_OUT = ("multiply out {}", "{} を展開する")

RULES: dict[str, tuple[str, str]] = {
    "neg-of-neg": ("remove the double minus: {}", "二重の負号を外す: {}"),
    "neg-of-number": ("take the minus into the number: {}", "負号を数に含める: {}"),
    "add-zero": ("drop the term 0: {}", "0 の項を除く: {}"),
    "add-integers": ("add the numbers: {}", "数を足す: {}"),
    "add-equal-terms": ("add equal terms: {}", "等しい項を足す: {}"),
    "mul-by-zero": ("a product with the factor 0 is 0: {}", "0 を掛けると 0: {}"),
    "mul-by-one": ("drop the factor 1: {}", "因数 1 を除く: {}"),
    "mul-integers": ("multiply the numbers: {}", "数を掛ける: {}"),
    "div-zero-numerator": ("0 divided by anything is 0: {}", "0 を割ると 0: {}"),
    "div-integers": ("divide the numbers, in lowest terms: {}", "数を割る（既約分数にする）: {}"),
    "div-by-itself": ("an expression divided by itself is 1: {}", "同じもの同士の商は 1: {}"),
    "div-rationalise": ("rationalise the denominator: {}", "分母を有理化する: {}"),
    "pow-zero-exponent": ("anything to the power 0 is 1: {}", "0 乗は 1: {}"),
    "pow-one-exponent": ("the power 1 changes nothing: {}", "1 乗はそのまま: {}"),
    "pow-of-zero-or-one": ("0 and 1 stay themselves under any power: {}", "0 と 1 は何乗しても同じ: {}"),
    "pow-integers": ("work out the power: {}", "累乗を計算する: {}"),
    "pow-negative-exponent": ("a negative exponent gives a fraction: {}", "負の指数を分数にする: {}"),
    "sqrt-of-zero-or-one": ("the square root of 0 or 1 is itself: {}", "0 と 1 の平方根はそのまま: {}"),
    "sqrt-perfect-square": ("the square root of a perfect square: {}", "平方数の平方根: {}"),
    "sqrt-square-factor": ("take the square factor out of the root: {}", "根号の中の平方因数を外に出す: {}"),
    "cbrt-of-zero-or-one": ("the cube root of 0 or 1 is itself: {}", "0 と 1 の立方根はそのまま: {}"),
    "cbrt-of-cube": ("the cube root of a cube: {}", "3 乗の立方根: {}"),
    "cbrt-perfect-cube": ("the cube root of a perfect cube: {}", "立方数の立方根: {}"),
    "log-of-one": ("the logarithm of 1 is 0: {}", "1 の対数は 0: {}"),
    "log-of-e": ("the logarithm of e is 1: {}", "e の対数は 1: {}"),
    "log-of-power-of-e": ("the logarithm of a power of e is the exponent: {}", "e の累乗の対数は指数: {}"),
    "trig-of-zero": ("the value at 0: {}", "0 での値: {}"),
    "trig-special-angle": ("the value at a special angle: {}", "特別な角の値: {}"),
    "same-as-before": ("the same working as before: {}", "前と同じ計算: {}"),
    "expand-product": MULTIPLY_OUT,
    "power-as-product": ("write the power as a product: {}", "累乗を積に分ける: {}"),
    "expand-square": MULTIPLY_OUT,
    "expand-times-base": MULTIPLY_OUT,
    "collect-terms": ("collect like terms: {}", "同類項をまとめる: {}"),
}

# A collection that merges no terms only tidies them (x x = x^2) and puts
# them in order.
TIDY_TERMS = ("tidy the terms: {}", "項を整理する: {}")

# The last line of a working cut short by max_steps.
LEFT_OUT = ("the rest of the working, left out after {} steps", "{} 段階より後の計算は省略")


def text(texts: tuple[str, str], lang: str) -> str:
    """The text of `texts` in `lang` ("en" or "ja")."""
    return texts[LANGUAGES.index(lang)]
