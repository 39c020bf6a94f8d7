// The record walk shared by the analyses.
#include "engine/group_walk.h"

#include "dataaccess/fold.h"
#include "engine/quorvane.h"
#include "engine/run_report.h"

namespace qrv {

// A finished group's output rows go in one transaction of the output
// database: few commits, and the file is locked for writing only while a
// group is written, so other runs on the same file are not shut out.
std::string WriteGroupInTransaction(Quorvane& engine, const std::function<std::string()>& write) {
    CErr_Zelk& handler = engine.ErrorHandler();
    ProcedureScope scope(handler, "Quorvane_WriteGroup");
    OperationScope op(handler, "Writing rows to " + OutputNamesOf(engine, true),
                      errors::FailingObject::OnTable(OutputNamesOf(engine)));
    dao::Database out = engine.OutputDatabase();
    if (dao::Error e = out.BeginTrans()) {
        ReportDatabaseFailure(handler, e);
        return e.description;
    }
    std::string error = write();
    if (!error.empty()) {
        out.Rollback();
        return error;
    }
    if (dao::Error e = out.CommitTrans()) {
        out.Rollback();
        ReportDatabaseFailure(handler, e);
        return e.description;
    }
    return {};
}

void RecordTicks::Tick(Quorvane& engine, long records, bool final) const {
    if (!status) {
        engine.Progress(records);
    } else if (prefix.empty()) {
        engine.Quorvane_Msg(records, final, "");
    } else if ((records % 5 == 0 || final) && engine.StatusWanted()) {
        engine.Quorvane_Msg(records, final, prefix + std::to_string(records));
    } else {
        engine.Progress(records);
    }
}

namespace {

// A group whose texts differ only in case is named by its smallest spelling
// (case fold, then bytes, over the fields in order), as the hashed walk
// names it, whichever spelling its first row has.
void keepSmallestSpelling(std::vector<dao::Value>& group, const std::vector<dao::Value>& row) {
    for (size_t i = 0; i < group.size(); ++i) {
        if (!group[i].isText() || !row[i].isText()) continue;
        if (const int c = dao::compareFolded(row[i].textRef(), group[i].textRef())) {
            if (c < 0) group = row;
            return;
        }
    }
}

}  // namespace

std::string GroupWalk::Run(const Step& onGroupStart, const Step& onRecord,
                           const GroupEnd& onGroupEnd) {
    dao::Recordset& rs = engine_.DataRecordset();
    std::vector<dao::Value> group, current(static_cast<size_t>(groupFields_));
    long inGroup = 0;
    records_ = 0;
    std::string error = onGroupStart();
    while (error.empty() && !rs.Eof()) {
        for (int i = 0; i < groupFields_; ++i) current[static_cast<size_t>(i)] = rs.GetValue(i);
        if (records_ == 0) {
            engine_.Quorvane_SameRecords_b(groupFields_, false, group, current);
        } else if (!engine_.Quorvane_SameRecords_b(groupFields_, true, group, current)) {
            keepSmallestSpelling(group, current);
        } else {
            ticks_.Tick(engine_, records_, true);
            error = WriteGroupInTransaction(engine_, [&] { return onGroupEnd(group, inGroup); });
            if (!error.empty()) break;
            engine_.Quorvane_SameRecords_b(groupFields_, false, group, current);
            error = onGroupStart();
            if (!error.empty()) break;
            inGroup = 0;
        }
        error = onRecord();
        ++inGroup;
        ++records_;
        ticks_.Tick(engine_, records_, false);
        if (error.empty() && engine_.Cancelled()) error = kErrActionCancelledText;
        if (error.empty())
            if (dao::Error e = rs.MoveNext()) error = InputReadFailure(engine_, e);
    }
    if (error.empty() && records_ > 0) {
        ticks_.Tick(engine_, records_, true);
        error = WriteGroupInTransaction(engine_, [&] { return onGroupEnd(group, inGroup); });
    }
    return error;
}

}  // namespace qrv
