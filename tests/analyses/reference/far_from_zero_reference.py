#!/usr/bin/env python3
"""Expected values of tests/analyses/far_from_zero_test.cpp, in exact arithmetic.

The data are the doubles the test writes: x = 1e9 + zx 2^-10 and
y = 1e9 + zy 2^-10 (about N(0, 1e-3) about 1e9; the scaling by a power of two
is exact, so the sum is rounded once, as in C++), and for the regressions
x1 = 1e9 + zx, x2 = 1e9 + zy (unit spread) with y = YR. Statistics from
fractions over those doubles, square roots with mpmath at 50 digits, least
squares by solving the centred normal equations exactly.
"""
from fractions import Fraction as F
import mpmath

mpmath.mp.dps = 50

ZX = [0.613, -1.207, 0.071, 1.862, -0.448, -0.935, 1.114, 0.286, -1.671, 0.502, -0.059, 0.928]
ZY = [0.215, -0.874, 0.640, 1.103, -1.390, 0.057, 0.812, -0.221, -0.968, 1.446, -0.503, 0.331]
YR = [3.1, 1.2, 2.9, 6.4, 0.3, 1.0, 4.8, 2.2, -0.9, 4.4, 1.7, 3.6]


def m(v):
    return mpmath.mpf(v.numerator) / v.denominator


def g(v):
    return "%.17g" % float(m(v) if isinstance(v, F) else v)


def solve(A, b):
    """Gauss-Jordan over fractions."""
    n = len(b)
    M = [row[:] + [b[i]] for i, row in enumerate(A)]
    for c in range(n):
        p = next(r for r in range(c, n) if M[r][c] != 0)
        M[c], M[p] = M[p], M[c]
        M[c] = [v / M[c][c] for v in M[c]]
        for r in range(n):
            if r != c and M[r][c] != 0:
                M[r] = [a - M[r][c] * b for a, b in zip(M[r], M[c])]
    return [M[i][n] for i in range(n)]


def fit(columns, y):
    """Least squares with intercept: (a, b1, ..., bk)."""
    n = len(y)
    means = [sum(c) / n for c in columns]
    my = sum(y) / n
    dev = [[v - mc for v in c] for c, mc in zip(columns, means)]
    dy = [v - my for v in y]
    A = [[sum(p * q for p, q in zip(a, b)) for b in dev] for a in dev]
    rhs = [sum(p * q for p, q in zip(a, dy)) for a in dev]
    b = solve(A, rhs)
    return [my - sum(bi * mi for bi, mi in zip(b, means))] + b


def main():
    xs = [F(1e9 + z * 2.0 ** -10) for z in ZX]
    ys = [F(1e9 + z * 2.0 ** -10) for z in ZY]
    n = len(xs)
    mx, my = sum(xs) / n, sum(ys) / n
    sxx = sum((x - mx) ** 2 for x in xs)
    syy = sum((y - my) ** 2 for y in ys)
    sxy = sum((x - mx) * (y - my) for x, y in zip(xs, ys))
    d = [x - y for x, y in zip(xs, ys)]
    md = sum(d) / n
    vd = sum((v - md) ** 2 for v in d) / (n - 1)
    print("Compare/Matrix at 1e9 + N(0, 1e-3):")
    print("  MeanX", g(mx), "MeanY", g(my), "MeanDiff", g(md))
    print("  StdDevDiff", g(mpmath.sqrt(m(vd))), "t", g(m(md) / mpmath.sqrt(m(vd) / n)))
    print("  VarX", g(sxx / (n - 1)), "VarY", g(syy / (n - 1)))
    print("  Covariance", g(sxy / (n - 1)), "Correlation",
          g(m(sxy) / mpmath.sqrt(m(sxx * syy))), "R-Square", g(sxy * sxy / (sxx * syy)))
    x1 = [F(1e9 + z) for z in ZX]
    x2 = [F(1e9 + z) for z in ZY]
    y = [F(v) for v in YR]
    print("Regressions at 1e9, unit spread:")
    print("  simple a, b", [g(v) for v in fit([x1], y)])
    print("  multi a, b1, b2", [g(v) for v in fit([x1, x2], y)])
    print("  poly 2 a, b1, b2", [g(v) for v in fit([x1, [v * v for v in x1]], y)])
    e = F(2.0 ** -52)
    print("Last bit: x = 1, 1+2^-52, 1, 1+2^-52; y = 1, 2, 3, 4")
    print("  simple a, b", [g(v) for v in fit([[F(1), 1 + e, F(1), 1 + e]],
                                              [F(1), F(2), F(3), F(4)])])
    print("Compare, overflow: x = 1e200, 2e200, 3e200; y = 1, 2, 4")
    xs = [F(1e200), F(2e200), F(3e200)]
    ys = [F(1), F(2), F(4)]
    d = [x - y for x, y in zip(xs, ys)]
    md = sum(d) / 3
    vd = sum((v - md) ** 2 for v in d) / 2
    print("  MeanDiff", g(md), "StdDevDiff", g(mpmath.sqrt(m(vd))), "t",
          g(m(md) / mpmath.sqrt(m(vd) / 3)))


main()
