// Compare two fields: per group and X field the pair sums of X and Y over
// the records in which both are usable, and the comparison counts.
#include "analyses/parametric/compare.h"

#include <cmath>
#include <optional>

#include "analyses/parametric/column_names.h"
#include "analyses/parametric/pair_differences.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"

namespace qrv {

using namespace qrv::dao;

namespace {

struct CompareGroup : GroupState {
    std::vector<PairComparison> fields;
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const CompareGroup&>(other);
        for (size_t i = 0; i < fields.size(); ++i) fields[i].merge(o.fields[i]);
    }
};

bool letter(const std::string& descriptor, size_t i) {
    return descriptor.size() > i && (descriptor[i] == 'Y' || descriptor[i] == 'y');
}

}  // namespace

std::string CCompare::Quorvane_Compare(const std::string& strOutputTable,
                                       const std::string& strUserTable,
                                       const std::vector<std::string>& strFields,
                                       int intGroupFields, int intFields, bool fWeighted,
                                       const std::string& strDescriptor, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_Compare");
    const auto yAt = static_cast<size_t>(intGroupFields + intFields);
    if (intGroupFields < 0 || intFields < 1 || strFields.size() <= yAt)
        return "The field list does not hold the group, X and Y fields.";
    outputTable_ = strOutputTable;
    F_ = intFields;
    counts_ = letter(strDescriptor, 0);
    means_ = letter(strDescriptor, 1);
    corr_ = letter(strDescriptor, 2);
    tTest_ = letter(strDescriptor, 3);
    countColumn_ = ("Count_of_" + strFields[yAt]).substr(0, 64);
    // Y reads as the analysis field after the X fields. Fractional weights
    // round the comparison counts record by record, so a weighted run takes
    // the rows in the order of the sorted walk; without weights every count
    // is a plain sum and any order gives the same table.
    return Run(engine, {strUserTable, strFields, intGroupFields, intFields + 1, fWeighted},
               fWeighted ? Walk::Sorted : Walk::Hashed);
}

std::string CCompare::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    std::vector<std::string> names = LeadingColumnNames(countColumn_);
    const size_t first = names.size();  // the double columns of the options
    if (counts_) names.insert(names.end(), {"Count<Y", "Count=Y", "Count>Y"});
    if (means_) names.insert(names.end(), {"MeanX", "MeanY", "MeanDiff", "StdDevDiff"});
    if (corr_) names.insert(names.end(), {"Covariance", "Correlation", "R-Square"});
    if (tTest_)
        names.insert(names.end(), {"T-DF", "Paired_t-Value", "Prob_(1-tail)", "Prob_(2-tail)"});
    if (std::string e = RepeatedColumn(names); !e.empty()) return e;

    TableDef def = NewOutputTable(outputTable_);
    AddCountColumns(def, countColumn_);
    for (size_t i = first; i < names.size(); ++i) AddColumn(def, names[i], dbDouble);
    return CreateOutputTable(def);
}

std::unique_ptr<GroupState> CCompare::NewGroup() {
    auto g = std::make_unique<CompareGroup>();
    g->fields.resize(static_cast<size_t>(F_));
    return g;
}

std::string CCompare::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<CompareGroup&>(state);
    double w = 0;
    std::optional<double> y;
    if (std::string e = reader().WeightedUsable(F_, w, y); !e.empty()) return e;
    if (!y) return {};  // a skipped row, or Y missing for every X field
    for (int i = 0; i < F_; ++i) {
        std::optional<double> x;
        if (std::string e = reader().Usable(i, x); !e.empty()) return e;
        if (!x) continue;
        g.fields[static_cast<size_t>(i)].add(*x, *y, w);
    }
    return {};
}

std::string CCompare::WriteGroup(GroupState& state, const std::vector<Value>& group, long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<CompareGroup&>(state);
    const InputFields fields = inputFields();
    for (int i = 0; i < F_; ++i) {
        const PairComparison& f = g.fields[static_cast<size_t>(i)];
        const long valid = f.pair.moments().valid();
        const PairDifferences::Result r = f.pair.result();
        RowWriter row(output());
        row.groups(fields, group, in().fields[static_cast<size_t>(in().groups + i)]);
        row.set(countColumn_, r.n);
        if (in().weighted) row.set("Observations", static_cast<double>(valid));
        row.set("Missing", static_cast<int>(records - valid));
        // The comparison counts are whole numbers kept in double columns.
        if (r.n > 0 && counts_) {
            row.set("Count<Y", static_cast<double>(f.below));
            row.set("Count=Y", static_cast<double>(f.equal));
            row.set("Count>Y", static_cast<double>(f.above));
        }
        if (means_) {
            row.set("MeanX", r.meanX);
            row.set("MeanY", r.meanY);
            row.set("MeanDiff", r.meanDiff);
            row.set("StdDevDiff", r.stdDevDiff);
        }
        if (corr_) {
            row.set("Covariance", r.covariance);
            row.set("Correlation", r.correlation);
            row.set("R-Square", r.rSquare);
        }
        if (tTest_) {
            row.set("T-DF", r.df);
            row.set("Paired_t-Value", r.t);
            if (r.p) {
                row.set("Prob_(1-tail)", *r.p / 2);
                row.set("Prob_(2-tail)", r.p);
            }
        }
        if (Error e = row.finish()) return Unexpected(e);
    }
    return {};
}

}  // namespace qrv
