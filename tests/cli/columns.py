#!/usr/bin/env python3
"""Checks that aligned command output lines up on a terminal.

Reads the output on standard input: a header line, a line of dashes marking
each column, then rows (a last line in parentheses is the row count).
Widths come from Python's own Unicode data, not from the program: East Asian
Wide and Fullwidth characters take two cells, combining marks and format
characters none. Every row must keep the two blank cells between columns,
start a left-aligned cell at its column and end a right-aligned one at its
column's end. Prints what is wrong and exits 1.
"""
import sys
import unicodedata


def cells(line):
    out = []
    for ch in line:
        cat = unicodedata.category(ch)
        if cat in ("Mn", "Me") or (cat == "Cf" and ch != "\u00ad"):
            if out:
                out[-1] += ch
            continue
        wide = unicodedata.east_asian_width(ch) in ("W", "F")
        out.append(ch)
        if wide:
            out.append("")  # the second half of a wide character
    return out


def main():
    lines = sys.stdin.read().split("\n")
    while lines and lines[-1] == "":
        lines.pop()
    if len(lines) < 2 or set(lines[1]) - {"-", " "}:
        print("no line of dashes under the header")
        return 1
    runs = []
    dashes = lines[1]
    i = 0
    while i < len(dashes):
        if dashes[i] == "-":
            j = i
            while j < len(dashes) and dashes[j] == "-":
                j += 1
            runs.append((i, j))
            i = j
        else:
            i += 1
    bad = 0
    rows = [l for l in [lines[0]] + lines[2:] if not l.startswith("(")]
    for n, line in enumerate(rows):
        c = cells(line)
        at = lambda k: c[k] if k < len(c) else " "
        for s, e in runs:
            text = [at(k) for k in range(s, e)]
            blank = all(t == " " for t in text)
            if s > 0 and (at(s - 1) != " " or at(s - 2) != " "):
                print(f"row {n}: no gap before the column at cell {s}: {line!r}")
                bad += 1
            elif not blank and text[0] == " " and text[-1] == " ":
                print(f"row {n}: cell neither starts nor ends at its column {s}-{e}: {line!r}")
                bad += 1
        if len(c) > runs[-1][1]:
            print(f"row {n}: {len(c)} cells, wider than the table ({runs[-1][1]}): {line!r}")
            bad += 1
    return 1 if bad else 0


sys.exit(main())
