#!/usr/bin/env bash
# Scenario tables of an earlier layout (today's columns, none of today's
# checks) from the command line: init brings them up to date, or names the
# rows in the way and leaves the file as it was; a command that writes
# scenarios upgrades on the way, and only notes the rows when there are
# some; a read-only command changes nothing. Scenario numbers stop at the
# largest Long with words, never wrap.
source "$(dirname "$0")/lib.sh"
q="$(realpath "$q")"
fresh="$dir/fresh.db"
"$q" init "$fresh" >/dev/null || fail "init of a new file"

# earlier FILE [SQL]: the three tables with fresh.db's columns and defaults
# but no checks, scenarios 3 and 7 written as the earlier version wrote
# them, an input table Plants, then SQL as another program's changes.
earlier() {
    python3 - "$fresh" "$1" "${2:-}" <<'PY'
import sqlite3, sys
fresh, path, extra = sys.argv[1:4]
f, o = sqlite3.connect(fresh), sqlite3.connect(path)
for t in ("usysQuorvaneScenarios", "usysQuorvaneOptions", "usysQuorvaneFields"):
    cols, key = [], []
    for _, name, typ, _, dflt, pk in f.execute(f'PRAGMA table_info("{t}")'):
        if t == "usysQuorvaneScenarios" and name == "Scenario_ID":
            cols.append('"Scenario_ID" INTEGER PRIMARY KEY AUTOINCREMENT')
            continue
        cols.append(f'"{name}" {typ}' + (f" DEFAULT ({dflt})" if dflt is not None else ""))
        if pk:
            key.append(f'"{name}"')
    if key:
        cols.append("PRIMARY KEY (" + ", ".join(key) + ")")
    o.execute(f'CREATE TABLE "{t}" (' + ", ".join(cols) + ")")
o.executescript("""
CREATE TABLE Plants (Region TEXT(10), Yield DOUBLE, Batch INTEGER);
INSERT INTO Plants VALUES ('A', 2, 1), ('B', 3, 2);
INSERT INTO usysQuorvaneScenarios (Scenario_ID, Scenario_Description, Scenario_Analysis_Type,
    Scenario_Analysis_SubType, Scenario_Input_Table_Name, Scenario_Output_Table1_Name,
    Scenario_Version, MissingType)
VALUES (3, 'Yield', 'P', 'Describe', 'Plants', 'Out3', 'V5', '0'),
       (7, 'Fit', 'P', 'Regression', 'Plants', 'Out7', 'V5', '0');
INSERT INTO usysQuorvaneOptions (Scenario_ID, RegressType) VALUES (3, 'S'), (7, 'P');
INSERT INTO usysQuorvaneFields VALUES (3, 'Yield', 1, 'X'), (3, 'Batch', 1, 'G'),
    (7, 'Yield', 1, 'Y'), (7, 'Batch', 1, 'X');
""" + extra)
o.commit()
PY
}
# The layout of the three tables, without the identity each file gives them.
layout() {
    python3 - "$1" <<'PY'
import re, sqlite3, sys
for (sql,) in sqlite3.connect(sys.argv[1]).execute(
        "SELECT sql FROM sqlite_master WHERE name LIKE 'usysQuorvane%' ORDER BY name"):
    print(re.sub(r"/\*[^*]*\*/", "", sql or ""))
PY
}
# The scenario tables' layout and every row of them.
content() {
    layout "$1"
    python3 - "$1" <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
for t in ("usysQuorvaneScenarios", "usysQuorvaneOptions", "usysQuorvaneFields"):
    for row in c.execute(f'SELECT * FROM "{t}" ORDER BY 1, 2'):
        print(t, [(v, type(v).__name__) for v in row])
PY
}
today="$(layout "$fresh")"

# Two rows in two tables break today's rules: init names both, fails, and
# the scenario tables are left as they were, row by row.
bad="$dir/bad.db"
earlier "$bad" "UPDATE usysQuorvaneOptions SET RPoly = 25 WHERE Scenario_ID = 7;
UPDATE usysQuorvaneFields SET FieldDef_Choice = NULL WHERE Scenario_ID = 3 AND FieldDef_Name = 'Batch';"
before="$(content "$bad")"
check init-names-options-row 1 "^usysQuorvaneOptions, scenario 7: RPoly = 25 \(the polynomial order is 2 to 9\)$" -- "$q" init "$bad"
check init-names-fields-row 1 "^usysQuorvaneFields, scenario 3, field 'Batch': FieldDef_Choice is empty$" -- "$q" init "$bad"
check init-says-nothing-changed 1 "Nothing was changed" -- "$q" init "$bad"
refute init-not-ready "Scenario tables ready" -- "$q" init "$bad"
[ "$(content "$bad")" == "$before" ] || fail "init changed a file it could not upgrade"

# A command that writes goes on with a note, numbering past the largest in use.
check new-notes-rows 0 "^quorvane: note: .*earlier version" -- "$q" new "$bad" describe Plants --x Yield
[ "$(layout "$bad")" != "$today" ] || fail "new upgraded a file whose rows break the rules"
check new-numbered-past-7 0 "^9$" -- "$q" new "$bad" describe Plants --x Yield

# A clean earlier file: new upgrades it on the way; init then has nothing to do.
good="$dir/good.db"
earlier "$good"
out="$("$q" new "$good" describe Plants --x Yield 2>&1)"
[ "$out" == "8" ] || fail "new on an earlier file printed '$out', want 8 alone"
[ "$(layout "$good")" == "$today" ] || fail "new left the earlier layout"
check good-init-ready 0 "^Scenario tables ready in " -- "$q" init "$good"
check good-kept-rows 0 "^ *3 +P +Describe +Yield +Plants +Out3$" -- "$q" list "$good"

# init upgrades a clean earlier file itself.
plain="$dir/plain.db"
earlier "$plain"
check plain-init-ready 0 "^Scenario tables ready in " -- "$q" init "$plain"
[ "$(layout "$plain")" == "$today" ] || fail "init left the earlier layout"

# Every other command that writes upgrades on the way too.
printf 'A\n1\n' >"$dir/a.csv"
for command in run import sql; do
    f="$dir/by-$command.db"
    earlier "$f"
    case $command in
        run) check by-run 0 "^Scenario 3: ok$" -- "$q" run "$f" 3 ;;
        import) "$q" import "$f" A "$dir/a.csv" >/dev/null || fail "by-import" ;;
        sql) "$q" sql "$f" "CREATE TABLE [T] ([A] DOUBLE)" >/dev/null || fail "by-sql" ;;
    esac
    [ "$(layout "$f")" == "$today" ] || fail "$command left the earlier layout"
done

# Reading never upgrades.
read="$dir/read.db"
earlier "$read"
before="$(content "$read")"
check read-list 0 "Fit" -- "$q" list "$read"
check read-tables 0 "usysQuorvaneFields" -- "$q" tables "$read"
[ "$(content "$read")" == "$before" ] || fail "a read-only command changed an earlier file"

# Numbers: the largest Long is the last; one beyond it is refused by the table.
full="$dir/full.db"
"$q" init "$full" >/dev/null || fail "init full"
"$q" sql "$full" "CREATE TABLE [Plants] ([Yield] DOUBLE)" >/dev/null
check full-first 0 "^1$" -- "$q" new "$full" describe Plants --x Yield
python3 -c "import sqlite3,sys; c=sqlite3.connect(sys.argv[1]); c.execute('INSERT INTO usysQuorvaneScenarios (Scenario_ID) VALUES (2147483646)'); c.commit()" "$full"
check full-largest 0 "^2147483647$" -- "$q" new "$full" describe Plants --x Yield
check full-new-refused 1 "No scenario number is left: the largest, 2147483647, is in use" -- "$q" new "$full" describe Plants --x Yield
check full-copy-refused 1 "No scenario number is left" -- "$q" copy "$full" 1
refute full-no-wrap "-2147483648" -- "$q" list "$full"
python3 - "$full" <<'PY' || fail "a scenario number beyond the Long range was stored"
import sqlite3, sys
try:
    sqlite3.connect(sys.argv[1]).execute(
        "INSERT INTO usysQuorvaneScenarios (Scenario_ID) VALUES (2147483648)")
except sqlite3.IntegrityError:
    sys.exit(0)
sys.exit(1)
PY

finish
