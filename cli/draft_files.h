// The --source and --output options of new and set: the files a scenario's
// runs read and write when they are not the file that holds the scenario,
// so that what run --source and --output will find is what is checked.
#pragma once

#include <string>

#include "dataaccess/objects/database.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_draft.h"

namespace CLI {
class App;
}  // namespace CLI

namespace qrv::cli {

class DraftFileOptions {
  public:
    void add(CLI::App& command);
    // Opens the files given, both only to read: an output file not made yet
    // stays closed. False after printing why one cannot be opened.
    bool open(dao::Database& scenarios, const std::string& connect);
    // For SaveDraft: the files opened, the scenario file where none is given.
    scenario::DraftFiles files();
    // Tells on standard error of existing tables of the draft's output names,
    // in the file the outputs go to, that hold data its runs did not write.
    void noteForeignOutputs(dao::Database& scenarios, const scenario::ScenarioDraft& d);

  private:
    std::string sourcePath_, outputPath_;
    dao::Database source_, output_;
    bool sourceOpen_ = false, outputGiven_ = false;
};

}  // namespace qrv::cli
