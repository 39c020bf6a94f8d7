#!/usr/bin/env bash
# Files on read-only media are read by every command that only reads them:
# one our commands closed last, and one another program left in its
# write-ahead log. The medium is a memory file system remounted read-only in
# a mount namespace of this test's own.
if [ "${2:-}" != "--inner" ]; then
    if ! unshare -m true 2>/dev/null; then
        echo "skipped: this machine gives no mount namespace"
        exit 0
    fi
    exec unshare -m "$0" "$1" --inner
fi
source "$(dirname "$0")/lib.sh"

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
