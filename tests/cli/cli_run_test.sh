#!/usr/bin/env bash
# run: a missing output database is made, an unknown analysis type fails,
# progress for logs, waiting for another program's lock, and the error log
# named when an unexpected error was recorded.
source "$(dirname "$0")/lib.sh"
"$demo_run" "$q" "$dir" >/dev/null 2>&1
demo="$dir/quorvane-demo.db"
py() { python3 - "$demo" "$@"; }

# --output to a file that does not exist yet: made, and the table is in it
# (deciles of one field without groups: nine rows).
check output-new 0 "^Scenario 4: ok$" -- "$q" run "$demo" 4 --output "$dir/new.db"
check output-new-table 0 "^Demo_Percentiles +table +9$" -- "$q" tables "$dir/new.db"
check output-again 0 "^Scenario 4: ok$" -- "$q" run "$demo" 4 --output "$dir/new.db"
# A stored query broken later (the table it read dropped, or made broken by
# another program) fails only what reads it.
"$q" sql "$demo" "CREATE TABLE [Scrap] ([X] DOUBLE)" >/dev/null
"$q" query "$demo" qScrap "SELECT [X] FROM [Scrap]" >/dev/null
"$q" sql "$demo" "DROP TABLE [Scrap]" >/dev/null
py <<'PY'
import sqlite3, sys
sqlite3.connect(sys.argv[1]).execute("CREATE VIEW qElsewhere AS SELECT * FROM Nowhere")
PY
check broken-query-run 0 "^Scenario 4: ok$" -- "$q" run "$demo" 4
check broken-query-run-again 0 "^Scenario 4: ok$" -- "$q" run "$demo" 4 1
check broken-query-tables 0 "^Demo_Percentiles +table +9$" -- "$q" tables "$demo"
check broken-query-show 0 "^\(9 rows\)$" -- "$q" show "$demo" Demo_Percentiles
check broken-query-list 0 "Temperature deciles" -- "$q" list "$demo"
check broken-query-read 1 "cannot find the input table or query 'Scrap'" -- "$q" show "$demo" qScrap
check broken-query-over 1 "cannot find the input table or query 'Scrap'" -- "$q" query "$demo" qOver "SELECT * FROM [qScrap]"
check broken-query-new 0 "^[0-9]+$" -- "$q" new "$demo" Describe Measurements --x Yield --out Demo_After_Broken
check broken-query-add 0 "" -- "$q" sql "$demo" "ALTER TABLE [Orders] ADD COLUMN [Note] TEXT (10)"
check broken-query-drop 0 "" -- "$q" sql "$demo" "ALTER TABLE [Orders] DROP COLUMN [Note]"
check output-bad-folder 1 "isn't a valid path" -- "$q" run "$demo" 4 --output "$dir/none/new.db"
check output-bad-folder-nothing 0 "^none$" -- bash -c "ls '$dir' | grep -x none || echo none"

# A type that is none of the seventeen: nothing runs, the run fails.
py <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
c.execute("UPDATE usysQuorvaneScenarios SET Scenario_Analysis_SubType = 'Histogram' WHERE Scenario_ID = 5")
c.execute("UPDATE usysQuorvaneScenarios SET Scenario_Analysis_SubType = 'PERCENTILES' WHERE Scenario_ID = 7")
c.commit()
PY
check unknown-type 1 "^Scenario 5: usysQuorvaneScenarios\.Scenario_Analysis_SubType='Histogram': 'Histogram' is not an analysis type\.$" -- "$q" run "$demo" 5
check unknown-type-others-run 1 "^Scenario 4: ok$" -- "$q" run "$demo" 5 4
check known-type-any-case 0 "^Scenario 7: ok$" -- "$q" run "$demo" 7
# A row another program wrote that the authoring checks refuse: info gives
# the verdict, run and copy refuse the scenario and name the row.
py <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
c.execute("INSERT INTO usysQuorvaneFields VALUES (10, 'Pressure', 9, 'C')")
c.commit()
PY
check stray-role-info 0 "^Runs: no\. usysQuorvaneFields: Regression takes no Compare field \('Pressure'\)\.$" -- "$q" info "$demo" 10
check stray-role-run 1 "^Scenario 10: usysQuorvaneFields: Regression takes no Compare field \('Pressure'\)\.$" -- "$q" run "$demo" 10
check stray-role-copy 1 "Scenario 10 is not copied: it cannot run\. usysQuorvaneFields: Regression" -- "$q" copy "$demo" 10
check valid-info 0 "^Runs: yes$" -- "$q" info "$demo" 4
# An output database made for a run that wrote nothing is not left behind.
check unknown-type-output 1 "Histogram" -- "$q" run "$demo" 5 --output "$dir/empty.db"
check unknown-type-no-file 0 "^none$" -- bash -c "ls '$dir' | grep -x empty.db || echo none"
check missing-scenario-no-file 1 "Scenario not found" -- "$q" run "$demo" 99 --output "$dir/empty.db"
check missing-scenario-no-file-2 0 "^none$" -- bash -c "ls '$dir' | grep -x empty.db || echo none"

# Progress when standard error is no terminal: plain lines, never a bar.
"$q" run "$demo" 1 --progress >"$dir/out" 2>"$dir/err"
check progress-rc 0 "" -- test $? -eq 0
check progress-stdout 0 "^Scenario 1: ok$" -- cat "$dir/out"
check progress-scenario 0 "^  Scenario 1$" -- cat "$dir/err"
check progress-stage 0 "^  Retrieving and sorting data\.\.\.$" -- cat "$dir/err"
check progress-stage-2 0 "^  Analyzing records\.\.\.$" -- cat "$dir/err"
check progress-rows 0 "^    3,000 of 3,000 rows \(100%\)$" -- cat "$dir/err"
check progress-plain 0 "^plain$" -- bash -c "grep -q \$'[\\r\\033]' '$dir/err' && echo bar || echo plain"
refute progress-not-stdout "Retrieving|rows" -- cat "$dir/out"
refute no-progress "Retrieving|Analyzing" -- "$q" run "$demo" 1
# On a terminal (a pseudo-terminal from script(1)): the count redrawn in
# place, its last state kept on its line.
if command -v script >/dev/null; then
    script -qec "'$q' run '$demo' 1 --progress" /dev/null >"$dir/tty" 2>&1
    check tty-rc 0 "" -- test $? -eq 0
    check tty-bar 0 "^bar$" -- bash -c "grep -qE \$'\r    \\[#+\\]  3,000 / 3,000 rows  100%' '$dir/tty' && echo bar"
    check tty-ok 0 "Scenario 1: ok" -- cat "$dir/tty"
fi

# Another program holds the write lock for two seconds: the run says it
# waits, then goes on.
python3 - "$demo" "$dir/locked" <<'PY' &
import sqlite3, sys, time
c = sqlite3.connect(sys.argv[1], isolation_level=None)
c.execute("BEGIN EXCLUSIVE")
open(sys.argv[2], "w").close()
time.sleep(2)
c.execute("COMMIT")
PY
locker=$!
for _ in $(seq 100); do [ -e "$dir/locked" ] && break; sleep 0.05; done
check lock-wait 0 "Waiting for another program to release .*quorvane-demo\.db \(up to 15 s\)…" -- "$q" run "$demo" 4
wait "$locker"
rm -f "$dir/locked"
# The same in write-ahead logging (another program writing while the run
# works): the run opens and reads, and says it waits where it writes, as a
# line of its progress.
python3 - "$demo" "$dir/locked" <<'PY' &
import sqlite3, sys, time
c = sqlite3.connect(sys.argv[1], isolation_level=None)
c.execute("PRAGMA journal_mode=WAL")
c.execute("BEGIN EXCLUSIVE")
open(sys.argv[2], "w").close()
time.sleep(1)
c.execute("COMMIT")
PY
locker=$!
for _ in $(seq 100); do [ -e "$dir/locked" ] && break; sleep 0.05; done
check lock-wait-progress 0 "^  Waiting for another program to release .*\(up to 15 s\)…$" -- "$q" run "$demo" 4 --progress
wait "$locker"
check lock-wait-done 0 "^Scenario 4: ok$" -- "$q" run "$demo" 4

# A group field named like an output column is refused before the run,
# naming it, and writes no error log.
"$q" sql "$demo" "CREATE TABLE [Odd] ([DataField] TEXT (10), [Yield] DOUBLE)" >/dev/null
"$q" sql "$demo" "INSERT INTO [Odd] VALUES ('a', 1.5)" >/dev/null
py <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
c.execute("UPDATE usysQuorvaneScenarios SET Scenario_Input_Table_Name = 'Odd' WHERE Scenario_ID = 2")
c.execute("UPDATE usysQuorvaneFields SET FieldDef_Name = 'DataField' WHERE Scenario_ID = 2 AND FieldDef_Choice = 'G'")
c.execute("UPDATE usysQuorvaneFields SET FieldDef_Name = 'Yield' WHERE Scenario_ID = 2 AND FieldDef_Choice = 'X'")
c.commit()
PY
log="$dir/state/quorvane/error.log"
check group-named-like-a-column 1 "^Scenario 2: usysQuorvaneFields: The group field 'DataField' has the name of an output column" -- env XDG_STATE_HOME="$dir/state" "$q" run "$demo" 2
refute group-named-like-a-column-no-log "error log" -- env XDG_STATE_HOME="$dir/state" "$q" run "$demo" 2
# A failure the engine explains itself names no log.
refute error-log-not-always "error log" -- env XDG_STATE_HOME="$dir/state" "$q" run "$demo" 5
finish
