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
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures checks failed in $(basename "$0")"
        exit 1
    fi
    echo "all checks passed in $(basename "$0")"
}
