// Definitions of tables, fields, indexes and stored queries. A definition is
// built detached (CreateTableDef, CreateField, CreateIndex), then appended to a
// database in one step; definitions read back from a database are attached and
// persist the properties that may still change (Description and the like).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/fold.h"
#include "dataaccess/types.h"
#include "dataaccess/value.h"

namespace qrv::dao {

namespace detail {
struct DatabaseImpl;
}

struct Property {
    std::string Name;
    int Type = dbText;
    Value value;
};

class Field {
  public:
    Field() = default;
    Field(std::string name, int type, long size = 0);

    std::string Name;
    int Type = dbText;
    long Size = 0;
    long Attributes = 0;
    bool AllowZeroLength = false;
    std::string DefaultValue;
    std::string ValidationRule;
    std::string ValidationText;
    // The table itself refuses a value not of its field's type (a text in a
    // Double, 2.5 in a Long, 40000 in an Integer ...), whoever writes it.
    bool EnforceTypes = false;
    bool Required = false;
    int OrdinalPosition = 0;
    int CollatingOrder = dbSortGeneral;

    // Built-in and user-defined properties by name ("Type", "Description", ...); 3270 when absent.
    Result<Value> GetProperty(std::string_view name) const;
    Property CreateProperty(std::string name, int type, Value value) const;
    // Adds a user-defined property; on an attached field it is stored at once.
    Error AppendProperty(Property p);
    const std::vector<Property>& Properties() const { return props_; }

  private:
    friend struct detail::DatabaseImpl;
    std::vector<Property> props_;
    std::weak_ptr<detail::DatabaseImpl> db_;
    std::string table_;
    std::string token_;  // the table's identity when read or made
};

class Index {
  public:
    Index() = default;
    explicit Index(std::string name) : Name(std::move(name)) {}
    std::string Name;
    std::vector<std::string> Fields;
    bool Primary = false;
    bool Unique = false;

    void AppendField(std::string name) { Fields.push_back(std::move(name)); }
};

class TableDef {
  public:
    TableDef() = default;
    explicit TableDef(std::string name) : Name(std::move(name)) {}
    std::string Name;
    // A rule over the fields of one row ("[A] Is Null Or [A] < [B]"), kept
    // by the table itself; a row that breaks it is refused with the text.
    std::string ValidationRule;
    std::string ValidationText;
    // The table itself refuses a value not of its field's type (a text in a
    // Double, 2.5 in a Long, 40000 in an Integer ...), whoever writes it.
    bool EnforceTypes = false;

    Field CreateField(std::string name, int type, long size = 0) const {
        return Field(std::move(name), type, size);
    }
    Index CreateIndex(std::string name) const { return Index(std::move(name)); }
    Error AppendField(Field f);
    Error AppendIndex(Index i);

    std::vector<Field>& Fields() { return fields_; }
    const std::vector<Field>& Fields() const { return fields_; }
    const std::vector<Index>& Indexes() const { return indexes_; }
    Field* FindField(std::string_view name);
    const Field* FindField(std::string_view name) const;
    const Index* FindIndex(std::string_view name) const;
    bool IsAttached() const { return attached_; }

    // Table-level properties ("Description" ...).
    Result<Value> GetProperty(std::string_view name) const;
    Error AppendProperty(Property p);

  private:
    friend struct detail::DatabaseImpl;
    std::vector<Field> fields_;
    std::vector<Index> indexes_;
    std::vector<Property> props_;
    bool attached_ = false;
    std::weak_ptr<detail::DatabaseImpl> db_;
    std::string token_;  // the table's identity when read or made
};

struct QueryDef {
    std::string Name;
    std::string SQL;  // as written in the query dialect
};

// Checks a table, field, index or query name: 3125 when it is not a valid name.
Error CheckObjectName(std::string_view name);

}  // namespace qrv::dao
