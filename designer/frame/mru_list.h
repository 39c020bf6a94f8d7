// CMRU: the four most recently opened databases, each with the log-on tag it
// was opened with, most recent first. Kept as the values "MRU1".."MRU4" and
// "MRUTAG1".."MRUTAG4" of the settings section it is given.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "util/settings.h"

namespace qrv::designer {

class CMRU {
  public:
    static constexpr std::size_t MaxMRUItems = 4;
    struct Entry {
        std::string path;
        std::string tag;
    };

    explicit CMRU(util::ProgramSettings settings) : settings_(std::move(settings)) {}

    // Reads the list back from the settings; entries with an empty path end it.
    void GetMRUList();
    // Puts path at the top. A path already in the list moves up instead of
    // appearing twice (its tag replaced), so the four places always name four
    // different databases; the oldest entry falls off past four.
    void SetMRUList(const std::string& path, const std::string& tag);
    // Writes the list; places past its end are cleared.
    void WriteMRUList();

    const std::vector<Entry>& Entries() const { return entries_; }
    std::size_t Count() const { return entries_.size(); }

  private:
    util::ProgramSettings settings_;
    std::vector<Entry> entries_;
};

}  // namespace qrv::designer
