// Which table a property belongs to. A name does not say: another program may
// drop a table and make a new one under its name. So every table and query
// carries a token of its own in a comment of its CREATE text, which SQLite
// keeps through renames and column changes by any client, and the property
// catalog files rows under that token. A table made elsewhere gets its token
// written into its stored text (a comment only: its meaning and data stay as
// they are) when it first gets a property.
#include <cctype>
#include <cstring>

#include "dataaccess/objects/database_impl.h"

namespace qrv::dao::detail {

namespace {

constexpr std::string_view kTokenPrefix = "qrv:";
constexpr size_t kTokenHexDigits = 32;

bool isTokenText(std::string_view s) {
    if (s.size() != kTokenPrefix.size() + kTokenHexDigits || s.substr(0, 4) != kTokenPrefix)
        return false;
    for (char c : s.substr(kTokenPrefix.size()))
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'a' || c > 'f')) return false;
    return true;
}

// A lexer over SQLite SQL just fine enough to tell comments, quoted texts
// and names, and words apart.
struct SqlCursor {
    std::string_view s;
    size_t i = 0;

    bool atEnd() const { return i >= s.size(); }
    // Skips blanks and comments; reports each comment's span to onComment.
    template <class F>
    void skipSpace(F&& onComment) {
        while (i < s.size()) {
            if (std::isspace(static_cast<unsigned char>(s[i]))) {
                ++i;
            } else if (s.compare(i, 2, "--") == 0) {
                while (i < s.size() && s[i] != '\n') ++i;
            } else if (s.compare(i, 2, "/*") == 0) {
                const size_t end = s.find("*/", i + 2);
                const size_t stop = end == std::string_view::npos ? s.size() : end + 2;
                onComment(i, stop);
                i = stop;
            } else {
                break;
            }
        }
    }
    void skipSpace() {
        skipSpace([](size_t, size_t) {});
    }
    // One token: a quoted text or name, a word, or a single other character.
    std::string_view next() {
        const size_t start = i;
        const char c = s[i];
        if (c == '"' || c == '\'' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            ++i;
            while (i < s.size()) {
                if (s[i] == close) {
                    // A doubled quote stands for itself; brackets do not double.
                    if (close != ']' && i + 1 < s.size() && s[i + 1] == close) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
                   (static_cast<unsigned char>(c) & 0x80)) {
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_' ||
                                    s[i] == '$' || (static_cast<unsigned char>(s[i]) & 0x80)))
                ++i;
        } else {
            ++i;
        }
        return s.substr(start, i - start);
    }
};

bool isWord(std::string_view token, std::string_view upper) {
    if (token.size() != upper.size()) return false;
    for (size_t k = 0; k < token.size(); ++k)
        if (std::toupper(static_cast<unsigned char>(token[k])) != upper[k]) return false;
    return true;
}

// The offset just after the object's name in a CREATE TABLE / VIEW / VIRTUAL
// TABLE text, where a comment changes nothing for SQLite.
std::optional<size_t> afterName(std::string_view sql) {
    SqlCursor c{sql};
    c.skipSpace();
    if (c.atEnd() || !isWord(c.next(), "CREATE")) return std::nullopt;
    for (;;) {
        c.skipSpace();
        if (c.atEnd()) return std::nullopt;
        const std::string_view w = c.next();
        if (isWord(w, "TABLE") || isWord(w, "VIEW")) break;
        if (!isWord(w, "TEMP") && !isWord(w, "TEMPORARY") && !isWord(w, "VIRTUAL"))
            return std::nullopt;
    }
    c.skipSpace();
    if (c.atEnd()) return std::nullopt;
    if (isWord(c.next(), "IF")) {
        for (const char* w : {"NOT", "EXISTS"}) {
            c.skipSpace();
            if (c.atEnd() || !isWord(c.next(), w)) return std::nullopt;
        }
        c.skipSpace();
        if (c.atEnd()) return std::nullopt;
        c.next();
    }
    // A schema-qualified name: schema "." name.
    size_t end = c.i;
    c.skipSpace();
    if (!c.atEnd() && sql[c.i] == '.') {
        ++c.i;
        c.skipSpace();
        if (c.atEnd()) return std::nullopt;
        c.next();
        end = c.i;
    }
    return end;
}

}  // namespace

std::string newObjectToken() {
    unsigned char bytes[kTokenHexDigits / 2];
    sqlite3_randomness(sizeof bytes, bytes);
    static const char* const hex = "0123456789abcdef";
    std::string token(kTokenPrefix);
    for (unsigned char b : bytes) {
        token += hex[b >> 4];
        token += hex[b & 15];
    }
    return token;
}

std::optional<TokenSpan> findTokenComment(std::string_view sql) {
    SqlCursor c{sql};
    std::optional<TokenSpan> found;
    while (!c.atEnd() && !found) {
        c.skipSpace([&](size_t begin, size_t end) {
            if (found || end - begin < 4) return;
            const std::string_view body = sql.substr(begin + 2, end - begin - 4);
            if (isTokenText(body)) found = TokenSpan{begin, end, std::string(body)};
        });
        if (!c.atEnd()) c.next();
    }
    return found;
}

std::string withoutToken(std::string_view sql) {
    std::string text(sql);
    if (auto old = findTokenComment(text)) {
        size_t begin = old->begin;
        if (begin > 0 && text[begin - 1] == ' ') --begin;  // the blank a mark puts before it
        text.erase(begin, old->end - begin);
    }
    return text;
}

std::optional<std::string> withToken(std::string_view sql, std::string_view token) {
    std::string text = withoutToken(sql);
    auto at = afterName(text);
    if (!at) return std::nullopt;
    text.insert(*at, " /*" + std::string(token) + "*/");
    return text;
}

std::optional<ObjectRef> DatabaseImpl::findRef(std::string_view name, const char* type) const {
    auto stored = findObject(name, type);
    if (!stored) return std::nullopt;
    auto st = prepare(*conn, "SELECT sql FROM main.sqlite_master WHERE type = ?1 AND name = ?2");
    if (!st) return std::nullopt;
    sqlite3_bind_text(st->get(), 1, type, -1, SQLITE_STATIC);
    sqlite3_bind_text(st->get(), 2, stored->c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(st->get()) != SQLITE_ROW) return std::nullopt;
    ObjectRef ref{*stored, type, {}, {}};
    if (const auto* sql = sqlite3_column_text(st->get(), 0))
        ref.sql = reinterpret_cast<const char*>(sql);
    if (auto t = findTokenComment(ref.sql)) ref.token = t->token;
    return ref;
}

std::optional<ObjectRef> DatabaseImpl::findRef(std::string_view name) const {
    if (auto t = findRef(name, "table")) return t;
    return findRef(name, "view");
}

std::vector<ObjectRef> DatabaseImpl::tokenCarriers(std::string_view token) const {
    std::vector<ObjectRef> out;
    if (token.empty()) return out;
    auto st = prepare(*conn,
                      "SELECT name, type, sql FROM main.sqlite_master WHERE type IN ('table', "
                      "'view') AND instr(sql, ?1) > 0");
    if (!st) return out;
    const std::string comment = "/*" + std::string(token) + "*/";
    sqlite3_bind_text(st->get(), 1, comment.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st->get()) == SQLITE_ROW) {
        ObjectRef ref;
        ref.name = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
        ref.type = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 1));
        ref.sql = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 2));
        // The text may only quote the token; it counts where it is the comment.
        auto t = findTokenComment(ref.sql);
        if (t && t->token == token) {
            ref.token = t->token;
            out.push_back(std::move(ref));
        }
    }
    return out;
}

Error DatabaseImpl::markObject(ObjectRef& ref) {
    const std::string token = newObjectToken();
    auto text = withToken(ref.sql, token);
    if (!text)
        return makeError(err::kInvalidOperation,
                         "Properties cannot be kept for '" + ref.name +
                             "': its definition is not one this program can mark.");
    WriteScope scope(*conn, "qrv_mark");
    if (Error e = scope.begin()) return e;
    // SQLite's documented way of changing a stored definition in place: the
    // change is a comment, so nothing stored on disk depends on it.
    auto version = prepare(*conn, "PRAGMA main.schema_version");
    if (!version) return scope.fail(version.error());
    if (sqlite3_step(version->get()) != SQLITE_ROW)
        return scope.fail(mapError(*conn, SQLITE_ERROR));
    const sqlite3_int64 v = sqlite3_column_int64(version->get(), 0);
    version->reset();
    if (Error e = exec(*conn, "PRAGMA writable_schema = ON")) return scope.fail(e);
    auto off = [&](Error e) {
        exec(*conn, "PRAGMA writable_schema = OFF");
        return scope.fail(e);
    };
    auto up =
        prepare(*conn, "UPDATE main.sqlite_master SET sql = ?1 WHERE type = ?2 AND name = ?3");
    if (!up) return off(up.error());
    sqlite3_bind_text(up->get(), 1, text->c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(up->get(), 2, ref.type.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(up->get(), 3, ref.name.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(up->get());
    if (rc != SQLITE_DONE) return off(mapError(*conn, rc));
    if (sqlite3_changes(conn->db) != 1)
        return off(makeError(err::kItemNotFound, "Item not found in this collection."));
    up->reset();
    if (Error e = exec(*conn, "PRAGMA main.schema_version = " + std::to_string(v + 1)))
        return off(e);
    if (Error e = exec(*conn, "PRAGMA writable_schema = OFF")) return scope.fail(e);
    if (Error e = scope.commit()) return e;
    ref.sql = *text;
    ref.token = token;
    return {};
}

}  // namespace qrv::dao::detail
