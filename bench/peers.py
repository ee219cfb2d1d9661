"""The libraries compared with ours, each optional: a missing one is skipped."""

import importlib


def load(name):
    try:
        return importlib.import_module(name)
    except Exception as error:  # an optional peer may fail to import in many ways
        print(f"  {name}: not available ({error.__class__.__name__})")
        return None


class SymEngine:
    name = "SymEngine"

    def __init__(self, module):
        self.se = module

    def symbols(self, names):
        return [self.se.Symbol(n) for n in names]

    def add(self, terms):
        return self.se.Add(*terms)

    def mul(self, factors):
        return self.se.Mul(*factors)

    def expand(self, expr):
        return self.se.expand(expr)

    def terms(self, expanded):
        return len(expanded.args) if expanded.is_Add else 1


class SymPy(SymEngine):
    name = "SymPy"

    def expand(self, expr):
        # SymPy remembers results: without clearing, repeats would time a lookup.
        self.se.core.cache.clear_cache()
        return self.se.expand(expr)


def pairwise(items, combine):
    """Combines neighbours level by level, so that building a sum of n
    terms with binary operators costs n log n, not n squared."""
    items = list(items)
    while len(items) > 1:
        items = [combine(items[i], items[i + 1]) if i + 1 < len(items) else items[i] for i in range(0, len(items), 2)]
    return items[0]


class Symbolica:
    name = "Symbolica"

    def __init__(self, module):
        self.sb = module
        self.symbol = getattr(module, "S", None) or module.Expression.symbol

    def symbols(self, names):
        return [self.symbol(n) for n in names]

    def add(self, terms):
        return pairwise(terms, lambda a, b: a + b)

    def mul(self, factors):
        return pairwise(factors, lambda a, b: a * b)

    def expand(self, expr):
        return expr.expand()

    def terms(self, expanded):
        return len(expanded) if hasattr(expanded, "__len__") else len(list(expanded))


class Flint:
    """Polynomial arithmetic on fmpz_mpoly: the floor for polynomial workloads."""

    name = "flint"

    def __init__(self, module):
        self.flint = module

    def ring(self, names):
        ctx_class = self.flint.fmpz_mpoly_ctx
        if hasattr(ctx_class, "get"):
            return ctx_class.get(tuple(names), "lex")
        return ctx_class(len(names), self.flint.Ordering.lex, list(names))


def available():
    peers = []
    for module_name, wrapper in (("symengine", SymEngine), ("sympy", SymPy), ("symbolica", Symbolica)):
        module = load(module_name)
        if module is not None:
            try:
                peers.append(wrapper(module))
            except Exception as error:
                print(f"  {module_name}: unusable ({error})")
    flint = load("flint")
    return peers, (Flint(flint) if flint is not None else None)
