// Recordset columns and moves: describing the statement's columns, stepping
// it, and switching between the streaming, "last" and cached ways of holding
// the current row as moves need them.
#include <algorithm>

#include "dataaccess/fold.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/recordset_impl.h"

namespace qrv::dao::detail {

void RecordsetImpl::readRow(std::vector<Value>& out) const {
    out.resize(fields.size());
    for (size_t i = 0; i < fields.size(); ++i)
        out[i] = readColumn(stmt.get(), colOffset + static_cast<int>(i), readTypes[i]);
}

Bookmark RecordsetImpl::streamKey() const {
    return tableBased ? sqlite3_column_int64(stmt.get(), 0) : static_cast<Bookmark>(pos);
}

Error RecordsetImpl::describeColumns() {
    sqlite3_stmt* s = stmt.get();
    const int n = sqlite3_column_count(s) - colOffset;
    const bool hasRow = !eof;
    for (int i = 0; i < n; ++i) {
        const int c = i + colOffset;
        FieldInfo f;
        f.Name = sqlite3_column_name(s, c);
        const char* decl = sqlite3_column_decltype(s, c);
        int readType = 0;
        if (decl) {
            typeFromDeclared(decl, f.Type, f.Size);
            readType = f.Type;
        } else {
            int st = hasRow ? sqlite3_column_type(s, c) : SQLITE_NULL;
            f.Type = st == SQLITE_INTEGER ? dbLong : st == SQLITE_TEXT ? dbText : dbDouble;
            f.Size = f.Type == dbText ? 255 : fixedSizeOf(f.Type);
        }
        const char* dbName = sqlite3_column_database_name(s, c);
        const char* tbl = sqlite3_column_table_name(s, c);
        const char* origin = sqlite3_column_origin_name(s, c);
        if (tbl) f.SourceTable = tbl;
        if (origin) f.SourceField = origin;
        if (f.Type == dbText || f.Type == dbMemo) {
            const char* coll = nullptr;
            if (dbName && tbl && origin)
                sqlite3_table_column_metadata(conn->db, dbName, tbl, origin, nullptr, &coll,
                                              nullptr, nullptr, nullptr);
            f.CollatingOrder = coll && iequal(coll, "NOCASE") ? dbSortGeneral : dbSortNeutral;
        }
        byName.emplace(foldCase(f.Name), i);
        fields.push_back(std::move(f));
        readTypes.push_back(readType);
    }
    return {};
}

Error RecordsetImpl::firstStep() {
    int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW) {
        pos = 0;
        eof = bof = false;
        visited = std::max(visited, 1L);
        return {};
    }
    if (rc == SQLITE_DONE) {
        sqlite3_reset(stmt.get());
        pos = 0;
        eof = bof = true;
        total = 0;
        return {};
    }
    return mapError(*conn, rc);
}

Error RecordsetImpl::restart() {
    sqlite3_reset(stmt.get());
    mode = Mode::Stream;
    return firstStep();
}

Error RecordsetImpl::cacheAll() {
    if (mode == Mode::Cached) return {};
    const long keep = pos;
    const bool wasEof = eof, wasBof = bof;
    sqlite3_reset(stmt.get());
    rows.clear();
    keyIndex.clear();
    deleted = 0;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        Row r;
        r.key =
            tableBased ? sqlite3_column_int64(stmt.get(), 0) : static_cast<Bookmark>(rows.size());
        readRow(r.v);
        keyIndex.emplace(r.key, static_cast<long>(rows.size()));
        rows.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) return mapError(*conn, rc);
    sqlite3_reset(stmt.get());
    mode = Mode::Cached;
    total = visited = static_cast<long>(rows.size());
    pos = std::min(keep, total);
    eof = wasEof || pos >= total;
    bof = wasBof;
    if (bof) pos = -1;
    return {};
}

Error RecordsetImpl::moveNext() {
    if (eof) return noCurrent();
    if (mode == Mode::Stream) {
        int rc = sqlite3_step(stmt.get());
        ++pos;
        if (rc == SQLITE_ROW) {
            visited = std::max(visited, pos + 1);
            return {};
        }
        eof = true;
        if (rc != SQLITE_DONE) return mapError(*conn, rc);
        sqlite3_reset(stmt.get());  // release the read: a finished walk blocks no one
        total = pos;
        visited = total;
        return {};
    }
    if (mode == Mode::Last) {
        ++pos;
        eof = true;
        return {};
    }
    bof = false;
    do {
        ++pos;
    } while (pos < static_cast<long>(rows.size()) && rows[pos].deleted);
    if (pos >= static_cast<long>(rows.size())) eof = true;
    return {};
}

Error RecordsetImpl::movePrevious() {
    if (bof) return noCurrent();
    if (Error e = cacheAll()) return e;
    eof = false;
    do {
        --pos;
    } while (pos >= 0 && rows[pos].deleted);
    if (pos < 0) {
        pos = -1;
        bof = true;
    }
    return {};
}

Error RecordsetImpl::moveFirst() {
    if (mode == Mode::Cached) {
        long p = 0;
        while (p < static_cast<long>(rows.size()) && rows[p].deleted) ++p;
        if (p >= static_cast<long>(rows.size())) {
            eof = bof = true;
            return noCurrent();
        }
        pos = p;
        eof = bof = false;
        return {};
    }
    if (total == 0) return noCurrent();
    if (mode == Mode::Stream && pos == 0 && !eof) return {};
    if (Error e = restart()) return e;
    return eof ? noCurrent() : Error{};
}

Error RecordsetImpl::moveLast() {
    if (mode == Mode::Cached) {
        long p = static_cast<long>(rows.size()) - 1;
        while (p >= 0 && rows[p].deleted) --p;
        if (p < 0) {
            eof = bof = true;
            return noCurrent();
        }
        pos = p;
        eof = bof = false;
        return {};
    }
    if (total == 0) return noCurrent();
    if (mode == Mode::Last) {
        pos = total - 1;
        eof = bof = false;
        return {};
    }
    if (eof)
        if (Error e = restart()) return e;
    if (eof) return noCurrent();
    int rc;
    do {
        readRow(last);
        lastKey = streamKey();
        rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_ROW) ++pos;
    } while (rc == SQLITE_ROW);
    if (rc != SQLITE_DONE) return mapError(*conn, rc);
    sqlite3_reset(stmt.get());
    mode = Mode::Last;
    total = visited = pos + 1;
    eof = bof = false;
    return {};
}

Value RecordsetImpl::value(int i) const {
    if (edit != EditKind::None) return buf[static_cast<size_t>(i)];
    if (!onRow()) return Value();
    switch (mode) {
        case Mode::Stream:
            return readColumn(stmt.get(), colOffset + i, readTypes[static_cast<size_t>(i)]);
        case Mode::Last:
            return last[static_cast<size_t>(i)];
        case Mode::Cached:
            if (rows[pos].deleted) return Value();
            return rows[pos].v[static_cast<size_t>(i)];
    }
    return Value();
}

Result<Bookmark> RecordsetImpl::currentKey() const {
    if (!onRow()) return noCurrent();
    switch (mode) {
        case Mode::Stream:
            return streamKey();
        case Mode::Last:
            return lastKey;
        case Mode::Cached:
            if (rows[pos].deleted) return makeError(err::kRecordDeleted, "Record is deleted.");
            return rows[pos].key;
    }
    return noCurrent();
}

}  // namespace qrv::dao::detail
