#!/usr/bin/env python3
"""The input ceiling of the linear and one-way ANOVA reference data sets:
how many digits of each certified value a program can reach at best when it
reads the data as doubles. Every data token is parsed to the nearest double
(Python's float, the same rounding as strtod), and the certified quantities
are then computed from those doubles exactly: rational arithmetic
(fractions.Fraction) for every sum, solve and sum of squares, and mpmath at
50 digits for the square roots. The log relative error of that exact answer
against the certified 15-digit value, capped at 15, is the ceiling.

Run: python3 tests/numeric/reference/strd_ceiling.py [strd-dir]
Prints one line per data set: name, then key=ceiling for every certified
value (b<j>, b<j>_sd, resid_sd, r2, f for linear sets; f, r2, resid_sd for
ANOVA sets). tests/numeric/strd_*_test.cpp quote these figures.
"""
import os
import sys
from fractions import Fraction

from mpmath import mp, mpf, log10, sqrt, inf

mp.dps = 50


def read(path):
    head, rows, body = {}, [], False
    cert = {}
    for line in open(path):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        if body:
            rows.append([Fraction(float(t)) for t in line.split()])
            continue
        words = line.split()
        if words[0] == "data":
            body = True
        elif words[0] == "certified":
            cert[words[1]] = mpf(words[2]) if words[2] != "Infinity" else inf
        else:
            head[words[0]] = words[1:]
    return head, cert, rows


def lre(got, cert):
    if cert == inf:
        return 15.0 if got == inf else 0.0
    if cert == 0:
        return 15.0 if got == 0 else min(15.0, max(0.0, float(-log10(abs(got)))))
    if got == cert:
        return 15.0
    d = float(-log10(abs(mpf(got) - cert) / abs(cert)))
    return min(15.0, max(0.0, d))


def frac_sqrt(q):
    return sqrt(mpf(q.numerator) / q.denominator)


def solve(G, c):
    """Exact Gauss-Jordan on a rational system; returns solution and inverse."""
    p = len(G)
    A = [row[:] + [c[i]] + [Fraction(int(i == j)) for j in range(p)] for i, row in enumerate(G)]
    for i in range(p):
        piv = next(r for r in range(i, p) if A[r][i] != 0)
        A[i], A[piv] = A[piv], A[i]
        inv = 1 / A[i][i]
        A[i] = [v * inv for v in A[i]]
        for r in range(p):
            if r != i and A[r][i] != 0:
                f = A[r][i]
                A[r] = [a - f * b for a, b in zip(A[r], A[i])]
    return [A[i][p] for i in range(p)], [A[i][p + 1:] for i in range(p)]


def linear(head, cert, rows):
    cols = head["columns"]
    terms = head["terms"]
    X = []
    for r in rows:
        v = dict(zip(cols, r))
        line = []
        for t in terms:
            if t == "1":
                line.append(Fraction(1))
            elif "^" in t:
                name, k = t.split("^")
                line.append(v[name] ** int(k))
            else:
                line.append(v[t])
        X.append(line)
    y = [dict(zip(cols, r))["y"] for r in rows]
    p, n = len(terms), len(rows)
    G = [[sum(x[i] * x[j] for x in X) for j in range(p)] for i in range(p)]
    c = [sum(x[i] * yy for x, yy in zip(X, y)) for i in range(p)]
    b, inv = solve(G, c)
    sse = sum((yy - sum(bi * xi for bi, xi in zip(b, x))) ** 2 for x, yy in zip(X, y))
    intercept = head["intercept"][0] == "yes"
    if intercept:
        ybar = sum(y) / n
        sst = sum((yy - ybar) ** 2 for yy in y)
        model_df = p - 1
    else:
        sst = sum(yy * yy for yy in y)
        model_df = p
    df = n - p
    out = {}
    first = 0 if intercept else 1
    for j in range(p):
        out["b%d" % (j + first)] = lre(mpf(b[j].numerator) / b[j].denominator, cert["b%d" % (j + first)])
        sd = frac_sqrt(inv[j][j] * sse / df)
        out["b%d_sd" % (j + first)] = lre(sd, cert["b%d_sd" % (j + first)])
    out["resid_sd"] = lre(frac_sqrt(sse / df), cert["resid_sd"])
    r2 = 1 - sse / sst
    out["r2"] = lre(mpf(r2.numerator) / r2.denominator, cert["r2"])
    f = inf if sse == 0 else (sst - sse) / model_df / (sse / df)
    out["f"] = lre(f if f == inf else mpf(f.numerator) / f.denominator, cert["f"])
    return out


def anova(head, cert, rows):
    groups = {}
    for g, yy in rows:
        groups.setdefault(g, []).append(yy)
    n = len(rows)
    grand = sum(r[1] for r in rows) / n
    between = sum(len(v) * (sum(v) / len(v) - grand) ** 2 for v in groups.values())
    within = sum(sum((yy - sum(v) / len(v)) ** 2 for yy in v) for v in groups.values())
    k = len(groups)
    f = (between / (k - 1)) / (within / (n - k))
    r2 = between / (between + within)
    q = lambda x: mpf(x.numerator) / x.denominator
    return {"f": lre(q(f), cert["f"]), "r2": lre(q(r2), cert["r2"]),
            "resid_sd": lre(frac_sqrt(within / (n - k)), cert["resid_sd"])}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "data", "strd")
    names = ["SiRstv", "SmLs01", "SmLs02", "SmLs03", "AtmWtAg", "SmLs04", "SmLs05", "SmLs06",
             "SmLs07", "SmLs08", "SmLs09", "Norris", "Pontius", "NoInt1", "NoInt2", "Filip",
             "Longley", "Wampler1", "Wampler2", "Wampler3", "Wampler4", "Wampler5"]
    for name in names:
        head, cert, rows = read(os.path.join(folder, name + ".txt"))
        out = anova(head, cert, rows) if head["kind"][0] == "anova" else linear(head, cert, rows)
        print(name, " ".join("%s=%.1f" % (k, v) for k, v in out.items()))


if __name__ == "__main__":
    main()
