// Recordset writes: the new-row buffer with its defaults and counter values,
// Update through insert and update statements kept per shape of changed
// fields, and Delete of the current row.
#include <algorithm>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/recordset_impl.h"

namespace qrv::dao::detail {

Error RecordsetImpl::loadDefaults() {
    if (!defaults.empty() || fields.empty()) return {};
    buf.assign(fields.size(), Value());
    dirty.assign(fields.size(), 0);
    defaults.assign(fields.size(), Value());
    counter.assign(fields.size(), false);
    DatabaseImpl tmp;
    tmp.conn = conn;
    auto def = tmp.loadTableDef(table);
    if (!def) return def.error();
    for (size_t i = 0; i < fields.size(); ++i) {
        const Field* f = def->FindField(fields[i].Name);
        if (!f) continue;
        counter[i] = (f->Attributes & dbAutoIncrField) != 0;
        // Evaluate the stored default the way an insert would.
        auto st = prepare(*conn, "SELECT dflt_value FROM pragma_table_info(?1) WHERE name = ?2");
        if (!st) continue;
        sqlite3_bind_text(st->get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st->get(), 2, f->Name.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st->get()) != SQLITE_ROW ||
            sqlite3_column_type(st->get(), 0) == SQLITE_NULL)
            continue;
        std::string expr = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
        auto ev = prepare(*conn, "SELECT " + expr);
        if (ev && sqlite3_step(ev->get()) == SQLITE_ROW)
            defaults[i] = readColumn(ev->get(), 0, f->Type);
    }
    return {};
}

Result<long> RecordsetImpl::nextCounter(size_t i) {
    auto st = prepare(*conn,
                      "SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE "
                      "name = ?1), 0), coalesce((SELECT max(" +
                          quoteIdentifier(columnName(i)) + ") FROM main." + quoteIdentifier(table) +
                          "), 0)) + 1");
    if (!st) {
        // No sequence table: only the column's own maximum counts.
        st = prepare(*conn, "SELECT coalesce(max(" + quoteIdentifier(columnName(i)) +
                                "), 0) + 1 FROM main." + quoteIdentifier(table));
        if (!st) return st.error();
    } else {
        sqlite3_bind_text(st->get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    }
    if (sqlite3_step(st->get()) != SQLITE_ROW) return mapError(*conn, SQLITE_ERROR);
    return static_cast<long>(sqlite3_column_int64(st->get(), 0));
}

Result<sqlite3_stmt*> RecordsetImpl::writeStatement(bool insert) {
    // Appends in a loop set the same fields every time: reuse the last shape first.
    if (lastWrite && lastWriteInsert == insert && lastWriteDirty == dirty) return lastWrite;
    std::string key(insert ? "I" : "U");
    key.append(dirty.begin(), dirty.end());
    auto it = writeCache.find(key);
    if (it != writeCache.end()) return remember(insert, it->second.get());
    std::string sql;
    if (insert) {
        std::string cols, vals;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (!dirty[i]) continue;
            if (!cols.empty()) {
                cols += ", ";
                vals += ", ";
            }
            cols += quoteIdentifier(columnName(i));
            vals += "?";
        }
        sql = "INSERT INTO main." + quoteIdentifier(table) +
              (cols.empty() ? " DEFAULT VALUES" : " (" + cols + ") VALUES (" + vals + ")");
    } else {
        std::string sets;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (!dirty[i]) continue;
            if (!sets.empty()) sets += ", ";
            sets += quoteIdentifier(columnName(i)) + " = ?";
        }
        sql = "UPDATE main." + quoteIdentifier(table) + " SET " + sets + " WHERE _rowid_ = ?";
    }
    auto st = prepare(*conn, sql);
    if (!st) return st.error();
    sqlite3_stmt* raw = st->get();
    writeCache.emplace(key, std::move(*st));
    return remember(insert, raw);
}

sqlite3_stmt* RecordsetImpl::remember(bool insert, sqlite3_stmt* st) {
    lastWrite = st;
    lastWriteInsert = insert;
    lastWriteDirty = dirty;
    return st;
}

Error RecordsetImpl::refetch(Bookmark key, std::vector<Value>& out) {
    auto st = prepare(
        *conn, "SELECT _rowid_, * FROM main." + quoteIdentifier(table) + " WHERE _rowid_ = ?1");
    if (!st) return st.error();
    sqlite3_bind_int64(st->get(), 1, key);
    if (sqlite3_step(st->get()) != SQLITE_ROW) return {};
    out.resize(fields.size());
    for (size_t i = 0; i < fields.size(); ++i)
        out[i] = readColumn(st->get(), 1 + static_cast<int>(i), readTypes[i]);
    return {};
}

Error RecordsetImpl::update() {
    if (edit == EditKind::None) return noEdit();
    const bool insert = edit == EditKind::Add;
    if (!insert && std::find(dirty.begin(), dirty.end(), 1) == dirty.end()) {
        edit = EditKind::None;
        return {};
    }
    auto st = writeStatement(insert);
    if (!st) return st.error();
    sqlite3_stmt* s = *st;
    int idx = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!dirty[i]) continue;
        if (Error e = bindValue(s, idx++, buf[i], readTypes[i] ? readTypes[i] : fields[i].Type,
                                fields[i].Name))
            return e;
    }
    Bookmark key = 0;
    if (!insert) {
        key = rows[pos].key;
        sqlite3_bind_int64(s, idx, key);
    }
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) return mapError(*conn, rc);
    edit = EditKind::None;
    if (insert) {
        key = sqlite3_last_insert_rowid(conn->db);
        if (mode == Mode::Cached) {
            Row r;
            r.key = key;
            if (Error e = refetch(key, r.v)) return e;
            keyIndex.emplace(key, static_cast<long>(rows.size()));
            rows.push_back(std::move(r));
            total = static_cast<long>(rows.size());
        }
    } else {
        if (Error e = refetch(key, rows[pos].v)) return e;
    }
    lastModified = key;
    return {};
}

Error RecordsetImpl::addNew() {
    if (readOnly) return notUpdatable();
    if (Error e = loadDefaults()) return e;
    std::copy(defaults.begin(), defaults.end(), buf.begin());
    std::fill(dirty.begin(), dirty.end(), 0);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!counter[i]) continue;
        // The new number is visible before Update, as callers may read it.
        auto next = nextCounter(i);
        if (!next) return next.error();
        buf[i] = Value::int32(static_cast<std::int32_t>(*next));
        dirty[i] = 1;
    }
    edit = EditKind::Add;
    return {};
}

Error RecordsetImpl::beginEdit() {
    if (readOnly) return notUpdatable();
    if (!onRow()) return noCurrent();
    if (Error e = cacheAll()) return e;
    if (rows[pos].deleted) return makeError(err::kRecordDeleted, "Record is deleted.");
    buf = rows[pos].v;
    dirty.assign(fields.size(), 0);
    edit = EditKind::Edit;
    return {};
}

Error RecordsetImpl::deleteCurrent() {
    if (readOnly) return notUpdatable();
    if (!onRow()) return noCurrent();
    if (Error e = cacheAll()) return e;
    auto& row = rows[pos];
    if (row.deleted) return makeError(err::kRecordDeleted, "Record is deleted.");
    auto st = prepare(*conn, "DELETE FROM main." + quoteIdentifier(table) + " WHERE _rowid_ = ?1");
    if (!st) return st.error();
    sqlite3_bind_int64(st->get(), 1, row.key);
    int rc = sqlite3_step(st->get());
    if (rc != SQLITE_DONE) return mapError(*conn, rc);
    row.deleted = true;
    ++deleted;
    edit = EditKind::None;
    return {};
}

}  // namespace qrv::dao::detail
