// The texts the error handler produces: the message shown to the user and the
// report appended to the error file. Built from plain values, so the format can be
// checked without a real failure, a clock or a particular machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errors/system_facts.h"

namespace qrv::errors {

inline constexpr std::size_t kLabelWidth = 18;

// name padded with spaces to kLabelWidth, then ": ". Longer names are not cut.
std::string Label(std::string_view name);

// Digits grouped by thousands with commas: 1234567 -> "1,234,567"; 0 -> "0".
std::string FormatThousands(std::uint64_t value);

// The message box text. line 0 means the line is not known.
std::string ErrorMessageText(std::string_view procedure, int line, std::int32_t number,
                             std::string_view description, std::string_view operation);

// What a run was given: its files (paths only) and its scenario. Written as the
// report's "[Run]" section while a run is in progress.
struct RunFacts {
    std::string scenarioDatabase;
    std::string sourceDatabase;
    std::string outputDatabase;
    std::string category;
    std::string type;
    std::string input;
    std::string outputTable1;
    std::string outputTable2;
};

// What the failing step worked on, when known.
struct FailingObject {
    std::string statement;
    std::string table;
    std::string field;
    bool empty() const { return statement.empty() && table.empty() && field.empty(); }

    static FailingObject OnTable(std::string table, std::string field = {}) {
        FailingObject o;
        o.table = std::move(table);
        o.field = std::move(field);
        return o;
    }
    static FailingObject OnStatement(std::string statement, std::string table = {}) {
        FailingObject o;
        o.statement = std::move(statement);
        o.table = std::move(table);
        return o;
    }
};

// A database path without connect text: "f.db;pwd=x" -> "f.db". A ';' starts
// connect text only when a "name=" part follows it.
std::string PathWithoutConnect(std::string_view path);

// The password values of connect text in text ("pwd=..." up to ';').
std::vector<std::string> ConnectPasswords(std::string_view text);

// text with every password hidden as "***": the values of connect text
// ("pwd=...") and each of secrets. A secret of fewer than four characters
// is hidden only where it stands as a word of its own, so that a short
// password cannot turn the whole report into asterisks.
std::string MaskSecrets(std::string_view text, const std::vector<std::string>& secrets);

struct ReportData {
    std::string productName;
    std::string productVersion;
    std::string date;
    std::string appExe;
    std::string appPath;
    std::string workgroupPath;
    std::string description;
    std::int32_t number = 0;
    std::string procedure;
    // Procedure names from the bottom of the stack up, and the position of the first
    // of them: entries dropped from the bottom of a full stack keep their numbers.
    std::vector<std::string> stack;
    std::size_t firstStackPosition = 1;
    std::optional<std::int32_t> scenarioNumber;
    // Off writes only the error itself: no system information, no file versions.
    bool expandedInfo = true;
    SystemFacts system;
    // Only the windowing layer knows the screen; the line is left out when unset.
    std::optional<std::uint64_t> displayColors;
    std::string dbEngineVersion;
    // Library name (without " Ver") and its version.
    std::vector<std::pair<std::string, std::string>> fileVersions;
    std::string operation;
    // The "[Run]" section: written when a run is in progress or the failing
    // object is known.
    std::optional<RunFacts> run;
    FailingObject failing;
    // Never written: passwords the owner knows of (see MaskSecrets).
    std::vector<std::string> secrets;
};

// The report, every password in it hidden.
std::string FormatErrorReport(const ReportData& data);

}  // namespace qrv::errors
