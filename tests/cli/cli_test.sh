#!/usr/bin/env bash
# The command line end to end: exit codes and what it prints, on a fresh demo
# database and on bad input.
source "$(dirname "$0")/lib.sh"
q="$(realpath "$q")"

check help 0 "Usage: quorvane" -- "$q" --help
check unknown 2 "unknown command .frobnicate." -- "$q" frobnicate
check demo 0 "Measurements +table +3000" -- "$demo_run" "$q" "$dir"
check demo-runs 0 "^24 scenarios ran\." -- "$demo_run" "$q" "$dir"
check demo-results 0 "Alder +Yield +50 +49\.53" -- "$demo_run" "$q" "$dir"
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
check run-badid 2 "Could not convert: ID = five" -- "$q" run "$dir/new.db" five
check run-nodb 1 "Could not find file" -- "$q" run "$dir/nothing.db" 1
# sql: one statement of the query dialect; counts for changes, rows for a SELECT.
sq() { "$q" sql "$dir/new.db" "$@"; }
check sql-create 0 "^0 records affected$" -- sq "CREATE TABLE [Pets] ([Name] TEXT (20), [Legs] LONG)"
check sql-insert 0 "^1 record affected$" -- sq "INSERT INTO [Pets] VALUES ('Rex', 4)"
check sql-insert-2 0 "^1 record affected$" -- sq "INSERT INTO [Pets] ([Name], [Legs]) VALUES (\"Tweety, jr\", 2)"
check sql-insert-3 0 "^1 record affected$" -- sq "INSERT INTO [Pets] VALUES ('Nemo', 0);"
check sql-update 0 "^2 records affected$" -- sq "UPDATE [Pets] SET [Legs] = [Legs] + 1 WHERE [Legs] > 0"
check sql-select 0 "^Rex +5$" -- sq "SELECT [Name], [Legs] FROM [Pets] WHERE [Name] Like 'r*'"
check sql-select-count 0 "^\(2 rows\)$" -- sq "SELECT [Name] FROM [Pets] WHERE [Legs] Between 1 And 5"
check sql-csv 0 "^Name,Legs$" -- sq "SELECT * FROM [Pets] ORDER BY [Legs] DESC" --csv
check sql-csv-quoted 0 '^"Tweety, jr",3$' -- sq "SELECT * FROM [Pets]" --csv
check sql-delete 0 "^1 record affected$" -- sq "DELETE * FROM [Pets] WHERE [Legs] = 0"
check sql-drop 0 "^0 records affected$" -- sq "DROP TABLE [Pets]"
check sql-gone 1 "Pets" -- sq "SELECT * FROM [Pets]"
check sql-pragma 1 "^quorvane: Invalid SQL statement; expected 'DELETE'" -- sq "PRAGMA user_version = 9"
check sql-stacked 1 "Characters found after end of SQL statement" -- sq "SELECT 1; DROP TABLE [usysQuorvaneFields]"
check sql-syntax 1 "Syntax error in query expression" -- sq "SELECT * FROM [usysQuorvaneFields] WHERE [FieldDef_Name] ="
check sql-kept 0 "^\(1 row\)$" -- sq "SELECT Count(*) AS n FROM [usysQuorvaneFields]"
check sql-read-leaves-nothing 0 "^none$" -- bash -c "ls '$dir' | grep -E 'new\.db-(wal|shm|journal)\$' || echo none"
# A SELECT opens the file read-only: it works on a file that cannot be written.
cp "$dir/new.db" "$dir/ro.db" && chmod 444 "$dir/ro.db"
check sql-read-only 0 "^\(1 row\)$" -- "$q" sql "$dir/ro.db" "SELECT Count(*) FROM [usysQuorvaneFields]"
check sql-read-only-write 1 "read-only" -- "$q" sql "$dir/ro.db" "DELETE * FROM [usysQuorvaneFields]"
check sql-usage 0 "Usage: quorvane sql" -- bash -c "cd '$dir' && '$q' sql --help 'DELETE * FROM [t]'"
check sql-usage-option 2 "DB is required" -- bash -c "cd '$dir' && '$q' sql --csv"
check sql-missing 1 "Could not find file" -- "$q" sql "$dir/absent.db" "DELETE * FROM [t]"
check sql-no-files 0 "^none$" -- bash -c "ls -A '$dir' | grep -E '^(--|absent)' || echo none"
# prob and inverse print up to 17 significant digits, as many as a double
# needs to read back the same (a trailing 0 is left off); the first 15 or 16
# are checked against the mpmath reference tables of the numeric tests.
check prob 0 "^0\.049995790296440[0-9]{2,3}$" -- "$q" prob Z 1.96
check prob-far 0 "^1\.145114244504915[0-9]e-299$" -- "$q" prob Z 37
check prob-t 0 "^0\.0(4999999|5000000)[0-9]{10}$" -- "$q" prob T 2.228138852 10
# At one degree of freedom t is Cauchy: 1 - 2 atan(1e-10) / pi = 0.99999999993633802.
check prob-t-centre 0 "^0\.9999999999363380[0-9]{0,1}$" -- "$q" prob T 1e-10 1
check inverse 0 "^1\.959963984540054[0-9]$" -- "$q" inverse Z 0.05
check inverse-far 0 "^37\.0657878807721[0-9]{1,2}$" -- "$q" inverse z 1e-300
check inverse-f 0 "^3\.708264819046844[0-9]$" -- "$q" inverse F 0.05 3 10
check inverse-chi 0 "^999999\.333333412[0-9]{0,2}$" -- "$q" inverse C 0.5 1000000
# Infinite degrees of freedom make T the normal distribution, checked to 15
# digits: erfc(sqrt(2)) = 0.0455002638963584144 and sqrt(2) erfinv(0.95) =
# 1.9599639845400538556 (mpmath, 30 digits; Python's math.erfc and
# statistics.NormalDist agree to 15).
check prob-t-inf 0 "^0\.0455002638963584[0-9]{0,2}$" -- "$q" prob T 2 inf
check inverse-t-inf 0 "^1\.95996398454005[0-9]{1,3}$" -- "$q" inverse T 0.05 inf
check prob-z-inf 0 "^0$" -- "$q" prob Z inf
# Malformed arguments are usage errors worded as every command's.
usage() {  # usage NAME PATTERN -- COMMAND...: exit 2, the message, the pointer to --help
    local name="$1" pattern="$2" command="$5"
    check "$name" 2 "^quorvane: .*$pattern" -- "${@:4}"
    check "$name-hint" 2 "^Run 'quorvane $command --help'" -- "${@:4}"
}
usage prob-type "TYPE: expected Z, T, C or F, not 'Q'" -- "$q" prob Q 1
usage inverse-type "not 'Normal'" -- "$q" inverse Normal 0.05
usage inverse-range "P: expected a p-value greater than 0 and less than 1, not '1\.5'" -- "$q" inverse Z 1.5
usage inverse-zero "not '0'$" -- "$q" inverse T 0 10
usage prob-text "VALUE: 'abc' is not a number" -- "$q" prob Z abc
usage prob-nan "VALUE: 'nan' is not a number" -- "$q" prob Z nan
usage prob-df-nan "DF: 'NaN' is not a number" -- "$q" prob T 2 NaN
usage prob-c-inf "degrees of freedom must be finite for type C, DF1 is inf" -- "$q" prob C 2 inf
usage inverse-f-inf "must be finite for type F, DF2 is inf" -- "$q" inverse F 0.05 3 inf
# A missing, zero or negative degrees of freedom is an error, not a printed 0.
check prob-t-nodf 2 "missing degrees of freedom: type T needs DF1" -- "$q" prob T 2
check prob-t-zero 2 "degrees of freedom must be greater than 0, DF1 is 0" -- "$q" prob t 2 0
check prob-c-neg 2 "degrees of freedom must be greater than 0, DF1 is -3" -- "$q" prob C 2 -3
check inverse-c-nodf 2 "missing degrees of freedom: type C needs DF1" -- "$q" inverse C 0.05
check inverse-f-nodf2 2 "type F needs DF1 and DF2" -- "$q" inverse F 0.05 3
check inverse-f-zero2 2 "DF2 is 0" -- "$q" inverse F 0.05 3 0
check prob-f-neg1 2 "DF1 is -1" -- "$q" prob F 2 -1 10
out="$("$q" prob T 2 0 2>/dev/null)"
if [ -n "$out" ]; then
    fail "prob-df-stdout: printed '$out' on standard output"
fi
finish
