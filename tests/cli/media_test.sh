#!/usr/bin/env bash
# Files on awkward media. A full medium: a run that fails for want of space
# loses nothing, and once space is freed every command opens the file again.
# A read-only medium: every command that only reads works, on a file our
# commands closed last and on one another program left in its write-ahead
# log. The media are memory file systems, resized and remounted read-only in
# a mount namespace of this test's own.
source "$(dirname "$0")/own_mounts.sh"

integrity() {  # integrity DB: prints SQLite's verdict on the file
    python3 -c "import sqlite3, sys
print(sqlite3.connect(sys.argv[1]).execute('PRAGMA integrity_check').fetchone()[0])" "$1"
}

# A medium that holds the data but not a run's residuals.
check full-import 0 "20000 rows imported" -- full_medium
"$q" new "$full/f.db" Regression Data --x X --y Y --out Fit --out2 Residuals \
    --set Residual=Yes >/dev/null || fail "full: new"
check full-run 1 "Not enough space on disk" -- "$q" run "$full/f.db" 1
mount -o remount,size=64m "$full" || { echo "FAIL cannot resize"; exit 1; }
check full-then-tables 0 "Data +table +20000" -- "$q" tables "$full/f.db"
check full-then-integrity 0 "^ok$" -- integrity "$full/f.db"
check full-then-run 0 "ok" -- "$q" run "$full/f.db" 1
check full-then-residuals 0 "Residuals +table +20000" -- "$q" tables "$full/f.db"

media="$dir/media"
mkdir "$media"
mount -t tmpfs -o size=64m none "$media" || { echo "FAIL cannot mount"; exit 1; }
db="$media/ro.db"
printf 'Grp,X\n' >"$dir/data.csv"
for i in $(seq 1 40); do printf 'G%d,%d\n' $((i % 2)) "$i" >>"$dir/data.csv"; done
"$q" init "$db" >/dev/null
"$q" import "$db" Data "$dir/data.csv" >/dev/null
"$q" new "$db" Describe Data --group Grp --x X --out OutDescribe >/dev/null
"$q" run "$db" 1 >/dev/null || fail "set-up run"
python3 - "$media/wal.db" <<'EOF'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
c.execute("PRAGMA journal_mode=WAL")
c.execute("CREATE TABLE T (N INTEGER)")
c.executemany("INSERT INTO T VALUES (?)", [(i,) for i in range(1, 11)])
c.commit()
c.close()
EOF
# What our programs leave: the rollback journal, nothing beside the file.
[ "$(od -An -tu1 -j18 -N1 "$db" | tr -d ' ')" = 1 ] || fail "ro.db was left in the write-ahead log"
[ "$(od -An -tu1 -j18 -N1 "$media/wal.db" | tr -d ' ')" = 2 ] || fail "wal.db set-up"
ls "$media" | grep -qE -- '-(wal|shm|journal)$' && fail "files left beside: $(ls "$media")"

mount -o remount,ro "$media" || { echo "FAIL cannot remount read-only"; exit 1; }
check tables 0 "Data" -- "$q" tables "$db"
check list 0 "Describe" -- "$q" list "$db"
check show 0 "G1" -- "$q" show "$db" OutDescribe
check export 0 "" -- "$q" export "$db" Data "$dir/out.csv"
[ "$(wc -l <"$dir/out.csv")" = 41 ] || fail "export wrote $(wc -l <"$dir/out.csv") lines, not 41"
check run-elsewhere 0 "ok" -- "$q" run "$db" 1 --output "$dir/elsewhere.db"
check read-result 0 "G0" -- "$q" show "$dir/elsewhere.db" OutDescribe
check wal-tables 0 "T" -- "$q" tables "$media/wal.db"
check wal-sum 0 "55" -- "$q" sql "$media/wal.db" "SELECT Sum([N]) FROM [T]"
check write-refused 1 "read-only" -- "$q" import "$db" Again "$dir/data.csv"
finish
