// SortBudget: one run's account of the memory its groups' sorted values take,
// and the file their values spill to once that passes the limit. Every
// SortTable of the run joins it; when a table needs more room than is left,
// every joined table (but one being merged into another, whose values are
// being read) writes its values out as sorted runs and frees them, and
// reading a field in order merges the runs back. The spill file is named like
// the scratch file (qrv<pid>_<id>.tmp) so a killed run's file is removed by
// the dead-run clean-up; it is removed when the budget goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "dataaccess/error.h"

namespace qrv {

class SortTable;

class SortBudget {
  public:
    static constexpr std::size_t kDefaultBytes = std::size_t{256} << 20;

    // folder is where the spill file goes (the file is made only when the
    // first run is written).
    SortBudget(std::size_t limit, std::string folder);
    ~SortBudget();
    SortBudget(const SortBudget&) = delete;
    SortBudget& operator=(const SortBudget&) = delete;

    std::size_t Limit() const { return limit_; }
    std::size_t Held() const { return held_; }
    // Sorted runs written so far.
    long Runs() const { return runs_; }
    // The spill file's path, empty until a run was written.
    const std::string& SpillPath() const { return path_; }

    // Whether more bytes can be held without passing the limit.
    bool Fits(std::size_t more) const { return held_ + more <= limit_; }
    void Charge(std::size_t bytes) { held_ += bytes; }
    void Release(std::size_t bytes) { held_ -= bytes < held_ ? bytes : held_; }

    void Join(SortTable* table) { tables_.insert(table); }
    void Leave(SortTable* table) { tables_.erase(table); }
    // Writes every joined table's values out as sorted runs; the first error
    // ends it.
    dao::Error SpillAll();

    // Appends bytes to the spill file (one sorted run), giving where they start.
    dao::Error Write(const void* data, std::size_t bytes, std::uint64_t& offset);
    // Reads bytes back from offset.
    dao::Error Read(std::uint64_t offset, void* data, std::size_t bytes) const;

  private:
    dao::Error open();

    std::size_t limit_;
    std::size_t held_ = 0;
    long runs_ = 0;
    std::string folder_, path_;
    int fd_ = -1;
    std::uint64_t end_ = 0;
    std::unordered_set<SortTable*> tables_;
};

}  // namespace qrv
