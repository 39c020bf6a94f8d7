#!/usr/bin/env python3
"""Reference values for tests/analyses/anova_test.cpp, computed independently
of the engine: exact rational least squares (fractions) for every sum of
squares, mpmath at 40 digits for the t and F tail probabilities.

A compare field's sum of squares is the reduction of the one-way model; a
pair's cells model is the reduction of one mean per filled cell, its additive
model the least-squares fit of both factors' effects (no interaction), the
interaction the difference. The ANOVA table is then built from these as the
engine's table is defined: main effects = total - residual - interactions,
each main effect = main effects - the other fields' one-way sums."""
from fractions import Fraction as Fr
from itertools import combinations
import mpmath

mpmath.mp.dps = 40


def reduction(y, w, columns):
    """Weighted regression sum of squares about the weighted mean of the model
    1 + columns (columns are 0/1 dummies), by exact normal equations."""
    n = len(y)
    X = [[Fr(1)] + [Fr(c[i]) for c in columns] for i in range(n)]
    p = len(X[0])
    A = [[sum(w[i] * X[i][r] * X[i][c] for i in range(n)) for c in range(p)] for r in range(p)]
    b = [sum(w[i] * X[i][r] * y[i] for i in range(n)) for r in range(p)]
    # Gauss-Jordan; dependent columns (pivot 0) are dropped.
    M = [A[r] + [b[r]] for r in range(p)]
    used = []
    row = 0
    for col in range(p):
        piv = next((r for r in range(row, p) if M[r][col] != 0), None)
        if piv is None:
            continue
        M[row], M[piv] = M[piv], M[row]
        f = M[row][col]
        M[row] = [v / f for v in M[row]]
        for r in range(p):
            if r != row and M[r][col] != 0:
                g = M[r][col]
                M[r] = [a - g * c for a, c in zip(M[r], M[row])]
        used.append(col)
        row += 1
    beta = [Fr(0)] * p
    for r, col in enumerate(used):
        beta[col] = M[r][p]
    fit = [sum(beta[c] * X[i][c] for c in range(p)) for i in range(n)]
    N = sum(w)
    mean = sum(wi * yi for wi, yi in zip(w, y)) / N
    return sum(wi * (f - mean) ** 2 for wi, f in zip(w, fit))


def dummies(levels):
    keys = sorted(set(levels), key=str)
    return [[1 if v == k else 0 for v in levels] for k in keys[:-1]], len(keys)


def anova(y, factors, w=None, names=None):
    y = [Fr(v) for v in y]
    w = [Fr(1)] * len(y) if w is None else [Fr(v) for v in w]
    C = len(factors)
    names = names or [f"F{i+1}" for i in range(C)]
    N = sum(w)
    mean = sum(wi * yi for wi, yi in zip(w, y)) / N
    sst = sum(wi * (yi - mean) ** 2 for wi, yi in zip(w, y))
    ss, df = [], []
    for f in factors:
        d, k = dummies(f)
        ss.append(reduction(y, w, d))
        df.append(k - 1)
    ssr = sst - sum(ss)
    dfr = N - 1 - sum(df)
    pairs = []
    for a, b in combinations(range(C), 2):
        cell = list(zip(factors[a], factors[b]))
        dc, filled = dummies(cell)
        cells = reduction(y, w, dc)
        da, ka = dummies(factors[a])
        db, kb = dummies(factors[b])
        additive = reduction(y, w, da + db)
        dfab = (ka - 1) * (kb - 1) - (ka * kb - filled)
        cmean = {}
        for c in set(cell):
            idx = [i for i in range(len(y)) if cell[i] == c]
            cmean[c] = sum(w[i] * y[i] for i in idx) / sum(w[i] for i in idx)
        within = sum(w[i] * (y[i] - cmean[cell[i]]) ** 2 for i in range(len(y)))
        pairs.append((names[a], names[b], dfab, cells - additive, within))
    I = sum(p[3] for p in pairs)
    dfI = sum(p[2] for p in pairs)
    if C == 2:
        ssr = pairs[0][4]
    elif C >= 3:
        ssr = ssr - I
    dfr -= dfI
    ssmain = sst - ssr - I
    msr = ssr / dfr if dfr > 0 else None
    rows = []

    def row(label, d, s, takes_f):
        ms = s / d if d > 0 else None
        f = p = None
        if takes_f and ms is not None and msr and s > 0:
            f = ms / msr
            mp = lambda v: mpmath.mpf(v.numerator) / v.denominator
            x = mp(Fr(dfr)) / (mp(Fr(dfr)) + mp(Fr(d)) * mp(Fr(f)))
            p = mpmath.betainc(mp(Fr(dfr)) / 2, mp(Fr(d)) / 2, 0, x, regularized=True)
        rows.append((label, d, s, ms, f, p))

    row("Main Effects", sum(df), ssmain, True)
    for i in range(C):
        s = ss[i] if C == 1 else ssmain - sum(ss[j] for j in range(C) if j != i)
        row(f"Main: [{names[i]}]", df[i], s, True)
    if C >= 3:
        row("Interactions", dfI, I if dfI > 0 else 0, True)
    for a, b, d, s, _ in pairs:
        if d > 0:
            row(f"[{a}] & [{b}]", d, s, True)
    if C >= 2:
        row("Explained", N - 1 - dfr, sst - ssr, True)
    row("Residual", dfr, ssr, False)
    row("Total", N - 1, sst, False)
    return rows


def show(title, rows):
    print(title)
    for label, d, s, ms, f, p in rows:
        fmt = lambda v: "null" if v is None else mpmath.nstr(mpmath.mpf(v.numerator) / v.denominator if isinstance(v, Fr) else v, 17)
        print(f"  {{\"{label}\", {d}, {fmt(Fr(s))}, {fmt(ms)}, {fmt(f)}, {fmt(p)}}},")


def t_test(x1, x2):
    x1 = [mpmath.mpf(v) for v in x1]
    x2 = [mpmath.mpf(v) for v in x2]
    n1, n2 = len(x1), len(x2)
    m1, m2 = sum(x1) / n1, sum(x2) / n2
    v1 = sum((v - m1) ** 2 for v in x1) / (n1 - 1)
    v2 = sum((v - m2) ** 2 for v in x2) / (n2 - 1)
    sp = ((n1 - 1) * v1 + (n2 - 1) * v2) / (n1 + n2 - 2)
    tp = (m1 - m2) / mpmath.sqrt(sp / n1 + sp / n2)
    dfp = n1 + n2 - 2
    two = lambda t, df: mpmath.betainc(df / 2, mpmath.mpf(1) / 2, 0, df / (df + t * t), regularized=True)
    s = v1 / n1 + v2 / n2
    ts = (m1 - m2) / mpmath.sqrt(s)
    dfs = s * s / ((v2 / n2) ** 2 / (n2 - 1) + (v1 / n1) ** 2 / (n1 - 1))
    for k, v in [("mean1", m1), ("mean2", m2), ("sd1", mpmath.sqrt(v1)), ("sd2", mpmath.sqrt(v2)),
                 ("se1", mpmath.sqrt(v1 / n1)), ("se2", mpmath.sqrt(v2 / n2)),
                 ("t_pooled", tp), ("p_pooled", two(tp, dfp)), ("df_sep", dfs),
                 ("t_sep", ts), ("p_sep", two(ts, dfs))]:
        print(f"  {k} = {mpmath.nstr(v, 17)}")


if __name__ == "__main__":
    # One compare field, three levels.
    show("oneway", anova([1, 2, 3, 4, 5, 6, 7, 8, 9], [list("AAABBBCCC")]))
    # Two compare fields, unbalanced.
    A2 = list("pppppp") + list("qqqqqqqq")
    B2 = [1, 1, 1, 2, 2, 3, 1, 2, 2, 2, 3, 3, 3, 3]
    Y2 = [3, 5, 4, 6, 8, 9, 2, 7, 5, 6, 12, 10, 11, 13]
    show("twoway", anova(Y2, [A2, B2], names=["A", "B"]))
    # Three compare fields.
    A3 = list("pppppppqqqqqqqqq")
    B3 = [1, 1, 2, 2, 3, 3, 3, 1, 1, 1, 2, 2, 3, 3, 3, 2]
    D3 = list("uvuvuvvuvuuvuvuv")
    Y3 = [4, 6, 5, 9, 7, 8, 10, 3, 5, 4, 8, 11, 9, 12, 14, 7]
    show("threeway", anova(Y3, [A3, B3, D3], names=["A", "B", "D"]))
    # Student's sleep data (Cushny and Peebles), extra hours of sleep.
    print("sleep")
    t_test([0.7, -1.6, -0.2, -1.2, -0.1, 3.4, 3.7, 0.8, 0.0, 2.0],
           [1.9, 0.8, 1.1, 0.1, -0.1, 4.4, 5.5, 1.6, 4.6, 3.4])
