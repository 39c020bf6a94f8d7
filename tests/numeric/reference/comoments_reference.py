#!/usr/bin/env python3
"""Expected values of tests/numeric/comoments_test.cpp, in exact arithmetic.

The data are formed exactly as the test forms them: x = offset + zx * 2^-10,
y = 2 offset + zy * 2^-10 (one rounding each, the scaling by a power of two
being exact), weights from the test's list. Every statistic is computed from
the doubles with fractions (square roots with mpmath at 50 digits) and
printed to 17 digits for the test's table.
"""
from fractions import Fraction as F
import mpmath

mpmath.mp.dps = 50

ZX = [0.613, -1.207, 0.071, 1.862, -0.448, -0.935, 1.114, 0.286, -1.671, 0.502, -0.059, 0.928]
ZY = [0.215, -0.874, 0.640, 1.103, -1.390, 0.057, 0.812, -0.221, -0.968, 1.446, -0.503, 0.331]
W = [1.0, 0.5, 2.25, 1.0, 3.0, 0.75, 1.5, 1.0, 0.25, 2.0, 1.0, 1.25]


def stats(xs, ys, ws):
    X = [F(v) for v in xs]
    Y = [F(v) for v in ys]
    Wt = [F(v) for v in ws]
    n = sum(Wt)
    mx = sum(w * x for w, x in zip(Wt, X)) / n
    my = sum(w * y for w, y in zip(Wt, Y)) / n
    sxx = sum(w * (x - mx) ** 2 for w, x in zip(Wt, X))
    syy = sum(w * (y - my) ** 2 for w, y in zip(Wt, Y))
    sxy = sum(w * (x - mx) * (y - my) for w, x, y in zip(Wt, X, Y))
    r = mpmath.mpf(sxy.numerator) / sxy.denominator / mpmath.sqrt(
        mpmath.mpf((sxx * syy).numerator) / (sxx * syy).denominator)
    b = sxy / sxx
    a = my - b * mx
    df = n - 1 if n != 1 else None  # no sample variance at a weight sum of 1
    return dict(mx=mx, my=my, vx=df and sxx / df, vy=df and syy / df, cov=df and sxy / df, r=r,
                r2=sxy * sxy / (sxx * syy), a=a, b=b)


def g(v):
    if v is None:
        return "Null"
    m = mpmath.mpf(v.numerator) / v.denominator if isinstance(v, F) else mpmath.mpf(v)
    return mpmath.nstr(m, 17) if abs(m) > 1e300 else "%.17g" % float(m)


def main():
    print("// offsets: weighted, offset, meanX, meanY, varX, varY, cov, r, r2, a, b")
    for weighted in (False, True):
        for e in range(13):
            off = 10.0 ** e
            xs = [off + z * 2.0 ** -10 for z in ZX]
            ys = [2 * off + z * 2.0 ** -10 for z in ZY]
            ws = W if weighted else [1.0] * len(ZX)
            s = stats(xs, ys, ws)
            print("{%s, 1e%d, %s}," % ("true" if weighted else "false", e, ", ".join(
                g(s[k]) for k in ("mx", "my", "vx", "vy", "cov", "r", "r2", "a", "b"))))
    print("// overflow: x = 1e200, 2e200, 3e200; y = 1, 2, 4")
    s = stats([1e200, 2e200, 3e200], [1.0, 2.0, 4.0], [1.0] * 3)
    print({k: g(v) for k, v in s.items()})
    print("// last bit: x = 1, 1+2^-52, 1, 1+2^-52; y = 1, 2, 3, 4")
    e = 2.0 ** -52
    s = stats([1.0, 1 + e, 1.0, 1 + e], [1.0, 2.0, 3.0, 4.0], [1.0] * 4)
    print({k: g(v) for k, v in s.items()})
    print("// mixed scales: differences from the first value that are not doubles")
    s = stats([0.001, 0.3, 7.25, 1000.1, 3e-5], [5.5, -0.07, 1e-3, 12.75, 2.2], [1.0] * 5)
    print({k: g(v) for k, v in s.items()})
    print("// weights summing to 1: x = 1, 2, 4, 3; y = 2, 1, 3, 5; w = 0.25 each")
    s = stats([1.0, 2.0, 4.0, 3.0], [2.0, 1.0, 3.0, 5.0], [0.25] * 4)
    print({k: g(v) for k, v in s.items()})
    print("// regressions at 1e9, unit spread: x1 = 1e9 + zx, x2 = 1e9 + zy, y = YR")
    X1 = [F(1e9 + z) for z in ZX]
    X2 = [F(1e9 + z) for z in ZY]
    Y = [F(v) for v in YR]
    n = len(Y)
    m1, m2, my = sum(X1) / n, sum(X2) / n, sum(Y) / n
    c = lambda a, ma, b, mb: sum((p - ma) * (q - mb) for p, q in zip(a, b))
    s11, s22, s12 = c(X1, m1, X1, m1), c(X2, m2, X2, m2), c(X1, m1, X2, m2)
    s1y, s2y = c(X1, m1, Y, my), c(X2, m2, Y, my)
    b = s1y / s11
    print("simple: a", g(my - b * m1), "b", g(b))
    det = s11 * s22 - s12 * s12
    b1 = (s1y * s22 - s2y * s12) / det
    b2 = (s2y * s11 - s1y * s12) / det
    print("multi: a", g(my - b1 * m1 - b2 * m2), "b1", g(b1), "b2", g(b2))


YR = [3.1, 1.2, 2.9, 6.4, 0.3, 1.0, 4.8, 2.2, -0.9, 4.4, 1.7, 3.6]
main()
