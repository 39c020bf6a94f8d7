// Each candidate delimiter parses the first records with the real reader, so
// quoted fields holding another candidate do not mislead the count.
#include "csv/sniff.h"

#include <cstddef>

#include "csv/record_reader.h"

namespace qrv::csv {

namespace {

constexpr std::size_t kSampleRecords = 50;

struct Trial {
    std::size_t headerFields = 0;
    bool consistent = true;
};

Trial tryDelimiter(std::string_view text, char delimiter) {
    Trial t;
    std::size_t seen = 0;
    const dao::Error e = readRecords(text, delimiter, [&](const Record& r) {
        if (seen == 0)
            t.headerFields = r.size();
        else if (r.size() != t.headerFields)
            t.consistent = false;
        return ++seen < kSampleRecords && t.consistent;
    });
    // A quoting error beyond the sample does not count against the candidate.
    if (e && seen < kSampleRecords) t.consistent = false;
    return t;
}

}  // namespace

char sniffDelimiter(std::string_view text) {
    const char candidates[] = {',', ';', '\t'};
    char best = 0, widest = ',';
    std::size_t bestFields = 1, widestFields = 1;
    for (char c : candidates) {
        const Trial t = tryDelimiter(text, c);
        if (t.consistent && t.headerFields > bestFields) {
            best = c;
            bestFields = t.headerFields;
        }
        if (t.headerFields > widestFields) {
            widest = c;
            widestFields = t.headerFields;
        }
    }
    return best ? best : widest;
}

}  // namespace qrv::csv
