#!/usr/bin/env bash
# Database passwords on the command line: set, needed by every command that
# opens the file (on the command line or from the environment), changed and
# cleared; the stored hash is not the password, and no statement reads it.
source "$(dirname "$0")/lib.sh"
db="$dir/p.db"
printf 'X\n1\n2\n3\n4\n' >"$dir/x.csv"
"$q" init "$db" >/dev/null
"$q" import "$db" Data "$dir/x.csv" >/dev/null
id="$("$q" new "$db" Describe Data --x X --out Out1)"

check set-needs-new 2 "Give the new password with --new, or --clear" -- "$q" password "$db"
check set-empty 2 "use --clear" -- "$q" password "$db" --new ''
check set 0 "^Password set for .*p\.db$" -- "$q" password "$db" --new 'tulip 42'

# Without it, or with a wrong one, every command is refused with exit code 1.
check tables-none 1 "^quorvane: Not a valid password\.$" -- "$q" tables "$db"
check tables-wrong 1 "^quorvane: Not a valid password\.$" -- "$q" tables "$db" --password tulip
check list-none 1 "Not a valid password" -- "$q" list "$db"
check show-none 1 "Not a valid password" -- "$q" show "$db" Data
check sql-none 1 "Not a valid password" -- "$q" sql "$db" "SELECT * FROM [Data]"
check export-none 1 "Not a valid password" -- "$q" export "$db" Data "$dir/out.csv"
check import-none 1 "Not a valid password" -- "$q" import "$db" More "$dir/x.csv"
check info-none 1 "Not a valid password" -- "$q" info "$db" "$id"
check run-none 1 "Not a valid password" -- "$q" run "$db" "$id"
check init-none 1 "Not a valid password" -- "$q" init "$db"
check no-export-file 0 "^none$" -- bash -c "ls '$dir' | grep -x out.csv || echo none"

# With it: before the command, after it, or from the environment.
check tables-before 0 "^Data +table +4$" -- "$q" --password 'tulip 42' tables "$db"
check tables-after 0 "^Data +table +4$" -- "$q" tables "$db" --password 'tulip 42'
check tables-env 0 "^Data +table +4$" -- env QUORVANE_PASSWORD='tulip 42' "$q" tables "$db"
refute tables-hidden "MSys" -- "$q" tables "$db" --password 'tulip 42'
# Describe of 1, 2, 3, 4: mean 2.5 (by hand).
check run 0 "^Scenario $id: ok$" -- "$q" run "$db" "$id" --password 'tulip 42'
check run-output 0 "^2\.5$" -- "$q" sql "$db" "SELECT [Mean] FROM [Out1]" --csv --password 'tulip 42'

# The hidden table: refused to statements, and holding no password text.
check sql-read 1 "no read permission on 'MSysPassword'" -- \
    "$q" sql "$db" "SELECT * FROM [MSysPassword]" --password 'tulip 42'
check sql-delete 1 "no delete data permission" -- \
    "$q" sql "$db" "DELETE * FROM [MSysPassword]" --password 'tulip 42'
check hash-stored 0 "^argon2id not-plain$" -- python3 - "$db" <<'PY'
import sqlite3, sys
(h,), = sqlite3.connect(sys.argv[1]).execute("SELECT PasswordHash FROM MSysPassword").fetchall()
print(h.split("$")[1], "plain" if "tulip" in h else "not-plain")
PY

# Changing needs the present one; clearing opens the file to everyone again.
check change-wrong 1 "^quorvane: Not a valid password\.$" -- "$q" password "$db" --old nope --new aster
check change 0 "^Password set" -- "$q" password "$db" --old 'tulip 42' --new aster
check old-gone 1 "Not a valid password" -- "$q" tables "$db" --password 'tulip 42'
check clear 0 "^Password cleared for " -- "$q" password "$db" --clear --password aster
check open-again 0 "^Data +table +4$" -- "$q" tables "$db"
check open-any 0 "^Data +table +4$" -- "$q" tables "$db" --password whatever

# Workgroup files: made once, users added once (names in any case), and a
# password changed only by one who knows it.
wg="$dir/team.mdw"
check wg-mode 2 "Give one of --create, --add NAME or --user NAME" -- "$q" workgroup "$wg"
check wg-create 0 "made with the user Admin" -- "$q" workgroup "$wg" --create
check wg-create-again 1 "Database already exists" -- "$q" workgroup "$wg" --create
check wg-add 0 "^User Ann Lee added" -- "$q" workgroup "$wg" --add 'Ann Lee' --new birch
check wg-add-again 1 "Account name already exists" -- "$q" workgroup "$wg" --add 'ANN LEE'
check wg-change-wrong 1 "Not a valid account name or password" -- \
    "$q" workgroup "$wg" --user 'ann lee' --old BIRCH --new oak
check wg-change 0 "^Password changed for ann lee$" -- \
    "$q" workgroup "$wg" --user 'ann lee' --old birch --new oak
check wg-change-old-gone 1 "Not a valid account name" -- \
    "$q" workgroup "$wg" --user 'Ann Lee' --old birch --new elm
check wg-admin 0 "^Password changed" -- "$q" workgroup "$wg" --user Admin --new 'oak 3'
check wg-missing 1 "workgroup information file is missing" -- \
    "$q" workgroup "$dir/none.mdw" --add Bob
refute wg-hidden "MSys" -- "$q" tables "$wg"
finish
