#include "designer/frame/mru_list.h"

#include <algorithm>

namespace qrv::designer {

namespace {
std::string pathName(std::size_t place) {
    return "MRU" + std::to_string(place);
}
std::string tagName(std::size_t place) {
    return "MRUTAG" + std::to_string(place);
}
}  // namespace

void CMRU::GetMRUList() {
    entries_.clear();
    for (std::size_t place = 1; place <= MaxMRUItems; ++place) {
        std::string path = settings_.ReadEntry(pathName(place), "");
        if (path.empty()) break;
        entries_.push_back({std::move(path), settings_.ReadEntry(tagName(place), "")});
    }
}

void CMRU::SetMRUList(const std::string& path, const std::string& tag) {
    if (path.empty()) return;
    std::erase_if(entries_, [&](const Entry& e) { return e.path == path; });
    entries_.insert(entries_.begin(), Entry{path, tag});
    if (entries_.size() > MaxMRUItems) entries_.resize(MaxMRUItems);
}

void CMRU::WriteMRUList() {
    for (std::size_t place = 1; place <= MaxMRUItems; ++place) {
        if (place <= entries_.size()) {
            settings_.WriteEntry(pathName(place), entries_[place - 1].path);
            settings_.WriteEntry(tagName(place), entries_[place - 1].tag);
        } else {
            settings_.RemoveEntry(pathName(place));
            settings_.RemoveEntry(tagName(place));
        }
    }
}

}  // namespace qrv::designer
