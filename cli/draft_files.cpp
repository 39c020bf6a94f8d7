// Opening the files named by new's and set's --source and --output.
#include "cli/draft_files.h"

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "cli/authoring_common.h"
#include "dataaccess/objects/dbengine.h"
#include "scenario/output_names.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

bool sameFile(const Database& a, const std::string& path) {
    std::error_code ec;
    return a.IsOpen() && (a.Name() == path || std::filesystem::equivalent(a.Name(), path, ec));
}

bool sameFile(const Database& a, const Database& b) {
    return b.IsOpen() && sameFile(a, b.Name());
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Only read: nothing of these files changes, and a file another program is
// writing can still be checked.
bool openToRead(const char* option, const std::string& path, const std::string& connect,
                Database& into) {
    auto db = DBEngine::Instance().OpenDatabase(path, false, true, connect);
    if (!db) {
        report(std::string(option) + " " + path + ": " + db.error().description);
        return false;
    }
    into = *db;
    return true;
}

}  // namespace

void DraftFileOptions::add(CLI::App& command) {
    command
        .add_option("--source", sourcePath_,
                    "check the input and its fields in this database, the one run reads with "
                    "--source")
        ->type_name("DB");
    command
        .add_option("--output", outputPath_,
                    "check the output names in this database, the one run writes with --output")
        ->type_name("DB");
}

bool DraftFileOptions::open(Database& scenarios, const std::string& connect) {
    if (!sourcePath_.empty()) {
        if (sameFile(scenarios, sourcePath_))
            source_ = scenarios;
        else if (!openToRead("--source", sourcePath_, connect, source_))
            return false;
        sourceOpen_ = true;
    }
    outputGiven_ = !outputPath_.empty();
    if (!outputGiven_) return true;
    if (sameFile(scenarios, outputPath_))
        output_ = scenarios;
    else if (sameFile(source_, outputPath_))
        output_ = source_;
    else if (exists(outputPath_))
        return openToRead("--output", outputPath_, connect, output_);
    // A file not made yet: run makes it, and no name is taken there.
    return true;
}

scenario::DraftFiles DraftFileOptions::files() {
    return {sourceOpen_ ? &source_ : nullptr, outputGiven_ ? &output_ : nullptr};
}

void DraftFileOptions::noteForeignOutputs(Database& scenarios, const scenario::ScenarioDraft& d) {
    if (!sourceOpen_ && !outputGiven_) {
        cli::noteForeignOutputs(scenarios, d);
        return;
    }
    Database& source = sourceOpen_ ? source_ : scenarios;
    Database& output = outputGiven_ ? output_ : source;
    if (!output.IsOpen()) return;
    scenario::OutputNameRequest r;
    r.output1 = d.output1;
    r.output2 = d.output2;
    r.input = d.input;
    r.inputHere = sameFile(output, source);
    r.scenariosHere = sameFile(output, scenarios);
    // As a run records it: scenario numbers are unique only within their file.
    std::error_code ec;
    const auto canonical = std::filesystem::weakly_canonical(scenarios.Name(), ec);
    r.owner = scenario::OutputOwnerTag(
        d.id, r.scenariosHere ? std::string() : (ec ? scenarios.Name() : canonical.string()));
    for (const std::string& name : scenario::CheckOutputNames(output, r).foreign)
        std::cerr << "quorvane: note: the table [" << name << "] of " << output.Name()
                  << " holds data that no run of this scenario wrote; run asks before "
                     "replacing it (or give --replace).\n";
}

}  // namespace qrv::cli
