// Planning reads the file once with libcsv, guessing types as it goes; it
// keeps nothing of the records but their count.
#include "csv/import_plan.h"

#include "csv/record_reader.h"

namespace qrv::csv {

using dao::Error;
using dao::makeError;

namespace {

constexpr long kPollEvery = 4096;

Error headerError(std::size_t column, const std::string& what) {
    return makeError(dao::err::kInvalidArgument,
                     "Column " + std::to_string(column + 1) + " of the header row: " + what);
}

// The header's names, checked by the same rule a table definition applies.
Error checkHeader(const Record& r, std::vector<ImportColumn>& columns) {
    dao::TableDef probe("probe");
    for (std::size_t i = 0; i < r.size(); ++i) {
        const std::string name(r.cell(i));
        if (name.empty()) return headerError(i, "the name is empty.");
        if (Error e = probe.AppendField(dao::Field(name, dao::dbText))) {
            if (e.number == 3191)
                return headerError(i, "the name '" + name + "' is used by an earlier column.");
            return headerError(i, e.description);
        }
        columns.push_back({name, {}, {}});
    }
    return {};
}

}  // namespace

Error interruptedError() {
    return makeError(dao::err::kReservedError, "Interrupted; nothing was imported.");
}

dao::Result<ImportPlan> planImport(std::string_view text, char delimiter,
                                   const CancelCheck& cancelled, DateOrder dates) {
    ImportPlan plan;
    plan.delimiter = delimiter;
    std::vector<ColumnGuess> guesses;
    Error failure;
    bool header = true;
    Error e = readRecords(text, delimiter, [&](const Record& r) {
        if (header) {
            header = false;
            failure = checkHeader(r, plan.columns);
            guesses.assign(plan.columns.size(), ColumnGuess(delimiter != ',', dates));
            return !failure;
        }
        if (r.size() != plan.columns.size()) {
            failure =
                makeError(dao::err::kUnrecognizedFormat,
                          "Line " + std::to_string(r.line) + " has " + std::to_string(r.size()) +
                              (r.size() == 1 ? " field" : " fields") + "; the header row has " +
                              std::to_string(plan.columns.size()) + ".");
            return false;
        }
        for (std::size_t i = 0; i < r.size(); ++i) guesses[i].add(r.cell(i));
        ++plan.rows;
        if (plan.rows % kPollEvery == 0 && cancelled && cancelled()) {
            failure = interruptedError();
            return false;
        }
        return true;
    });
    if (failure) return failure;
    if (e) return e;
    if (header) return makeError(dao::err::kUnrecognizedFormat, "The file has no header row.");
    for (std::size_t i = 0; i < plan.columns.size(); ++i) {
        plan.columns[i].type = guesses[i].result();
        plan.columns[i].ambiguousDate = guesses[i].ambiguousDate();
    }
    return plan;
}

dao::TableDef tableFor(const std::string& table, const ImportPlan& plan) {
    dao::TableDef def(table);
    for (const ImportColumn& c : plan.columns)
        def.AppendField(dao::Field(c.name, c.type.type, c.type.size));
    return def;
}

}  // namespace qrv::csv
