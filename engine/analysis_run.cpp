// The run frame shared by the analyses.
#include "engine/analysis_run.h"

#include "engine/group_walk.h"
#include "engine/hashed_walk.h"
#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

AnalysisRun::~AnalysisRun() = default;

std::string AnalysisRun::Run(Quorvane& engine, AnalysisInput in, Walk walk) {
    const bool sortedValues = walk == Walk::SortedValues || walk == Walk::SortedRowsWithValues;
    const bool hashed =
        (walk == Walk::SortedValues || walk == Walk::Hashed) && engine.HashedGroups();
    engine_ = &engine;
    in_ = std::move(in);
    const int needed = in_.groups + in_.analysisFields + (in_.weighted ? 1 : 0);
    if (in_.groups < 0 || in_.analysisFields < 1 || static_cast<int>(in_.fields.size()) < needed)
        return "The field list does not hold the group, analysis and weight fields.";
    // The weight field is the last of the list.
    reader_ = std::make_unique<ValueReader>(engine, in_.fields, in_.groups, in_.analysisFields,
                                            in_.weighted, static_cast<int>(in_.fields.size()) - 1);

    StageRetrieving();
    // The hashed walk needs no order, so the database need not sort.
    std::string error =
        engine.Quorvane_InitDataTable(in_.input, in_.fields, in_.groups, types_, sizes_, !hashed);
    Recordset& data = engine.DataRecordset();
    if (!error.empty() && in_.emptyIsResult && data.IsOpen() && data.RecordCount() < 1) {
        engine.Quorvane_InitFieldTypes(data, static_cast<int>(in_.fields.size()), in_.fields,
                                       types_, sizes_);
        error.clear();
    }
    if (error.empty()) {
        engine.BeginProgress(in_.input);
        StageCreating();
        ordinal_ = 1;
        error = CreateOutput();
    }
    if (error.empty()) error = BeforeWalk();
    // The database's sort may have taken long: a cancel meanwhile ends here.
    if (error.empty() && engine.Cancelled()) error = kErrActionCancelledText;
    // Sorted values spill past the memory budget to a file of their own
    // beside the scratch files (made only if they do).
    if (error.empty() && sortedValues)
        budget_ =
            std::make_unique<SortBudget>(engine.SortMemoryBudget(), Quorvane::ScratchFolder());
    if (error.empty()) {
        StageAnalyzing();
        long records = 0;
        error = hashed ? hashedWalk(records) : sortedWalk(records);
        if (error.empty()) error = AfterWalk();
        if (error.empty()) engine.EndProgress(records);
    }
    engine.DataRecordset().Close();
    engine.OutputRecordset().Close();
    // The walk's states are gone: the spill file goes with the budget.
    budget_.reset();
    return error;
}

void AnalysisRun::StageRetrieving() {
    engine_->Quorvane_Msg(0, false, "Retrieving and sorting data");
}

void AnalysisRun::StageCreating() {
    engine_->Quorvane_Msg(0, false, "Creating output table");
}

void AnalysisRun::StageAnalyzing() {
    engine_->Quorvane_Msg(0, false, "Analyzing records");
}

std::string AnalysisRun::hashedWalk(long& records) {
    HashedWalk walk(*engine_, in_.groups);
    walk.SetTicks(Ticks());
    std::string error =
        walk.Run([this] { return newGroup(); }, [this](GroupState& state) { return AddRow(state); },
                 [this](GroupState& into, const GroupState& part) -> std::string {
                     if (Error e = into.MergeAll(part)) return Unexpected(e);
                     return {};
                 },
                 [this](GroupState& state, const std::vector<Value>& group, long inGroup) {
                     return WriteGroup(state, group, inGroup);
                 });
    records = walk.Records();
    return error;
}

std::string AnalysisRun::sortedWalk(long& records) {
    std::unique_ptr<GroupState> state;
    GroupWalk walk(*engine_, in_.groups);
    walk.SetTicks(Ticks());
    std::string error = walk.Run(
        [&]() -> std::string {
            state.reset();  // its values leave the budget before the next group's come
            state = newGroup();
            return {};
        },
        [&] { return AddRow(*state); },
        [&](const std::vector<Value>& group, long inGroup) {
            return WriteGroup(*state, group, inGroup);
        });
    records = walk.Records();
    return error;
}

std::unique_ptr<GroupState> AnalysisRun::newGroup() {
    std::unique_ptr<GroupState> state = NewGroup();
    if (state && budget_) state->values.UseBudget(budget_.get());
    return state;
}

std::string AnalysisRun::Unexpected(const Error& e) {
    engine_->ErrorHandler().HandleError(e.number, e.description);
    return e.description.empty() ? "Error " + std::to_string(e.number) : e.description;
}

TableDef AnalysisRun::NewOutputTable(const std::string& name) {
    engine_->Quorvane_DeleteTable(false, name);
    TableDef def = engine_->OutputDatabase().CreateTableDef(name);
    ordinal_ = 1;
    AddGroupColumns(*engine_, def, ordinal_, inputFields());
    return def;
}

void AnalysisRun::AddColumn(TableDef& def, const std::string& name, int type, long size) {
    engine_->AddTableField(def, name, type, ordinal_, size);
}

void AnalysisRun::AddCountColumns(TableDef& def, const std::string& count) {
    qrv::AddCountColumns(*engine_, def, ordinal_, in_.weighted, count);
}

std::vector<std::string> AnalysisRun::LeadingColumnNames(const std::string& count) const {
    std::vector<std::string> names(in_.fields.begin(), in_.fields.begin() + in_.groups);
    names.insert(names.end(), {"DataField", count});
    if (in_.weighted) names.push_back("Observations");
    names.push_back("Missing");
    return names;
}

std::string AnalysisRun::CreateOutputTable(TableDef& def, Recordset* second) {
    if (!second) return engine_->Quorvane_CreateTable(def, true);
    auto rs = engine_->CreateOutputTable(def);
    if (!rs) return rs.error().description;
    *second = std::move(*rs);
    return {};
}

Recordset& AnalysisRun::output() {
    return engine_->OutputRecordset();
}

}  // namespace qrv
