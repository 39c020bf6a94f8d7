// Reads the machine facts of the error report from Linux. Every reader returns
// "unknown" instead of failing: the report is written while the program is already
// in trouble, and a missing fact must not cost the rest of the report.
#include "errors/system_facts.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#if defined(__GLIBC__)
#include <gnu/libc-version.h>
#endif

namespace qrv::errors {

namespace {

std::optional<std::uint64_t> ParseKilobytes(std::string_view rest) {
    std::size_t i = 0;
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
    if (i == rest.size() || rest[i] < '0' || rest[i] > '9') return std::nullopt;
    std::uint64_t value = 0;
    while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9') {
        value = value * 10 + static_cast<std::uint64_t>(rest[i] - '0');
        ++i;
    }
    while (i < rest.size() && rest[i] == ' ') ++i;
    // The kernel writes sizes in kibibytes; a value without a unit is a plain count.
    if (rest.substr(i, 2) == "kB") value *= 1024;
    return value;
}

}  // namespace

MemoryInfo ParseMeminfo(std::string_view text) {
    MemoryInfo info;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view key = line.substr(0, colon);
        std::string_view rest = line.substr(colon + 1);
        if (key == "SwapFree") {
            info.swapFree = ParseKilobytes(rest);
        } else if (key == "MemTotal") {
            info.memTotal = ParseKilobytes(rest);
        } else if (key == "MemAvailable") {
            info.memAvailable = ParseKilobytes(rest);
        }
    }
    return info;
}

std::optional<std::uint64_t> FreeDiskBytes(const std::string& path) {
    struct statvfs st {};
    if (path.empty() || statvfs(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_frsize);
}

std::string TempDirectory() {
    const char* env = std::getenv("TMPDIR");
    if (env != nullptr && *env != '\0') return env;
    return "/tmp";
}

std::string ProgramPath() {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        // A result that fills the buffer may have been cut short.
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        if (buffer.size() >= 65536) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string CLibraryVersion() {
#if defined(__GLIBC__)
    return gnu_get_libc_version();
#else
    return {};
#endif
}

SystemFacts CollectSystemFacts(const std::string& appDirectory) {
    SystemFacts facts;
    struct utsname names {};
    if (uname(&names) == 0) {
        facts.kernelName = names.sysname;
        facts.kernelRelease = names.release;
        facts.kernelVersion = names.version;
    }
    facts.tempDirectory = TempDirectory();
    facts.tempFreeBytes = FreeDiskBytes(facts.tempDirectory);
    facts.appFreeBytes = FreeDiskBytes(appDirectory);

    std::ifstream in("/proc/meminfo");
    if (in) {
        std::ostringstream text;
        text << in.rdbuf();
        MemoryInfo memory = ParseMeminfo(text.str());
        facts.freeSwapBytes = memory.swapFree;
        facts.totalMemoryBytes = memory.memTotal;
        facts.availableMemoryBytes = memory.memAvailable;
    }
    return facts;
}

}  // namespace qrv::errors
