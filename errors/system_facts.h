// What an error report says about the machine: the kernel, free disk space,
// memory and where the program lives, read from Linux (uname, statvfs, /proc) at
// the moment of the error. A fact that cannot be read stays empty; reading facts
// never fails, because it happens while something else already has.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qrv::errors {

struct SystemFacts {
    std::string kernelName;     // uname sysname, e.g. "Linux"
    std::string kernelRelease;  // uname release, e.g. "6.1.0-18-amd64"
    std::string kernelVersion;  // uname version: the build text
    std::string tempDirectory;
    std::optional<std::uint64_t> tempFreeBytes;
    std::optional<std::uint64_t> appFreeBytes;
    std::optional<std::uint64_t> freeSwapBytes;
    std::optional<std::uint64_t> totalMemoryBytes;
    std::optional<std::uint64_t> availableMemoryBytes;
};

// The three /proc/meminfo lines the report uses, in bytes.
struct MemoryInfo {
    std::optional<std::uint64_t> swapFree;
    std::optional<std::uint64_t> memTotal;
    std::optional<std::uint64_t> memAvailable;
};

MemoryInfo ParseMeminfo(std::string_view text);

// Bytes an unprivileged user may still write on the filesystem holding path.
std::optional<std::uint64_t> FreeDiskBytes(const std::string& path);

// $TMPDIR when set, else /tmp.
std::string TempDirectory();

// Full path of the running executable; empty when it cannot be read.
std::string ProgramPath();

// Version of the C library the program runs with; empty when unknown.
std::string CLibraryVersion();

SystemFacts CollectSystemFacts(const std::string& appDirectory);

}  // namespace qrv::errors
