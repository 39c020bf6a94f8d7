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
};

std::string FormatErrorReport(const ReportData& data);

}  // namespace qrv::errors
