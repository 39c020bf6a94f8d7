#!/usr/bin/env bash
# Data in one file, scenarios in a second, outputs in a third, all authored
# with the program: new and set with --source check the input where run
# reads it, a stored query reads the data file through IN, and run --source
# --output writes results worked by hand. The refusals: a field missing from
# the data file, a data file with a password not given, a file that is gone.
source "$(dirname "$0")/lib.sh"
q="$(realpath "$q")"
data="$dir/DATA.db"
scen="$dir/SCEN.db"
out="$dir/OUT.db"
# One value of a one-row query, from the CSV's second line.
value() {  # value DB SQL [--password PW]
    local db="$1" sql="$2"
    shift 2
    "$q" sql "$db" "$sql" --csv "$@" | sed -n 2p
}

printf 'Region,Yield,Note\nNorth,2,a\nNorth,4,b\nSouth,3,c\nSouth,7,d\nSouth,8,e\n' >"$dir/raw.csv"
"$q" import "$data" Raw "$dir/raw.csv" >/dev/null || fail "import"
"$q" init "$scen" >/dev/null || fail "init"
check data-alone 0 "^Raw +table +5$" -- "$q" tables "$data"

# new: the input and its fields are checked in DATA.db, the scenario stored in SCEN.db.
check new-source 0 "^1$" -- "$q" new "$scen" Describe raw --group region --x yield \
    --source "$data" --out Stats
check new-input 0 "^Input: Raw$" -- "$q" info "$scen" 1
check new-fields 0 "^  x \(Independent Fields \(X\)\): Yield$" -- "$q" info "$scen" 1
check new-no-source 1 "Raw: No table or query of that name" -- "$q" new "$scen" Describe Raw --x Yield
check new-missing-field 1 "Field 'Weight' is not a field of \[Raw\]" -- \
    "$q" new "$scen" Describe Raw --x Weight --source "$data"
check new-text-field 1 "Note - \(Text\): Field must be numeric" -- \
    "$q" new "$scen" Describe Raw --x Note --source "$data"
check new-missing-source 1 "Could not find file" -- \
    "$q" new "$scen" Describe Raw --x Yield --source "$dir/none.db"
check new-none-saved 0 "^1$" -- value "$scen" "SELECT Count(*) FROM [usysQuorvaneScenarios]"
check data-untouched 0 "^Raw +table +5$" -- "$q" tables "$data"
refute data-no-scenarios "usysQuorvane" -- "$q" tables "$data"

# set: checked against DATA.db too.
check set-source 0 "" -- "$q" set "$scen" 1 "Description=Yield by region" --source "$data"
check set-described 0 "^Description: Yield by region$" -- "$q" info "$scen" 1
check set-no-source 1 "No table or query of that name" -- "$q" set "$scen" 1 Description=x
check set-unchanged 0 "^Description: Yield by region$" -- "$q" info "$scen" 1

# A stored query of SCEN.db reads DATA.db. Run from another folder: the
# relative path is taken from SCEN.db's folder.
check query-in 0 "^Query qNorth stored$" -- "$q" query "$scen" qNorth \
    "SELECT [Region], [Yield] FROM [Raw] IN 'DATA.db' WHERE [Region] = 'North'"
check query-text 0 "^SELECT \[Region\], \[Yield\] FROM \[Raw\] IN 'DATA.db' WHERE" -- \
    "$q" query "$scen" qNorth
check query-reads 0 "^2,6$" -- value "$scen" "SELECT Count(*), Sum([Yield]) FROM [qNorth]"
check query-missing 1 "Could not find file '.*nope\.db'" -- "$q" query "$scen" qNope \
    "SELECT * FROM [Raw] IN 'nope.db'"
check new-on-query 0 "^2$" -- "$q" new "$scen" Describe qNorth --x Yield --out NorthStats

# Describe by hand (N-1). North: 2, 4: mean 3, variance ((-1)^2 + 1^2)/1 = 2.
# South: 3, 7, 8: sum 18, mean 6, variance (9 + 1 + 4)/2 = 7.
check run-source 0 "^Scenario 1: ok$" -- "$q" run "$scen" 1 --source "$data" --output "$out"
check run-query 0 "^Scenario 2: ok$" -- "$q" run "$scen" 2 --output "$out"
check out-north 0 "^2,3,2$" -- \
    value "$out" "SELECT [Count], [Mean], [Variance] FROM [Stats] WHERE [Region] = 'North'"
check out-south 0 "^3,6,7,18$" -- \
    value "$out" "SELECT [Count], [Mean], [Variance], [Sum] FROM [Stats] WHERE [Region] = 'South'"
check out-query 0 "^2,3,2$" -- value "$out" "SELECT [Count], [Mean], [Variance] FROM [NorthStats]"
refute scen-no-outputs "Stats" -- "$q" tables "$scen"
refute data-no-outputs "Stats" -- "$q" tables "$data"
# The output names are checked in the file the outputs go to.
check note-output 0 "the table \[Stats\] of .*OUT\.db holds data that no run of this scenario" -- \
    "$q" new "$scen" Describe Raw --x Yield --source "$data" --output "$out" --out Stats
check set-own-output 0 "" -- "$q" set "$scen" 1 Description=again --source "$data" --output "$out"
refute set-own-output-no-note "note" -- "$q" set "$scen" 1 Description=again --source "$data" --output "$out"

# The data file gone: the query's readers say which file, nothing breaks.
mv "$data" "$dir/moved.db"
check gone-run 1 "^Scenario 2: The query 'qNorth' cannot be read: Could not find file '.*DATA\.db'\.$" -- \
    "$q" run "$scen" 2 --output "$out"
check gone-show 1 "Could not find file '.*DATA\.db'" -- "$q" show "$scen" qNorth
check gone-list 0 "qNorth +NorthStats" -- "$q" list "$scen"
check gone-out-kept 0 "^2,3$" -- value "$out" "SELECT [Count], [Mean] FROM [NorthStats]"
mv "$dir/moved.db" "$data"
check back-run 0 "^Scenario 2: ok$" -- "$q" run "$scen" 2 --output "$out"

# A data file with a password: refused without it, by new and by query alike.
guarded="$dir/GUARDED.db"
cp "$data" "$guarded"
"$q" password "$guarded" --new 'pw 7' >/dev/null || fail "password"
check guarded-new 1 "GUARDED\.db: Not a valid password" -- \
    "$q" new "$scen" Describe Raw --x Yield --source "$guarded" --out G
check guarded-new-pw 0 "^[0-9]+$" -- \
    "$q" new "$scen" Describe Raw --x Yield --source "$guarded" --out G --password 'pw 7'
check guarded-query 1 "Not a valid password \(file '.*GUARDED\.db'\)" -- \
    "$q" query "$scen" qGuarded "SELECT * FROM [Raw] IN 'GUARDED.db'"
check guarded-query-pw 0 "^Query qGuarded stored$" -- \
    "$q" query "$scen" qGuarded "SELECT * FROM [Raw] IN 'GUARDED.db'" --password 'pw 7'
id="$("$q" new "$scen" Describe qGuarded --x Yield --out GQ --password 'pw 7' 2>/dev/null)"
check guarded-run 1 "cannot be read: Not a valid password" -- "$q" run "$scen" "$id" --output "$out"
check guarded-run-pw 0 "^Scenario $id: ok$" -- \
    "$q" run "$scen" "$id" --output "$out" --password 'pw 7'
# All five rows: 2 + 4 + 3 + 7 + 8 = 24, mean 4.8.
check guarded-out 0 "^5,24,4\.8$" -- value "$out" "SELECT [Count], [Sum], [Mean] FROM [GQ]"

finish
