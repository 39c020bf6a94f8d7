// The chi-square test of equal shares: one pass over the input rows counting
// each compare field's categories per group, then per compare field the
// summary row of every group and, with the detail table, a row per category.
#include "analyses/nonparametric/chi_square.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "analyses/output_values.h"
#include "dataaccess/fold.h"
#include "engine/group_walk.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "numeric/distributions.h"
#include "numeric/extended.h"

namespace qrv {

using namespace qrv::dao;

namespace {

bool isNumericType(int type) {
    return type == dbByte || type == dbInteger || type == dbLong || type == dbCurrency ||
           type == dbSingle || type == dbDouble;
}

// Null, and the empty or blank texts that stand for it in loaded data.
bool isBlank(const Value& v) {
    return v.isNull() || (v.isText() && v.textRef().find_first_not_of(' ') == std::string::npos);
}

struct ChiGroup : GroupState {
    using Categories = CNonParamChiSquare::Categories;
    ChiGroup(int fields, bool binary)
        : categories(static_cast<size_t>(fields), Categories(LevelLess{binary})) {}
    std::vector<Categories> categories;  // per compare field

    static void add(Categories& into, const Value& v, double count, double weight) {
        auto [it, added] = into.try_emplace(LevelKey::of(v));
        CNonParamChiSquare::Category& c = it->second;
        if (added) {
            c.spelling = v;
        } else if (v.isText() && c.spelling.isText() &&
                   compareFolded(v.textRef(), c.spelling.textRef()) < 0) {
            // The same spelling whatever order the rows come in.
            c.spelling = v;
        }
        c.count += count;
        c.weight += weight;
    }

    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const ChiGroup&>(other);
        for (size_t i = 0; i < categories.size(); ++i)
            for (const auto& [key, c] : o.categories[i])
                add(categories[i], c.spelling, c.count, c.weight);
    }
};

}  // namespace

void ChiCompareValueType(const std::vector<int>& types, const std::vector<long>& sizes, int& type,
                         long& size) {
    long largest = 0;
    for (size_t i = 0; i < types.size(); ++i)
        if (types[i] == dbText && i < sizes.size()) largest = std::max(largest, sizes[i]);
    const bool same = !types.empty() &&
                      std::all_of(types.begin(), types.end(), [&](int t) { return t == types[0]; });
    if (same && types[0] != 0) {
        type = types[0];
        size = type == dbText ? (largest > 0 ? largest : 255) : 0;
        return;
    }
    type = dbText;
    size = largest < 20 ? 25 : largest;
}

std::string CNonParamChiSquare::Quorvane_ChiSquare(
    const std::string& strOutputTable, const std::string& strDetailTable,
    const std::string& strUserTable, const std::vector<std::string>& strFields, int intGroupFields,
    int intCompareFields, bool fWeighted, bool fDetail, bool fIncludeBlanks, bool fAllGroups,
    Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_ChiSquare");
    const int needed = intGroupFields + intCompareFields + (fWeighted ? 1 : 0);
    if (intGroupFields < 0 || intCompareFields < 1 || static_cast<int>(strFields.size()) < needed)
        return "The field list does not hold the group, compare and weight fields.";
    outputTable_ = strOutputTable;
    detailTable_ = strDetailTable;
    G_ = intGroupFields;
    C_ = intCompareFields;
    detail_ = fDetail && !strDetailTable.empty();
    includeBlanks_ = fIncludeBlanks;
    allGroups_ = fAllGroups;
    ignoring_ = !engine.Quorvane_DataWhere("[x]").empty();
    // Blanks are a category only when asked for and nothing is ignored.
    excludeBlanks_ = ignoring_ || !includeBlanks_;
    finished_.clear();

    std::vector<std::string> fields(strFields.begin(), strFields.begin() + G_ + C_);
    if (fWeighted) fields.push_back(strFields[static_cast<size_t>(needed - 1)]);
    std::string error = Run(engine, {strUserTable, fields, G_, C_, fWeighted, true}, Walk::Hashed);
    for (int i = 0; error.empty() && i < C_; ++i) {
        // The first field's data were announced before the read.
        if (i > 0) engine.Quorvane_Msg(0, false, RetrievingField(compareName(i)));
        error = WriteField(i);
    }
    summaryRs_.Close();
    detailRs_.Close();
    finished_.clear();
    return error;
}

const std::string& CNonParamChiSquare::compareName(int i) const {
    return in().fields[static_cast<size_t>(G_ + i)];
}

void CNonParamChiSquare::StageRetrieving() {
    engine().Quorvane_Msg(0, false, RetrievingField(compareName(0)));
}

int CNonParamChiSquare::compareType(int i) const {
    const int type = inputFields().types[static_cast<size_t>(G_ + i)];
    return type ? type : dbText;
}

std::string CNonParamChiSquare::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    if (detail_)
        if (std::string e = CreateDetail(); !e.empty()) return e;
    TableDef def = NewOutputTable(outputTable_);
    AddColumn(def, "Count", dbDouble);
    AddColumn(def, "Groups", dbInteger);
    if (allGroups_) AddColumn(def, "MissingGroups", dbInteger);
    AddColumn(def, "Expected", dbDouble);
    AddColumn(def, "Chi-Square", dbDouble);
    AddColumn(def, "DF", dbDouble);
    AddColumn(def, "Prob", dbDouble);
    return CreateOutputTable(def, &summaryRs_);
}

std::string CNonParamChiSquare::CreateDetail() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateDetail");
    engine().Quorvane_DeleteTable(false, detailTable_);
    TableDef def = engine().OutputDatabase().CreateTableDef(detailTable_);
    int ordinal = 1;
    const InputFields fields = inputFields();
    auto add = [&](const std::string& name, int type, long size) {
        engine().AddTableField(def, name, type, ordinal, size);
    };
    auto textSize = [](int type, long size) {
        return type == dbText ? (size > 0 ? size : 255) : 0;
    };
    for (int g = 0; g < G_; ++g) {
        const auto at = static_cast<size_t>(g);
        const int type = fields.types[at] ? fields.types[at] : dbText;
        add(fields.names[at], type, textSize(type, fields.sizes[at]));
    }
    if (C_ == 1) {
        add(compareName(0), compareType(0),
            textSize(compareType(0), fields.sizes[static_cast<size_t>(G_)]));
    } else {
        std::vector<int> types;
        std::vector<long> sizes;
        for (int i = 0; i < C_; ++i) {
            types.push_back(compareType(i));
            sizes.push_back(fields.sizes[static_cast<size_t>(G_ + i)]);
        }
        long size = 0;
        ChiCompareValueType(types, sizes, valueType_, size);
        add("Compare_Field", dbText, 64);
        add("Compare_Value", valueType_, size);
    }
    for (const char* name : {"Observed", "Expected", "Difference", "Chi-Square", "Observed_Pcnt",
                             "Expected_Pcnt", "Pcnt_Diff", "Cumulative", "Cumulative_Pcnt"})
        add(name, dbDouble, 0);
    return CreateOutputTable(def, &detailRs_);
}

std::unique_ptr<GroupState> CNonParamChiSquare::NewGroup() {
    return std::make_unique<ChiGroup>(C_, engine().BinaryCompare());
}

std::string CNonParamChiSquare::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "ReadRecords");
    auto& g = static_cast<ChiGroup&>(state);
    // The weight as it stands (a zero or negative one still names its
    // category); a missing or ignored weight drops the row.
    double w = 1;
    if (in().weighted) {
        std::optional<double> x;
        if (std::string e = reader().UsableAt(G_ + C_, x); !e.empty()) return e;
        if (!x) return {};
        w = *x;
    }
    const Recordset& rs = engine().DataRecordset();
    for (int i = 0; i < C_; ++i) {
        Value v = rs.GetValue(G_ + i);
        if (isBlank(v)) {
            if (excludeBlanks_) continue;
            v = Value();
        } else if (ignoring_ && isNumericType(compareType(i))) {
            std::optional<double> x;
            if (std::string e = reader().UsableAt(G_ + i, x); !e.empty()) return e;
            if (!x) continue;
        }
        ChiGroup::add(g.categories[static_cast<size_t>(i)], v, 1, w);
    }
    return {};
}

std::string CNonParamChiSquare::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                           long) {
    // Written per compare field once every group is known.
    auto& g = static_cast<ChiGroup&>(state);
    finished_.push_back({group, std::move(g.categories)});
    return {};
}

std::string CNonParamChiSquare::WriteField(int i) {
    ProcedureScope scope(engine().ErrorHandler(), "ReadRecords");
    const auto at = static_cast<size_t>(i);
    const std::string progress = AnalyzingField(compareName(i));
    // Every category of the field in the input, in the order of the groups'.
    Categories all(LevelLess{engine().BinaryCompare()});
    if (allGroups_)
        for (const Finished& f : finished_)
            for (const auto& [key, c] : f.fields[at]) ChiGroup::add(all, c.spelling, 0, 0);
    const long M = static_cast<long>(all.size());
    long records = 0;
    for (const Finished& f : finished_) {
        const Categories& cats = f.fields[at];
        if (cats.empty()) continue;  // no row of the group counts for this field
        std::string error = WriteGroupInTransaction(engine(), [&]() -> std::string {
            const bool weighted = in().weighted;
            auto observed = [&](const Category& c) { return weighted ? c.weight : c.count; };
            num::Extended sum;
            for (const auto& [key, c] : cats) sum += observed(c);
            const double N = sum.toDouble();
            const long k = static_cast<long>(cats.size());
            const double E = N / static_cast<double>(allGroups_ ? M : k);
            num::Extended X;
            double cumulative = 0;
            auto detailRow = [&](const Value& category, double O) -> std::string {
                if (!detail_) return {};
                cumulative += O;
                return WriteDetail(i, f.group, category, O, E, N, cumulative);
            };
            auto next = all.begin();
            for (const auto& [key, c] : cats) {
                const double O = observed(c);
                // With all groups in the detail, the categories this group
                // lacks come in their place in the list, observed 0 times.
                if (detail_ && allGroups_) {
                    for (; next != all.end() && all.key_comp()(next->first, key); ++next)
                        if (std::string e = detailRow(next->second.spelling, 0); !e.empty())
                            return e;
                    if (next != all.end()) ++next;
                }
                // Weights summing to 0 expect 0 of every category: no test, X = 0.
                if (O > 0 && E != 0) X += (num::Extended(E) - O) * (num::Extended(E) - O) / E;
                if (std::string e = detailRow(c.spelling, O); !e.empty()) return e;
                ++records;
                engine().Quorvane_Msg(records, false, progress + std::to_string(records));
                if (engine().Cancelled()) return std::string(kErrActionCancelledText);
            }
            if (detail_ && allGroups_)
                for (; next != all.end(); ++next)
                    if (std::string e = detailRow(next->second.spelling, 0); !e.empty()) return e;
            return WriteData(i, f.group, k, N, E, X.toDouble(), M);
        });
        if (!error.empty()) return error;
    }
    return {};
}

std::string CNonParamChiSquare::WriteData(int i, const std::vector<Value>& group, long k, double N,
                                          double E, double X, long M) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    const long df = allGroups_ ? M - 1 : k - 1;
    // An expected frequency of 0 (weights summing to nothing) finds no
    // difference: X = 0 and a tail of 1.
    const bool usable = std::isfinite(E);
    std::optional<double> chi, prob;
    if (usable) chi = X;
    if (usable && df > 0 && std::isfinite(X))
        prob = num::CZValue().Quorvane_CalcProb("C", X, static_cast<double>(df), 0);
    RowWriter row(summaryRs_);
    row.groups(inputFields(), group, compareName(i))
        .set("Count", N)
        .set("Groups", smallCount(df + 1));
    if (allGroups_) row.set("MissingGroups", smallCount(M - k));
    row.set("Expected", E)
        .set("Chi-Square", chi)
        .set("DF", static_cast<double>(df))
        .set("Prob", prob);
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

std::string CNonParamChiSquare::WriteDetail(int i, const std::vector<Value>& group,
                                            const Value& category, double O, double E, double N,
                                            double cumulative) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteDetail");
    RowWriter row(detailRs_);
    row.groupsOnly(G_, group);
    if (C_ == 1) {
        row.set(compareName(0), category);
    } else {
        const bool asIs = category.isNull() || compareType(i) == valueType_;
        row.set("Compare_Field", compareName(i))
            .set("Compare_Value", asIs ? category : Value(category.toText()));
    }
    // An expected frequency that is not finite (no usable weights) leaves
    // every statistic built on it Null.
    const std::optional<double> expected =
        std::isfinite(E) ? std::optional<double>(E) : std::nullopt;
    std::optional<double> chi, difference, expectedShare, differenceShare;
    if (expected) {
        chi = E != 0 ? (O - E) * (O - E) / E : 0;
        difference = O - E;
        expectedShare = ratio(E, N);
        differenceShare = ratio(O - E, N);
    }
    row.set("Observed", O)
        .set("Expected", expected)
        .set("Difference", difference)
        .set("Chi-Square", chi)
        .set("Observed_Pcnt", ratio(O, N))
        .set("Expected_Pcnt", expectedShare)
        .set("Pcnt_Diff", differenceShare)
        .set("Cumulative", cumulative)
        .set("Cumulative_Pcnt", ratio(cumulative, N));
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

}  // namespace qrv
