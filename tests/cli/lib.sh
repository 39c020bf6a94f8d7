# Shared by the command-line test scripts: the program under test as $q, a
# temporary folder $dir removed at exit, and check/finish.
set -u
q="$1"
# The demo as a user runs it: demo/run QUORVANE DIR builds DIR/quorvane-demo.db.
demo_run="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/demo/run"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
# Error reports of failed runs go to the test's folder, not the user's.
export XDG_STATE_HOME="$dir/state"
failures=0
fail() {  # fail TEXT: one failed check
    echo "FAIL $*"
    failures=$((failures + 1))
}
check() {  # check NAME EXPECTED_RC PATTERN -- COMMAND...
    local name="$1" want="$2" pattern="$3"
    shift 4
    local out rc
    out="$("$@" 2>&1)"
    rc=$?
    if [ "$rc" != "$want" ] || ! grep -qE -- "$pattern" <<<"$out"; then
        fail "$name: rc=$rc (want $want), output:"
        echo "$out" | head -20
    fi
}
refute() {  # refute NAME PATTERN -- COMMAND...: the output must not match
    local name="$1" pattern="$2"
    shift 3
    local out
    out="$("$@" 2>&1)"
    if grep -qE -- "$pattern" <<<"$out"; then
        echo "FAIL $name: output matches '$pattern':"
        echo "$out" | head -20
        failures=$((failures + 1))
    fi
}
# full_medium: a 1250 KiB memory file system at $full (in the caller's
# mount namespace) holding f.db with a table Data of 20000 X, Y rows: the
# data fits, a regression's residuals do not. Prints what the import says.
full="$dir/full"
full_medium() {
    mkdir -p "$full"
    mount -t tmpfs -o size=1250k none "$full" || { echo "FAIL cannot mount"; exit 1; }
    python3 - "$dir/xy.csv" <<'EOF'
import random, sys
r = random.Random(1)
with open(sys.argv[1], "w") as f:
    f.write("X,Y\n")
    for i in range(20000):
        x = r.random() * 100
        f.write(f"{x:.6f},{3 + 2 * x + r.gauss(0, 5):.6f}\n")
EOF
    "$q" init "$full/f.db" >/dev/null
    "$q" import "$full/f.db" Data "$dir/xy.csv"
}
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures checks failed in $(basename "$0")"
        exit 1
    fi
    echo "all checks passed in $(basename "$0")"
}
