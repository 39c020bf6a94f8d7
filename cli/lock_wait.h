// Saying why the program stands still: when a database file is locked by
// another program, the wait (up to the layer's timeout) is announced once.
#pragma once

#include <string>

namespace qrv::cli {

class ProgressDisplay;

// "Waiting for another program to release <file> (up to 15 s)…"
std::string lockWaitMessage(const std::string& path, int timeoutMs);

// From now on waits are announced on standard error, or through `display`
// (so that a progress bar is not broken) while one is given.
void announceLockWaits(ProgressDisplay* display = nullptr);

}  // namespace qrv::cli
