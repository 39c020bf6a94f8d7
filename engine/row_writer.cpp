// RowWriter: one row of an output table, by column name.
#include "engine/row_writer.h"

#include <cmath>
#include <cstddef>

namespace qrv {

using namespace qrv::dao;

RowWriter::RowWriter(Recordset& rs) : rs_(rs) {
    e_ = rs_.AddNew();
    if (e_) open_ = false;
}

RowWriter::~RowWriter() {
    if (open_) rs_.CancelUpdate();
}

RowWriter& RowWriter::groups(const InputFields& in, const std::vector<Value>& group,
                             const std::string& dataField) {
    groupsOnly(in.groups, group);
    // DataField follows the group columns; its position, not its name, since
    // no group field may take that name but the column order is fixed.
    if (!e_) e_ = rs_.SetValue(in.groups, dataField);
    return *this;
}

RowWriter& RowWriter::groupsOnly(int groups, const std::vector<Value>& group) {
    // Group columns lead every table in the input's order; a group field's
    // name may equal a statistic's, so they are placed by position.
    for (int g = 0; g < groups && !e_; ++g)
        e_ = rs_.SetValue(g, group[static_cast<std::size_t>(g)]);
    return *this;
}

RowWriter& RowWriter::set(std::string_view column, const Value& v) {
    if (!e_) e_ = rs_.Collect(column, v);
    return *this;
}

RowWriter& RowWriter::set(std::string_view column, const char* text) {
    return set(column, Value(std::string(text)));
}

RowWriter& RowWriter::set(std::string_view column, const std::string& text) {
    return set(column, Value(text));
}

RowWriter& RowWriter::set(std::string_view column, std::optional<double> v) {
    return set(column, v && std::isfinite(*v) ? Value(*v) : Value());
}

RowWriter& RowWriter::set(std::string_view column, double v) {
    return set(column, std::optional<double>(v));
}

RowWriter& RowWriter::set(std::string_view column, int v) {
    return set(column, Value::int32(v));
}

RowWriter& RowWriter::set(std::string_view column, bool v) {
    return set(column, Value::boolean(v));
}

Error RowWriter::finish() {
    if (!open_) return e_;
    open_ = false;
    if (!e_) e_ = rs_.Update();
    if (e_) rs_.CancelUpdate();
    return e_;
}

}  // namespace qrv
