#!/usr/bin/env python3
"""Reference values for tests/numeric/distributions_test.cpp (the engine and
command-line tests quote a few of them), computed with mpmath at 60
significant digits and printed as C++ initialisers with 17 significant
digits. Every input is first rounded to a double, so the reference is the
exact answer for the very number the test passes in.

Run: python3 tests/numeric/reference/distribution_table.py > table.txt
and paste the blocks into the test file. Needs python3-mpmath.
"""
from mpmath.libmp.libhyper import NoConvergence
from mpmath import mp, mpf, erf, erfc, erfinv, betainc, gammainc, loggamma, binomial, exp, log, pi, sqrt

mp.dps = 60
DBL_MIN = mpf(2) ** -1022
DBL_MAX = (2 - mpf(2) ** -52) * mpf(2) ** 1023
HALF = mpf(1) / 2


def d(v):
    """The double a C++ literal would give, as an exact mpf."""
    return mpf(float(v))


def lit(v):
    if v == 0:
        return "0.0"
    s = mp.nstr(mpf(v), 17, strip_zeros=False, min_fixed=-4, max_fixed=17)
    if "e" not in s and "." not in s:
        s += ".0"
    return s


def representable(v):
    return v == 0 or DBL_MIN <= abs(v) <= DBL_MAX


# ---- regularised incomplete beta ---------------------------------------------
# mpmath's betainc sums a hypergeometric series that gives up when both
# parameters are large, so the tails use the continued fraction for I_x(a, b)
# (DLMF 8.17.22) on the side where it converges, evaluated at 60 digits. It is
# checked against betainc wherever betainc converges (check_beta below).
def beta_cf(a, b, x):
    tiny = mpf(10) ** -300
    c, dd = mpf(1), 1 - (a + b) * x / (a + 1)
    dd = 1 / (dd if abs(dd) > tiny else tiny)
    f = dd
    m = 1
    while True:
        num = m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m))
        for n in (num, -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1))):
            dd = 1 + n * dd
            dd = 1 / (dd if abs(dd) > tiny else tiny)
            c = 1 + n / c
            c = c if abs(c) > tiny else tiny
            f *= c * dd
            last = c * dd
        if abs(last - 1) < mpf(10) ** -58:
            return f
        m += 1


def ibeta(a, b, x):
    if x <= 0:
        return mpf(0)
    if x >= 1:
        return mpf(1)
    if x > (a + 1) / (a + b + 2):
        return 1 - ibeta(b, a, 1 - x)
    front = exp(a * log(x) + b * log(1 - x) - (loggamma(a) + loggamma(b) - loggamma(a + b)))
    return front * beta_cf(a, b, x) / a


checked = [0, 0]


def check_beta(a, b, x, v):
    """Compares with mpmath's own betainc where that converges."""
    try:
        w = betainc(a, b, 0, x, regularized=True)
    except NoConvergence:
        checked[1] += 1
        return
    assert v == w or abs(v / w - 1) < mpf(10) ** -40, (a, b, x, v, w)
    checked[0] += 1


# ---- tails, each a function of exact mpf arguments ---------------------------
def z_two_tailed(z, a, b):
    return erfc(abs(z) / sqrt(2))


def z_central(z, a, b):
    return erf(abs(z) / sqrt(2))


def t_two_tailed(t, df, b):
    return ibeta(df / 2, HALF, df / (df + t * t))


def chi_upper(x, df, b):
    return gammainc(df / 2, x / 2, mp.inf, regularized=True)


def f_upper(x, d1, d2):
    return ibeta(d2 / 2, d1 / 2, d2 / (d2 + d1 * x))


def above(tail, x, p, a, b):
    """tail(x) > p. mpmath's series give up far out in some tails, where
    the tail is far below any p used here; the root is checked at the end."""
    try:
        return tail(x, a, b) > p
    except NoConvergence:
        return False


def solve_decreasing(tail, p, a, b):
    """x > 0 with tail(x) = p, tail decreasing; bisection on log x."""
    lo = hi = mpf(1)
    while above(tail, hi, p, a, b):
        hi = hi * hi if hi > 1e4 else hi * 2
    while not above(tail, lo, p, a, b):
        lo = lo * lo if lo < 1e-4 else lo / 2
    while hi / lo - 1 > mpf(10) ** -50:
        mid = sqrt(lo * hi)
        if above(tail, mid, p, a, b):
            lo = mid
        else:
            hi = mid
    x = sqrt(lo * hi)
    assert abs(tail(x, a, b) / p - 1) < mpf(10) ** -30
    return x


def tail_rows(fn, rows):
    out = []
    for a, b, x in rows:
        a, b, x = d(a), d(b), d(x)
        v = fn(x, a, b)
        if fn is t_two_tailed:
            check_beta(a / 2, HALF, a / (a + x * x), v)
        elif fn is f_upper:
            check_beta(b / 2, a / 2, b / (b + a * x), v)
        if representable(v):
            out.append("    {%s, %s, %s, %s}," % (lit(a), lit(b), lit(x), lit(v)))
    return out


def quantile_rows(fn, rows):
    out = []
    for a, b, p in rows:
        a, b, p = d(a), d(b), d(p)
        x = solve_decreasing(fn, p, a, b)
        if representable(x):
            out.append("    {%s, %s, %s, %s}," % (lit(a), lit(b), lit(p), lit(x)))
    return out


def block(title, lines):
    print("// " + title)
    print("\n".join(lines))
    print()


DFS = [0.5, 1, 2, 3.7, 10, 1e5, 1e6]
PS = [0.9, 0.5, 0.05, 1e-4, 1e-10, 1e-30, 1e-100, 1e-200, 1e-300]

# Normal: df unused.
block("Z two-tailed P(|Z| >= z)",
      tail_rows(z_two_tailed, [(0, 0, z) for z in
                               [1e-8, 0.5, 1, 1.96, 1.959963984540054, 3, 5, 5.8, 6, 6.3, 8, 10, 15, 20,
                                25, 30, 35, 37, 37.5]]))
block("Z central area P(-z <= Z <= z)",
      tail_rows(z_central, [(0, 0, z) for z in [1e-300, 1e-8, 0.001, 0.5, 1.959963984540054, 3, 6, 9]]))
block("Z two-tailed critical value for p", quantile_rows(z_two_tailed, [(0, 0, p) for p in PS]))
cz = []
for p in [1e-300, 1e-10, 0.001, 0.5, 0.95, 0.999999, 0.9999999999]:
    x = sqrt(2) * erfinv(d(p))
    cz.append("    {0.0, 0.0, %s, %s}," % (lit(d(p)), lit(x)))
block("Z value with central area p", cz)

# Student t, two-tailed.
T_X = [1e-10, 1e-5, 0.001, 0.1, 1, 2.5, 10, 37, 1e3, 1e10, 1e30, 1e150, 1e300]
block("t two-tailed P(|T| >= t)", tail_rows(t_two_tailed, [(df, 0, t) for df in DFS for t in T_X]))
block("t two-tailed critical value for p", quantile_rows(t_two_tailed, [(df, 0, p) for df in DFS for p in PS]))

# Chi-square, upper tail: arguments around the mean and far out.
chi_rows = []
for df in DFS:
    for m in [1e-3, 0.1, 0.5, 1, 2, 5, 20, 100]:
        chi_rows.append((df, 0, df * m))
    for x in [1e-3, 1, 10, 100, 1000, 1300]:
        chi_rows.append((df, 0, x))
chi_rows += [(1e6, 0, 1e6 + 1e4), (1e6, 0, 1.05e6), (1e6, 0, 1.2e6), (1e5, 0, 1.5e5)]
block("chi-square upper tail P(X >= x)", tail_rows(chi_upper, sorted(set(chi_rows))))
block("chi-square critical value for p", quantile_rows(chi_upper, [(df, 0, p) for df in DFS for p in PS]))

# F, upper tail.
F_DF = [(1, 1), (3, 10), (100000, 10), (10, 100000), (0.5, 2.5), (2, 7), (1e6, 1e6), (1, 1e6)]
F_X = [1e-3, 0.5, 1, 2.54, 3.708, 10, 1e3, 1e30, 1e60]
block("F upper tail P(F >= x)", tail_rows(f_upper, [(a, b, x) for a, b in F_DF for x in F_X]))
block("F critical value for p", quantile_rows(f_upper, [(a, b, p) for a, b in F_DF for p in PS]))


# Kolmogorov: Q(z) = 2 sum (-1)^(k-1) exp(-2 k^2 z^2), summed far past
# convergence at 60 digits; checked against the theta form where it converges.
def ks(z):
    s = mpf(0)
    for k in range(1, 3000):
        t = exp(-2 * k * k * z * z)
        s += t if k % 2 else -t
        if t < mpf(10) ** -400:
            break
    return 2 * s


def ks_theta(z):
    s = mpf(0)
    for k in range(1, 200):
        s += exp(-(2 * k - 1) ** 2 * pi ** 2 / (8 * z * z))
    return 1 - sqrt(2 * pi) / z * s


rows = []
for z in [0.2, 0.3, 0.5, 0.8, 0.99, 1, 1.2238, 1.3581, 1.6276, 2, 3, 3.1, 5, 10, 15, 18.5]:
    zz = d(z)
    v = ks(zz)
    assert abs(v - ks_theta(zz)) < mpf(10) ** -50
    if representable(v):
        rows.append("    {%s, %s}," % (lit(zz), lit(v)))
block("Kolmogorov upper tail Q(z)", rows)

# Binomial coefficients (n, k).
rows = []
for n, k in [(10, 3), (32, 16), (52, 5), (60, 30), (170, 85), (100, 50), (1000, 500), (1020, 510),
             (100000, 3), (2147483647, 2), (1000000, 999990)]:
    v = binomial(n, k)
    if representable(v):
        rows.append("    {%d, %d, %s}," % (n, k, lit(v)))
block("binomial coefficient C(n, k)", rows)

# Poisson P(X = k) for mean lambda.
rows = []
for lam, k in [(2, 3), (30, 0), (30, 45), (0.001, 50), (1e6, 1000000), (1e6, 999000), (1e6, 1003000),
               (700, 0), (1e-10, 1), (123.25, 100)]:
    lam = d(lam)
    v = exp(k * log(lam) - lam - loggamma(k + 1))
    if representable(v):
        rows.append("    {%s, %d, %s}," % (lit(lam), k, lit(v)))
block("Poisson P(X = k), mean lambda", rows)

# On stderr, so that it stays out of the pasted tables.
import sys
print("incomplete beta checked against betainc at %d points (%d beyond its reach)" % tuple(checked),
      file=sys.stderr)
