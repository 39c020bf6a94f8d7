// MemoryTable: a scratch table of numbers held in memory and kept in order of
// its leading columns, yet a table of its database like any other: queries,
// joins, DELETE and DROP reach it through SQL. Rows are added here directly,
// without statements. Meant for throwaway sort tables, where filling a disk
// table and sorting it back out costs far more than the analysis itself.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/error.h"

struct sqlite3;

namespace qrv::dao {

namespace detail {
struct MemoryStore;
struct MemoryRegistry;
// Registers the module on a connection; the registry lives as long as it.
MemoryRegistry* registerMemoryTables(sqlite3* db);
std::shared_ptr<MemoryStore> findMemoryStore(MemoryRegistry* reg, const std::string& name);
}  // namespace detail

class MemoryTable {
  public:
    MemoryTable() = default;
    explicit MemoryTable(std::shared_ptr<detail::MemoryStore> s) : store_(std::move(s)) {}
    // One row: a value per column, in column order.
    void Append(std::initializer_list<double> values);
    long Rows() const;
    bool IsOpen() const { return store_ != nullptr; }

  private:
    std::shared_ptr<detail::MemoryStore> store_;
};

}  // namespace qrv::dao
