// Machine facts of the error report, compared with what the kernel reports through
// other channels (/proc/sys, sysconf, std::filesystem::space).
#include "errors/system_facts.h"

#include <errno.h>  // program_invocation_short_name
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace qrv::errors {
namespace {

std::string FirstLine(const char* path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

TEST(Meminfo, ReadsTheThreeLinesInBytes) {
    const char* sample =
        "MemTotal:       16318256 kB\n"
        "MemFree:         1234567 kB\n"
        "MemAvailable:    9018484 kB\n"
        "SwapTotal:       2097148 kB\n"
        "SwapFree:        2097000 kB\n"
        "HugePages_Total:       0\n";
    MemoryInfo m = ParseMeminfo(sample);
    ASSERT_TRUE(m.memTotal && m.memAvailable && m.swapFree);
    EXPECT_EQ(*m.memTotal, 16318256ull * 1024);
    EXPECT_EQ(*m.memAvailable, 9018484ull * 1024);
    EXPECT_EQ(*m.swapFree, 2097000ull * 1024);
}

TEST(Meminfo, MissingOrMalformedLinesStayUnknown) {
    MemoryInfo m = ParseMeminfo("MemTotal:    abc kB\nSwapFree: 0 kB");  // no final newline
    EXPECT_FALSE(m.memTotal);
    EXPECT_FALSE(m.memAvailable);
    ASSERT_TRUE(m.swapFree);
    EXPECT_EQ(*m.swapFree, 0u);
    EXPECT_FALSE(ParseMeminfo("").memTotal);
}

TEST(Machine, KernelNamesMatchProcSys) {
    SystemFacts f = CollectSystemFacts("/");
    EXPECT_EQ(f.kernelName, FirstLine("/proc/sys/kernel/ostype"));
    EXPECT_EQ(f.kernelRelease, FirstLine("/proc/sys/kernel/osrelease"));
    EXPECT_EQ(f.kernelVersion, FirstLine("/proc/sys/kernel/version"));
}

TEST(Machine, TotalMemoryMatchesSysconf) {
    SystemFacts f = CollectSystemFacts("/");
    ASSERT_TRUE(f.totalMemoryBytes);
    auto pages = static_cast<std::uint64_t>(sysconf(_SC_PHYS_PAGES));
    auto pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    EXPECT_EQ(*f.totalMemoryBytes, pages * pageSize);
    ASSERT_TRUE(f.availableMemoryBytes);
    EXPECT_LE(*f.availableMemoryBytes, *f.totalMemoryBytes);
    EXPECT_TRUE(f.freeSwapBytes);
}

TEST(Machine, FreeDiskSpaceMatchesFilesystemSpace) {
    std::string tmp = TempDirectory();
    auto ours = FreeDiskBytes(tmp);
    ASSERT_TRUE(ours);
    auto theirs = std::filesystem::space(tmp).available;
    // Others write to the same disk meanwhile; allow 256 MiB of drift.
    const std::uint64_t slack = 256ull << 20;
    EXPECT_LE(*ours, theirs + slack);
    EXPECT_GE(*ours + slack, theirs);

    SystemFacts f = CollectSystemFacts(tmp);
    EXPECT_EQ(f.tempDirectory, tmp);
    EXPECT_TRUE(f.tempFreeBytes);
    EXPECT_TRUE(f.appFreeBytes);
}

TEST(Machine, UnreadablePlacesGiveNoNumber) {
    EXPECT_FALSE(FreeDiskBytes("/no/such/directory/anywhere"));
    EXPECT_FALSE(FreeDiskBytes(""));
    EXPECT_FALSE(CollectSystemFacts("").appFreeBytes);
}

TEST(Machine, ProgramPathIsThisTestProgram) {
    std::filesystem::path p = ProgramPath();
    EXPECT_TRUE(p.is_absolute());
    EXPECT_EQ(p.filename(), program_invocation_short_name);
    EXPECT_TRUE(std::filesystem::equivalent(p, "/proc/self/exe"));
}

TEST(Machine, TempDirectoryFollowsTmpdir) {
    const char* old = std::getenv("TMPDIR");
    std::string saved = old ? old : "";
    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(TempDirectory(), "/var/tmp");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(TempDirectory(), "/tmp");
    if (old) {
        setenv("TMPDIR", saved.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

}  // namespace
}  // namespace qrv::errors
