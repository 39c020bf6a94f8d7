// import: a CSV file into a new table; the database file is made when missing
// and removed again when the import fails.
#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/csv_commands.h"
#include "csv/importer.h"
#include "dataaccess/dataaccess.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

// One character, or "tab"; a quote or line break cannot delimit fields.
bool delimiterFrom(const std::string& text, char& out) {
    if (text == "tab" || text == "\\t" || text == "\t") {
        out = '\t';
        return true;
    }
    if (text.size() != 1 || text[0] == '"' || text[0] == '\r' || text[0] == '\n' || text[0] == ' ')
        return false;
    out = text[0];
    return true;
}

std::string typeText(const csv::ColumnType& t) {
    std::string s = typeName(t.type);
    if (t.type == dbText) {
        s += '(';
        s += std::to_string(t.size);
        s += ')';
    }
    if (t.type == dbDouble && t.decimalMark == ',') s += ", decimal comma";
    return s;
}

std::string delimiterText(char c) {
    return c == '\t' ? "tab" : std::string("'") + c + "'";
}

void removeDatabaseFile(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        std::remove((path + suffix).c_str());
}

}  // namespace

int runImport(const ImportArgs& args) {
    csv::ImportOptions options;
    options.replace = args.replace;
    if (!args.delimiter.empty() && !delimiterFrom(args.delimiter, options.delimiter))
        return fail("--delimiter takes one character (not a quote or space), or 'tab'.");
    if (!args.encoding.empty()) {
        auto enc = csv::parseEncodingName(args.encoding);
        if (!enc) return fail(enc.error().description);
        options.encoding = *enc;
    }
    options.cancelled = [] { return InterruptGuard::interrupted(); };

    std::error_code ec;
    const bool existed = std::filesystem::exists(args.db, ec);
    auto db = existed ? DBEngine::Instance().OpenDatabase(args.db, false, false, args.connect)
                      : DBEngine::Instance().CreateDatabase(args.db, dbLangGeneral);
    if (!db) return fail(db.error().description);
    if (!db->Updatable()) return fail("Cannot update. Database or object is read-only.");

    InterruptGuard guard;
    auto r = csv::importCsv(*db, args.table, args.file, options);
    db->Close();
    if (!r) {
        if (!existed) removeDatabaseFile(args.db);
        const Error& e = r.error();
        if (e.number == err::kTableExists && !args.replace && e.description.rfind("Table", 0) == 0)
            return fail(e.description + " Use --replace to replace it.");
        fail(e.description);
        return InterruptGuard::interrupted() ? kInterruptedExit : 1;
    }
    const csv::ImportPlan& plan = r->plan;
    std::cout << plan.rows << (plan.rows == 1 ? " row" : " rows") << " imported into ["
              << args.table << "]\n";
    std::cout << "Read as " << csv::encodingName(r->encoding) << ", delimiter "
              << delimiterText(plan.delimiter) << "; columns:";
    for (std::size_t i = 0; i < plan.columns.size(); ++i)
        std::cout << (i ? ", " : " ") << plan.columns[i].name << " "
                  << typeText(plan.columns[i].type);
    std::cout << "\n";
    return 0;
}

}  // namespace qrv::cli
