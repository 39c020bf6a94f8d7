#!/usr/bin/env bash
# The error report of a run that the database stops: a full medium and a
# read-only output file each append one report naming the files, the
# scenario, its input and outputs and what the run was doing, never the
# password; the run says where the report is. The media are memory file
# systems in a mount namespace of this test's own.
source "$(dirname "$0")/own_mounts.sh"
log="$dir/state/quorvane/error.log"
pw='tulip 42'

reports() {  # reports: how many reports the error log holds
    if [ -e "$log" ]; then grep -c "^Quorvane ERROR INFORMATION$" "$log"; else echo 0; fi
}
field() {  # field LABEL: the value of the last report's line with that label
    grep -E "^$1 *: " "$log" | tail -1 | sed -E "s|^$1 *: ||"
}
expect_field() {  # expect_field NAME LABEL VALUE
    local got
    got="$(field "$2")"
    [ "$got" = "$3" ] || fail "$1: $2 is '$got', not '$3'"
}

# A full medium: the data fits, a run's residuals do not.
full_medium >/dev/null || fail "full: import"
"$q" new "$full/f.db" Regression Data --x X --y Y --out Fit --out2 Residuals \
    --set Residual=Yes >/dev/null || fail "full: new"
"$q" password "$full/f.db" --new "$pw" >/dev/null || fail "full: password"
check full-run 1 "Not enough space on disk" -- "$q" run "$full/f.db" 1 --password "$pw"
check full-says-where 1 "^  The details are in the error log $log$" -- \
    "$q" run "$full/f.db" 1 --password "$pw"
[ "$(reports)" = 2 ] || fail "full: $(reports) reports for two runs, not 2"
expect_field full "Error Number" 3035
expect_field full "Scenario Database" "$full/f.db"
expect_field full "Source Database" "$full/f.db"
expect_field full "Output Database" "$full/f.db"
expect_field full "Analysis Category" P
expect_field full "Analysis Type" Regression
expect_field full "Input Table/Query" Data
expect_field full "Output Table 1" Fit
expect_field full "Output Table 2" Residuals
grep -qE "^Current Operation: .+" "$log" || fail "full: no current operation"
grep -qi "tulip" "$log" && fail "full: the password is in the report"
mount -o remount,size=64m "$full" || { echo "FAIL cannot resize"; exit 1; }
check full-then-run 0 "ok" -- "$q" run "$full/f.db" 1 --password "$pw"

# A read-only output file: a run that must write into it reports.
media="$dir/media"
mkdir "$media"
mount -t tmpfs -o size=16m none "$media" || { echo "FAIL cannot mount"; exit 1; }
printf 'Grp,X\n' >"$dir/data.csv"
for i in $(seq 1 40); do printf 'G%d,%d\n' $((i % 2)) "$i" >>"$dir/data.csv"; done
"$q" init "$dir/s.db" >/dev/null
"$q" import "$dir/s.db" Data "$dir/data.csv" >/dev/null
"$q" new "$dir/s.db" Describe Data --group Grp --x X --out OutDescribe >/dev/null
"$q" password "$dir/s.db" --new "$pw" >/dev/null || fail "ro: password"
"$q" init "$media/out.db" >/dev/null
mount -o remount,ro "$media" || { echo "FAIL cannot remount read-only"; exit 1; }
rm -f "$log"
check ro-run 1 "read-only" -- "$q" run "$dir/s.db" 1 --output "$media/out.db" --password "$pw"
check ro-says-where 1 "^  The details are in the error log $log$" -- \
    "$q" run "$dir/s.db" 1 --output "$media/out.db" --password "$pw"
[ "$(reports)" = 2 ] || fail "ro: $(reports) reports for two runs, not 2"
expect_field ro "Error Number" 3027
expect_field ro "Scenario Database" "$dir/s.db"
expect_field ro "Output Database" "$media/out.db"
expect_field ro "Analysis Type" Describe
expect_field ro "Input Table/Query" Data
expect_field ro "Output Table 1" OutDescribe
grep -q "^Current Operation: Creating the output table \[OutDescribe\]" "$log" ||
    fail "ro: the operation is not the creation of the output"
grep -qi "tulip" "$log" && fail "ro: the password is in the report"

# A failure the scenario explains itself writes nothing.
rm -f "$log"
"$q" sql "$dir/s.db" "SELECT * INTO [Gone] FROM [Data]" --password "$pw" >/dev/null
"$q" new "$dir/s.db" Describe Gone --x X --out OutGone --password "$pw" >/dev/null ||
    fail "gone: new"
"$q" sql "$dir/s.db" "DROP TABLE [Gone]" --password "$pw" >/dev/null
check gone-run 1 "Gone" -- "$q" run "$dir/s.db" 2 --password "$pw"
refute gone-no-log "error log" -- "$q" run "$dir/s.db" 2 --password "$pw"
[ -e "$log" ] && fail "gone: a report was written: $(head -c 300 "$log")"
finish
