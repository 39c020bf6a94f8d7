// Output names are checked before anything is read, so that a typo can never
// destroy data. A run refuses an output name that would replace what it reads
// (its input table, a table its input query reads), the scenario tables, a
// table of the program's own, or the run's other output. An existing table
// that this scenario did not write is replaced only when the user says so;
// the table's own property records which scenario wrote it, and it follows
// the table, not its name.
#include <filesystem>

#include "engine/quorvane.h"
#include "scenario/scenario_tables.h"

namespace qrv {

using namespace qrv::dao;

namespace {

const char* const kCrLf = "\r\n";

// Two handles on the same file, whatever the spelling of their paths.
bool sameFile(const Database& a, const Database& b) {
    if (!a.IsOpen() || !b.IsOpen()) return false;
    if (a == b || a.Name() == b.Name()) return true;
    std::error_code ec;
    return std::filesystem::equivalent(a.Name(), b.Name(), ec);
}

std::string canonical(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : p.string();
}

}  // namespace

std::string Quorvane::OwnerTag() const {
    // Scenario numbers are only unique within their file: a scenario kept in
    // another file than the output is named by that file too.
    return std::to_string(runScenarioNo_) + "@" +
           (sameFile(scenarioDb_, outputDb_) ? std::string() : canonical(scenarioDb_.Name()));
}

bool Quorvane::IsWorkingTableName(std::string_view name) {
    return name.size() >= kWorkingPrefix.size() &&
           iequal(name.substr(0, kWorkingPrefix.size()), kWorkingPrefix);
}

std::string Quorvane::checkOutputNames(bool inputIsQuery) {
    ProcedureScope scope(err_, "Quorvane_CheckOutputNames");
    const CLumvarScenario& s = *scenario_;
    std::vector<std::string> names;
    for (const std::string* n : {&s.OutputTable1, &s.OutputTable2})
        if (!n->empty()) names.push_back(*n);
    if (names.size() == 2 && iequal(names[0], names[1]))
        return "Output tables 1 and 2 are both named [" + names[0] +
               "]; each output needs a table of its own.";

    const bool intoSource = sameFile(outputDb_, sourceDb_);
    const bool intoScenarios = sameFile(outputDb_, scenarioDb_);
    std::vector<std::string> readByInput;
    if (intoSource && inputIsQuery) {
        auto tables = sourceDb_.TablesReadBy(s.Table);
        // The first read of the input in a run: a query that asks for a
        // parameter is refused here by name, as the analyses would.
        if (!tables && tables.error().number == err::kTooFewParameters)
            return "The selected query expects parameters and cannot be used by Lumvar.";
        if (!tables) return tables.error().description;
        readByInput = *tables;
    }
    for (const std::string& name : names) {
        const std::string quoted = "The output table [" + name + "] ";
        if (IsWorkingTableName(name) || iequal(name, "qrv_properties"))
            return quoted + "has a name reserved for Quorvane's own tables; choose another name.";
        if (intoScenarios)
            for (std::string_view t :
                 {std::string_view(scenarioTbl_), std::string_view(optionsTbl_),
                  std::string_view(fieldTbl_), std::string_view(scenario::kScenarioTable),
                  std::string_view(scenario::kOptionsTable),
                  std::string_view(scenario::kFieldsTable)})
                if (iequal(name, t))
                    return quoted + "is one of the scenario tables; choose another name.";
        if (intoSource && iequal(name, s.Table))
            return quoted + "is the scenario's input; choose another name.";
        for (const std::string& t : readByInput)
            if (iequal(name, t))
                return quoted + "is read by the input query [" + s.Table +
                       "]; choose another name.";
        if (outputDb_.GetQueryDef(name))
            return quoted + "is the name of a stored query; choose another name.";
    }

    // Tables of these names that this scenario did not write.
    std::string foreign;
    for (const std::string& name : names) {
        auto def = outputDb_.GetTableDef(name);
        if (!def) continue;
        auto owner = def->GetProperty(kOwnerProperty);
        if (owner && owner->toText() == OwnerTag()) continue;
        foreign += def->Name + kCrLf;
    }
    if (foreign.empty()) return {};
    if (prompter_->askYesNo("Quorvane",
                            foreign + kCrLf +
                                "The following output table(s) already exist in the current "
                                "database. Do you want to overwrite them?"))
        return {};
    std::string list = foreign.substr(0, foreign.size() - 2);
    for (size_t p; (p = list.find(kCrLf)) != std::string::npos;) list.replace(p, 2, "], [");
    return "The output table(s) [" + list +
           "] already exist and were not written by this scenario; they were left as they "
           "are.";
}

}  // namespace qrv
