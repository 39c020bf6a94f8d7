#!/usr/bin/env python3
"""Expected values of tests/numeric/rank_statistics_test.cpp and
related_ranks_test.cpp, from the raw data by the textbook definitions.

Ranks are found by brute force (a value's rank is the number of values below
it plus the mean of the positions its equal values share), every statistic
is formed in exact fractions from them, square roots and probabilities with
mpmath at 40 digits: normal tails by erfc, chi-square tails by the
regularized incomplete gamma function, Student t tails by the regularized
incomplete beta function, and the Kolmogorov tail by its two series. The
fewest and most runs are the minimum and maximum over every order of the
tied values. Printed to 17 digits for the tests' tables.
"""
from fractions import Fraction as F
from itertools import permutations, product
import mpmath

mpmath.mp.dps = 40


def g(x):
    if x is None:
        return "kNull"
    return "%.17g" % float(x)


def ranks(values):
    out = []
    for v in values:
        below = sum(1 for u in values if u < v)
        equal = sum(1 for u in values if u == v)
        out.append(F(below) + F(equal + 1, 2))
    return out


def tie_cubes(values):
    total = 0
    for v in set(values):
        t = values.count(v)
        total += t ** 3 - t
    return total


def normal2(z):
    return mpmath.erfc(abs(mpmath.mpf(z)) / mpmath.sqrt(2))


def chi2_upper(x, df):
    return mpmath.gammainc(mpmath.mpf(df) / 2, mpmath.mpf(x) / 2, mpmath.inf, regularized=True)


def t2(t, df):
    t = mpmath.mpf(t)
    return mpmath.betainc(mpmath.mpf(df) / 2, 0.5, 0, df / (df + t * t), regularized=True)


def kolmogorov(z):
    z = mpmath.mpf(z)
    if z <= 0:
        return mpmath.mpf(1)
    if z < 1:
        s = mpmath.nsum(lambda k: mpmath.exp(-(2 * k - 1) ** 2 * mpmath.pi ** 2 / (8 * z * z)),
                        [1, mpmath.inf])
        return 1 - mpmath.sqrt(2 * mpmath.pi) / z * s
    return 2 * mpmath.nsum(lambda k: (-1) ** (k - 1) * mpmath.exp(-2 * k * k * z * z),
                           [1, mpmath.inf])


def mpq(q):
    q = F(q)
    return mpmath.mpf(q.numerator) / q.denominator


def sqrtq(q):
    return mpmath.sqrt(mpq(q))


MW = {
    "NoTies": ([1.5, 3, 7], [2, 4, 5, 9]),
    "Ties": ([1, 2, 2, 3, 5, 5], [2, 3, 3, 5, 8]),
    "FirstSampleLarger": ([6, 7, 8, 9, 1], [2, 3]),
    "OneEach": ([1], [2]),
    "AllTied": ([4, 4], [4]),
    "Thirty": ([12, 15, 9, 22, 15, 18, 30, 11, 9, 25, 17, 15, 20, 14],
               [8, 13, 15, 10, 9, 21, 7, 12, 16, 6, 11, 9, 19, 5, 13, 10]),
}


def mann_whitney():
    print("// Mann-Whitney: u, uPrime, w, z, p, zTies, pTies, sumTies")
    for name, (a, b) in MW.items():
        n1, n2 = len(a), len(b)
        n = n1 + n2
        r = ranks(a + b)
        r1, r2 = sum(r[:n1]), sum(r[n1:])
        u = n1 * n2 + F(n1 * (n1 + 1), 2) - r1
        u = min(u, n1 * n2 - u)
        w = r2 if n1 > n2 else r1
        z = mpq(u - F(n1 * n2, 2)) / sqrtq(F(n1 * n2 * (n + 1), 12))
        tc = tie_cubes(a + b)
        var = F(n1 * n2, n * (n - 1)) * (F(n ** 3 - n, 12) - F(tc, 12))
        zt = mpq(u - F(n1 * n2, 2)) / sqrtq(var) if var > 0 else None
        pt = normal2(zt) if zt is not None else None
        print("{\"%s\", %s, %s, %s, %s, %s, %s, %s, %s}," %
              (name, g(u), g(n1 * n2 - u), g(w), g(z), g(normal2(z)), g(zt), g(pt),
               g(F(tc, 12))))


def ks_two():
    print("// Two-sample K-S: positive, negative, absolute, z, p")
    for name, (a, b) in MW.items():
        n1, n2 = len(a), len(b)
        pos, neg = F(0), F(0)
        for v in sorted(set(a + b)):
            d = F(sum(1 for x in a if x <= v), n1) - F(sum(1 for x in b if x <= v), n2)
            pos, neg = max(pos, d), min(neg, d)
        ab = max(pos, -neg)
        z = mpq(ab) * sqrtq(F(n1 * n2, n1 + n2))
        print("{\"%s\", %s, %s, %s, %s, %s}," % (name, g(pos), g(neg), g(ab), g(z),
                                                 g(kolmogorov(z))))


KW = {
    "ThreeNoTies": [[2.1, 3.4, 1.9], [5.5, 4.0], [0.5, 6.2, 7.1, 3.0]],
    "TiesAndASampleOfOne": [[1, 2, 2, 3], [2, 4], [5], [3, 3, 1]],
    "OneSample": [[1, 2, 3]],
    "OneValue": [[7]],
    "AllTied": [[5, 5], [5], [5, 5, 5]],
    "ThirtyInFour": [[3, 7, 7, 12, 5, 9, 14, 7], [10, 15, 12, 18, 11, 20, 16],
                     [2, 5, 7, 9, 4, 6, 3, 8], [13, 12, 19, 21, 17, 15, 22]],
}


def kruskal_wallis():
    print("// Kruskal-Wallis: h, df, p, hTies, pTies")
    for name, samples in KW.items():
        pooled = [v for s in samples for v in s]
        n = len(pooled)
        r = ranks(pooled)
        s, at = F(0), 0
        for sample in samples:
            rj = sum(r[at:at + len(sample)])
            at += len(sample)
            s += rj * rj / len(sample)
        h = F(12, n * (n + 1)) * s - 3 * (n + 1)
        df = len(samples) - 1
        p = chi2_upper(mpq(h), df) if df > 0 else None
        c = 1 - F(tie_cubes(pooled), n ** 3 - n) if n > 1 else 0
        ht = h / c if c != 0 else None
        pt = chi2_upper(mpq(ht), df) if ht is not None and df > 0 else None
        print("{\"%s\", %s, %d, %s, %s, %s}," % (name, g(h), df, g(p), g(ht), g(pt)))


RUNS = {
    "NoTies": ([1, 3, 5, 7], [2, 4, 6, 8, 9]),
    "Ties": ([1, 2, 2, 4, 5, 5], [2, 3, 5, 6, 6]),
    "TieAtTheStart": ([1, 1, 3], [1, 2, 4]),
    "EqualCountsTiedFirst": ([1, 2, 4], [1, 3, 3]),
    "TieAtTheEnd": ([1, 3, 5, 5], [2, 5, 5, 5]),
    "OneSampleOnly": ([1, 2, 3], []),
    "Sixty": ([2 * i for i in range(30)] + [7, 19],
              [2 * i + 1 for i in range(26)] + [7, 19, 40, 40]),
}


def runs_of(labels):
    return 1 + sum(1 for x, y in zip(labels, labels[1:]) if x != y)


def runs():
    print("// Runs: minRuns, maxRuns, mean, sd, minZ, minP, maxZ, maxP")
    for name, (a, b) in RUNS.items():
        values = sorted(set(a + b))
        orders = [set(permutations([1] * a.count(v) + [2] * b.count(v))) for v in values]
        counts = [runs_of([x for part in choice for x in part]) for choice in product(*orders)]
        lo, hi = min(counts), max(counts)
        n1, n2 = len(a), len(b)
        n = n1 + n2
        mean = F(2 * n1 * n2, n) + 1
        var = F(2 * n1 * n2 * (2 * n1 * n2 - n1 - n2), n * n * (n - 1))
        sd = sqrtq(var)
        out = [g(lo), g(hi), g(mean), g(sd)]
        for r in (lo, hi):
            if var == 0:
                out += ["kNull", "kNull"]
                continue
            c = 0 if n >= 50 else (F(-1, 2) if r >= mean else F(1, 2))
            z = mpq(r - mean + c) / sd
            out += [g(z), g(normal2(z) / 2)]
        print("{\"%s\", %s}," % (name, ", ".join(out)))


def ks_fit():
    print("// Kolmogorov tail Q(z) for the short series")
    for z in ["0.3", "0.5", "0.8", "1", "1.2", "2", "3"]:
        print("{%s, %s}," % (z, g(kolmogorov(mpmath.mpf(z)))))


def poisson():
    print("// Poisson distribution function: lambda, {x, P(X <= x)}")
    for lam, xs in [("3.7", [-0.5, 0, 2.5, 3, 3, 7, 15, 40]), ("0.5", [0, 1, 2]),
                    ("250", [200, 250, 250.5, 300, 1000])]:
        l = mpmath.mpf(lam)
        cdf = [mpmath.fsum(mpmath.exp(-l) * l ** k / mpmath.factorial(k)
                           for k in range(int(mpmath.floor(x)) + 1)) for x in xs]
        print(lam, ", ".join("{%s, %s}" % (x, g(p)) for x, p in zip(xs, cdf)))


SIGN_PAIRS = [(3, 7), (5, 5), (0, 1), (12, 30), (40, 0)]
SIGN_TAILS = [(10, 3), (25, 12), (1, 0), (0, 0), (25, 25), (26, 5), (100, 60), (1000, 400)]


def sign():
    print("// Paired sign test: below, above, z, p")
    for below, above in SIGN_PAIRS:
        n = below + above
        z = mpq(max(below, above) - F(1, 2) - F(n, 2)) / (mpmath.sqrt(n) / 2)
        print("{%d, %d, %s, %s}," % (below, above, g(z), g(normal2(z))))
    print("// Binomial lower tail: n, x, P(X <= x)")
    for n, x in SIGN_TAILS:
        if n <= 25:
            p = sum(F(mpmath.binomial(n, k).__int__()) for k in range(x + 1)) / 2 ** n
        else:
            p = mpmath.ncdf(mpq(x - F(n, 2) + F(1, 2)) / (mpmath.sqrt(n) / 2))
        print("{%d, %d, %s}," % (n, x, g(p)))


WILCOXON = {
    "MixedWithTies": [1.5, -2, 3, -1.5, 4, 2, -0.5, 2],
    "AllPositive": [1, 2, 3],
    "One": [-2],
    "Thirty": [3, -1, 4, 1, -5, 9, 2, -6, 5, 3, 5, -8, 9, 7, -9, 3, 2, 3, -8, 4, 6, 2, 6, -4,
               3, 3, 8, -3, 2, 7],
}


def wilcoxon():
    print("// Wilcoxon: negSum, posSum, negMean, posMean, z, p")
    for name, d in WILCOXON.items():
        r = ranks([abs(x) for x in d])
        neg = [q for q, x in zip(r, d) if x < 0]
        pos = [q for q, x in zip(r, d) if x > 0]
        n = len(d)
        t = min(sum(neg), sum(pos))
        z = mpq(t - F(n * (n + 1), 4)) / sqrtq(F(n * (n + 1) * (2 * n + 1), 24))
        print("{\"%s\", %s, %s, %s, %s, %s, %s}," %
              (name, g(sum(neg)), g(sum(pos)), g(sum(neg) / len(neg) if neg else None),
               g(sum(pos) / len(pos) if pos else None), g(z), g(normal2(z))))


SPEARMAN = {
    "NoTies": ([1, 2, 3, 4, 5], [2, 1, 4, 3, 5]),
    "TiesInBoth": ([1, 2, 2, 3, 4, 4, 5], [3, 1, 2, 2, 5, 4, 4]),
    "Two": ([1, 2], [5, 3]),
    "One": ([1], [2]),
    "XAllTied": ([3, 3, 3, 3], [1, 2, 3, 4]),
    "TiesInYOnly": ([1, 2, 3, 4, 5, 6], [1, 1, 2, 3, 3, 3]),
    "Thirty": ([5, 3, 8, 1, 9, 2, 7, 4, 6, 5, 3, 8, 2, 9, 1, 7, 6, 4, 5, 3, 10, 12, 11, 8, 6,
                2, 9, 13, 4, 7],
               [4, 2, 9, 2, 7, 1, 8, 5, 5, 6, 1, 7, 3, 8, 2, 9, 4, 3, 6, 2, 11, 10, 12, 7, 6,
                1, 9, 12, 5, 8]),
}


def spearman():
    print("// Spearman: rho, t, p, rhoTies, tTies, pTies")
    for name, (x, y) in SPEARMAN.items():
        n = len(x)
        rx, ry = ranks(x), ranks(y)
        out = []
        if n > 1:
            d = sum((a - b) ** 2 for a, b in zip(rx, ry))
            rho = 1 - F(6, n * (n * n - 1)) * d
            mx, my = sum(rx) / n, sum(ry) / n
            sxx = sum((a - mx) ** 2 for a in rx)
            syy = sum((b - my) ** 2 for b in ry)
            sxy = sum((a - mx) * (b - my) for a, b in zip(rx, ry))
            tied = tie_cubes(x) + tie_cubes(y) > 0
            pearson = mpq(sxy) / sqrtq(sxx * syy) if tied and sxx * syy != 0 else None
            for r in (mpq(rho), pearson):
                if r is None:
                    out += [None, None, None]
                elif n > 2 and abs(r) < 1:
                    t = r * mpmath.sqrt((n - 2) / (1 - r * r))
                    out += [r, t, t2(t, n - 2)]
                else:
                    out += [r, None, None]
        else:
            out = [None] * 6
        print("{\"%s\", %s}," % (name, ", ".join(g(v) for v in out)))


FRIEDMAN = {
    "ThreeFieldsNoTies": ([[7, 9, 8], [6, 5, 7], [9, 7, 6], [4, 8, 6]], [1, 1, 1, 1]),
    "TiesAndWeights": ([[1, 1, 2, 3], [4, 2, 2, 2], [5, 6, 7, 5], [0, 0, 0, 0]],
                       [1, 2.5, 0.5, 3]),
    "ThirtyRows": ([[(7 * i) % 5, (3 * i + 1) % 4, (5 * i + 2) % 6] for i in range(30)],
                   [1] * 30),
}


def friedman():
    print("// Friedman: chi, p")
    for name, (rows, w) in FRIEDMAN.items():
        k = len(rows[0])
        n = sum(F(x) for x in w)
        sums = [F(0)] * k
        for row, wt in zip(rows, w):
            for j, q in enumerate(ranks(row)):
                sums[j] += q * F(wt)
        chi = F(12) / (n * k * (k + 1)) * sum(q * q for q in sums) - 3 * n * (k + 1)
        print("{\"%s\", %s, %s},  // rows %s" % (name, g(chi), g(chi2_upper(mpq(chi), k - 1)),
                                                 rows if len(rows) < 10 else "..."))


if __name__ == "__main__":
    mann_whitney()
    ks_two()
    kruskal_wallis()
    runs()
    ks_fit()
    poisson()
    sign()
    wilcoxon()
    spearman()
    friedman()
