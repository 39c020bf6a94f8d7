// The import and export commands, registered on the program's CLI11 app.
#pragma once

#include <signal.h>

#include <string>

namespace CLI {
class App;
}

namespace qrv::cli {

// Adds "import" and "export"; a command that runs stores its exit code in exitCode.
void addCsvCommands(CLI::App& app, int& exitCode);

struct ImportArgs {
    std::string db, table, file, delimiter, encoding, dateOrder, connect;
    bool replace = false;
};
// The option texts of import, checked while the command line is parsed:
// each gives an empty text when it is valid, else what is wrong.
std::string checkDelimiter(const std::string& text);
std::string checkEncoding(const std::string& text);
std::string checkDateOrder(const std::string& text);
struct ExportArgs {
    std::string db, source, file, connect;
};
int runImport(const ImportArgs& args);
int runExport(const ExportArgs& args);

// While alive, Ctrl-C and SIGTERM only raise a flag that the import and export
// poll, so they stop at a point where they can leave nothing behind. A second
// signal ends the process at once (the file and the database stay safe: the
// import's transaction is never committed and the export's temporary file goes
// on the next export).
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
    static bool interrupted();

  private:
    struct sigaction oldInt_ {
    }, oldTerm_{};
};

// Exit code of a command stopped by a signal.
inline constexpr int kInterruptedExit = 130;

}  // namespace qrv::cli
