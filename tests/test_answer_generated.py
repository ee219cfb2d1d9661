"""Generated answer pairs, each kind with the verdicts it may get:

- equal by construction, proven: expanded, reordered and regrouped,
  factored (each factor up to its sign), powers of binomials with roots,
  a term added and taken away, a factor u/u where u is never 0;
- equal by construction where agreement at points may be the evidence:
  ln(e^u) = u, sin(u)^2 + cos(u)^2 = 1 (beside a term defined only far
  out or on a narrow interval);
- different by construction: a coefficient, an exponent or a sign
  changed, sqrt(u^2) written as u or -u, a root or pi against a close
  fraction;
- equal where both are defined: ln(u^2) against 2ln(u), 1/(1/u), sqrt(u)^2
  and uv/u against u and v, for u linear (so that it is 0 or negative
  somewhere). With the narrower form as the answer the verdict is "equal
  where both are defined"; with it as the expected expression the answer
  is accepted, and the note says where the expected one is undefined.

Each kind draws KALVIRA_ANSWER_PAIRS pairs (default 200) from a generator
seeded with the kind's name, so that a failure repeats. A failure lists the
count of each status, the false acceptances and rejections, and the first
wrong pairs."""

import math
import os
import random
import re
from collections import Counter
from fractions import Fraction

import pytest

from kalvira import equivalent, evaluate, parse

COUNT = int(os.environ.get("KALVIRA_ANSWER_PAIRS", "200"))
NAMES = ("x", "y")
ONE = (0, 0)
PROVEN = {"equal"}
EARNED = {"equal", "probably equal"}
DIFFERENT = {"different"}
DOMAINS_DIFFER = {"equal where both are defined"}

# Polynomials in x and y: {(exponent of x, exponent of y): coefficient}.


def product(p, q):
    result = {}
    for ep, cp in p.items():
        for eq, cq in q.items():
            key = (ep[0] + eq[0], ep[1] + eq[1])
            result[key] = result.get(key, 0) + cp * cq
    return {key: c for key, c in result.items() if c}


def power(p, n):
    result = {ONE: 1}
    for _ in range(n):
        result = product(result, p)
    return result


def plus(p, q):
    result = dict(p)
    for key, c in q.items():
        result[key] = result.get(key, 0) + c
    return {key: c for key, c in result.items() if c}


def negated(p):
    return {key: -c for key, c in p.items()}


def monomial(exponents):
    return [name if e == 1 else f"{name}^{e}" for name, e in zip(NAMES, exponents, strict=True) if e]


def joined(terms):
    """Signed terms [(coefficient, [factor texts])] as a sum: 3*x^2*y - x + 4."""
    pieces = []
    for c, factors in terms:
        body = "*".join(([] if abs(c) == 1 and factors else [str(abs(c))]) + factors)
        pieces.append(("-" if c < 0 else "") + body if not pieces else (" - " if c < 0 else " + ") + body)
    return "".join(pieces) or "0"


def text(p, ascending=False):
    keys = sorted(p, key=lambda key: (sum(key), key), reverse=not ascending)
    return joined([(p[key], monomial(key)) for key in keys])


def nonzero(rng, bound=9):
    return rng.choice([c for c in range(-bound, bound + 1) if c])


def polynomial(rng, terms=3, degree=3):
    p = {}
    for _ in range(terms):
        ex = rng.randint(0, degree)
        key = (ex, rng.randint(0, degree - ex) if rng.random() < 0.5 else 0)
        p[key] = p.get(key, 0) + nonzero(rng)
    return {key: c for key, c in p.items() if c} or {(1, 0): 1}


def linear(rng):
    """ax + by + c with a != 0: zero and negative somewhere."""
    return plus({(1, 0): nonzero(rng, 5), ONE: rng.randint(-9, 9)}, {(0, 1): rng.randint(-3, 3)})


def in_some_order(rng, pair):
    return pair if rng.random() < 0.5 else pair[::-1]


def factors_and_expansion(rng):
    factors = [polynomial(rng, rng.randint(1, 3), 2) for _ in range(rng.randint(1, 3))]
    exponents = [rng.randint(1, 4 if len(factors) == 1 else 2) for _ in factors]
    total = {ONE: 1}
    for f, n in zip(factors, exponents, strict=True):
        total = product(total, power(f, n))
    return "*".join(f"({text(f)})" + (f"^{n}" if n > 1 else "") for f, n in zip(factors, exponents, strict=True)), total


# Equal by construction.


def expanded(rng):
    written, total = factors_and_expansion(rng)
    return in_some_order(rng, (written, text(total)))


def reordered(rng):
    p = polynomial(rng, rng.randint(2, 5))
    terms = []
    for key, c in p.items():
        factors = [f"({c})" if c < 0 else str(c)] + monomial(key)
        rng.shuffle(factors)
        terms.append("*".join(factors))
    rng.shuffle(terms)
    start = rng.randrange(len(terms))
    end = rng.randint(start + 1, len(terms))
    terms[start:end] = [f"({' + '.join(terms[start:end])})"]
    return text(p), " + ".join(terms)


def factored(rng):
    """c(x - r1 w1)(x - r2 w2)... with each w 1 or y, and the same product
    written with random factors reversed, (r - x), the sign moved to c."""
    c, total, written = nonzero(rng, 4), None, []
    for _ in range(rng.randint(2, 4)):
        f = plus({(1, 0): 1}, {(0, 1) if rng.random() < 0.3 else ONE: -rng.randint(-6, 6)})
        total = product(total or {ONE: c}, f)
        if rng.random() < 0.5:
            f, c = negated(f), -c
            written.append(f"({text(f, ascending=True)})")
        else:
            written.append(f"({text(f)})")
    lead = {1: "", -1: "-"}.get(c, f"{c}*")
    return text(total), lead + "*".join(written)


def binomial_with_a_root(rng):
    """(px + q sqrt(k^2 b))^n against its expansion in sqrt(b), b square-free."""
    b, k, p, q, n = (
        rng.choice([2, 3, 5, 6, 7, 10, 11]),
        rng.randint(1, 3),
        nonzero(rng, 4),
        nonzero(rng, 4),
        rng.randint(2, 8),
    )
    terms = []
    for j in range(n + 1):
        c = math.comb(n, j) * p ** (n - j) * (q * k) ** j * b ** (j // 2)
        terms.append((c, ([f"sqrt({b})"] if j % 2 else []) + monomial((n - j, 0))))
    return f"({p}*x + ({q})*sqrt({k * k * b}))^{n}", joined(terms)


KERNELS = ["sqrt(x^2 + 1)", "x*y", "sin(x)", "ln(x^2 + 1)", "e^x", "1/(x^2 + 1)", "cbrt(x)", "cos(2*y)"]


def term_added_and_taken_away(rng):
    p, c, kernel = polynomial(rng), nonzero(rng), rng.choice(KERNELS)
    return text(p), f"{c}*{kernel} + ({text(p)}) - ({c}*{kernel})"


def multiplied_by_u_over_u(rng):
    p = polynomial(rng)
    u = plus({(2, 0): 1, ONE: rng.randint(1, 9)}, {(0, 2): rng.randint(0, 1)})
    return text(p), f"({text(product(p, u))})/({text(u)})"


def log_of_exp(rng):
    u = polynomial(rng, rng.randint(1, 3), 2)
    return in_some_order(rng, (text(u), f"ln(e^({text(u)}))"))


def restricted(rng):
    """Nothing, or a term defined only far out or on a narrow interval, so
    that points must be found there."""
    k = rng.choice([20, 1000, 10**4])
    return rng.choice(["", f" + sqrt(x - {k})", f" + ln({k} - x)", f" + sqrt(1 - {k}*x^2)"])


def pythagoras(rng):
    p, u, c, extra = polynomial(rng), polynomial(rng, 2, 2), nonzero(rng), restricted(rng)
    return in_some_order(
        rng,
        (f"{c}*sin({text(u)})^2 + ({text(p)}) + {c}*cos({text(u)})^2{extra}", text(plus(p, {ONE: c})) + extra),
    )


# Different by construction.


def perturbed(rng, change):
    written, total = factors_and_expansion(rng)
    return written, text(change(rng, total))


def coefficient_changed(rng, p):
    key = rng.choice(sorted(p))
    return plus(p, {key: nonzero(rng, 3)})


def exponent_changed(rng, p):
    key = rng.choice(sorted(p))
    axis = rng.randrange(2)
    step = 1 if key[axis] == 0 or rng.random() < 0.5 else -1
    moved = tuple(e + step * (i == axis) for i, e in enumerate(key))
    return plus(plus(p, {key: -p[key]}), {moved: p[key]})


def sign_changed(rng, p):
    key = rng.choice(sorted(p))
    return plus(p, {key: -2 * p[key]})


def wrong_coefficient(rng):
    return perturbed(rng, coefficient_changed)


def wrong_exponent(rng):
    return perturbed(rng, exponent_changed)


def sign_slip(rng):
    if rng.random() < 0.5:
        return perturbed(rng, sign_changed)
    r = [nonzero(rng, 6) for _ in range(rng.randint(2, 3))]
    slipped = rng.randrange(len(r))
    total = {ONE: 1}
    for root in r:
        total = product(total, {(1, 0): 1, ONE: -root})
    written = [text({(1, 0): 1, ONE: root if i == slipped else -root}) for i, root in enumerate(r)]
    return text(total), "*".join(f"({f})" for f in written)


def root_of_a_square(rng):
    u = linear(rng)
    return f"sqrt({text(product(u, u))})", text(rng.choice([u, negated(u)]))


PI_CONVERGENTS = ["22/7", "333/106", "355/113", "103993/33102", "104348/33215", "208341/66317", "833719/265381"]


def close_fraction(rng):
    if rng.random() < 0.25:
        return "pi", rng.choice(PI_CONVERGENTS)
    b, k = rng.choice([2, 3, 5, 6, 7, 10, 11, 13]), nonzero(rng, 5)
    root = Fraction(math.isqrt(b * 10**60), 10**30)
    return f"{k}*sqrt({b})", str(k * root.limit_denominator(10 ** rng.randint(2, 14)))


# Equal where both are defined: the wider form first, the narrower second.


def log_of_a_square(rng):
    u = text(linear(rng))
    return f"ln(({u})^2)", f"2*ln({u})"


def reciprocal_of_reciprocal(rng):
    u = text(linear(rng))
    return u, f"1/(1/({u}))"


def square_of_a_root(rng):
    u = text(linear(rng))
    return u, f"sqrt({u})^2"


def factor_cancelled(rng):
    u = linear(rng)
    v = u if rng.random() < 0.3 else polynomial(rng)
    return text(v), f"({text(product(u, v))})/({text(u)})"


KINDS = {
    construct.__name__: (construct, statuses)
    for statuses, constructs in [
        (
            PROVEN,
            [expanded, reordered, factored, binomial_with_a_root, term_added_and_taken_away, multiplied_by_u_over_u],
        ),
        (EARNED, [log_of_exp, pythagoras]),
        (DIFFERENT, [wrong_coefficient, wrong_exponent, sign_slip, root_of_a_square, close_fraction]),
        (DOMAINS_DIFFER, [log_of_a_square, reciprocal_of_reciprocal, square_of_a_root, factor_cancelled]),
    ]
    for construct in constructs
}


def drawn(construct, rng):
    """A pair of the kind whose integers the parser reads (32 bits)."""
    while True:
        pair = construct(rng)
        if all(int(digits) < 2**31 for digits in re.findall(r"\d+", " ".join(pair))):
            return pair


def flaw(verdict, allowed, expected, answer, note=None):
    """What is wrong with the verdict for a pair of this kind, or None."""
    if verdict.status not in allowed:
        return "status"
    if note is not None and note not in (verdict.domain_note or ""):
        return f"the domain note does not say {note!r}"
    if bool(verdict) != (verdict.status in EARNED):
        return "bool disagrees with the status"
    if verdict.accepted(domain_differences=True) != (verdict.status in EARNED | DOMAINS_DIFFER):
        return "accepted(domain_differences=True) disagrees with the status"
    # Constants have one point, their value, compared to 60 digits.
    if verdict.status == "probably equal" and verdict.points < 20 and verdict.point != {}:
        return "too few points"
    if verdict.status == "equal where both are defined" and not verdict.domain_note:
        return "no domain note"
    if verdict.status == "different":
        point = verdict.point or {}
        try:
            if evaluate(expected, point) == evaluate(answer, point):
                return "the values agree at the point given"
        except ValueError as error:
            return f"no value at the point given: {error}"
    return None


@pytest.mark.parametrize("kind", KINDS)
def test_generated_pairs(kind):
    construct = KINDS[kind][0]
    rng = random.Random(kind)
    statuses, wrong = Counter(), []
    false_acceptances = false_rejections = 0
    for _ in range(COUNT):
        expected_text, answer_text = drawn(construct, rng)
        allowed, note = KINDS[kind][1], None
        if allowed == DOMAINS_DIFFER:
            note = "the answer is undefined"
            if rng.random() < 0.5:  # the wider form as the answer: accepted
                expected_text, answer_text = answer_text, expected_text
                allowed, note = EARNED, "the expected expression is undefined"
        expected, answer = parse(expected_text), parse(answer_text)
        try:
            verdict = equivalent(expected, answer)
        except ValueError as error:
            statuses["error"] += 1
            wrong.append(f"{expected_text} vs {answer_text}: {error}")
            continue
        statuses[verdict.status] += 1
        false_acceptances += bool(verdict) and not allowed & EARNED
        false_rejections += verdict.status == "different" and allowed <= EARNED
        if problem := flaw(verdict, allowed, expected, answer, note):
            wrong.append(f"{expected_text} vs {answer_text}: {problem}: {verdict}")
    assert not wrong, (
        f"{kind}: {COUNT} pairs, by status {dict(statuses)}; {false_acceptances} false acceptances,"
        f" {false_rejections} false rejections; {len(wrong)} wrong, the first: " + "; ".join(wrong[:3])
    )
