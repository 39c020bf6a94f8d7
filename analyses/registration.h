// The analyses join the engine here: a program that runs scenarios calls
// RegisterAnalyses once at start-up, before its first run. It is a call, not
// a static initialiser, because the linker leaves out of a static library an
// object nothing refers to.
#pragma once

namespace qrv {

// Registers the routine of every analysis type with the engine (again
// harmlessly).
void RegisterAnalyses();

}  // namespace qrv
