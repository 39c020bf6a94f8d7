// Appender: adds rows to one table through a single prepared statement, for
// bulk fills of scratch tables where a recordset's edit buffer is overhead.
// Values are converted to the columns' types as a recordset would.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/value.h"

namespace qrv::dao {

namespace detail {
struct AppenderImpl;
struct DatabaseImpl;
}  // namespace detail

class Appender {
  public:
    Appender();
    ~Appender();
    Appender(Appender&&) noexcept;
    Appender& operator=(Appender&&) noexcept;

    // One row, values in the order of the columns given when opened.
    Error Append(std::initializer_list<Value> values);
    bool IsOpen() const;
    void Close();

  private:
    friend struct detail::DatabaseImpl;
    std::unique_ptr<detail::AppenderImpl> p_;
};

}  // namespace qrv::dao
