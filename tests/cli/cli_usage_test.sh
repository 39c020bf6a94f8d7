#!/usr/bin/env bash
# Help, version and usage errors: help never touches a file, an argument that
# looks like an option is never taken for a file or folder name, and usage
# errors exit 2 with a pointer to the command's help.
source "$(dirname "$0")/lib.sh"
q="$(realpath "$q")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
commands="init tables list new set info copy delete query show sql import export run prob inverse password workgroup help"

# Everything runs in an empty folder that must stay empty.
empty="$dir/empty"
mkdir "$empty"
in_empty() { (cd "$empty" && "$q" "$@"); }
stays_empty() {  # stays_empty NAME: the folder holds nothing
    if [ -n "$(ls -A "$empty")" ]; then
        fail "$1: left behind: $(ls -A "$empty" | tr '\n' ' ')"
        rm -rf "${empty:?}"/* "$empty"/.[!.]* 2>/dev/null
    fi
}

for c in $commands; do
    check "help-$c" 0 "^Usage: quorvane $c" -- in_empty help "$c"
    check "help-$c-example" 0 "^Example:" -- in_empty help "$c"
    check "$c--help" 0 "^Usage: quorvane $c" -- in_empty "$c" --help
    check "$c--h" 0 "^Usage: quorvane $c" -- in_empty "$c" -h
    stays_empty "help-$c"
done
# An option among the arguments is still an option.
check init-help-last 0 "^Usage: quorvane init" -- in_empty init new.db --help
check import-help-among 0 "^Usage: quorvane import" -- in_empty import new.db T "$empty/sub.csv" --help
stays_empty help-among-arguments
check init-unknown-option 2 "not expected: --frobnicate" -- in_empty init --frobnicate
check new-unknown-option 2 "not expected: --fast" -- in_empty new a.db Describe T --fast
check import-dash-file 2 "not expected: -x" -- in_empty import a.db T -x
stays_empty unknown-options
check unknown-option-hint 2 "Run 'quorvane init --help'" -- in_empty init --frobnicate
check show-unknown-option 2 "not expected: --wide" -- in_empty show a.db T --wide
check run-unknown-option 2 "not expected: --fast.*|Run 'quorvane run --help'" -- in_empty run a.db 1 --fast
stays_empty unknown-options-2

# The top level.
version="$(sed -nE 's/^project\(Quorvane VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")"
check version 0 "^quorvane ${version//./\\.}$" -- "$q" --version
check help 0 "^Usage: quorvane" -- "$q" --help
check help-lists 0 "^  show +print a table" -- "$q" --help
check help-exit-codes 0 "2 usage error" -- "$q" help
check no-command 2 "Usage: quorvane" -- "$q"
check unknown-command 2 "unknown command 'frobnicate'" -- "$q" frobnicate
check unknown-top-option 2 "not expected: --frobnicate" -- "$q" --frobnicate
check help-unknown 2 "unknown command 'frobnicate'" -- "$q" help frobnicate

# Missing and malformed arguments.
check init-missing 2 "DB is required" -- in_empty init
check init-extra 2 "not expected: b.db" -- in_empty init a.db b.db
stays_empty init-usage
check show-missing-table 2 "TABLE is required" -- "$q" show a.db
check show-limit-text 2 "--limit.*expected a whole number of 0 or more, not 'ten'" -- "$q" show a.db T --limit ten
check show-limit-negative 2 "not '-1'" -- "$q" show a.db T --limit -1
check sql-limit-missing 2 "--limit" -- "$q" sql a.db "SELECT 1" --limit
check run-missing-id 2 "ID is required" -- "$q" run a.db
check run-bad-id 2 "Could not convert: ID = five" -- "$q" run a.db five
check run-output-missing 2 "--output" -- "$q" run a.db 1 --output
check prob-missing 2 "VALUE is required" -- "$q" prob Z
check prob-too-many 2 "At Most 2" -- "$q" prob F 1 2 3 4
check prob-text 2 "'abc' is not a number" -- "$q" prob Z abc
check prob-hint 2 "Run 'quorvane prob --help'" -- "$q" prob Z abc
# Malformed words are refused while parsing, before any file is opened: exit
# 2, the message, then the pointer to the command's help.
malformed() {  # malformed NAME PATTERN COMMAND ARGS...
    local name="$1" pattern="$2" command="$3"
    check "$name" 2 "^quorvane: .*$pattern" -- in_empty "${@:3}"
    check "$name-hint" 2 "^Run 'quorvane $command --help'" -- in_empty "${@:3}"
}
malformed new-set-no-equals "expected OPTION=VALUE, not 'Skew'" new a.db Describe T --x A --set Skew
malformed set-no-equals "expected OPTION=VALUE, not '=Yes'" set a.db 1 =Yes
malformed info-id "'x' is not a scenario number" info a.db x
malformed copy-id "'1\.5' is not a scenario number" copy a.db 1.5
malformed delete-id "'one' is not a scenario number" delete a.db 3 one
malformed set-id "'0' is not a scenario number" set a.db 0 Skew=Yes
malformed import-delimiter "--delimiter.*one character.*not 'ab'" import a.db T f.csv --delimiter ab
malformed import-encoding "--encoding.*Unknown encoding 'latin-9'" import a.db T f.csv --encoding latin-9
malformed import-date-order "--date-order.*expected DMY, MDY or YMD, not 'DM'" import a.db T f.csv --date-order DM
stays_empty malformed
# A negative number is a value, not an option.
check prob-negative 0 "^0\.049995790296440[0-9]{2,3}$" -- "$q" prob Z -1.96
# "--" ends the options: a name that starts with a dash can still be given.
check dashed-name 0 "Scenario tables ready in -odd\.db" -- in_empty init -- -odd.db
check dashed-name-made 0 "^-odd\.db$" -- ls "$empty"
finish
