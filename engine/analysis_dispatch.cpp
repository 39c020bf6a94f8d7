// The registry of analysis routines: one slot per analysis type, in the order
// of the type list, so that the list of types exists once. Slots are atomic:
// a program may register while engines of other threads run.
#include "engine/analysis_dispatch.h"

#include <atomic>
#include <cstddef>
#include <vector>

#include "engine/quorvane.h"
#include "scenario/analysis_types.h"

namespace qrv {

namespace {

std::vector<std::atomic<AnalysisRoutine>>& slots() {
    static std::vector<std::atomic<AnalysisRoutine>> routines(scenario::AnalysisTypes().size());
    return routines;
}

// The slot of a type of the list; nullptr for a type object not in it.
std::atomic<AnalysisRoutine>* slotOf(const scenario::AnalysisType& type) {
    const auto types = scenario::AnalysisTypes();
    for (std::size_t i = 0; i < types.size(); ++i)
        if (&types[i] == &type) return &slots()[i];
    return nullptr;
}

}  // namespace

void RegisterAnalysisRoutine(const scenario::AnalysisType& type, AnalysisRoutine routine) {
    if (auto* slot = slotOf(type)) slot->store(routine);
}

bool RegisterAnalysisRoutine(std::string_view typeName, AnalysisRoutine routine) {
    const scenario::AnalysisType* type = scenario::FindAnalysisType(typeName);
    if (!type) return false;
    RegisterAnalysisRoutine(*type, routine);
    return true;
}

AnalysisRoutine FindAnalysisRoutine(const scenario::AnalysisType& type) {
    auto* slot = slotOf(type);
    return slot ? slot->load() : nullptr;
}

std::string DispatchAnalysis(Quorvane& engine) {
    const std::string& name = engine.Scenario()->CalcType;
    // The stored scenario's checks have refused any other type before this.
    const scenario::AnalysisType* type = scenario::FindAnalysisType(name);
    if (!type) return "Unknown analysis type: " + name;
    AnalysisRoutine routine = FindAnalysisRoutine(*type);
    if (!routine)
        return "This program cannot run the analysis " + std::string(type->name) +
               ": no routine was registered for it (the program must call "
               "qrv::RegisterAnalyses at start-up).";
    return routine(engine);
}

}  // namespace qrv
