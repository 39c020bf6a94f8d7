// What the error report says about a run: the files, scenario, input and
// outputs it was given, and the failures of the database itself met on the
// way. Those get a report like any unexpected error, because the user cannot
// fix them by changing the scenario and support needs to know what ran; the
// run's failure text stays the database's own words.
#pragma once

#include <string>

#include "dataaccess/error.h"
#include "errors/cerr_zelk.h"
#include "errors/error_report.h"

namespace qrv {

class Quorvane;
struct RunScenarioArgs;

// A failure of the database or its medium rather than of the scenario or the
// data: a full disk or exhausted resources, a lock held past the wait, a
// read-only file or medium written to, a damaged, unreadable or unopenable
// file, an I/O error, any other engine error. Refusals by rules and the
// data's own problems (missing tables or fields, duplicates) are not.
bool IsDatabaseFailure(int number);

// Hands a database failure to the handler, which writes the report, unless the
// handler already holds an error: the first failure of a run is the one to
// explain, and what follows from it adds nothing. Returns whether it did.
// The failing procedure is the one on top of the handler's stack.
bool ReportDatabaseFailure(CErr_Zelk& handler, const dao::Error& e);

// The next row of the input could not be read: the walk ends with the
// database's words, reported as a failure of the database when it is one
// (a damaged file, an I/O error), so that a walk never takes a read error for
// the end of the rows.
std::string InputReadFailure(Quorvane& engine, const dao::Error& e);

// The facts of the engine's run as they stand (databases, and the scenario
// once loaded); a database the run was given as an argument is named as given,
// also when it could not be opened.
errors::RunFacts RunFactsOf(const Quorvane& engine, const RunScenarioArgs& args);

// A failure of loading the scenario that is a database failure ("number:
// description", as loading words them) is handed to the handler; see
// ReportDatabaseFailure.
bool ReportLoadFailure(CErr_Zelk& handler, const std::string& failure);

// The run's output tables as "A" or "A, B"; bracketed, "[A], [B]".
std::string OutputNamesOf(const Quorvane& engine, bool bracketed = false);

// Tells the handler the passwords the engine opens files with, from its
// password property and the connect text of its databases and of those given.
void HidePasswords(CErr_Zelk& handler, const Quorvane& engine, const RunScenarioArgs& args);

}  // namespace qrv
