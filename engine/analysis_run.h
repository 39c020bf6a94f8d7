// AnalysisRun: the frame every analysis runs in, so that each analysis file
// reads like its procedure (create the output, reset per group, add a row,
// write a group) and nothing else. The frame owns the stage messages, the
// input rows in group order, the output table, the sorted values and their
// memory budget when values must be ordered, the group walk, the clean-up, and the
// one policy for database errors met on the way: the error handler records
// them and their text ends the run.
//
// How an analysis uses it:
// - Running sums per group (moments, co-moments of pairs, counts): a
//   GroupState holding them, AddRow reading the row's numbers through
//   reader() (Weight, Usable, UsableAt, and UsablePair for x and y usable
//   together) and Merge adding two states; Walk::Hashed.
// - Values in order per group (modes, percentiles, ranks): the same, with
//   the values appended to the state's values (a SortTable) as (value,
//   weight, tag): the tag a sample number or a row number, the weight a
//   whole count for rank tests; Walk::SortedValues. WriteGroup then reads a
//   field as often as it needs: Read in order, Runs for tie runs with ranks
//   (and counts per sample), Ranked for each value with its mean rank.
//   Paired tests append the difference of two fields per row.
// - Rows in the order of the database: Walk::Sorted.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/objects/recordset.h"
#include "dataaccess/objects/tabledef.h"
#include "dataaccess/value.h"
#include "engine/group_state.h"
#include "engine/group_walk.h"
#include "engine/output_columns.h"
#include "engine/sort_budget.h"
#include "engine/sort_table.h"
#include "engine/value_reader.h"

namespace qrv {

class Quorvane;

// What an analysis reads: the input, the field list (group fields, then the
// analysis fields, then anything the analysis places after them, the weight
// field last when weighted) and the counts.
struct AnalysisInput {
    std::string input;
    std::vector<std::string> fields;
    int groups = 0;
    int analysisFields = 0;
    bool weighted = false;
    // An input without rows gives the empty output tables and success, as
    // when every row is ignored, rather than the no-records failure.
    bool emptyIsResult = false;
};

class AnalysisRun {
  public:
    virtual ~AnalysisRun();

  protected:
    AnalysisRun() = default;

    // How the rows reach the group states. Sorted: in group order, one group
    // at a time, for analyses that depend on the order of the rows. Hashed:
    // in any order, every group's state kept at once and written at the end
    // (running sums only). Sorted values: hashed, with the usable values of
    // each group kept in its state's values. The engine may ask for the
    // sorted walk instead of the hashed one, with the same output.
    // Sorted rows with values: the sorted walk, keeping values as the
    // sorted-values walk does, for analyses that need both the row order and
    // the values in order.
    enum class Walk { Sorted, SortedValues, SortedRowsWithValues, Hashed };

    // The whole run: "Retrieving and sorting data", "Creating output table",
    // the memory budget when sorted values are wanted, "Analyzing records"
    // and the walk; recordsets and the sort table are closed
    // whatever happens. Returns the failure text, empty on success.
    std::string Run(Quorvane& engine, AnalysisInput in, Walk walk);

    virtual std::string CreateOutput() = 0;
    // The accumulators of a new group.
    virtual std::unique_ptr<GroupState> NewGroup() = 0;
    // Adds the current row of the data recordset to its group's state.
    virtual std::string AddRow(GroupState& state) = 0;
    // Writes the output rows of a finished group.
    virtual std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                                   long records) = 0;
    // Runs after the output exists and before the walk (critical values and
    // the like); empty by default.
    virtual std::string BeforeWalk() { return {}; }
    // Runs after a walk that succeeded, with the output still open (rows an
    // analysis kept back); empty by default.
    virtual std::string AfterWalk() { return {}; }

    // The stage messages, sent before the input is opened, before the
    // output is created and before the walk; analyses that name their fields
    // in them send their own. RecordTicks says how the walk reports records.
    virtual void StageRetrieving();
    virtual void StageCreating();
    virtual void StageAnalyzing();
    virtual RecordTicks Ticks() const { return {}; }
    // The fields' progress texts of the analyses that give them.
    static std::string RetrievingField(const std::string& name) {
        return "Retrieving and sorting [" + name + "] data";
    }
    static std::string AnalyzingField(const std::string& name) {
        return "Field [" + name + "], analyzing record: ";
    }

    // The memory budget of the run's sorted values (none when the walk keeps
    // no values); tables an analysis builds from them join it too.
    SortBudget* RunBudget() const { return budget_.get(); }

    // A database error met by the analysis: recorded by the error handler
    // under the procedure running, its text ends the run.
    std::string Unexpected(const dao::Error& e);

    // A new output table: group columns, DataField, and what add() appends.
    dao::TableDef NewOutputTable(const std::string& name);
    // Creates the table and opens it as the output recordset, or, given
    // second, into that recordset (a second output table).
    std::string CreateOutputTable(dao::TableDef& def, dao::Recordset* second = nullptr);
    void AddColumn(dao::TableDef& def, const std::string& name, int type, long size = 0);
    // Count (or the analysis's name for it), Observations (weighted runs) and
    // Missing.
    void AddCountColumns(dao::TableDef& def, const std::string& count = "Count");
    // The names NewOutputTable and AddCountColumns give the leading columns,
    // in order: what an analysis's own column names must not repeat.
    std::vector<std::string> LeadingColumnNames(const std::string& count = "Count") const;

    Quorvane& engine() const { return *engine_; }
    const AnalysisInput& in() const { return in_; }
    InputFields inputFields() const { return {in_.fields, types_, sizes_, in_.groups}; }
    const ValueReader& reader() const { return *reader_; }
    dao::Recordset& output();

  private:
    // Both give the rows read in records.
    std::string hashedWalk(long& records);
    std::string sortedWalk(long& records);
    // A new group's state, its sorted values counted against the run's budget.
    std::unique_ptr<GroupState> newGroup();

    Quorvane* engine_ = nullptr;
    AnalysisInput in_;
    std::vector<int> types_;
    std::vector<long> sizes_;
    std::unique_ptr<ValueReader> reader_;
    int ordinal_ = 1;
    // The memory of every group's sorted values, while the walk runs.
    std::unique_ptr<SortBudget> budget_;
};

}  // namespace qrv
