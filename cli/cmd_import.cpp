// import: a CSV file into a new table; the database file is made when missing
// and removed again when the import fails.
#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/authoring_common.h"
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

std::optional<csv::DateOrder> dateOrderFrom(const std::string& text) {
    std::string t;
    for (char c : text) t += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (t == "DMY") return csv::DateOrder::DMY;
    if (t == "MDY") return csv::DateOrder::MDY;
    if (t == "YMD") return csv::DateOrder::YMD;
    return std::nullopt;
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

std::string checkDelimiter(const std::string& text) {
    char c = 0;
    return delimiterFrom(text, c)
               ? ""
               : "takes one character (not a quote or space), or 'tab', not '" + text + "'";
}

std::string checkEncoding(const std::string& text) {
    auto e = csv::parseEncodingName(text);
    return e ? "" : e.error().description;
}

std::string checkDateOrder(const std::string& text) {
    return dateOrderFrom(text) ? "" : "expected DMY, MDY or YMD, not '" + text + "'";
}

int runImport(const ImportArgs& args) {
    // The texts were checked while parsing (see the checks above).
    csv::ImportOptions options;
    options.replace = args.replace;
    if (!args.delimiter.empty()) delimiterFrom(args.delimiter, options.delimiter);
    if (!args.encoding.empty()) options.encoding = *csv::parseEncodingName(args.encoding);
    if (!args.dateOrder.empty()) options.dates = *dateOrderFrom(args.dateOrder);
    options.cancelled = [] { return InterruptGuard::interrupted(); };

    std::error_code ec;
    const bool existed = std::filesystem::exists(args.db, ec);
    auto db = existed ? DBEngine::Instance().OpenDatabase(args.db, false, false, args.connect)
                      : DBEngine::Instance().CreateDatabase(args.db, dbLangGeneral);
    if (!db) return fail(db.error().description);
    if (!db->Updatable()) return fail("Cannot update. Database or object is read-only.");
    UpgradeOnWrite(*db);

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
    for (const csv::ImportColumn& c : plan.columns)
        if (!c.ambiguousDate.empty())
            std::cout << "Note: " << c.name << " was kept as text: its dates (such as "
                      << c.ambiguousDate
                      << ") read both day-first and month-first. To read them as dates, "
                         "import again with --replace and --date-order DMY or MDY.\n";
    return 0;
}

}  // namespace qrv::cli
