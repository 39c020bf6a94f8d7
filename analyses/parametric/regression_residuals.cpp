// The residual pass of the regressions: the input read again in group order,
// and each used record's residual row written once, complete, from the model
// the walk fitted for its group.
#include <cmath>

#include "analyses/parametric/regression_base.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "engine/run_report.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// Residual rows written between commits, a commit falling only where a group
// ends: the file is locked for writing in stretches, not for the whole pass,
// and a failed run's rows go with its working table all the same.
constexpr long kRowsPerCommit = 100000;

}  // namespace

std::string RegressionBase::ResidualPass() {
    ProcedureScope scope(engine().ErrorHandler(), "CalcResiduals");
    // The bar starts again: this pass reads as many rows as the walk did.
    engine().BeginProgressPass();
    engine().Quorvane_Msg(0, false, "Performing residual analysis");
    // The SELECT of the sorted walk: the groups in the order the walk wrote
    // them, and the rows of a group in the order users know from it.
    std::string error = engine().Quorvane_OpenDataRecordset(
        Quorvane::InitDataSql(args_.input, args_.fields, args_.groups, true));
    if (error.empty()) error = WriteResiduals();
    engine().DataRecordset().Close();
    return error;
}

std::string RegressionBase::WriteResiduals() {
    Database out = engine().OutputDatabase();
    Recordset& data = engine().DataRecordset();
    const int groups = args_.groups;
    const std::size_t perGroup = perField_ ? static_cast<std::size_t>(args_.xFields) : 1;
    // The input is read twice: should it change in between, its rows would
    // no longer be those the models were fitted to.
    const std::string changed =
        "The input [" + args_.input + "] changed while its residuals were written.";
    std::vector<Value> group, current(static_cast<std::size_t>(groups));
    std::size_t seen = 0;  // groups met so far; the current one is seen - 1
    long inGroup = 0, read = 0, written = 0, committed = 0;
    bool inTransaction = false;
    std::string error;
    auto endGroup = [&]() -> std::string {
        if (inGroup != modelGroups_[seen - 1].records) return changed;
        if (inTransaction && written - committed >= kRowsPerCommit) {
            inTransaction = false;
            if (Error e = out.CommitTrans()) return Unexpected(e);
            committed = written;
        }
        return {};
    };
    while (error.empty() && !data.Eof()) {
        for (int i = 0; i < groups; ++i) current[static_cast<std::size_t>(i)] = data.GetValue(i);
        // A new group as the sorted walk tells one: the values differ from
        // the group's first row's.
        if (seen == 0 || engine().Quorvane_SameRecords_b(groups, true, group, current)) {
            if (seen > 0) error = endGroup();
            if (error.empty() &&
                (seen == modelGroups_.size() ||
                 engine().Quorvane_SameRecords_b(groups, true, modelGroups_[seen].values, current)))
                error = changed;
            if (!error.empty()) break;
            engine().Quorvane_SameRecords_b(groups, false, group, current);
            ++seen;
            inGroup = 0;
        }
        if (!inTransaction) {
            if (Error e = out.BeginTrans()) {
                error = Unexpected(e);
                break;
            }
            inTransaction = true;
        }
        error = WriteResidualRows(current, (seen - 1) * perGroup, written);
        ++inGroup;
        engine().Progress(++read);
        if (error.empty() && engine().Cancelled()) error = kErrActionCancelledText;
        if (error.empty())
            if (Error e = data.MoveNext()) error = InputReadFailure(engine(), e);
    }
    if (error.empty() && seen > 0) error = endGroup();
    if (error.empty() && seen != modelGroups_.size()) error = changed;
    if (inTransaction) {
        if (!error.empty()) {
            out.Rollback();
        } else if (Error e = out.CommitTrans()) {
            out.Rollback();
            error = Unexpected(e);
        }
    }
    if (error.empty()) {
        engine().EndProgress(read);
        if (written > 0)
            engine().RecordStatus(written, true,
                                  "Residual analysis record: " + std::to_string(written));
    }
    return error;
}

std::string RegressionBase::WriteResidualRows(const std::vector<Value>& group, std::size_t first,
                                              long& written) {
    // Rows written are counted in the status line; the bar counts rows read.
    auto tick = [&] {
        ++written;
        // The text is built only when it is shown.
        if (written % 5 == 0 && engine().StatusWanted())
            engine().RecordStatus(written, false,
                                  "Residual analysis record: " + std::to_string(written));
    };
    double w = 0;
    std::optional<double> y;
    if (!perField_) {
        if (std::string e = ReadAllFieldsRow(w, rowValues_, y); !e.empty()) return e;
        const Model& m = models_[first];
        if (!y || !m.usable) return {};
        // This table's Observations hold the weight as a whole number.
        if (std::string e = WriteResidualRow(group, m, {}, std::nearbyint(w), rowValues_, *y);
            !e.empty())
            return e;
        tick();
        return {};
    }
    if (std::string e = ReadPerFieldRow(w, y, rowXs_); !e.empty()) return e;
    if (!y) return {};
    for (std::size_t f = 0; f < rowXs_.size(); ++f) {
        const Model& m = models_[first + f];
        if (!rowXs_[f] || !m.usable) continue;
        rowValues_.assign(1, *rowXs_[f]);
        const std::string& name = args_.fields[static_cast<std::size_t>(args_.groups) + f];
        if (std::string e = WriteResidualRow(group, m, name, w, rowValues_, *y); !e.empty())
            return e;
        tick();
    }
    return {};
}

std::string RegressionBase::WriteResidualRow(const std::vector<Value>& group, const Model& m,
                                             const std::string& dataField, double weight,
                                             const std::vector<double>& xs, double y) {
    RowWriter row(residualRs_);
    if (perField_)
        row.groups(inputFields(), group, dataField);
    else
        row.groupsOnly(args_.groups, group);
    if (args_.weighted) row.set("Observations", weight);
    for (std::size_t i = 0; i < xs.size(); ++i) row.set(residualColumns_.x[i], xs[i]);
    row.set(residualColumns_.y, y);
    const num::Extended estimate = Estimate(m, xs);
    row.set("Estimated_Y", estimate.toDouble());
    // The residual from the fit itself, not from the fitted value as rounded
    // for its column: far from zero that rounding is larger than the last
    // digits of a small residual.
    row.set("Residual", (num::Extended(y) - estimate).toDouble());
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

num::Extended RegressionBase::Estimate(const Model& m, const std::vector<double>& xs) const {
    num::Extended estimate;
    if (powers_) {
        // Horner's rule, in Extended: a + x (b1 + x (b2 + ...)).
        for (std::size_t j = m.b.size(); j-- > 0;) {
            estimate += m.b[j];
            estimate *= xs[0];
        }
    } else {
        for (std::size_t i = 0; i < m.b.size(); ++i) estimate += m.b[i] * xs[i];
    }
    estimate += m.a;
    return estimate;
}

}  // namespace qrv
