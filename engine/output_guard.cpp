// Output names are checked before anything is read, so that a typo can never
// destroy data, by the rules every caller shares (scenario/output_names.h).
// What needs the engine is here: which files the run reads and writes, the
// scenario it records on the tables it writes, and the question before a
// table it did not write is replaced.
#include <filesystem>

#include "engine/quorvane.h"
#include "scenario/output_names.h"

namespace qrv {

using namespace qrv::dao;

namespace {

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
    return scenario::OutputOwnerTag(runScenarioNo_, sameFile(scenarioDb_, outputDb_)
                                                        ? std::string()
                                                        : canonical(scenarioDb_.Name()));
}

bool Quorvane::IsWorkingTableName(std::string_view name) {
    return scenario::IsWorkingTableName(name);
}

std::string Quorvane::checkOutputNames() {
    ProcedureScope scope(err_, "Quorvane_CheckOutputNames");
    const CLumvarScenario& s = *scenario_;
    scenario::OutputNameRequest request;
    request.output1 = s.OutputTable1;
    request.output2 = s.OutputTable2;
    request.input = s.Table;
    request.inputHere = sameFile(outputDb_, sourceDb_);
    request.scenariosHere = sameFile(outputDb_, scenarioDb_);
    request.scenarioTables = {scenarioTbl_, optionsTbl_, fieldTbl_};
    request.owner = OwnerTag();
    const scenario::OutputNameCheck found = scenario::CheckOutputNames(outputDb_, request);
    if (found.refused()) return found.refusal;
    if (found.foreign.empty() ||
        prompter_->askDestructive("Quorvane", scenario::ReplaceDataQuestion(found.foreign)))
        return {};
    return scenario::NotReplacedText(found.foreign);
}

}  // namespace qrv
