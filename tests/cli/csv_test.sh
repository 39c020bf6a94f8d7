#!/usr/bin/env bash
# quorvane import and export end to end: a file goes in, is shown, comes out
# byte for byte as written (it is already in the exporter's form), and bad
# input is refused leaving no table and no file.
source "$(dirname "$0")/lib.sh"
same() {  # same NAME FILE1 FILE2
    if ! cmp -s "$2" "$3"; then
        fail "$1: $2 and $3 differ"
        diff <(od -c "$2") <(od -c "$3") | head -10
    fi
}
db="$dir/t.db"

# A file in the exporter's own form: CRLF, quotes only where needed, ISO
# dates, True/False, doubles with a point, a quoted field across two lines.
printf 'Name,Qty,Price,Day,Paid\r\n"Smith, Jo",3,0.1,2024-02-29,True\r\n"two\r\nlines",,1e-300,2024-03-01 13:45:00,False\r\ncaf\xc3\xa9,-7,123456789.12345679,,\r\n' >"$dir/in.csv"
check import 0 "^3 rows imported into \[Sales\]" -- "$q" import "$db" Sales "$dir/in.csv"
check import-types 0 "Name Text\(10\), Qty Long, Price Double, Day Date/Time, Paid Yes/No" -- "$q" import "$db" Sales2 "$dir/in.csv"
check show 0 "^Smith, Jo +3 +0\.1 +2024-02-29 00:00:00 +True$" -- "$q" show "$db" Sales
check show-null 0 "^café +-7 +123456789\.1 *$" -- "$q" show "$db" Sales
check export 0 "^3 rows exported to " -- "$q" export "$db" Sales "$dir/out.csv"
same round-trip "$dir/in.csv" "$dir/out.csv"
check export-select 0 "^1 row exported" -- "$q" export "$db" "SELECT [Name] FROM [Sales] WHERE [Qty] > 0" "$dir/sel.csv"
printf 'Name\r\n"Smith, Jo"\r\n' >"$dir/want.csv"
same export-select-bytes "$dir/want.csv" "$dir/sel.csv"

# Semicolons, decimal commas and Windows-1252 (0xE9 is é), guessed.
printf 'Item;Price\r\ncaf\xe9;3,5\r\ntea;4\r\n' >"$dir/eu.csv"
check import-eu 0 "Windows-1252, delimiter ';'.*Price Double, decimal comma" -- "$q" import "$db" Eu "$dir/eu.csv"
check show-eu 0 "^café +3\.5$" -- "$q" show "$db" Eu
check export-eu 0 "2 rows exported" -- "$q" export "$db" Eu "$dir/eu-out.csv"
printf 'Item,Price\r\ncaf\xc3\xa9,3.5\r\ntea,4.0\r\n' >"$dir/want.csv"
same export-eu-bytes "$dir/want.csv" "$dir/eu-out.csv"

# Refusals: non-zero, no table, no file.
check exists 1 "already exists.*--replace" -- "$q" import "$db" Sales "$dir/eu.csv"
check exists-kept 0 '^"Smith, Jo",3,' -- "$q" show "$db" Sales --csv
check replace 0 "^2 rows imported into \[Sales\]" -- "$q" import "$db" Sales "$dir/eu.csv" --replace
printf 'a,b\r\n1,2\r\n3\r\n4,5\r\n' >"$dir/ragged.csv"
check ragged 1 "Line 3 has 1 field; the header row has 2" -- "$q" import "$db" Ragged "$dir/ragged.csv"
check ragged-no-table 0 "^none$" -- bash -c "'$q' tables '$db' | grep -q '^Ragged ' && echo found || echo none"
check ragged-no-db 1 "Line 3" -- "$q" import "$dir/new.db" Ragged "$dir/ragged.csv"
check ragged-no-db-file 0 "^none$" -- bash -c "ls '$dir' | grep -E '^new\.db' || echo none"
printf 'a,a\r\n1,2\r\n' >"$dir/dup.csv"
check duplicate-name 1 "Column 2 of the header row" -- "$q" import "$db" Dup "$dir/dup.csv"
check forced-utf8 1 "Line 2 is not valid UTF-8" -- "$q" import "$db" Eu2 "$dir/eu.csv" --encoding utf-8
check bad-encoding 2 "Unknown encoding" -- "$q" import "$db" Eu2 "$dir/eu.csv" --encoding ebcdic
check bad-delimiter 2 "--delimiter" -- "$q" import "$db" Eu2 "$dir/eu.csv" --delimiter ';;'
check forced-delimiter 0 "Windows-1252, delimiter ';'" -- "$q" import "$db" Eu3 "$dir/eu.csv" --delimiter ';' --encoding windows-1252
printf 'a|b\r\n1|x\r\n' >"$dir/pipe.csv"
check pipe-delimiter 0 "delimiter '\|'; columns: a Long, b Text\(1\)" -- "$q" import "$db" Pipe "$dir/pipe.csv" --delimiter '|'
check tab-delimiter 0 "delimiter tab" -- "$q" import "$db" Tab "$dir/pipe.csv" --delimiter tab
check missing-file 1 "Could not find file" -- "$q" import "$db" X "$dir/none.csv"
check missing-args 2 "TABLE is required|required" -- "$q" import "$db"
check export-missing 1 "not found" -- "$q" export "$db" Nothing "$dir/nothing.csv"
check export-missing-db 1 "Could not find file" -- "$q" export "$dir/none.db" Sales "$dir/nothing.csv"
check no-files 0 "^none$" -- bash -c "ls -a '$dir' | grep -E 'nothing|none|\.tmp$' || echo none"
check no-leftover-tables 0 "^none$" -- bash -c "'$q' tables '$db' | grep -E '^(Ragged|Dup|Eu2|X) ' || echo none"

# Dates with slashes: 01/02/2026 alone is 1 February or 2 January, so the
# column stays text with a note; --date-order reads it; 13/02/2026 settles it.
printf 'Day,N\r\n01/02/2026,1\r\n03/04/2026,2\r\n' >"$dir/dates.csv"
check dates-doubt 0 "columns: Day Text\(10\), N Long" -- "$q" import "$db" Doubt "$dir/dates.csv"
check dates-note 0 "^Note: Day was kept as text: its dates \(such as 01/02/2026\) read both day-first and month-first\..*--replace and --date-order DMY or MDY\.$" -- "$q" import "$db" Doubt2 "$dir/dates.csv"
check dates-dmy 0 "Day Date/Time" -- "$q" import "$db" Dmy "$dir/dates.csv" --date-order dmy
check dates-dmy-value 0 "^2026-02-01 00:00:00 +1$" -- "$q" show "$db" Dmy
check dates-mdy 0 "Day Date/Time" -- "$q" import "$db" Mdy "$dir/dates.csv" --date-order MDY
check dates-mdy-value 0 "^2026-01-02 00:00:00 +1$" -- "$q" show "$db" Mdy
printf 'Day\r\n01/02/2026\r\n13/02/2026\r\n' >"$dir/settled.csv"
check dates-settled 0 "Day Date/Time" -- "$q" import "$db" Settled "$dir/settled.csv"
check dates-settled-value 0 "^2026-02-13 00:00:00$" -- "$q" show "$db" Settled
refute dates-settled-no-note "^Note:" -- "$q" import "$db" Settled2 "$dir/settled.csv"
check help-date-order 0 "--date-order ORDER +DMY, MDY or YMD" -- "$q" help import

# Stopped part way (Ctrl-C, then a kill): whenever the signal lands, the table
# is there whole or not at all, the export's file whole or absent, and no
# temporary file stays.
python3 -c "
import sys
with open(sys.argv[1], 'w', newline='') as f:
    f.write('Id,Name,X\r\n')
    for i in range(200000):
        f.write('%d,name %d,%d.5\r\n' % (i, i % 97, i))
" "$dir/big.csv"
whole_or_none() {  # whole_or_none NAME TABLE RC
    local n
    n="$("$q" tables "$db" | awk -v t="$2" '$1 == t { print $3 }')"
    if [ -n "$n" ] && [ "$n" != 200000 ]; then
        fail "$1: rc=$3 and table $2 has $n of 200000 rows"
    elif [ -z "$n" ] && [ "$3" = 0 ]; then
        fail "$1: the import succeeded but table $2 is missing"
    fi
}
"$q" import "$db" BigInt "$dir/big.csv" >/dev/null 2>&1 &
pid=$!
sleep 0.3
kill -INT "$pid" 2>/dev/null
{ wait "$pid"; } 2>/dev/null
rc=$?
case "$rc" in 0 | 130) ;; *) fail "interrupt-rc: $rc" ;; esac
whole_or_none interrupt BigInt "$rc"
"$q" import "$db" BigKill "$dir/big.csv" >/dev/null 2>&1 &
pid=$!
sleep 0.3
kill -KILL "$pid" 2>/dev/null
{ wait "$pid"; } 2>/dev/null
whole_or_none killed BigKill "$?"
check after-kill 0 "^200000 rows imported into \[Big\]" -- "$q" import "$db" Big "$dir/big.csv"
"$q" export "$db" Big "$dir/big-out.csv" >/dev/null 2>&1 &
pid=$!
sleep 0.2
kill -INT "$pid" 2>/dev/null
{ wait "$pid"; } 2>/dev/null
rc=$?
if [ "$rc" = 0 ]; then
    same export-interrupted-whole "$dir/big.csv" "$dir/big-out.csv"
elif [ "$rc" != 130 ] || [ -e "$dir/big-out.csv" ]; then
    fail "export-interrupt: rc=$rc"
fi
"$q" export "$db" Big "$dir/big-out2.csv" >/dev/null 2>&1 &
pid=$!
sleep 0.2
kill -KILL "$pid" 2>/dev/null
{ wait "$pid"; } 2>/dev/null
# A killed export's temporary file goes with the next export to that file.
check export-after-kill 0 "200000 rows exported" -- "$q" export "$db" Big "$dir/big-out2.csv"
same export-after-kill-bytes "$dir/big.csv" "$dir/big-out2.csv"
check no-temporary-files 0 "^none$" -- bash -c "ls -a '$dir' | grep -E '\.tmp$' || echo none"

finish
