#!/usr/bin/env bash
# What show, sql, list and tables print: columns aligned by display width
# (wide characters two cells, combining marks none), long texts cut with "…",
# rows after the first thousand cut to the widths measured on them, --limit
# and --csv. Expected lines are worked out by hand; columns.py checks the
# alignment with Python's own Unicode data.
source "$(dirname "$0")/lib.sh"
here="$(cd "$(dirname "$0")" && pwd)"
db="$dir/d.db"
sq() { "$q" sql "$db" "$@" >/dev/null || echo "setup failed: $*"; }
same() {  # same NAME EXPECTED_FILE -- COMMAND...: output exactly as expected
    local name="$1" want="$2"
    shift 3
    if ! diff <("$@" 2>&1) "$want" >"$dir/diff"; then
        fail "$name:"
        cat "$dir/diff"
    fi
}
aligned() {  # aligned NAME -- COMMAND...: the output's columns line up
    local name="$1"
    shift 2
    if ! "$@" 2>&1 | python3 "$here/columns.py" >"$dir/why"; then
        fail "$name:"
        cat "$dir/why"
    fi
}

"$q" init "$db" >/dev/null
sq "CREATE TABLE [Cities] ([Name] TEXT (80), [Pop] DOUBLE)"
sq "INSERT INTO [Cities] VALUES ('Oslo', 709000)"
sq "INSERT INTO [Cities] VALUES ('東京', 13960000)"
sq "INSERT INTO [Cities] VALUES ('Cafe$(printf '\xcc\x81')', 2100000)"
sq "INSERT INTO [Cities] VALUES ('Zürich', 421000)"
# Name: six cells (Zürich); Pop: eight (13960000), right-aligned.
cat >"$dir/cities" <<'OUT'
Name         Pop
------  --------
Oslo      709000
東京    13960000
CAFE     2100000
Zürich    421000
(4 rows)
OUT
# The Café of the table is written with a combining accent.
sed -i "s/^CAFE/Cafe$(printf '\xcc\x81')/" "$dir/cities"
same show-wide "$dir/cities" -- "$q" show "$db" Cities
aligned show-wide-columns -- "$q" show "$db" Cities
same sql-wide "$dir/cities" -- "$q" sql "$db" "SELECT * FROM [Cities]"

# --limit: the first rows and a line that says there are more.
cat >"$dir/cities2" <<'OUT'
Name       Pop
----  --------
Oslo    709000
東京  13960000
(first 2 rows; more not shown)
OUT
same show-limit "$dir/cities2" -- "$q" show "$db" Cities --limit 2
same sql-limit "$dir/cities2" -- "$q" sql "$db" "SELECT * FROM [Cities]" --limit 2
check show-limit-0 0 "^\(first 0 rows; more not shown\)$" -- "$q" show "$db" Cities --limit 0
check show-limit-all 0 "^\(4 rows\)$" -- "$q" show "$db" Cities --limit 4
check show-limit-more 0 "^\(4 rows\)$" -- "$q" show "$db" Cities --limit 100
printf 'Name,Pop\nOslo,709000\n東京,13960000\n' >"$dir/cities-csv"
same show-csv-limit "$dir/cities-csv" -- "$q" show "$db" Cities --csv --limit 2
same sql-csv-limit "$dir/cities-csv" -- "$q" sql "$db" "SELECT * FROM [Cities]" --limit 2 --csv
check show-csv-all 0 "^Zürich,421000$" -- "$q" show "$db" Cities --csv

# A text longer than 60 cells is cut to 59 and "…"; CSV keeps it whole.
long="The quick brown fox jumps over the lazy dog, and then keeps running far away"
sq "CREATE TABLE [Notes] ([Id] LONG, [Note] TEXT (255))"
sq "INSERT INTO [Notes] VALUES (1, '$long')"
sq "INSERT INTO [Notes] VALUES (2, 'short')"
check show-cut 0 "^ 1  ${long:0:59}…$" -- "$q" show "$db" Notes
check show-cut-dashes 0 "^--  -{60}$" -- "$q" show "$db" Notes
check show-csv-whole 0 "^1,\"$long\"$" -- "$q" show "$db" Notes --csv

# Past the first 1000 rows the widths stay: a longer name is cut to them.
sq "CREATE TABLE [Big] ([Name] TEXT (50), [N] LONG)"
python3 - "$db" <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
rows = [("row%d" % i, i) for i in range(1, 1501)]
rows[1199] = ("a-much-longer-name", 1200)
c.executemany("INSERT INTO Big (Name, N) VALUES (?, ?)", rows)
c.commit()
PY
# row1000: seven cells, so the name keeps six and the ellipsis.
check big-cut 0 "^a-much…  1200$" -- "$q" show "$db" Big
check big-count 0 "^\(1500 rows\)$" -- "$q" show "$db" Big
aligned big-columns -- "$q" show "$db" Big

# list and tables: wide, combining and long texts keep their columns.
"$demo_run" "$q" "$dir" >/dev/null 2>&1
demo="$dir/quorvane-demo.db"
python3 - "$demo" <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
s = "UPDATE usysQuorvaneScenarios SET Scenario_Description = ? WHERE Scenario_ID = ?"
c.execute(s, ("東京の売上データ", 1))
c.execute(s, ("Cafe\u0301 orders by region", 2))
c.execute(s, ("A description much longer than the column has room for", 3))
c.commit()
PY
aligned list-columns -- "$q" list "$demo"
check list-wide 0 "^ 1  P    Describe +東京の売上データ +Measurements" -- "$q" list "$demo"
check list-cut 0 "^ 3  P    Frequency +A description much longer than the … +Measurements" -- "$q" list "$demo"
"$q" sql "$demo" "CREATE TABLE [売上の表] ([n] LONG)" >/dev/null
"$q" sql "$demo" "CREATE TABLE [$(printf 'A%.0s' {1..45})] ([n] LONG)" >/dev/null
aligned tables-columns -- "$q" tables "$demo"
check tables-wide 0 "^売上の表 +table +0$" -- "$q" tables "$demo"
check tables-cut 0 "^A{39}… +table +0$" -- "$q" tables "$demo"
finish
