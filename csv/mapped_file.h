// A file read whole through a read-only memory mapping: the importer walks
// the bytes twice (once to learn the columns, once to write the rows) without
// holding a copy of a file that may be larger than memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataaccess/error.h"

namespace qrv::csv {

class MappedFile {
  public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(MappedFile&& o) noexcept;
    MappedFile& operator=(MappedFile&& o) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Fails with a message naming the file when it is missing, a folder or unreadable.
    static dao::Result<MappedFile> open(const std::string& path);
    std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }

  private:
    void release();
    void* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace qrv::csv
