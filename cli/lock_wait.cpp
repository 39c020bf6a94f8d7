#include "cli/lock_wait.h"

#include <iostream>

#include "cli/progress_display.h"
#include "dataaccess/objects/dbengine.h"

namespace qrv::cli {

std::string lockWaitMessage(const std::string& path, int timeoutMs) {
    // Whole seconds, rounded up: never promise a shorter wait than it may be.
    const int seconds = (timeoutMs + 999) / 1000;
    return "Waiting for another program to release " + path + " (up to " + std::to_string(seconds) +
           " s)\xE2\x80\xA6";
}

void announceLockWaits(ProgressDisplay* display) {
    dao::DBEngine::Instance().SetBusyWaitNotifier([display](const std::string& path, int ms) {
        if (display)
            display->note(lockWaitMessage(path, ms));
        else
            std::cerr << "quorvane: " << lockWaitMessage(path, ms) << std::endl;
    });
}

}  // namespace qrv::cli
