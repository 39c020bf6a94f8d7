// Builds the error message and the error report. The labels, their order and the
// number format are read by support staff and by tools that scan error files, so
// they stay fixed; the machine facts are Linux's (kernel, statvfs, /proc/meminfo).
#include "errors/error_report.h"

#include <cctype>
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

// Statements and names may span lines; every line of the report keeps its label.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return line;
}

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i]) return false;
    return true;
}

// Where the value of a password key ("pwd =", "password=") starting at at
// begins, or npos when no such key starts there.
std::size_t PasswordValueAt(std::string_view text, std::size_t at) {
    if (at > 0 && IsWordChar(text[at - 1])) return std::string_view::npos;
    for (std::string_view key : {"password", "pwd"}) {
        if (!StartsWithNoCase(text, at, key)) continue;
        std::size_t i = at + key.size();
        while (i < text.size() && text[i] == ' ') ++i;
        if (i < text.size() && text[i] == '=') return i + 1;
    }
    return std::string_view::npos;
}

// A value of connect text runs to the next part or the end of the line.
std::size_t PasswordValueEnd(std::string_view text, std::size_t from) {
    std::size_t end = text.find_first_of(";\r\n", from);
    return end == std::string_view::npos ? text.size() : end;
}

std::string ReplaceSecret(std::string_view text, std::string_view secret) {
    constexpr std::size_t kAnywhere = 4;
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(secret); at != std::string_view::npos;
         at = text.find(secret, at + 1)) {
        if (at < from) continue;
        const std::size_t end = at + secret.size();
        const bool word = (at == 0 || !IsWordChar(text[at - 1])) &&
                          (end == text.size() || !IsWordChar(text[end]));
        if (secret.size() < kAnywhere && !word) continue;
        out.append(text.substr(from, at - from));
        out.append("***");
        from = end;
    }
    out.append(text.substr(from));
    return out;
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

std::string PathWithoutConnect(std::string_view path) {
    for (std::size_t at = path.find(';'); at != std::string_view::npos;
         at = path.find(';', at + 1)) {
        const std::string_view rest = path.substr(at + 1);
        const std::size_t eq = rest.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;
        bool key = true;
        for (char c : rest.substr(0, eq)) key = key && (IsWordChar(c) || c == ' ');
        if (key) return std::string(path.substr(0, at));
    }
    return std::string(path);
}

std::vector<std::string> ConnectPasswords(std::string_view text) {
    std::vector<std::string> found;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t value = PasswordValueAt(text, at);
        if (value == std::string_view::npos) continue;
        const std::size_t end = PasswordValueEnd(text, value);
        if (end > value) found.emplace_back(text.substr(value, end - value));
        at = end;
    }
    return found;
}

std::string MaskSecrets(std::string_view text, const std::vector<std::string>& secrets) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t value = PasswordValueAt(text, at);
        if (value == std::string_view::npos) {
            out.push_back(text[at++]);
            continue;
        }
        std::size_t from = value;  // spaces before the value stay, for the layout
        while (from < text.size() && text[from] == ' ') ++from;
        out.append(text.substr(at, from - at));
        const std::size_t end = PasswordValueEnd(text, from);
        if (end > from) out.append("***");
        at = end;
    }
    for (const std::string& secret : secrets)
        if (!secret.empty()) out = ReplaceSecret(out, secret);
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

    if (d.run || !d.failing.empty()) {
        Line(out, "");
        Line(out, "[Run]");
        if (d.run) {
            const RunFacts& r = *d.run;
            Field(out, "Scenario Database", OneLine(PathWithoutConnect(r.scenarioDatabase)));
            Field(out, "Source Database", OneLine(PathWithoutConnect(r.sourceDatabase)));
            Field(out, "Output Database", OneLine(PathWithoutConnect(r.outputDatabase)));
            Field(out, "Analysis Category", OneLine(r.category));
            Field(out, "Analysis Type", OneLine(r.type));
            Field(out, "Input Table/Query", OneLine(r.input));
            Field(out, "Output Table 1", OneLine(r.outputTable1));
            Field(out, "Output Table 2", OneLine(r.outputTable2));
        }
        Field(out, "Failing Statement", OneLine(d.failing.statement));
        Field(out, "Failing Table", OneLine(d.failing.table));
        Field(out, "Failing Field", OneLine(d.failing.field));
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
    Line(out, "Current Operation: " + OneLine(d.operation));
    Line(out, "");
    return MaskSecrets(out, d.secrets);
}

}  // namespace qrv::errors
