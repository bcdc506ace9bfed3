#pragma once

// What every program of the suite says on its command line in the same words and the same
// layout: --help, --version, a wrong command line and a mistyped command.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct HelpEntry {
    std::string_view term;  // "info FILE [--json]", "-o OUT", "KAVELUP_PATH"
    std::string_view text;  // may hold line breaks; later lines are indented under the first
};

struct HelpSection {
    std::string_view title;  // "命令", "选项", "环境变量"
    std::vector<HelpEntry> entries;
};

struct ProgramHelp {
    std::string_view program;
    std::vector<std::string_view> synopsis;  // each without the program's name
    std::string_view summary;                // one or two sentences on what the program does
    std::vector<HelpSection> sections;
    std::string_view exitStatus;             // "0 成功；1 …；2 命令行有错"
};

// The text of --help: the synopsis lines, the summary, the sections, the two options every
// program takes (-h/--help, -V/--version), the exit status and the manual page.
std::string helpText(const ProgramHelp& help);

// The one line of --version.
std::string versionText(std::string_view program);

enum class StandardOption { None, Help, Version };
StandardOption standardOption(std::string_view argument);

// Answers -h/--help with `help()` and -V/--version with versionText on standard output; false
// (and nothing printed) for any other argument.
bool answerStandardOption(std::string_view argument, std::string_view program,
                          const std::function<std::string()>& help);

// The name of `names` that `typed` most likely meant (a letter or two wrong, missing, extra or
// swapped, or the start of exactly one name); empty when none is close.
std::string nearestName(std::string_view typed, std::span<const std::string_view> names);

// "PROGRAM: 未知的命令 'X'" and, when one is close, "您是不是要用 Y？"; then where the commands are
// listed. Lines end with '\n'.
std::string unknownCommandText(std::string_view program, std::string_view typed,
                               std::span<const std::string_view> names);

// A wrong command line of one command: what is wrong, then that command's usage.
std::string usageErrorText(std::string_view program, std::string_view message, std::string_view usage);

}  // namespace platform
