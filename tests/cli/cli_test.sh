#!/usr/bin/env bash
# The command line end to end: exit codes and what it prints, on a fresh demo
# database and on bad input.
set -u
q="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
failures=0
check() {  # check NAME EXPECTED_RC PATTERN -- COMMAND...
    local name="$1" want="$2" pattern="$3"
    shift 4
    local out rc
    out="$("$@" 2>&1)"
    rc=$?
    if [ "$rc" != "$want" ] || ! grep -qE -- "$pattern" <<<"$out"; then
        echo "FAIL $name: rc=$rc (want $want), output:"
        echo "$out" | head -20
        failures=$((failures + 1))
    fi
}

check help 0 "Usage: quorvane" -- "$q" --help
check unknown 2 "unknown command" -- "$q" frobnicate
check demo 0 "Measurements +table +3000" -- "$q" demo "$dir"
check demo-runs 0 "7 of 7 scenarios ran" -- "$q" demo "$dir"
check demo-results 0 "Alder +Yield +50 +49\.53" -- "$q" demo "$dir"
check demo-orders 0 "Orders +table +2000" -- "$q" tables "$dir/quorvane-demo.db"
check show 0 "^Temperature +50 +74$" -- "$q" show "$dir/quorvane-demo.db" Demo_Percentiles
check show-csv 0 "^DataField,Percentile,Value$" -- "$q" show "$dir/quorvane-demo.db" Demo_Percentiles --csv
check show-query 0 "\(600 rows\)" -- "$q" show "$dir/quorvane-demo.db" qryNorthMeasurements
check show-missing 1 "not found" -- "$q" show "$dir/quorvane-demo.db" Nothing
check list 0 "Percentiles +North region" -- "$q" list "$dir/quorvane-demo.db"
# Reading a file leaves nothing beside it, though the file is in write-ahead logging.
check read-leaves-nothing 0 "^none$" -- bash -c "ls '$dir' | grep -E 'db-(wal|shm|journal)\$' || echo none"
check run 0 "Scenario 4: ok" -- "$q" run "$dir/quorvane-demo.db" 4
check run-progress 0 "Analyzing records\.\.\." -- "$q" run "$dir/quorvane-demo.db" 4 --progress
# A table of that name that the scenario did not write: kept without a
# terminal to ask on, replaced with --replace, then the scenario's own.
python3 - "$dir/quorvane-demo.db" <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
c.executescript("DROP TABLE Demo_Percentiles; CREATE TABLE Demo_Percentiles (Note TEXT);"
                "INSERT INTO Demo_Percentiles VALUES ('mine');")
c.close()
PY
check run-foreign 1 "not written by this scenario.*--replace" -- "$q" run "$dir/quorvane-demo.db" 4
check run-foreign-kept 0 "^mine$" -- "$q" show "$dir/quorvane-demo.db" Demo_Percentiles --csv
check run-replace 0 "Scenario 4: ok" -- "$q" run "$dir/quorvane-demo.db" 4 --replace
check run-own 0 "Scenario 4: ok" -- "$q" run "$dir/quorvane-demo.db" 4
check tables 0 "qryNorthMeasurements +query +600" -- "$q" tables "$dir/quorvane-demo.db"
check tables-missing 1 "Could not find file" -- "$q" tables "$dir/none.db"
echo "not a database" >"$dir/text.db"
check tables-foreign 1 "Unrecognized database format" -- "$q" tables "$dir/text.db"
check init 0 "Scenario tables ready" -- "$q" init "$dir/new.db"
check init-again 0 "Scenario tables ready" -- "$q" init "$dir/new.db"
check init-dir 1 "valid path" -- "$q" init "$dir"
check list-empty 0 "^No +Cat +Type" -- "$q" list "$dir/new.db"
check run-missing 1 "Scenario 5: Scenario not found" -- "$q" run "$dir/new.db" 5
check run-badid 1 "not a scenario number" -- "$q" run "$dir/new.db" five
check run-nodb 1 "Could not find file" -- "$q" run "$dir/nothing.db" 1
# prob and inverse print up to 17 significant digits, as many as a double
# needs to read back the same (a trailing 0 is left off); the first 15 or 16
# are checked against the mpmath reference tables of the numeric tests.
check prob 0 "^0\.049995790296440[0-9]{2,3}$" -- "$q" prob Z 1.96
check prob-far 0 "^1\.145114244504915[0-9]e-299$" -- "$q" prob Z 37
check prob-t 0 "^0\.0(4999999|5000000)[0-9]{10}$" -- "$q" prob T 2.228138852 10
check inverse 0 "^1\.959963984540054[0-9]$" -- "$q" inverse Z 0.05
check inverse-far 0 "^37\.0657878807721[0-9]{1,2}$" -- "$q" inverse z 1e-300
check inverse-f 0 "^3\.708264819046844[0-9]$" -- "$q" inverse F 0.05 3 10
check inverse-chi 0 "^999999\.333333412[0-9]{0,2}$" -- "$q" inverse C 0.5 1000000
check prob-type 1 "Probability type: Q not expected" -- "$q" prob Q 1
check inverse-range 1 "must greater than 0 and less than 1" -- "$q" inverse Z 1.5
check prob-text 1 "'abc' is not a number" -- "$q" prob Z abc
# A missing, zero or negative degrees of freedom is an error, not a printed 0.
check prob-t-nodf 1 "missing degrees of freedom: type T needs DF1" -- "$q" prob T 2
check prob-t-zero 1 "degrees of freedom must be greater than 0, DF1 is 0" -- "$q" prob t 2 0
check prob-c-neg 1 "degrees of freedom must be greater than 0, DF1 is -3" -- "$q" prob C 2 -3
check inverse-c-nodf 1 "missing degrees of freedom: type C needs DF1" -- "$q" inverse C 0.05
check inverse-f-nodf2 1 "type F needs DF1 and DF2" -- "$q" inverse F 0.05 3
check inverse-f-zero2 1 "DF2 is 0" -- "$q" inverse F 0.05 3 0
check prob-f-neg1 1 "DF1 is -1" -- "$q" prob F 2 -1 10
out="$("$q" prob T 2 0 2>/dev/null)"
if [ -n "$out" ]; then
    echo "FAIL prob-df-stdout: printed '$out' on standard output"
    failures=$((failures + 1))
fi
if [ "$failures" -ne 0 ]; then
    echo "$failures command-line checks failed"
    exit 1
fi
echo "all command-line checks passed"
