// libcsv is fed one line at a time, so the reader knows which line a record
// ends on; the line breaks inside its quoted fields say where it started.
#include "csv/record_reader.h"

#include <csv.h>

#include <algorithm>
#include <cstring>

namespace qrv::csv {

using dao::Error;
using dao::makeError;

struct ReaderState {
    Record rec;
    const std::function<bool(const Record&)>* onRecord = nullptr;
    long line = 1;            // line being fed
    long breaksInRecord = 0;  // line breaks inside the record's quoted fields
    long lastRecordEnd = 0;   // line the previous record ended on
    bool stop = false;

    static void field(void* data, std::size_t len, void* self) {
        auto& s = *static_cast<ReaderState*>(self);
        const auto* p = static_cast<const char*>(data);
        s.rec.spans_.emplace_back(s.rec.arena_.size(), len);
        if (len) {
            s.rec.arena_.append(p, len);
            s.breaksInRecord += std::count(p, p + len, '\n');
        }
    }

    static void row(int, void* self) {
        auto& s = *static_cast<ReaderState*>(self);
        if (s.stop) return;
        s.rec.line = s.line - s.breaksInRecord;
        s.lastRecordEnd = s.line;
        s.stop = !(*s.onRecord)(s.rec);
        s.rec.arena_.clear();
        s.rec.spans_.clear();
        s.breaksInRecord = 0;
    }
};

namespace {

// Spaces and tabs around unquoted fields are dropped (libcsv's default); a
// tab only when it is not the delimiter.
int spaceOnly(unsigned char c) {
    return c == CSV_SPACE;
}

class Parser {
  public:
    explicit Parser(char delimiter) {
        ok_ = csv_init(&p_, CSV_STRICT | CSV_STRICT_FINI) == 0;
        if (!ok_) return;
        csv_set_delim(&p_, static_cast<unsigned char>(delimiter));
        if (delimiter == '\t') csv_set_space_func(&p_, spaceOnly);
    }
    ~Parser() {
        if (ok_) csv_free(&p_);
    }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;
    bool ok() const { return ok_; }
    csv_parser* get() { return &p_; }

  private:
    csv_parser p_{};
    bool ok_ = false;
};

Error outOfMemory() {
    return makeError(7, "Out of memory while reading the file.");
}

}  // namespace

Error readRecords(std::string_view text, char delimiter,
                  const std::function<bool(const Record&)>& onRecord) {
    Parser parser(delimiter);
    if (!parser.ok()) return outOfMemory();
    ReaderState s;
    s.onRecord = &onRecord;
    std::size_t pos = 0;
    while (pos < text.size() && !s.stop) {
        const char* nl =
            static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
        const std::size_t end = nl ? static_cast<std::size_t>(nl - text.data()) + 1 : text.size();
        const std::size_t n = end - pos;
        if (csv_parse(parser.get(), text.data() + pos, n, ReaderState::field, ReaderState::row,
                      &s) != n) {
            if (csv_error(parser.get()) == CSV_ENOMEM) return outOfMemory();
            return makeError(dao::err::kUnrecognizedFormat,
                             "Line " + std::to_string(s.line) +
                                 ": misplaced double quote. A field that holds quotes, "
                                 "delimiters or line breaks must be enclosed in double quotes, "
                                 "with each quote inside it doubled.");
        }
        if (nl) ++s.line;
        pos = end;
    }
    if (s.stop) return {};
    // The last record may lack its line break; it ends on the last line.
    if (csv_fini(parser.get(), ReaderState::field, ReaderState::row, &s) != 0)
        return makeError(dao::err::kUnrecognizedFormat,
                         "A closing double quote is missing: the quoted field after line " +
                             std::to_string(s.lastRecordEnd) + " runs to the end of the file.");
    return {};
}

}  // namespace qrv::csv
