#!/usr/bin/env python3
"""Worst relative error of every analysis type on data far from zero.

A measurement, not a test (it is no part of CI): it prints a markdown table of,
for each of the twenty scenario cases of tests/engine/scenario_cases.h (which
cover the seventeen analysis types), how many numeric output cells were
compared, the worst relative error among them, the column where it was and how
the reference was obtained.

Run it after building the command line (target quorvane):

    python3 tests/accuracy/far_from_zero.py [--quorvane build/cli/quorvane]
                                            [--rows 60] [--keep DIR] [--verbose]

It needs python3 with mpmath; it takes well under a minute.

The data: a table Obs with the columns of the scenario cases. The numeric
fields A, B and C are x = 1e9 + z 2^-10 with z drawn from N(0, 1) and rounded
to three decimals: values about N(0, 1e-3) about 1e9, each an exact double (the
scaling by 2^-10 is exact, the sum rounded once). The group and factor fields
(Site with Nulls, Batch, Lvl, Arm, K) and the weights W are as the cases have
them. The cases' rules for values to ignore are meant for data from 0 to 130;
here they are left out (every row counts), as is a 0 weight: the subject is
the arithmetic, not the choice of rows. Options tested against a value
(TTestValue) are set to 1e9; the sign test's custom value stays 40 (it
takes whole numbers up to 32767). The K-S fit reads A instead of K (K
holds whole numbers, which are not far from zero).

The references, per cell:
  exact     the statistic's formula in exact rational arithmetic over the
            doubles written (fractions), square roots and the normal
            distribution with mpmath at 50 digits;
  moved     the same analysis on the data moved back exactly (x - 1e9 is
            exact for these doubles by Sterbenz's lemma), for statistics that
            depend only on the order and ties of the values (ranks, rank sums,
            runs, signs, counts, K-S distances, percentiles that are data
            values): the two runs must give the same cell, a location (a data
            value) moved by exactly 1e9;
  Prob      p-values are left out of the worst error: applying the product's
            own distribution function to the exact statistic is no independent
            reference. The 95% t band uses the t quantile, found here with
            mpmath's incomplete beta function.

Cells where the product writes Null but the exact value exists (or the other
way round) are listed below the table and count as an infinite error.
"""
import argparse
import csv
import math
import os
import random
import re
import sqlite3
import subprocess
import sys
import tempfile
from fractions import Fraction as F

import mpmath

mpmath.mp.dps = 50

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
OFFSET = F(10**9)
NUMERIC = ("A", "B", "C")
COLUMNS = ["Site", "Batch", "Lvl", "Arm", "K", "A", "B", "C", "W"]


# ---- the cases ---------------------------------------------------------------

def scenario_cases():
    """The cases as (name, type, fields, options) from scenario_cases.h."""
    text = open(os.path.join(ROOT, "tests", "engine", "scenario_cases.h")).read()
    body = text[text.index("kCases[] = {"):text.index("// clang-format on")]
    cases = []
    for m in re.finditer(r'\{((?:"(?:[^"\\]|\\.)*"\s*,?\s*)+)\}', body):
        values = [""]
        for s, comma in re.findall(r'"((?:[^"\\]|\\.)*)"|(,)', m.group(1)):
            if comma:
                values.append("")
            else:
                values[-1] += s  # adjacent literals are one string
        name, type_, fields, _ignore, options = values[:5]
        fields = [tuple(f.split(":")) for f in fields.split()]
        if name == "KSFit":
            fields = [(r, "A" if n == "K" else n) for r, n in fields]
        opts = []
        for o in options.split():
            k, v = o.split("=", 1)
            opts.append((k, v))
        cases.append((name, type_, fields, opts))
    if len(cases) != 20:
        sys.exit("expected twenty scenario cases, found %d" % len(cases))
    return cases


def make_rows(n, seed=20261207):
    rnd = random.Random(seed)
    rows = []
    for i in range(n):
        xs = [1e9 + round(rnd.gauss(0, 1), 3) * 2.0 ** -10 for _ in NUMERIC]
        rows.append({"Site": None if i % 11 == 7 else ("South" if i % 2 else "North"),
                     "Batch": 1 + (i // 4) % 3, "Lvl": "hi" if (i * 5) % 7 < 3 else "lo",
                     "Arm": "abc"[(i // 2) % 3], "K": (i * 7) % 9,
                     "A": xs[0], "B": xs[1], "C": xs[2], "W": 1 + (i % 4) * 0.5})
    return rows


def write_csv(path, rows, moved):
    with open(path, "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(COLUMNS)
        for r in rows:
            out = []
            for c in COLUMNS:
                v = r[c]
                if c in NUMERIC:
                    v = v - 1e9 if moved else v  # exact (Sterbenz)
                out.append("" if v is None else repr(v) if isinstance(v, float) else str(v))
            w.writerow(out)


# ---- running -----------------------------------------------------------------

def cli(q, *args):
    r = subprocess.run([q, *args], capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit("quorvane %s failed:\n%s%s" % (" ".join(args), r.stdout, r.stderr))
    return r.stdout.strip()


def run_all(q, folder, rows, cases, moved):
    db = os.path.join(folder, "moved.db" if moved else "far.db")
    data = os.path.join(folder, "moved.csv" if moved else "far.csv")
    write_csv(data, rows, moved)
    if os.path.exists(db):
        os.remove(db)
    cli(q, "init", db)
    cli(q, "import", db, "Obs", data)
    roles = {"G": "--group", "X": "--x", "Y": "--y", "C": "--compare", "W": "--weight"}
    ids = []
    for name, type_, fields, options in cases:
        args = ["new", db, type_, "Obs", "--out", "O1_" + name]
        for role, field in fields:
            args += [roles[role], field]
        for k, v in options:
            if k == "TTestValue":
                v = "0" if moved else "1000000000"
            args += ["--set", "%s=%s" % (k, v)]
        r = subprocess.run([q, *args, "--out2", "O2_" + name], capture_output=True, text=True)
        ids.append(r.stdout.strip() if r.returncode == 0 else cli(q, *args))
    cli(q, "run", db, *ids)
    # The runs are over: the file is read only now.
    con = sqlite3.connect("file:%s?mode=ro" % db, uri=True)
    tables = {}
    for name, *_ in cases:
        for t in ("O1_", "O2_"):
            cur = con.execute("SELECT name FROM sqlite_master WHERE type='table' AND name=?",
                              (t + name,))
            if cur.fetchone() is None:
                continue
            cur = con.execute('SELECT * FROM "%s" ORDER BY rowid' % (t + name))
            cols = [d[0] for d in cur.description]
            tables[t + name] = [dict(zip(cols, r)) for r in cur.fetchall()]
    con.close()
    return tables


# ---- exact statistics ----------------------------------------------------------

def mp(q):
    return mpmath.mpf(q.numerator) / q.denominator if isinstance(q, F) else mpmath.mpf(q)


def root(q):
    return mpmath.sqrt(mp(q))


def t_quantile(df, two_tailed=F(1, 20)):
    """t with P(|T| > t) = two_tailed, from the regularized incomplete beta."""
    df = mp(df)
    a, b = mpmath.mpf(0), mpmath.mpf(1)  # x = df / (df + t^2) in (0, 1)
    for _ in range(200):
        x = (a + b) / 2
        if mpmath.betainc(df / 2, mpmath.mpf(1) / 2, 0, x, regularized=True) < mp(two_tailed):
            a = x
        else:
            b = x
    x = (a + b) / 2
    return mpmath.sqrt(df * (1 - x) / x)


def summary(xs, ws, test_value=None):
    """Describe's block of a weighted sample; None where undefined."""
    xs = [F(x) for x in xs]
    ws = [F(w) for w in ws]
    n = sum(ws)
    out = {"Count": n, "Observations": len(xs)}
    if n <= 0:
        return out
    s1 = sum(w * x for x, w in zip(xs, ws))
    mean = s1 / n
    c = [sum(w * (x - mean) ** k for x, w in zip(xs, ws)) for k in (2, 3, 4)]
    out.update({"Mean": mean, "Minimum": min(xs), "Maximum": max(xs), "Range": max(xs) - min(xs),
                "Sum": s1, "SumSquared": sum(w * x * x for x, w in zip(xs, ws)),
                "AdjSumSquared": c[0]})
    if n > 1:
        var = c[0] / (n - 1)
        sd = root(var)
        out.update({"Variance": var, "StdDeviation": sd, "StdError": sd / root(n),
                    "CoeffOfVariance": sd / mp(mean)})
        band = t_quantile(n - 1) * mpmath.sqrt(mp(var / n))
        out.update({"95%_t_Band": band, "95%_Lower": mp(mean) - band,
                    "95%_Upper": mp(mean) + band})
        if test_value is not None:
            out["t-Value"] = mp(mean - test_value) / mpmath.sqrt(mp(var / n))
        if n > 2 and c[0] > 0:
            out["Skewness"] = mp(n * c[1] / ((n - 1) * (n - 2))) / sd ** 3
            se = mpmath.sqrt(mp(6 * n * (n - 1) / ((n - 2) * (n + 1) * (n + 3))))
            out["SE_Skewness"] = se
            if n > 3:
                out["Kurtosis"] = (mp(n * (n + 1) * c[2] / ((n - 1) * (n - 2) * (n - 3))) / sd ** 4
                                   - mp(3 * (n - 1) ** 2 / ((n - 2) * (n - 3))))
                out["SE_Kurtosis"] = mpmath.sqrt(mp(4 * (n * n - 1) / ((n - 3) * (n + 5)))) * se
    return out


def pair(xs, ys, ws):
    """Compare's and the matrix's statistics of a weighted pair of fields."""
    xs, ys, ws = [F(v) for v in xs], [F(v) for v in ys], [F(v) for v in ws]
    n = sum(ws)
    mx = sum(w * x for x, w in zip(xs, ws)) / n
    my = sum(w * y for y, w in zip(ys, ws)) / n
    ds = [x - y for x, y in zip(xs, ys)]
    md = mx - my
    sxx = sum(w * (x - mx) ** 2 for x, w in zip(xs, ws))
    syy = sum(w * (y - my) ** 2 for y, w in zip(ys, ws))
    sxy = sum(w * (x - mx) * (y - my) for x, y, w in zip(xs, ys, ws))
    sdd = sum(w * (d - md) ** 2 for d, w in zip(ds, ws))
    out = {"Count": n, "MeanX": mx, "MeanY": my, "MeanDiff": md, "T-DF": n - 1,
           "Covariance": sxy / (n - 1), "StdDevDiff": None, "Paired_t-Value": None,
           "Correlation": None, "R-Square": None}
    if sdd > 0:
        out["StdDevDiff"] = root(sdd / (n - 1))
        out["Paired_t-Value"] = mp(md) / root(sdd / (n - 1) / n)
    if sxx > 0 and syy > 0:
        out["Correlation"] = mp(sxy) / root(sxx * syy)
        out["R-Square"] = sxy * sxy / (sxx * syy)
    return out


def solve(a, b):
    """Gauss-Jordan over fractions; None when singular."""
    k = len(b)
    m = [row[:] + [b[i]] for i, row in enumerate(a)]
    for c in range(k):
        p = next((r for r in range(c, k) if m[r][c] != 0), None)
        if p is None:
            return None
        m[c], m[p] = m[p], m[c]
        m[c] = [v / m[c][c] for v in m[c]]
        for r in range(k):
            if r != c and m[r][c] != 0:
                m[r] = [u - m[r][c] * v for u, v in zip(m[r], m[c])]
    return [m[i][k] for i in range(k)]


def inverse(a):
    k = len(a)
    cols = [solve(a, [F(int(i == j)) for i in range(k)]) for j in range(k)]
    return None if any(c is None for c in cols) else [[cols[j][i] for j in range(k)]
                                                      for i in range(k)]


def least_squares(columns, y, w, intercept=True):
    """Weighted least squares: coefficients (intercept first when there is
    one), their covariance factor and the sums of squares."""
    n = sum(w)
    cols = [[F(v) for v in c] for c in columns]
    y = [F(v) for v in y]
    if intercept:
        means = [sum(wi * v for v, wi in zip(c, w)) / n for c in cols]
        my = sum(wi * v for v, wi in zip(y, w)) / n
    else:
        means, my = [F(0)] * len(cols), F(0)
    dev = [[v - mc for v in c] for c, mc in zip(cols, means)]
    dy = [v - my for v in y]
    a = [[sum(wi * p * q for p, q, wi in zip(u, v, w)) for v in dev] for u in dev]
    rhs = [sum(wi * p * q for p, q, wi in zip(u, dy, w)) for u in dev]
    b = solve(a, rhs)
    if b is None:
        return None
    inv = inverse(a)
    sst = sum(wi * v * v for v, wi in zip(dy, w))
    fitted = [sum(bi * c[i] for bi, c in zip(b, cols)) for i in range(len(y))]
    a0 = my - sum(bi * mi for bi, mi in zip(b, means))
    res = [yi - a0 - f for yi, f in zip(y, fitted)]
    sse = sum(wi * r * r for r, wi in zip(res, w))
    return {"n": n, "b": b, "a": a0, "inv": inv, "means": means, "sst": sst, "sse": sse,
            "sxx": [a[i][i] for i in range(len(b))], "res": res}


def regression_row(fit, names, intercept=True):
    """The regression output row from an exact fit; names of the slopes'
    columns as the output spells them (the part after Coef_of_)."""
    n, k = fit["n"], len(fit["b"])
    sst, sse = fit["sst"], fit["sse"]
    ssr = sst - sse
    dfr, dfe = F(k), n - k - (1 if intercept else 0)
    dft = n - 1 if intercept else n
    mse = sse / dfe
    out = {"Regression_DF": dfr, "Residual_DF": dfe, "Total_DF": dft, "Regression_SS": ssr,
           "Residual_SS": sse, "Total_SS": sst, "Regression_MS": ssr / dfr,
           "Residual_MS": mse, "F-Value": (ssr / dfr) / mse, "R-Square": ssr / sst,
           "Multiple_R": root(ssr / sst), "Adj_R-Square": 1 - (sse / dfe) / (sst / dft),
           "StdError_of_Estimate": root(mse)}
    for i, name in enumerate(names):
        b = fit["b"][i]
        se = root(mse * fit["inv"][i][i])
        out["Coef_of_" + name] = b
        out["SE_of_" + name] = se
        out["t-Value_of_" + name] = mp(b) / se
        out["Beta_of_" + name] = mp(b) * root(fit["sxx"][i] / sst)
    if intercept:
        m = fit["means"]
        q = sum(m[i] * fit["inv"][i][j] * m[j] for i in range(k) for j in range(k))
        se = root(mse * (1 / n + q))
        out["Y-Intercept"] = fit["a"]
        out["SE_of_Y-Intercept"] = se
        out["t-Value_of_Y-Intercept"] = mp(fit["a"]) / se
    return out


# ---- the references of each case ---------------------------------------------
#
# Each builder gives, for the cells it knows, table -> row -> column -> exact
# value (None: no value, Null expected), or SKIP for a cell left unchecked.
# Cells a builder leaves out are checked against the run on the moved data.

SKIP = object()
# Remarks of the builders, printed below the table.
notes = []


def where(rows, **match):
    return [r for r in rows if all(r[k] == v for k, v in match.items())]


def values(rows, field):
    return [r[field] for r in rows]


def ones(rows):
    return [1.0] * len(rows)


def counts_against(xs, value):
    xs = [F(x) for x in xs]
    return {"Count<Test": sum(1 for x in xs if x < value),
            "Count=Test": sum(1 for x in xs if x == value),
            "Count>Test": sum(1 for x in xs if x > value)}


def describe(rows, out):
    refs = {}
    for i, o in enumerate(out["O1_Describe"]):
        sub = where(rows, Site=o["Site"])
        xs, ws = values(sub, o["DataField"]), values(sub, "W")
        ref = summary(xs, ws, OFFSET)
        ref["Population_Mean"] = OFFSET
        ref["Missing"] = 0
        # Intervals of width 1 from the smallest value of both fields over
        # all rows (the names show their borders rounded).
        start = min(F(r[f]) for r in rows for f in ("A", "B"))
        bins = [c for c in o if re.fullmatch(r"-?[\d.e+-]+<=N<-?[\d.e+-]+", c)]
        for k, col in enumerate(bins):
            ref[col] = sum(F(w) for x, w in zip(xs, ws) if start + k <= F(x) < start + k + 1)
        refs[i] = ref
    return {"O1_Describe": refs}


def compare(rows, out):
    refs = {}
    for i, o in enumerate(out["O1_Compare"]):
        sub = where(rows, Batch=o["Batch"])
        xs, ys = values(sub, o["DataField"]), values(sub, "C")
        ref = pair(xs, ys, ones(sub))
        ref.update({"Count_of_C": ref["Count"], "Missing": 0,
                    "Count<Y": sum(1 for x, y in zip(xs, ys) if x < y),
                    "Count=Y": sum(1 for x, y in zip(xs, ys) if x == y),
                    "Count>Y": sum(1 for x, y in zip(xs, ys) if x > y)})
        refs[i] = ref
    return {"O1_Compare": refs}


MATRIX_ROWS = {"Count": "Count", "MeanDiff": "MeanDiff", "StdDevDiff": "StdDevDiff",
               "Covariance": "Covariance", "Correlation": "Correlation", "R-Square": "R-Square",
               "t-Value": "Paired_t-Value"}


def matrix(rows, out):
    refs = {}
    ws = values(rows, "W")
    for i, o in enumerate(out["O1_Matrix"]):
        kind = o["CalcType"]
        ref = {}
        for other in NUMERIC:
            if kind == "Missing":
                ref[other] = 0
            elif kind in MATRIX_ROWS:
                ref[other] = pair(values(rows, o["DataField"]), values(rows, other),
                                  ws)[MATRIX_ROWS[kind]]
        refs[i] = ref
    return {"O1_Matrix": refs}


def regression_simple(rows, out):
    refs = {}
    for i, o in enumerate(out["O1_RegressionSimple"]):
        sub = where(rows, Site=o["Site"])
        fit = least_squares([values(sub, "A")], values(sub, "C"), [F(1)] * len(sub))
        ref = regression_row(fit, ["X"])
        ref.update({"Count_of_C": len(sub), "Missing": 0})
        refs[i] = ref
    return {"O1_RegressionSimple": refs}


def regression_multiple(rows, out):
    ws = [F(w) for w in values(rows, "W")]
    fit = least_squares([values(rows, "A"), values(rows, "B")], values(rows, "C"), ws)
    ref = regression_row(fit, ["X1: A", "X2: B"])
    ref.update({"Count_of_C": sum(ws), "Observations": len(rows), "Missing": 0})
    residuals = {}
    by_values = {(F(r["A"]), F(r["B"]), F(r["C"])): (r, e) for r, e in zip(rows, fit["res"])}
    for i, o in enumerate(out.get("O2_RegressionMultiple", [])):
        r, e = by_values[(F(o["X1:A"]), F(o["X2:B"]), F(o["Y:C"]))]
        # The weight as a whole number, ties to even.
        residuals[i] = {"Observations": round(r["W"]), "X1:A": r["A"], "X2:B": r["B"], "Y:C": r["C"],
                        "Estimated_Y": F(r["C"]) - e, "Residual": e}
    return {"O1_RegressionMultiple": {0: ref}, "O2_RegressionMultiple": residuals}


def regression_polynomial(rows, out):
    refs = {}
    for i, o in enumerate(out["O1_RegressionPolynomial"]):
        sub = where(rows, Batch=o["Batch"])
        x = [F(v) for v in values(sub, "B")]
        fit = least_squares([x, [v ** 2 for v in x], [v ** 3 for v in x]], values(sub, "A"),
                            [F(1)] * len(sub), intercept=False)
        ref = {c: SKIP for c in o}  # a fit through 0 is no fit of the moved data
        ref.update({"Count_of_A": len(sub), "Missing": 0})
        if fit is not None:
            # How far one unit in the last place of one value moves the
            # coefficients: the inputs' own ceiling.
            y = list(values(sub, "A"))
            y[0] = math.nextafter(y[0], 2e9)
            moved = least_squares([x, [v ** 2 for v in x], [v ** 3 for v in x]], y,
                                  [F(1)] * len(sub), intercept=False)
            ceiling = max(abs((p - q) / q) for p, q in zip(moved["b"], fit["b"]))
            if ceiling > 1e-10:
                notes.append("RegressionPolynomial row %d: one unit in the last place of one "
                             "Y moves the exact coefficients by %.1e (relative), so they are "
                             "not compared; the product writes %s" % (
                                 i + 1, float(ceiling),
                                 "Null" if o["Coef_of_X^1"] is None else "values"))
            else:
                ref.update({"Coef_of_X^%d" % (k + 1): fit["b"][k] for k in range(3)})
        refs[i] = ref
    return {"O1_RegressionPolynomial": refs}


def two_sample_t(rows, out):
    refs, groups = {}, {}
    levels = sorted({r["Lvl"] for r in rows})
    for i, o in enumerate(out["O1_TwoSampleTTest"]):
        s = [summary(values(where(rows, Batch=o["Batch"], Lvl=lv), o["DataField"]),
                     ones(where(rows, Batch=o["Batch"], Lvl=lv))) for lv in levels]
        n1, n2 = s[0]["Count"], s[1]["Count"]
        v1, v2 = s[0]["Variance"], s[1]["Variance"]
        pooled = ((n1 - 1) * v1 + (n2 - 1) * v2) / (n1 + n2 - 2)
        e1, e2 = v1 / n1, v2 / n2
        ref = {"Mean_Diff": s[0]["Mean"] - s[1]["Mean"], "DF_Pooled": n1 + n2 - 2,
               "t-Value_Pooled": mp(s[0]["Mean"] - s[1]["Mean"]) / root(pooled * (1 / n1 + 1 / n2)),
               "DF_Separate": (e1 + e2) ** 2 / (e1 ** 2 / (n1 - 1) + e2 ** 2 / (n2 - 1)),
               "t-Value_Separate": mp(s[0]["Mean"] - s[1]["Mean"]) / root(e1 + e2)}
        for k in (1, 2):
            for c in ("Count", "Mean", "StdDeviation", "StdError"):
                ref["%s-%d" % (c, k)] = s[k - 1][c]
        refs[i] = ref
    for i, o in enumerate(out.get("O2_TwoSampleTTest", [])):
        sub = where(rows, Batch=o["Batch"], Lvl=o["Lvl"])
        groups[i] = summary(values(sub, o["DataField"]), ones(sub))
    return {"O1_TwoSampleTTest": refs, "O2_TwoSampleTTest": groups}


def group_summaries(rows, table, out, field_of, weighted=False):
    refs = {}
    for i, o in enumerate(out.get(table, [])):
        sub = field_of(o)
        refs[i] = summary(values(sub, o["DataField"]), values(sub, "W") if weighted else ones(sub))
    return refs


def sse_of(rows, field, factors, interaction=False):
    """Residual sum of squares of the model with these factors (dummies)."""
    y = [F(v) for v in values(rows, field)]
    if interaction:  # cell means
        cells = {}
        for r, v in zip(rows, y):
            cells.setdefault(tuple(r[f] for f in factors), []).append(v)
        return sum(sum((v - sum(c) / len(c)) ** 2 for v in c) for c in cells.values())
    columns = []
    for f in factors:
        levels = sorted({r[f] for r in rows})
        columns += [[F(int(r[f] == lv)) for r in rows] for lv in levels[1:]]
    if not columns:
        my = sum(y) / len(y)
        return sum((v - my) ** 2 for v in y)
    return least_squares(columns, y, [F(1)] * len(y))["sse"]


def anova_rows(table, rows_out, sources):
    refs = {}
    for i, o in enumerate(rows_out):
        ss, df = sources[o["Source_of_Variation"]]
        ref = {"Sum_of_Squares": ss, "DF": df, "Mean_Square": ss / df}
        res_ss, res_df = sources["Residual"]
        if o["Source_of_Variation"] not in ("Residual", "Total"):
            ref["F-Value"] = (ss / df) / (res_ss / res_df)
        refs[i] = ref
    return {table: refs}


def anova(rows, out):
    ws = [F(w) for w in values(rows, "W")]
    xs = [F(x) for x in values(rows, "A")]
    n = sum(ws)
    m = sum(w * x for x, w in zip(xs, ws)) / n
    total = sum(w * (x - m) ** 2 for x, w in zip(xs, ws))
    within = F(0)
    levels = sorted({r["Arm"] for r in rows})
    for lv in levels:
        part = [(x, w) for x, w, r in zip(xs, ws, rows) if r["Arm"] == lv]
        mg = sum(w * x for x, w in part) / sum(w for _, w in part)
        within += sum(w * (x - mg) ** 2 for x, w in part)
    g = len(levels)
    sources = {"Main Effects": (total - within, g - 1), "Main: [Arm]": (total - within, g - 1),
               "Residual": (within, n - g), "Total": (total, n - 1)}
    refs = anova_rows("O1_Anova", out["O1_Anova"], sources)
    refs["O2_Anova"] = group_summaries(rows, "O2_Anova", out, lambda o: where(rows, Arm=o["Arm"]),
                                       weighted=True)
    return refs


def two_way(rows, out):
    n = len(rows)
    total = sse_of(rows, "B", [])
    full = sse_of(rows, "B", ["Lvl", "Arm"], interaction=True)
    additive = sse_of(rows, "B", ["Lvl", "Arm"])
    only_lvl, only_arm = sse_of(rows, "B", ["Lvl"]), sse_of(rows, "B", ["Arm"])
    a = len({r["Lvl"] for r in rows}) - 1
    b = len({r["Arm"] for r in rows}) - 1
    sources = {"Main Effects": (total - additive, a + b),
               "Main: [Lvl]": (only_arm - additive, a), "Main: [Arm]": (only_lvl - additive, b),
               "[Lvl] & [Arm]": (additive - full, a * b),
               "Explained": (total - full, a + b + a * b),
               "Residual": (full, n - (a + 1) * (b + 1)), "Total": (total, n - 1)}
    refs = anova_rows("O1_TwoWayAnova", out["O1_TwoWayAnova"], sources)
    refs["O2_TwoWayAnova"] = group_summaries(
        rows, "O2_TwoWayAnova", out,
        lambda o: [r for r in rows if str(r[o["Compare_Field"]]) == str(o["Compare_Value"])])
    return refs


def chi_square(rows, out):
    refs, details = {}, {}
    for i, o in enumerate(out["O1_ChiSquare"]):
        sub = where(rows, Site=o["Site"])
        observed = {}
        for r in sub:
            observed[r[o["DataField"]]] = observed.get(r[o["DataField"]], 0) + F(r["W"])
        n, g = sum(observed.values()), len(observed)
        e = n / g
        refs[i] = {"Count": n, "Groups": g, "Expected": e, "DF": g - 1,
                   "Chi-Square": sum((v - e) ** 2 / e for v in observed.values())}
    running = {}
    for i, o in enumerate(out.get("O2_ChiSquare", [])):
        sub = where(rows, Site=o["Site"])
        field = o["Compare_Field"]
        groups = {str(r[field]) for r in sub}
        n = sum(F(r["W"]) for r in sub)
        obs = sum(F(r["W"]) for r in sub if str(r[field]) == str(o["Compare_Value"]))
        e = n / len(groups)
        key = (o["Site"], field)
        running[key] = running.get(key, 0) + obs
        details[i] = {"Observed": obs, "Expected": e, "Difference": obs - e,
                      "Chi-Square": (obs - e) ** 2 / e, "Observed_Pcnt": obs / n,
                      "Expected_Pcnt": e / n, "Pcnt_Diff": (obs - e) / n,
                      "Cumulative": running[key], "Cumulative_Pcnt": running[key] / n}
    return {"O1_ChiSquare": refs, "O2_ChiSquare": details}


def sign_test(rows, out):
    refs = {}
    for i, o in enumerate(out["O1_SignTest"]):
        xs = values(rows, o["DataField"])
        ref = {"Count": len(xs), "Missing": 0}
        if o["TestType"] in ("Mean", "Custom"):
            # The custom value is a small whole number: every value is above it.
            value = summary(xs, ones(xs))["Mean"] if o["TestType"] == "Mean" else F(o["TestValue"])
            ref["TestValue"] = value
            ref.update(counts_against(xs, value))
        refs[i] = ref
    return {"O1_SignTest": refs}


def ks_fit(rows, out):
    refs = {}
    for i, o in enumerate(out["O1_KSFit"]):
        sub = where(rows, Lvl=o["Lvl"])
        xs = sorted(F(x) for x in values(sub, o["DataField"]))
        s = summary(xs, ones(xs))
        n = len(xs)
        ref = {c: s[c] for c in ("Mean", "StdDeviation", "Minimum", "Maximum", "Range")}
        ref.update({"Count": n, "Missing": 0})
        kind = o["TestType"]
        if kind == "Poisson":
            ref.update({c: SKIP for c in ("Max_Absolute", "Max_Positive", "Max_Negative",
                                          "K-S_Z")})
        else:
            diffs = []
            for x in sorted(set(xs)):
                below = F(sum(1 for v in xs if v <= x), n)
                if kind == "Uniform":
                    fitted = mp((x - xs[0]) / (xs[-1] - xs[0]))
                else:
                    fitted = mpmath.ncdf(mp(x - s["Mean"]) / s["StdDeviation"])
                diffs.append(mp(below) - fitted)
            ref["Max_Positive"], ref["Max_Negative"] = max(diffs), min(diffs)
            ref["Max_Absolute"] = max(max(diffs), -min(diffs))
            ref["K-S_Z"] = ref["Max_Absolute"] * mpmath.sqrt(n)
        refs[i] = ref
    return {"O1_KSFit": refs}


def paired(rows, out):
    refs = {}
    for i, o in enumerate(out["O1_PairedFields"]):
        sub = where(rows, Batch=o["Batch"])
        p = pair(values(sub, o["DataField"]), values(sub, "B"), ones(sub))
        refs[i] = {"Mean": p["MeanX"], "MeanY": p["MeanY"], "MeanDiff": p["MeanDiff"],
                   "Pearson's_R": p["Correlation"]}
    return {"O1_PairedFields": refs}


# What each case's exact builder is; cases without one are checked against the
# moved data only.
BUILDERS = {"Describe": describe, "Compare": compare, "Matrix": matrix,
            "RegressionSimple": regression_simple, "RegressionMultiple": regression_multiple,
            "RegressionPolynomial": regression_polynomial, "TwoSampleTTest": two_sample_t,
            "Anova": anova, "TwoWayAnova": two_way, "ChiSquare": chi_square,
            "SignTest": sign_test, "KSFit": ks_fit, "PairedFields": paired}


# ---- comparing -----------------------------------------------------------------

def relative(got, want):
    want = mp(want)
    if want == 0:
        return mpmath.mpf(0) if got == 0 else abs(mpmath.mpf(got))
    return abs(mpmath.mpf(got) - want) / abs(want)


def is_prob(column):
    return "Prob" in column


def compare_case(name, far, moved, refs):
    """(cells, worst, worst column, methods used, Null disagreements)."""
    cells, worst, where_, methods, nulls = 0, mpmath.mpf(0), "", set(), []
    for table in sorted(t for t in far if t[3:] == name):
        frows, mrows = far[table], moved.get(table, [])
        if len(frows) != len(mrows):
            nulls.append("%s: %d rows, %d on the moved data" % (table, len(frows), len(mrows)))
        for i, row in enumerate(frows):
            for col, got in row.items():
                if is_prob(col) or isinstance(got, str):
                    continue
                known = refs.get(table, {}).get(i, {})
                if col in known:
                    want = known[col]
                    if want is SKIP:
                        continue
                    method = "exact"
                elif i < len(mrows) and col in mrows[i]:
                    near = mrows[i][col]
                    if isinstance(near, str) or (near is None and got is None):
                        continue
                    if got is None or near is None:
                        want = None if near is None else near
                    elif abs(got - 1e9) < 1 and abs(near) < 1:
                        want = F(near) + OFFSET  # a data value moved back
                    else:
                        want = F(near)
                    method = "moved"
                else:
                    continue
                if (want is None) != (got is None):
                    nulls.append("%s row %d [%s]: %s, want %s" % (
                        table, i + 1, col, "Null" if got is None else repr(got),
                        "Null" if want is None else mpmath.nstr(mp(want), 17)))
                    continue
                if want is None:
                    continue
                cells += 1
                methods.add(method)
                e = relative(got, want)
                if e > worst or not where_:
                    worst, where_ = e, "%s [%s] row %d (%s)" % (table[:2], col, i + 1, method)
    return cells, worst, where_, methods, nulls


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--quorvane", default=os.path.join(ROOT, "build", "cli", "quorvane"))
    ap.add_argument("--rows", type=int, default=60)
    ap.add_argument("--keep", help="a folder to keep the databases in")
    ap.add_argument("--verbose", action="store_true")
    a = ap.parse_args()
    cases = scenario_cases()
    rows = make_rows(a.rows)
    folder = a.keep or tempfile.mkdtemp(prefix="qrv-far-")
    os.makedirs(folder, exist_ok=True)
    os.environ.setdefault("XDG_STATE_HOME", os.path.join(folder, "state"))
    far = run_all(a.quorvane, folder, rows, cases, moved=False)
    moved = run_all(a.quorvane, folder, rows, cases, moved=True)
    print("| Case | Type | Cells | Worst relative error | Where | Reference |")
    print("|---|---|---:|---:|---|---|")
    problems = []
    for name, type_, _fields, _options in cases:
        refs = BUILDERS[name](rows, far) if name in BUILDERS else {}
        cells, worst, where_, methods, nulls = compare_case(name, far, moved, refs)
        print("| %s | %s | %d | %s | %s | %s |" % (
            name, type_, cells, mpmath.nstr(worst, 2) if nulls == [] else
            "%s (+%d Null)" % (mpmath.nstr(worst, 2), len(nulls)), where_,
            ", ".join(sorted(methods))))
        problems += ["%s: %s" % (name, n) for n in nulls]
    if problems:
        print("\nNull where a value is expected, or a value where Null is:")
        for p in problems[:60 if a.verbose else 20]:
            print("-", p)
        if len(problems) > 20 and not a.verbose:
            print("- ... %d more (--verbose)" % (len(problems) - 20))
    for n in notes:
        print("\nNote:", n)
    if not a.keep:
        import shutil
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
