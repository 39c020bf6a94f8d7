// Table printing: text left-aligned, numbers right-aligned to ten significant
// digits; CSV quotes text as RFC 4180 does.
#include "cli/table_printer.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "cli/display_width.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

Cell shown(const Value& v) {
    if (v.isNull()) return {};
    if (v.kind() == ValueKind::Double) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.10g", v.rawDouble());
        return {buf, true};
    }
    return {v.toText(), !v.isText()};
}

std::string csvField(const Value& v) {
    if (!v.isText()) return v.toText();
    const std::string& t = v.textRef();
    if (t.find_first_of(",\"\r\n") == std::string::npos) return t;
    std::string q = "\"";
    for (char c : t) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

void countLine(std::ostream& out, long printed, bool more) {
    if (more)
        out << "(first " << printed << (printed == 1 ? " row" : " rows") << "; more not shown)\n";
    else
        out << "(" << printed << (printed == 1 ? " row" : " rows") << ")\n";
}

}  // namespace

AlignedPrinter::AlignedPrinter(std::ostream& out, std::vector<ColumnSpec> columns,
                               std::size_t sampleRows)
    : out_(out), columns_(std::move(columns)), sampleRows_(std::max<std::size_t>(sampleRows, 1)) {}

void AlignedPrinter::addRow(std::vector<Cell> row) {
    row.resize(columns_.size());
    ++rows_;
    if (fixed_) {
        std::vector<std::string> texts;
        texts.reserve(row.size());
        for (Cell& c : row) texts.push_back(std::move(c.text));
        printLine(texts);
        return;
    }
    sample_.push_back(std::move(row));
    if (sample_.size() >= sampleRows_) fixWidths();
}

void AlignedPrinter::finish() {
    if (!fixed_) fixWidths();
}

void AlignedPrinter::fixWidths() {
    const size_t n = columns_.size();
    width_.assign(n, 0);
    right_.assign(n, false);
    std::vector<bool> allNumbers(n, true), anyValue(n, false);
    for (const auto& row : sample_)
        for (size_t i = 0; i < n; ++i) {
            if (row[i].text.empty()) continue;
            anyValue[i] = true;
            if (!row[i].number) allNumbers[i] = false;
            width_[i] = std::max(width_[i], displayWidth(row[i].text));
        }
    for (size_t i = 0; i < n; ++i) {
        const ColumnSpec& c = columns_[i];
        if (c.maxWidth > 0 && !(allNumbers[i] && anyValue[i]))
            width_[i] = std::min(width_[i], c.maxWidth);
        width_[i] = std::max(width_[i], displayWidth(c.name));
        right_[i] =
            c.align == Align::Right || (c.align == Align::Auto && anyValue[i] && allNumbers[i]);
    }
    fixed_ = true;
    std::vector<std::string> line;
    for (const ColumnSpec& c : columns_) line.push_back(c.name);
    printLine(line);
    line.clear();
    for (size_t i = 0; i < n; ++i) line.emplace_back(static_cast<size_t>(width_[i]), '-');
    printLine(line);
    for (auto& row : sample_) {
        line.clear();
        for (Cell& c : row) line.push_back(std::move(c.text));
        printLine(line);
    }
    sample_.clear();
    sample_.shrink_to_fit();
}

void AlignedPrinter::printLine(const std::vector<std::string>& cells) {
    std::string s;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i) s += "  ";
        // A number wider than its column is shown whole: cutting it would
        // show a different number.
        const bool whole = right_[i] && displayWidth(cells[i]) > width_[i];
        s += whole ? printable(cells[i]) : padWidth(cells[i], width_[i], right_[i]);
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    out_ << s << '\n';
}

Error printAligned(Recordset& rs, std::ostream& out, long limit) {
    const int n = rs.FieldCount();
    std::vector<ColumnSpec> columns;
    for (int i = 0; i < n; ++i)
        columns.push_back({rs.FieldAt(i).Name, Align::Auto, kTableTextWidth});
    AlignedPrinter printer(out, std::move(columns));
    Error error;
    while (!rs.Eof() && (limit < 0 || printer.rows() < limit)) {
        std::vector<Cell> row;
        row.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) row.push_back(shown(rs.GetValue(i)));
        printer.addRow(std::move(row));
        if ((error = rs.MoveNext())) break;
    }
    printer.finish();
    if (error) return error;
    countLine(out, printer.rows(), !rs.Eof());
    return {};
}

Error printCsv(Recordset& rs, std::ostream& out, long limit) {
    const int n = rs.FieldCount();
    for (int i = 0; i < n; ++i) out << (i ? "," : "") << csvField(Value(rs.FieldAt(i).Name));
    out << "\n";
    for (long printed = 0; !rs.Eof() && (limit < 0 || printed < limit); ++printed) {
        for (int i = 0; i < n; ++i) out << (i ? "," : "") << csvField(rs.GetValue(i));
        out << "\n";
        if (Error e = rs.MoveNext()) return e;
    }
    return {};
}

}  // namespace qrv::cli
