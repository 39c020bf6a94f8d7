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
check prob 0 "^0\.04999" -- "$q" prob Z 1.96
check prob-t 0 "^0\.05" -- "$q" prob T 2.228138852 10
check inverse 0 "^1\.95996" -- "$q" inverse Z 0.05
check inverse-f 0 "^3\.70" -- "$q" inverse F 0.05 3 10
check prob-type 1 "Probability type: Q not expected" -- "$q" prob Q 1
check inverse-range 1 "must greater than 0 and less than 1" -- "$q" inverse Z 1.5
check prob-text 1 "'abc' is not a number" -- "$q" prob Z abc

if [ "$failures" -ne 0 ]; then
    echo "$failures command-line checks failed"
    exit 1
fi
echo "all command-line checks passed"
