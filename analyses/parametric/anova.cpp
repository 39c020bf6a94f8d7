// The group analysis run: the value list of every compare field, the output
// tables, and one pass over the input that adds each usable value to its
// group's totals, to the level of each compare field it belongs to and, for
// the analysis of variance with several compare fields, to the cell of each
// pair of them. The t-test, ANOVA and detail rows are written in
// anova_write.cpp.
#include "analyses/parametric/anova.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include "analyses/parametric/anova_state.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

namespace {

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

// A level as the user reads it: texts in quotes, Null by name.
std::string levelText(const Value& v) {
    if (v.isNull()) return "Null";
    std::string text = v.toText();
    if (v.kind() != ValueKind::Text) return text;
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(1, '"').append(text).append(1, '"');
    return quoted;
}

// Which levels the t-test compares and which it leaves out, these named up
// to a few and the rest counted.
std::string tTestLevelsNote(const std::string& field, const LevelList& levels) {
    constexpr std::size_t kNamed = 3;
    std::string note = "Comparing " + field + " = " + levelText(levels[0]) + " with " +
                       levelText(levels[1]) + "; levels left out: ";
    const std::size_t left = levels.size() - 2;
    for (std::size_t i = 0; i < std::min(left, kNamed); ++i)
        note += (i > 0 ? ", " : "") + levelText(levels[2 + i]);
    if (left > kNamed) note += " and " + std::to_string(left - kNamed) + " more";
    return note;
}

}  // namespace

std::string CAnova::Quorvane_ANOVA(const std::string& strType, bool fIncludeBlanks,
                                   const std::string& strOutputTable,
                                   const std::string& strDetailTable,
                                   const std::string& strUserTable,
                                   const std::vector<std::string>& strFields, int intGroupFields,
                                   int intCompareFields, int intDataFields, bool fWeighted,
                                   Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_ANOVA");
    if (!iequal(strType, "T") && !iequal(strType, "A"))
        return "The group analysis type must be \"T\" or \"A\".";
    if (intCompareFields < 1) return "At least one Compare field must be assigned";
    const int needed = intGroupFields + intCompareFields + intDataFields + (fWeighted ? 1 : 0);
    if (intGroupFields < 0 || intDataFields < 1 || static_cast<int>(strFields.size()) < needed)
        return "The field list does not hold the group, compare, data and weight fields.";

    tTest_ = iequal(strType, "T");
    includeBlanks_ = fIncludeBlanks;
    outputTable_ = strOutputTable;
    detailTable_ = strDetailTable;
    input_ = strUserTable;
    G_ = intGroupFields;
    C_ = intCompareFields;
    X_ = intDataFields;
    weighted_ = fWeighted;
    compareNames_.assign(strFields.begin() + G_, strFields.begin() + G_ + C_);
    // The t-test reads levels only; the analysis of variance also needs cells.
    cellPairs_ = AnovaGroup::pairs(tTest_ ? 0 : C_);

    engine.Quorvane_Msg(0, false, "Analyzing comparison fields");
    if (std::string e = AnovaGroups(engine); !e.empty()) return e;
    if (!includeBlanks_)
        if (std::string e = CheckNonBlankRows(engine); !e.empty()) return e;

    // The frame reads the data fields right after the group fields and the
    // weight last; the compare fields ride along between them.
    AnalysisInput in{strUserTable, {}, G_, X_, fWeighted};
    in.fields.assign(strFields.begin(), strFields.begin() + G_);
    in.fields.insert(in.fields.end(), strFields.begin() + G_ + C_,
                     strFields.begin() + G_ + C_ + X_);
    in.fields.insert(in.fields.end(), compareNames_.begin(), compareNames_.end());
    if (fWeighted) in.fields.push_back(strFields[static_cast<size_t>(G_ + C_ + X_)]);
    std::string error = Run(engine, std::move(in), Walk::Hashed);
    detail_.Close();
    return error;
}

std::string CAnova::AnovaGroups(Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "AnovaGroups");
    levels_.assign(at(C_), {});
    for (int i = 0; i < C_; ++i)
        if (std::string e =
                levels_[at(i)].Read(engine, input_, compareNames_[at(i)], includeBlanks_);
            !e.empty())
            return e;
    return {};
}

std::string CAnova::BeforeWalk() {
    for (LevelList& list : levels_) list.MergeCase(engine().BinaryCompare());
    // The t-test takes the first two levels: say so when there are more.
    if (tTest_ && levels_[0].size() > 2)
        engine().Quorvane_Note(tTestLevelsNote(compareNames_[0], levels_[0]));
    return {};
}

std::string CAnova::CheckNonBlankRows(Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "InitAnovaTable");
    std::string where;
    for (const std::string& name : compareNames_)
        where +=
            (where.empty() ? "" : " AND ") + std::string("(") + bracketName(name) + " Is Not Null)";
    Database source = engine.SourceDatabase();
    auto rs = source.OpenRecordset(
        "SELECT Count(*) FROM " + bracketName(input_) + " WHERE (" + where + ");", dbOpenSnapshot);
    if (!rs) {
        if (rs.error().number == err::kTooFewParameters)
            return "The selected query expects parameters and cannot be used by Lumvar.";
        engine.ErrorHandler().HandleError(rs.error().number, rs.error().description);
        return rs.error().description;
    }
    if (rs->Eof() || rs->GetValue(0).asDouble() < 1)
        return "No records with non-blank Compare Fields found in " + input_ + ".";
    return {};
}

std::string CAnova::CreateOutput() {
    std::string e = tTest_ ? CreateTTest() : CreateAnova();
    if (e.empty() && !detailTable_.empty()) e = CreateDetail();
    return e;
}

std::string CAnova::CreateAnova() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateAnova");
    TableDef def = NewOutputTable(outputTable_);
    AddColumn(def, "Index", dbInteger);
    AddColumn(def, "Source_of_Variation", dbText, 70);
    AddColumn(def, "Sum_of_Squares", dbDouble);
    AddColumn(def, "DF", dbLong);
    AddColumn(def, "Mean_Square", dbDouble);
    AddColumn(def, "F-Value", dbDouble);
    AddColumn(def, "Prob", dbDouble);
    return CreateOutputTable(def);
}

std::string CAnova::CreateTTest() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateTTest");
    TableDef def = NewOutputTable(outputTable_);
    for (const char* name :
         {"Count-1", "Count-2", "Mean-1", "Mean-2", "Mean_Diff", "StdDeviation-1", "StdDeviation-2",
          "StdError-1", "StdError-2", "DF_Pooled", "t-Value_Pooled", "Prob_(2-tail)_Pooled",
          "DF_Separate", "t-Value_Separate", "Prob_(2-tail)_Separate"})
        AddColumn(def, name, dbDouble);
    return CreateOutputTable(def);
}

std::string CAnova::CreateDetail() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateDetail");
    engine().Quorvane_DeleteTable(false, detailTable_);
    TableDef def = engine().OutputDatabase().CreateTableDef(detailTable_);
    int ordinal = 1;
    auto add = [&](const std::string& name, int type, long size = 0) {
        engine().AddTableField(def, name, type, ordinal, size);
    };
    const InputFields in = inputFields();
    if (C_ == 1) {
        // The compare field becomes one more group column.
        detailNames_.assign(in.names.begin(), in.names.begin() + G_);
        detailTypes_.assign(in.types.begin(), in.types.begin() + G_);
        detailSizes_.assign(in.sizes.begin(), in.sizes.begin() + G_);
        detailNames_.push_back(in.names[at(ComparePosition(0))]);
        detailTypes_.push_back(in.types[at(ComparePosition(0))]);
        detailSizes_.push_back(in.sizes[at(ComparePosition(0))]);
        AddGroupColumns(engine(), def, ordinal, {detailNames_, detailTypes_, detailSizes_, G_ + 1});
        add("Count", dbDouble);
        if (weighted_) add("Observations", dbDouble);
    } else {
        AddGroupColumns(engine(), def, ordinal, in);
        if (weighted_) add("Observations", dbDouble);
        add("Compare_Field", dbText, 64);
        // The compare fields' common type; when they differ, text long
        // enough for the longest of them and for numbers written as text.
        compareValueType_ = in.types[at(ComparePosition(0))];
        bool differ = false;
        long textSize = 0;
        for (int i = 0; i < C_; ++i) {
            const int type = in.types[at(ComparePosition(i))];
            if (type != compareValueType_) differ = true;
            if (type == dbText || type == 0)
                textSize = std::max(textSize, in.sizes[at(ComparePosition(i))]);
        }
        if (differ || compareValueType_ == 0) compareValueType_ = dbText;
        if (differ && textSize < 20) textSize = 25;
        if (compareValueType_ == dbText && textSize <= 0) textSize = 255;
        add("Compare_Value", compareValueType_, compareValueType_ == dbText ? textSize : 0);
        add("Count", dbDouble);
    }
    for (const char* name : {"Mean", "Minimum", "Maximum", "Range", "Sum", "Variance",
                             "CoeffOfVariance", "StdDeviation", "StdError"})
        add(name, dbDouble);
    return CreateOutputTable(def, &detail_);
}

std::unique_ptr<GroupState> CAnova::NewGroup() {
    return std::make_unique<AnovaGroup>(X_, C_);
}

std::string CAnova::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<AnovaGroup&>(state);
    double w = 1;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (w <= 0) return {};
    rowLevels_.resize(at(C_));
    for (int i = 0; i < C_; ++i) {
        const Value v = engine().DataRecordset().GetValue(ComparePosition(i));
        if (v.isNull() && !includeBlanks_) return {};
        // A value the list does not hold (the input changed since the list
        // was read) belongs to no level.
        rowLevels_[at(i)] = levels_[at(i)].Find(v);
        if (rowLevels_[at(i)] < 0) return {};
    }
    for (int k = 0; k < X_; ++k) {
        std::optional<double> value;
        if (std::string e = reader().Usable(k, value); !e.empty()) return e;
        if (!value) continue;
        const double x = *value;
        g.total(k).add(x, w);
        for (int i = 0; i < C_; ++i) AnovaGroup::sums(g.level(k, i), rowLevels_[at(i)]).add(x, w);
        for (std::size_t p = 0; p < cellPairs_.size(); ++p) {
            const auto [a, b] = cellPairs_[p];
            const std::pair<int, int> cell{rowLevels_[at(a)], rowLevels_[at(b)]};
            AnovaGroup::sums(g.cell(k, static_cast<int>(p)), cell).add(x, w);
        }
    }
    return {};
}

std::string CAnova::WriteGroup(GroupState& state, const std::vector<Value>& group, long) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    const auto& g = static_cast<const AnovaGroup&>(state);
    for (int k = 0; k < X_; ++k) {
        if (g.totals[at(k)].count() == 0) continue;  // no usable value of this field
        if (!detailTable_.empty())
            if (std::string e = WriteDetail(g, group, k); !e.empty()) return e;
        std::string e = tTest_ ? WriteTTest(g, group, k) : WriteAnova(g, group, k);
        if (!e.empty()) return e;
    }
    return {};
}

const std::string& CAnova::DataName(int k) const {
    return in().fields[at(G_ + k)];
}

const std::string& CAnova::CompareName(int i) const {
    return compareNames_[at(i)];
}

}  // namespace qrv
