// The memory account of a run's sorted values and their spill file.
#include "engine/sort_budget.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/sort_table.h"

namespace qrv {

using namespace qrv::dao;

namespace {

Error ioError(int number, const std::string& what, const std::string& path) {
    return makeError(number, what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

SortBudget::SortBudget(std::size_t limit, std::string folder)
    : limit_(limit), folder_(std::move(folder)) {}

SortBudget::~SortBudget() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
}

Error SortBudget::SpillAll() {
    for (SortTable* t : tables_)
        if (!t->pinned_)
            if (Error e = t->spill()) return e;
    return {};
}

Error SortBudget::open() {
    // This object's address tells it from the scratch file and from other
    // runs' spill files of the same process.
    char name[64];
    std::snprintf(name, sizeof name, "qrv%ld_%llx.tmp", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(this)));
    const std::string path = (folder_.empty() ? std::string(".") : folder_) + "/" + name;
    // A file of this name can only be a leftover of this same process.
    ::unlink(path.c_str());
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ < 0) return ioError(err::kCannotOpen, "Cannot create the sort spill file", path);
    path_ = path;
    return {};
}

Error SortBudget::Write(const void* data, std::size_t bytes, std::uint64_t& offset) {
    if (fd_ < 0)
        if (Error e = open()) return e;
    offset = end_;
    const char* p = static_cast<const char*>(data);
    for (std::size_t done = 0; done < bytes;) {
        const ssize_t n = ::pwrite(fd_, p + done, bytes - done, static_cast<off_t>(end_ + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return ioError(err::kDiskFull, "Cannot write the sort spill file", path_);
        done += static_cast<std::size_t>(n);
    }
    end_ += bytes;
    ++runs_;
    return {};
}

Error SortBudget::Read(std::uint64_t offset, void* data, std::size_t bytes) const {
    char* p = static_cast<char*>(data);
    for (std::size_t done = 0; done < bytes;) {
        const ssize_t n = ::pread(fd_, p + done, bytes - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return ioError(err::kReservedError, "Cannot read the sort spill file", path_);
        done += static_cast<std::size_t>(n);
    }
    return {};
}

}  // namespace qrv
