// The second walk of an import writes the rows through a table-type
// recordset inside the transaction that also creates (or replaces) the table.
#include "csv/importer.h"

#include "csv/mapped_file.h"
#include "csv/record_reader.h"
#include "csv/sniff.h"
#include "dataaccess/fold.h"

namespace qrv::csv {

using dao::Error;
using dao::makeError;

namespace {

constexpr long kPollEvery = 4096;

Error writeRows(dao::Database& db, std::string_view text, dao::TableDef& def,
                const ImportPlan& plan, const ImportOptions& options) {
    auto rs = db.OpenRecordset(def.Name, dao::dbOpenTable);
    if (!rs) return rs.error();
    std::vector<int> target;
    for (const ImportColumn& c : plan.columns) target.push_back(rs->FieldIndex(c.name));
    Error failure;
    bool header = true;
    long written = 0;
    const Error e = readRecords(text, plan.delimiter, [&](const Record& r) {
        if (header) {
            header = false;
            return true;
        }
        if (r.size() != plan.columns.size()) {  // the file changed since it was planned
            failure = makeError(dao::err::kUnrecognizedFormat,
                                "Line " + std::to_string(r.line) + " changed during the import.");
            return false;
        }
        failure = rs->AddNew();
        for (std::size_t i = 0; i < r.size() && !failure; ++i)
            failure = rs->SetValue(target[i], typedValue(r.cell(i), plan.columns[i].type));
        if (!failure) failure = rs->Update();
        if (failure) {
            failure.description = "Line " + std::to_string(r.line) + ": " + failure.description;
            return false;
        }
        if (++written % kPollEvery == 0 && options.cancelled && options.cancelled()) {
            failure = interruptedError();
            return false;
        }
        return true;
    });
    rs->Close();
    if (failure) return failure;
    if (e) return e;
    if (written != plan.rows)
        return makeError(dao::err::kUnrecognizedFormat, "The file changed during the import.");
    return {};
}

}  // namespace

dao::Result<ImportResult> importCsv(dao::Database& db, const std::string& table,
                                    const std::string& path, const ImportOptions& options) {
    if (Error e = dao::CheckObjectName(table)) return e;
    // "~" names are the system's working tables and "usysQuorvane" ones its
    // scenario store; an import must never take their place.
    if (table[0] == '~' || dao::iequal(std::string_view(table).substr(0, 12), "usysQuorvane"))
        return makeError(dao::err::kInvalidArgument,
                         "'" + table + "' is a name the system keeps for its own tables.");
    if (db.GetQueryDef(table))
        return makeError(dao::err::kTableExists, "A query named '" + table + "' exists.");
    if (!options.replace && db.GetTableDef(table))
        return makeError(dao::err::kTableExists, "Table '" + table + "' already exists.");

    auto file = MappedFile::open(path);
    if (!file) return file.error();
    auto decoded = decodeText(file->bytes(), options.encoding);
    if (!decoded) return decoded.error();
    const std::string_view text = decoded->text();
    const char delimiter = options.delimiter ? options.delimiter : sniffDelimiter(text);
    auto plan = planImport(text, delimiter, options.cancelled, options.dates);
    if (!plan) return plan.error();
    dao::TableDef def = tableFor(table, *plan);

    if (Error e = db.BeginTrans()) return e;
    auto fail = [&](Error e) {
        db.Rollback();
        return e;
    };
    if (options.replace && db.GetTableDef(table))
        if (Error e = db.DeleteTableDef(table)) return fail(e);
    if (Error e = db.AppendTableDef(def)) return fail(e);
    if (Error e = writeRows(db, text, def, *plan, options)) return fail(e);
    if (options.cancelled && options.cancelled()) return fail(interruptedError());
    if (Error e = db.CommitTrans()) return fail(e);
    return ImportResult{std::move(*plan), decoded->encoding};
}

}  // namespace qrv::csv
