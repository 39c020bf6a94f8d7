// The text of a ready-made routine that runs one stored scenario through the
// engine from the user's own program: as Visual Basic, as C++ against our
// engine API, or as a command line. Plain functions without Qt, so that the
// exact text can be checked line by line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qrv::designer::tools {

// What the routine needs to know of the scenario.
struct CodeInput {
    std::string dbPath;  // the database holding the scenario (and its data)
    std::int32_t scenario = 0;
    std::string description;
    std::string input;
    std::string output1;
    std::string output2;
};

// Set engine properties and run with the number only, or pass everything as
// arguments of the run.
enum class CodeStyle { Properties, Arguments };
// Leave what the engine defaults on its own, or spell out every setting.
enum class CodeDetail { TakeDefaults, SpecifyAll };
// Open the database in the routine and hand the engine the object, or hand
// the engine the path.
enum class DbMethod { ObjectVariable, Path };
enum class CodeLanguage { VisualBasic, Cpp, CommandLine };

struct CodeOptions {
    CodeStyle style = CodeStyle::Properties;
    CodeDetail detail = CodeDetail::TakeDefaults;
    DbMethod db = DbMethod::ObjectVariable;
    CodeLanguage language = CodeLanguage::VisualBasic;
};

// The routine in the chosen language. Visual Basic lines end in CR LF, the
// others in LF; no line break follows the last line.
std::string GenerateCode(const CodeInput& in, const CodeOptions& options);

std::string VisualBasicCode(const CodeInput& in, const CodeOptions& options);
std::string CppCode(const CodeInput& in, const CodeOptions& options);
// A POSIX shell script; the command line has no style or open method, and
// takes the table names from the scenario itself.
std::string CommandLineCode(const CodeInput& in, const CodeOptions& options);

// The caption of the second detail choice for a style.
std::string DetailCaption(CodeStyle style);

// Literal forms of a text in each language.
std::string VisualBasicString(std::string_view text);
std::string CppString(std::string_view text);
std::string ShellWord(std::string_view text);

}  // namespace qrv::designer::tools
