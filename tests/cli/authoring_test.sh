#!/usr/bin/env bash
# Authoring scenarios from the command line end to end: new, info, set, run,
# copy, delete and query on a small table whose results are worked by hand,
# and the refusals, each with a non-zero exit and the scenario tables unchanged.
source "$(dirname "$0")/lib.sh"
q="$(realpath "$q")"
db="$dir/plants.db"
# The three scenario tables, every row, as CSV.
tables() {
    for t in usysQuorvaneScenarios usysQuorvaneOptions usysQuorvaneFields; do
        "$q" sql "$db" "SELECT * FROM [$t]" --csv || echo "unreadable $t"
    done
}
unchanged() {  # unchanged NAME EXPECTED_RC PATTERN -- COMMAND...: refused, nothing written
    local before after
    before="$(tables)"
    check "$@"
    after="$(tables)"
    [ "$before" == "$after" ] || fail "$1 changed the scenario tables"
}

"$q" init "$db" >/dev/null || fail "init"
"$q" sql "$db" "CREATE TABLE [Plants] ([Region] TEXT (10), [Yield] DOUBLE, [Temp] DOUBLE)" >/dev/null
for row in "'A', 2, 10" "'A', 4, 11" "'A', 9, 12" "'B', 3, 13" "'B', 5, 14" "'B', -1, 15"; do
    "$q" sql "$db" "INSERT INTO [Plants] VALUES ($row)" >/dev/null || fail "insert $row"
done

# new prints the number alone on standard output.
out="$("$q" new "$db" describe plants --group region --x Yield --ignore-below 0 \
    --description "Yield by region" 2>/dev/null)"
[ "$out" == "1" ] || fail "new printed '$out', want 1"
check info-type 0 "^Scenario 1: Describe \(P, parametric\)$" -- "$q" info "$db" 1
check info-input 0 "^Input: Plants$" -- "$q" info "$db" 1
check info-output 0 "^Output: Quorvane_Describe$" -- "$q" info "$db" 1
check info-group 0 "^  group \(Group Fields\): Region$" -- "$q" info "$db" 1
check info-x 0 "^  x \(Independent Fields \(X\)\): Yield$" -- "$q" info "$db" 1
check info-ignore 0 "^Ignore: values below 0$" -- "$q" info "$db" 1
check info-defaults 0 "^Options differing from their defaults: none$" -- "$q" info "$db" 1

# Describe by hand, N-1 method. A: 2, 4, 9: mean 5, squared deviations
# 9 + 1 + 16 = 26, variance 13, sd sqrt(13) = 3.6055512754639892931 (mpmath),
# standard error sqrt(13/3) = 2.0816659994661327353, CV sqrt(13)/5 =
# 0.72111025509279785862, sum 15, sum of squares 101. B: 3, 5 and -1, which
# lies below 0 and is ignored (1 missing): mean 4, variance 2, sd sqrt(2),
# standard error 1, CV sqrt(2)/4 = 0.35355339059327376220, sum 8, squares 34.
check run 0 "^Scenario 1: ok$" -- "$q" run "$db" 1
check describe-a 0 "^A,Yield,3,0,5,2,9,7,13,0\.72111025509279[0-9]*,3\.60555127546398[0-9]*,2\.08166599946613[0-9]*,15,101,26$" -- "$q" show "$db" Quorvane_Describe --csv
check describe-b 0 "^B,Yield,2,1,4,3,5,2,2,0\.35355339059327[0-9]*,1\.41421356237309[0-9]*,(1|0\.9999999999999[0-9]*|1\.000000000000[0-9]*),8,34,2$" -- "$q" show "$db" Quorvane_Describe --csv

# set: options by column name, the description and the outputs.
check set 0 "" -- "$q" set "$db" 1 skew=yes VarNRadio=n "Description=Yield, population" Out=Stats
check set-info-skew 0 "^  Skew=Yes$" -- "$q" info "$db" 1
check set-info-var 0 "^  VarNRadio=N$" -- "$q" info "$db" 1
check set-info-desc 0 "^Description: Yield, population$" -- "$q" info "$db" 1
check set-info-out 0 "^Output: Stats$" -- "$q" info "$db" 1
# N method for A: variance 26 / 3 = 8.6666666666666667.
check set-run 0 "^Scenario 1: ok$" -- "$q" run "$db" 1
check set-run-n 0 "^A,Yield,3,0,5,2,9,7,8\.66666666666666[0-9]*," -- "$q" show "$db" Stats --csv
check set-ignore 0 "" -- "$q" set "$db" 1 --ignore-equal 9
check set-ignore-info 0 "^Ignore: values equal to 9$" -- "$q" info "$db" 1
check set-ignore-none 0 "" -- "$q" set "$db" 1 --ignore-none
check set-ignore-none-info 0 "^Ignore: none$" -- "$q" info "$db" 1

# Refusals: a non-zero exit, the reason with the valid choices, nothing written.
unchanged new-type 1 "'Histogram' is not an analysis type\..*" -- "$q" new "$db" Histogram Plants --x Yield
unchanged new-type-list 1 "^Valid types: Describe, .*Two Sample t-Test, ANOVA, Two way ANOVA, .*N Fields$" -- "$q" new "$db" Histogram Plants --x Yield
unchanged new-field 1 "Field 'Height' is not a field of \[Plants\]\." -- "$q" new "$db" Describe Plants --x Height
unchanged new-field-list 1 "^Fields of Plants: Region, Yield, Temp$" -- "$q" new "$db" Describe Plants --x Height
unchanged new-numeric 1 "Region - \(Text\): Field must be numeric\." -- "$q" new "$db" Describe Plants --x Region
unchanged new-input 1 "^Tables and queries: Plants, Quorvane_Describe, Stats$" -- "$q" new "$db" Describe Gardens --x Yield
unchanged new-role 1 "^quorvane: Dependent \(Y\) field must be assigned\.$" -- "$q" new "$db" Regression Plants --x Temp
unchanged new-compare 1 "Describe takes no Compare field" -- "$q" new "$db" Describe Plants --x Yield --compare Region
unchanged new-range 1 "Greater Than Value must be Larger than Less Than Value" -- "$q" new "$db" Describe Plants --x Yield --ignore-below 5 --ignore-above 1
unchanged new-out2 1 "Out2=Extra: Describe writes one output table\." -- "$q" new "$db" Describe Plants --x Yield --out2 Extra
unchanged new-long-out 1 "Out holds at most 50 characters\." -- "$q" new "$db" Describe Plants --x Yield --out "$(printf 'T%.0s' {1..51})"
unchanged new-option 1 "InterV=60: Please enter a number between 2 and 50\." -- "$q" new "$db" Frequency Plants --x Yield --set InterV=60
unchanged set-option 1 "'Skewness' is not an option\." -- "$q" set "$db" 1 Skewness=Yes
unchanged set-option-list 1 "^Valid names: Description, Input, Out, Out2, Range, VarStd, " -- "$q" set "$db" 1 Skewness=Yes
unchanged set-range 1 "CIUser=100: Please enter a value between 1 and 99\.999" -- "$q" set "$db" 1 CI=Yes CIUser=100
unchanged set-radio 1 "^Valid values: Median, Quartiles, 5, Deciles, Percentiles$" -- "$q" set "$db" 1 PercentileRadio=Tertiles
unchanged set-page 1 "Confidence Interval standard deviation required" -- "$q" set "$db" 1 CI=Yes CITypeRadio=Normal
unchanged set-input 1 "Field 'Region' is not a field of \[qTemp\]" -- bash -c "'$q' query '$db' qTemp 'SELECT [Temp] FROM [Plants]' >/dev/null && '$q' set '$db' 1 Input=qTemp"
unchanged set-missing 1 "Scenario 7 not found\." -- "$q" set "$db" 7 Skew=Yes
unchanged set-badid 2 "'seven' is not a scenario number" -- "$q" set "$db" seven Skew=Yes
unchanged set-nothing 1 "nothing to set" -- "$q" set "$db" 1
# An argument that looks like an option is never taken for a file name.
unchanged new-option-db 2 "not expected: --frobnicate" -- bash -c "cd '$dir' && '$q' new --frobnicate new.db Describe Plants --x Yield"
unchanged new-option-missing 2 "not expected: --frobnicate" -- bash -c "cd '$dir' && '$q' new --frobnicate Describe Plants --x Yield"
unchanged query-option-db 2 "not expected: --csv" -- bash -c "cd '$dir' && '$q' query --csv new.db qB"
check no-option-files 0 "^none$" -- bash -c "ls -A '$dir' | grep -E '^-|^new\.db|^Describe' || echo none"
check new-no-db 1 "Could not find file" -- "$q" new "$dir/absent.db" Describe Plants --x Yield
check new-no-db-file 0 "^none$" -- bash -c "ls '$dir' | grep absent || echo none"
check new-no-tables 1 "has no scenario tables; add them with: quorvane init" -- bash -c "'$q' sql '$dir/bare.db' 'SELECT 1' 2>/dev/null; printf 'Region,Yield\\nN,1\\n' > '$dir/bare.csv' && '$q' import '$dir/bare.db' Plants '$dir/bare.csv' >/dev/null && '$q' new '$dir/bare.db' Describe Plants --x Yield"

# Input= moves a scenario to a query that has its fields.
check set-input-query 0 "" -- bash -c "'$q' query '$db' qAll 'SELECT [Region], [Yield] FROM [Plants]' >/dev/null && '$q' set '$db' 1 input=qall"
check set-input-info 0 "^Input: qAll$" -- "$q" info "$db" 1
check set-input-back 0 "" -- "$q" set "$db" 1 Input=Plants
# A file that cannot be written is read by info, and refused by set.
cp "$db" "$dir/ro.db" && chmod 444 "$dir/ro.db"
check read-only-info 0 "^Scenario 1: Describe" -- "$q" info "$dir/ro.db" 1
check read-only-set 1 "read-only" -- "$q" set "$dir/ro.db" 1 Skew=No

# copy: the same scenario under a new number and description.
out="$("$q" copy "$db" 1 2>/dev/null)"
[ "$out" == "2" ] || fail "copy printed '$out', want 2"
check copy-desc 0 "^Description: Copy of Yield, population$" -- "$q" info "$db" 2
check copy-fields 0 "^  x \(Independent Fields \(X\)\): Yield$" -- "$q" info "$db" 2
check copy-options 0 "^  Skew=Yes$" -- "$q" info "$db" 2
check copy-named 0 "^3$" -- "$q" copy "$db" 1 --description "Third"
check copy-named-info 0 "^Description: Third$" -- "$q" info "$db" 3
unchanged copy-missing 1 "^Scenarios: 1, 2, 3$" -- "$q" copy "$db" 9

# delete: all named scenarios from all three tables, or none.
unchanged delete-some-missing 1 "Scenario 9 not found\." -- "$q" delete "$db" 2 9
check delete 0 "^Deleted scenarios 2, 3$" -- "$q" delete "$db" 2 3
check delete-gone 1 "Scenario 2 not found\." -- "$q" info "$db" 2
check delete-rows 0 "^1$" -- "$q" sql "$db" "SELECT Count(*) AS n FROM [usysQuorvaneOptions]" --csv
check delete-field-rows 0 "^2$" -- "$q" sql "$db" "SELECT Count(*) AS n FROM [usysQuorvaneFields]" --csv

# query: a stored query as an input; replaced in one step; never over a table.
check query-store 0 "^Query qB stored$" -- "$q" query "$db" qB "SELECT [Yield] FROM [Plants] WHERE [Region] = 'A'"
check query-text 0 "^SELECT \[Yield\] FROM \[Plants\] WHERE \[Region\] = 'A'$" -- "$q" query "$db" qB
check query-replace 0 "^Query qB stored$" -- "$q" query "$db" qB "SELECT [Yield] FROM [Plants] WHERE [Region] = 'B'"
check query-new 0 "^4$" -- "$q" new "$db" Percentiles qB --x Yield --out QMedian
# Median of B's 3, 5 and -1 is 3 (the middle of -1, 3, 5).
check query-run 0 "^Scenario 4: ok$" -- "$q" run "$db" 4
check query-median 0 "^Yield,50,3$" -- "$q" show "$db" QMedian --csv
check query-table 1 "Plants: A table has that name" -- "$q" query "$db" Plants "SELECT 1"
check query-bad-sql 1 "Invalid SQL statement" -- "$q" query "$db" qB "SELEC 1"
check query-kept 0 "WHERE \[Region\] = 'B'$" -- "$q" query "$db" qB
check query-missing 1 "No query of that name" -- "$q" query "$db" qNone
# A query that cannot be read is not stored; one that asks for a parameter is.
check query-typo 1 "cannot find the input table or query 'Tt'" -- "$q" query "$db" qTypo "SELECT * FROM [Tt]"
check query-typo-none 1 "No query of that name" -- "$q" query "$db" qTypo
check query-parameter 0 "^Query qMin stored$" -- "$q" query "$db" qMin "SELECT [Yield] FROM [Plants] WHERE [Yield] > [Minimum]"

# Output names that every run would refuse are refused when authoring.
unchanged new-out-query 1 "The output table \[qB\] is the name of a stored query" -- "$q" new "$db" Describe Plants --x Yield --out qB
unchanged new-out-read 1 "The output table \[plants\] is read by the input query \[qB\]" -- "$q" new "$db" Percentiles qB --x Yield --out plants
unchanged new-out-working 1 "reserved for Quorvane's own tables" -- "$q" new "$db" Describe Plants --x Yield --out "~qrvwork_1"
unchanged set-out-read 1 "The output table \[Plants\] is read by the input query \[qB\]" -- "$q" set "$db" 4 Out=Plants
unchanged set-out-query 1 "The output table \[QB\] is the name of a stored query" -- "$q" set "$db" 1 Out=QB
# A table of another's making is no refusal, but the user hears of it.
check new-out-foreign 0 "^quorvane: note: the table \[Stats\] holds data that no run of this scenario wrote" -- "$q" new "$db" Describe Plants --x Yield --out stats
refute set-out-own "note:" -- "$q" set "$db" 1 Out=Stats

# Two way ANOVA crosses any number of factors from two up. One value a cell
# of a 2 x 2 x 2 design, by hand (python3 fractions): grand mean 35/8; main
# effects Region 1/8, Soil 225/8, Seed 121/8; total 543/8 on 7 df.
"$q" sql "$db" "CREATE TABLE [Crops] ([Region] TEXT (10), [Soil] TEXT (10), [Seed] TEXT (10), [Yield] DOUBLE)" >/dev/null
for row in "'A','s','x',2" "'A','s','y',4" "'A','t','x',9" "'A','t','y',3" "'B','s','x',5" "'B','s','y',-1" "'B','t','x',7" "'B','t','y',6"; do
    "$q" sql "$db" "INSERT INTO [Crops] VALUES ($row)" >/dev/null || fail "insert $row"
done
crossed="$("$q" new "$db" "Two way ANOVA" Crops --x Yield --compare Region --compare Soil --compare Seed --out Crossed --out2 CrossedDetail --set GroupDetail=Yes 2>&1)"
[[ "$crossed" =~ ^[0-9]+$ ]] || fail "three factors refused: $crossed"
check three-factors-run 0 "^Scenario $crossed: ok$" -- "$q" run "$db" "$crossed"
check three-factors-region 0 "^Yield,2,Main: \[Region\],0\.125,1," -- "$q" show "$db" Crossed --csv
check three-factors-soil 0 "^Yield,3,Main: \[Soil\],28\.125,1," -- "$q" show "$db" Crossed --csv
check three-factors-seed 0 "^Yield,4,Main: \[Seed\],15\.125,1," -- "$q" show "$db" Crossed --csv
check three-factors-total 0 "^Yield,11,Total,67\.875,7," -- "$q" show "$db" Crossed --csv
unchanged one-factor 1 "Two Comparison fields must be assigned\." -- "$q" new "$db" "Two way ANOVA" Crops --x Yield --compare Soil

# A detail table switched off needs no name, and a name given for it is refused.
unchanged detail-off-out2 1 "Out2=Extra: N Sample writes one output table unless NPKruskalDetail is Yes\." -- "$q" new "$db" "N Sample" Plants --x Yield --compare Region --set NPKruskalDetail=No --out2 Extra
kw="$("$q" new "$db" "N Sample" Plants --x Yield --compare Region --set NPKruskalDetail=No 2>&1)"
[[ "$kw" =~ ^[0-9]+$ ]] || fail "a scenario without its detail table refused: $kw"
refute detail-off-info "Output 2" -- "$q" info "$db" "$kw"
check detail-off-run 0 "^Scenario $kw: ok$" -- "$q" run "$db" "$kw"
check detail-on 0 "" -- "$q" set "$db" "$kw" NPKruskalDetail=Yes
check detail-on-info 0 "^Output 2: Quorvane_N_Sample_Kruskal_Details$" -- "$q" info "$db" "$kw"
check detail-off-again 0 "" -- "$q" set "$db" "$kw" NPKruskalDetail=No
refute detail-off-again-info "Output 2" -- "$q" info "$db" "$kw"

for c in new set info copy delete query; do
    check "help-$c" 0 "^  quorvane $c " -- "$q" "$c" --help
done

finish
