// SQLite writer, Yes/No fields. SQLite stores them as 1 and 0; the dialect
// reads Yes as -1. A name that can only be a Yes/No field of the tables the
// statement names is a truth value, which the writer turns into -1 and 0
// wherever a number is meant; and a value written into such a field goes
// through qrv_yesno, so -1, True and "Yes" all store Yes.
#include <map>

#include "dataaccess/dialect/sql_parser.h"
#include "dataaccess/dialect/sql_writer_impl.h"
#include "dataaccess/fold.h"
#include "dataaccess/types.h"

namespace qrv::dao::sql {

namespace {

class FieldTypes {
  public:
    explicit FieldTypes(const FieldLookup& lookup) : lookup_(lookup) {}
    // The type code of a field of a table; 0 when either is unknown.
    int of(const std::string& table, const std::string& field) {
        auto it = cache_.find(foldCase(table));
        if (it == cache_.end()) it = cache_.emplace(foldCase(table), lookup_(table)).first;
        if (!it->second) return 0;
        for (const auto& [name, type] : *it->second)
            if (iequal(name, field)) return type;
        return 0;
    }

  private:
    const FieldLookup& lookup_;
    std::map<std::string, std::optional<FieldList>> cache_;
};

}  // namespace

Tree SqliteWriter::withYesNoFields(const Tree& tree, const FieldLookup& lookup) {
    Tree t = tree;
    // The tables of the open database the statement names, each under the
    // name its fields are qualified with.
    std::vector<std::pair<std::string, std::string>> refs;  // qualifier, table
    auto note = [&refs](const std::vector<std::string>& name, bool hasSource,
                        const std::string& alias) {
        if (!hasSource && name.size() == 1)
            refs.emplace_back(alias.empty() ? name[0] : alias, name[0]);
    };
    for (const TableRef& r : t.tables)
        if (r.join == JoinKind::None && r.query < 0) note(r.name, r.hasSource, r.alias);
    if (t.statement.type == StatementType::Insert)
        note(t.statement.target.name, t.statement.target.hasSource, "");
    FieldTypes types(lookup);
    bool changed = false;
    for (Expr& e : t.exprs) {
        if (e.kind != ExprKind::Name || e.path.size() > 2 || e.path.back() == "*") continue;
        bool yesNo = false, other = false;
        for (const auto& [qualifier, table] : refs) {
            if (e.path.size() == 2 && !iequal(e.path[0], qualifier)) continue;
            const int type = types.of(table, e.path.back());
            yesNo = yesNo || type == dbBoolean;
            other = other || (type != 0 && type != dbBoolean);
        }
        if (yesNo && !other) {
            e.type = Type::Truth;
            changed = true;
        }
    }
    // Operands precede the nodes built on them, so one pass settles all.
    if (changed)
        for (Expr& e : t.exprs)
            if (e.kind != ExprKind::Name) {
                e.type = Type::Unknown;
                settleType(t.exprs, e);
            }
    return t;
}

// The type codes of the fields a row of INSERT or UPDATE writes into, in
// the order of `columns` (all of the table's fields when it is empty).
std::vector<int> SqliteWriter::targetTypes(const std::vector<std::string>& table,
                                           const std::vector<std::string>& columns) const {
    std::vector<int> out;
    if (opt_.fields == nullptr || !*opt_.fields || table.size() != 1) return out;
    const std::optional<FieldList> fields = (*opt_.fields)(table[0]);
    if (!fields) return out;
    if (columns.empty()) {
        for (const auto& f : *fields) out.push_back(f.second);
        return out;
    }
    for (const std::string& c : columns) {
        int type = 0;
        for (const auto& [name, t] : *fields)
            if (iequal(name, c)) type = t;
        out.push_back(type);
    }
    return out;
}

void SqliteWriter::storedValue(Id value, int type) {
    if (type != dbBoolean) {
        expr(value);
        return;
    }
    out_.append("qrv_yesno(");
    expr(value);
    out_.push_back(')');
}

}  // namespace qrv::dao::sql
