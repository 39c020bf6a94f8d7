// Bulk appends through one prepared INSERT.
#include "dataaccess/appender.h"

#include "dataaccess/database_impl.h"
#include "dataaccess/sql_dialect.h"

namespace qrv::dao {

namespace detail {

struct AppenderImpl {
    ConnectionPtr conn;
    Stmt insert;
    std::vector<int> types;
    std::vector<std::string> names;
};

Result<Appender> DatabaseImpl::openAppender(std::string_view table,
                                            const std::vector<std::string>& columns) {
    if (conn->readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    auto def = loadTableDef(table);
    if (!def) return def.error();
    auto impl = std::make_unique<AppenderImpl>();
    impl->conn = conn;
    std::string cols, marks;
    for (const std::string& c : columns) {
        const Field* f = def->FindField(c);
        if (!f) return makeError(err::kItemNotFound, "Item not found in this collection.");
        if (!cols.empty()) {
            cols += ", ";
            marks += ", ";
        }
        cols += quoteIdentifier(f->Name);
        marks += "?";
        impl->types.push_back(f->Type);
        impl->names.push_back(f->Name);
    }
    auto st = prepare(*conn, "INSERT INTO main." + quoteIdentifier(def->Name) + " (" + cols +
                                 ") VALUES (" + marks + ")");
    if (!st) return st.error();
    impl->insert = std::move(*st);
    Appender a;
    a.p_ = std::move(impl);
    return a;
}

}  // namespace detail

Appender::Appender() = default;
Appender::~Appender() = default;
Appender::Appender(Appender&&) noexcept = default;
Appender& Appender::operator=(Appender&&) noexcept = default;

bool Appender::IsOpen() const {
    return p_ && p_->insert && p_->conn->isOpen();
}

void Appender::Close() {
    p_.reset();
}

Error Appender::Append(std::initializer_list<Value> values) {
    if (!IsOpen()) return detail::closedError();
    if (values.size() != p_->types.size())
        return makeError(err::kInvalidArgument, "Invalid argument.");
    sqlite3_stmt* s = p_->insert.get();
    int i = 0;
    for (const Value& v : values) {
        if (Error e = detail::bindValue(s, i + 1, v, p_->types[static_cast<size_t>(i)],
                                        p_->names[static_cast<size_t>(i)]))
            return e;
        ++i;
    }
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) return detail::mapError(*p_->conn, rc);
    return {};
}

}  // namespace qrv::dao
