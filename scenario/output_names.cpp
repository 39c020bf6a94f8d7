#include "scenario/output_names.h"

#include "dataaccess/fold.h"
#include "scenario/scenario_tables.h"

namespace qrv::scenario {

using namespace qrv::dao;

namespace {

const char* const kCrLf = "\r\n";

bool startsWithFolded(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() && iequal(name.substr(0, prefix.size()), prefix);
}

// The program's own tables: its property catalog, its working tables, and
// the system tables where a file's password lives.
bool reservedName(std::string_view name) {
    return IsWorkingTableName(name) || iequal(name, "qrv_properties") ||
           startsWithFolded(name, "MSys");
}

// The first name refused, or nothing. readByInput: tables the input query reads.
std::string refusalOf(Database& output, const OutputNameRequest& r, const std::string& name,
                      const std::vector<std::string>& readByInput) {
    const std::string quoted = "The output table [" + name + "] ";
    if (reservedName(name))
        return quoted + "has a name reserved for Quorvane's own tables; choose another name.";
    if (r.scenariosHere) {
        std::vector<std::string_view> tables = {kScenarioTable, kOptionsTable, kFieldsTable};
        for (const std::string& t : r.scenarioTables) tables.push_back(t);
        for (std::string_view t : tables)
            if (iequal(name, t))
                return quoted + "is one of the scenario tables; choose another name.";
    }
    if (r.inputHere && iequal(name, r.input))
        return quoted + "is the scenario's input; choose another name.";
    for (const std::string& t : readByInput)
        if (iequal(name, t))
            return quoted + "is read by the input query [" + r.input + "]; choose another name.";
    if (output.GetQueryDef(name))
        return quoted + "is the name of a stored query; choose another name.";
    return {};
}

std::string joined(const std::vector<std::string>& names, const char* separator) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : separator) + n;
    return out;
}

}  // namespace

bool IsWorkingTableName(std::string_view name) {
    return startsWithFolded(name, kWorkingPrefix);
}

std::string OutputOwnerTag(std::int32_t id, const std::string& scenarioFile) {
    return std::to_string(id) + "@" + scenarioFile;
}

OutputNameCheck CheckOutputNames(Database& output, const OutputNameRequest& r) {
    OutputNameCheck out;
    std::vector<std::string> names;
    for (const std::string* n : {&r.output1, &r.output2})
        if (!n->empty()) names.push_back(*n);
    if (names.size() == 2 && iequal(names[0], names[1])) {
        out.refusal = "Output tables 1 and 2 are both named [" + names[0] +
                      "]; each output needs a table of its own.";
        return out;
    }

    std::vector<std::string> readByInput;
    if (r.inputHere && !r.input.empty()) {  // a table reads nothing
        auto tables = output.TablesReadBy(r.input);
        // The first read of the input in a run: a query that asks for a
        // parameter is refused here by name, as the analyses would.
        if (!tables && tables.error().number == err::kTooFewParameters) {
            out.refusal = "The selected query expects parameters and cannot be used by Lumvar.";
            return out;
        }
        if (!tables) {
            out.refusal = tables.error().description;
            return out;
        }
        readByInput = std::move(*tables);
    }
    for (const std::string& name : names) {
        out.refusal = refusalOf(output, r, name, readByInput);
        if (out.refused()) return out;
    }

    for (const std::string& name : names) {
        auto def = output.GetTableDef(name);
        if (!def) continue;
        auto owner = def->GetProperty(kOwnerProperty);
        if (!r.owner.empty() && owner && owner->toText() == r.owner) continue;
        out.foreign.push_back(def->Name);
    }
    return out;
}

std::string ReplaceDataQuestion(const std::vector<std::string>& foreign) {
    return joined(foreign, kCrLf) + kCrLf + kCrLf +
           "The following output table(s) already exist in the current database and hold "
           "data that no run of this scenario wrote. Replacing them deletes that data. Do you "
           "want to replace them?";
}

std::string NotReplacedText(const std::vector<std::string>& foreign) {
    return "The output table(s) [" + joined(foreign, "], [") +
           "] already exist and were not written by this scenario; they were left as they "
           "are.";
}

}  // namespace qrv::scenario
