// Builds the error message and the error report. The labels, their order and the
// number format are read by support staff and by tools that scan error files, so
// they stay fixed; the machine facts are Linux's (kernel, statvfs, /proc/meminfo).
#include "errors/error_report.h"

#include <cstdio>

namespace qrv::errors {

namespace {

constexpr std::string_view kRule =
    "================================================================";  // 64 '='
constexpr std::string_view kCrLf = "\r\n";

void Line(std::string& out, std::string_view text) {
    out.append(text);
    out.push_back('\n');
}

void Field(std::string& out, std::string_view label, std::string_view value) {
    out.append(Label(label));
    out.append(value);
    out.push_back('\n');
}

std::string Amount(const std::optional<std::uint64_t>& value) {
    return value ? FormatThousands(*value) : std::string{};
}

std::string StackPosition(std::size_t position) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02zu", position);
    return buffer;
}

}  // namespace

std::string Label(std::string_view name) {
    std::string label(name);
    if (label.size() < kLabelWidth) label.append(kLabelWidth - label.size(), ' ');
    label.append(": ");
    return label;
}

std::string FormatThousands(std::uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    std::size_t lead = digits.size() % 3;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (i + 3 - lead) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string ErrorMessageText(std::string_view procedure, int line, std::int32_t number,
                             std::string_view description, std::string_view operation) {
    std::string text = "The following error has occurred in procedure: ";
    text.append(procedure);
    text.append(kCrLf);
    text.append(" on line ");
    text.append(line != 0 ? std::to_string(line) : "<unknown>");
    text.append(kCrLf);
    text.append("Error (");
    text.append(std::to_string(number));
    text.append(") ");
    text.append(description);
    if (!operation.empty()) {
        text.append(kCrLf);
        text.append("Current Operation: ");
        text.append(operation);
    }
    return text;
}

std::string FormatErrorReport(const ReportData& d) {
    std::string out;
    out.reserve(2048);

    Line(out, d.productName + " ERROR INFORMATION");
    Line(out, kRule);
    Line(out, "Please provide a description of what you were doing");
    Line(out, "when the error occurred: ");
    Line(out, "");
    Line(out, "");
    Line(out, "");
    Line(out, kRule);
    Line(out,
         "To get help, send this file with your description to " + d.productName + " support:");
    Line(out, "  E-mail: support@quorvane.example");
    Line(out, "  Web:    https://www.quorvane.example/support");
    Line(out, kRule);

    Field(out, "Product Name", d.productName);
    Field(out, "Product Version", d.productVersion);
    Field(out, "Date", d.date);
    Field(out, "App EXE", d.appExe);
    Field(out, "App Path", d.appPath);
    Field(out, "Workgroup Path", d.workgroupPath);
    Field(out, "Error String", d.description);
    Field(out, "Error Number", std::to_string(d.number));
    Field(out, "Error Procedure", d.procedure);

    Line(out, "");
    Line(out, "Procedure Stack");
    Line(out, "---------------");
    for (std::size_t i = 0; i < d.stack.size(); ++i) {
        Line(out, StackPosition(d.firstStackPosition + i) + " " + d.stack[i]);
    }

    if (d.scenarioNumber) {
        Line(out, "");
        Line(out, "Scenario Number: " + std::to_string(*d.scenarioNumber));
    }

    if (d.expandedInfo) {
        const SystemFacts& s = d.system;
        Line(out, "");
        Line(out, "[System Information]");
        Field(out, "Kernel Name", s.kernelName);
        Field(out, "Kernel Release", s.kernelRelease);
        Field(out, "Kernel Version", s.kernelVersion);
        Field(out, "Temp Directory", s.tempDirectory);
        Field(out, "Temp Disk Space", Amount(s.tempFreeBytes));
        Field(out, "App Disk Space", Amount(s.appFreeBytes));
        Field(out, "Free Page File", Amount(s.freeSwapBytes));
        Field(out, "Total Physical Mem", Amount(s.totalMemoryBytes));
        Field(out, "Free Physical Mem", Amount(s.availableMemoryBytes));
        if (d.displayColors) Field(out, "Display Colors", Amount(d.displayColors));
        Field(out, "DAO Version", d.dbEngineVersion);

        Line(out, "");
        Line(out, "[File Versions]");
        for (const auto& [name, version] : d.fileVersions) Field(out, name + " Ver", version);
    }

    Line(out, "");
    Line(out, "Current Operation: " + d.operation);
    Line(out, "");
    return out;
}

}  // namespace qrv::errors
