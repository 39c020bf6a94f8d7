// A database given to the engine: an open Database, a file path to open, or
// nothing (an omitted argument). A value of any other kind is kept so the
// setter can refuse it with the invalid-object-type error.
#pragma once

#include <string>
#include <variant>

#include "dataaccess/objects/database.h"
#include "dataaccess/value.h"

namespace qrv {

class DatabaseArg {
  public:
    DatabaseArg() = default;
    DatabaseArg(dao::Database db) : v_(std::move(db)) {}      // NOLINT
    DatabaseArg(std::string path) : v_(std::move(path)) {}    // NOLINT
    DatabaseArg(const char* path) : v_(std::string(path)) {}  // NOLINT
    DatabaseArg(const dao::Value& v) {                        // NOLINT
        if (v.isText())
            v_ = v.toText();
        else
            v_ = v;
    }

    bool omitted() const { return std::holds_alternative<std::monostate>(v_); }
    const dao::Database* database() const { return std::get_if<dao::Database>(&v_); }
    const std::string* path() const { return std::get_if<std::string>(&v_); }
    const dao::Value* other() const { return std::get_if<dao::Value>(&v_); }

  private:
    std::variant<std::monostate, dao::Database, std::string, dao::Value> v_;
};

}  // namespace qrv
