// Progress as rows read against a total, for a progress bar: the total is
// known before the walk when the input is a table (a count of its rows costs
// little), and only at the end for a query, whose count would cost a second
// run of it. Reports come at the stages and at steps of about half a percent
// of the rows, never per row. A pass that reads the rows again (residuals)
// starts again from 0 of the same total.
#include <algorithm>

#include "dataaccess/dialect/sql_dialect.h"
#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// Rows between two reports while the total is unknown: a fixed floor, then
// half a percent of the rows read so far.
constexpr long kUnknownStep = 4096;

}  // namespace

void Quorvane::BeginProgress(const std::string& strUserTable) {
    progressTotal_ = -1;
    progressDone_ = 0;
    if (onProgress_.empty()) return;
    progressNext_ = 0;
    if (Quorvane_UTIL_TableOrQuery(sourceDb_, strUserTable) != 0) return;
    // Errors leave the total unknown: it only serves the display.
    auto rs = sourceDb_.OpenRecordset("SELECT COUNT(*) FROM " + bracketName(strUserTable) + ";",
                                      dbOpenSnapshot);
    double n = 0;
    if (rs && !rs->Eof() && rs->GetNumber(0, n) && n >= 0) progressTotal_ = static_cast<long>(n);
    if (rs) rs->Close();
}

void Quorvane::EndProgress(long done) {
    if (onProgress_.empty()) return;
    progressTotal_ = done;
    raiseProgress(done, true);
}

void Quorvane::BeginProgressPass() {
    progressDone_ = 0;
    if (!onProgress_.empty()) progressNext_ = 0;
}

void Quorvane::RecordStatus(long lngRecord, bool fFinal, const std::string& strMessage) {
    // In a run the run's flag decides; outside one, the property.
    if (!StatusWanted() || !(lngRecord % 5 == 0 || fFinal)) return;
    raiseStatus(strMessage.empty() ? "Analyzing record: " + std::to_string(lngRecord) : strMessage);
}

void Quorvane::Quorvane_Note(const std::string& note) {
    runNotes_.push_back(note);
    for (auto& f : onNote_) f(note);
    if (StatusWanted()) raiseStatus(note);
}

void Quorvane::raiseProgress(long done, bool final) {
    // A cancelled run reports nothing more: the next step never comes.
    if (onProgress_.empty() || Cancelled()) {
        progressNext_ = kNoProgress;
        return;
    }
    progressDone_ = done;
    // A table that grew since it was counted: the rows read are the floor.
    if (progressTotal_ >= 0 && done > progressTotal_) progressTotal_ = done;
    const long step = progressTotal_ > 0 ? std::max(1L, progressTotal_ / 200)
                                         : std::max(kUnknownStep, done / 200);
    progressNext_ = final ? kNoProgress : done + std::max(1L, step);
    for (auto& f : onProgress_) f(done, progressTotal_);
}

}  // namespace qrv
