// Read-only mapping of a whole file; an empty file maps to an empty view.
#include "csv/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace qrv::csv {

using dao::Error;
using dao::makeError;

MappedFile::~MappedFile() {
    release();
}

MappedFile::MappedFile(MappedFile&& o) noexcept
    : data_(std::exchange(o.data_, nullptr)), size_(std::exchange(o.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& o) noexcept {
    if (this != &o) {
        release();
        data_ = std::exchange(o.data_, nullptr);
        size_ = std::exchange(o.size_, 0);
    }
    return *this;
}

void MappedFile::release() {
    if (data_) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

dao::Result<MappedFile> MappedFile::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        if (code == ENOENT)
            return makeError(dao::err::kFileNotFound, "Could not find file '" + path + "'.");
        return makeError(dao::err::kCannotOpen,
                         "Cannot open '" + path + "': " + std::strerror(code) + ".");
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return makeError(dao::err::kCannotOpen, "'" + path + "' is not a file.");
    }
    MappedFile f;
    if (st.st_size > 0) {
        void* p =
            ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            const int code = errno;
            ::close(fd);
            return makeError(dao::err::kCannotOpen,
                             "Cannot read '" + path + "': " + std::strerror(code) + ".");
        }
        ::madvise(p, static_cast<std::size_t>(st.st_size), MADV_SEQUENTIAL);
        f.data_ = p;
        f.size_ = static_cast<std::size_t>(st.st_size);
    }
    ::close(fd);
    return f;
}

}  // namespace qrv::csv
