#include "platform/ProgramHelp.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#ifndef TUBRA_VERSION
#error "TUBRA_VERSION names the release"
#endif

namespace platform {

namespace {

constexpr std::size_t kTermColumn = 28;

// Display columns of UTF-8 text: a CJK character takes two.
std::size_t columns(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        n += len >= 3 ? 2 : 1;
        i += len;
    }
    return n;
}

void appendEntry(std::string& out, const HelpEntry& e) {
    const std::string indent(kTermColumn, ' ');
    out += "  ";
    out += e.term;
    const std::size_t used = 2 + columns(e.term);
    // A long term takes its own line, and the text starts under the column.
    if (used + 1 >= kTermColumn)
        out += "\n" + indent;
    else
        out.append(kTermColumn - used, ' ');
    for (char c : e.text) {
        out += c;
        if (c == '\n') out += indent;
    }
    out += '\n';
}

// Edit distance in which two neighbouring letters swapped count as one edit.
std::size_t distance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

}  // namespace

std::string helpText(const ProgramHelp& help) {
    std::string out;
    const std::string lead = "用法: ";
    const std::string pad(columns(lead), ' ');
    bool first = true;
    auto synopsisLine = [&](std::string_view rest) {
        out += first ? lead : pad;
        first = false;
        out += help.program;
        if (!rest.empty()) {
            out += ' ';
            out += rest;
        }
        out += '\n';
    };
    for (std::string_view s : help.synopsis) synopsisLine(s);
    synopsisLine("-h|--help");
    synopsisLine("-V|--version");
    out += help.summary;
    out += '\n';
    for (const HelpSection& section : help.sections) {
        out += '\n';
        out += section.title;
        out += ":\n";
        for (const HelpEntry& e : section.entries) appendEntry(out, e);
    }
    out += "\n通用选项:\n";
    appendEntry(out, {"-h, --help", "显示本帮助后退出"});
    appendEntry(out, {"-V, --version", "显示版本后退出"});
    out += "\n退出状态: ";
    out += help.exitStatus;
    out += "\n详细说明: man ";
    out += help.program;
    out += '\n';
    return out;
}

std::string versionText(std::string_view program) {
    return std::string(program) + " " TUBRA_VERSION "\n";
}

StandardOption standardOption(std::string_view argument) {
    if (argument == "-h" || argument == "--help") return StandardOption::Help;
    if (argument == "-V" || argument == "--version") return StandardOption::Version;
    return StandardOption::None;
}

bool answerStandardOption(std::string_view argument, std::string_view program,
                          const std::function<std::string()>& help) {
    const StandardOption option = standardOption(argument);
    if (option == StandardOption::None) return false;
    const std::string text = option == StandardOption::Help ? help() : versionText(program);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return true;
}

std::string nearestName(std::string_view typed, std::span<const std::string_view> names) {
    if (typed.empty()) return {};
    std::string_view best;
    std::size_t bestDistance = 0;
    for (std::string_view name : names) {
        const std::size_t d = distance(typed, name);
        // One edit for short names, two from six letters on: more would suggest anything.
        const std::size_t allowed = name.size() >= 6 ? 2 : 1;
        if (d <= allowed && (best.empty() || d < bestDistance)) {
            best = name;
            bestDistance = d;
        }
    }
    if (!best.empty()) return std::string(best);
    // The start of a name, when it starts only one.
    if (typed.size() >= 2) {
        const auto starts = [&](std::string_view n) { return n.substr(0, typed.size()) == typed; };
        if (std::count_if(names.begin(), names.end(), starts) == 1)
            return std::string(*std::find_if(names.begin(), names.end(), starts));
    }
    return {};
}

std::string unknownCommandText(std::string_view program, std::string_view typed,
                               std::span<const std::string_view> names) {
    std::string out = std::string(program) + ": 未知的命令 '" + std::string(typed) + "'\n";
    if (const std::string near = nearestName(typed, names); !near.empty())
        out += "您是不是要用 " + near + "？\n";
    out += "全部命令见 " + std::string(program) + " --help\n";
    return out;
}

std::string usageErrorText(std::string_view program, std::string_view message, std::string_view usage) {
    std::string out;
    if (!message.empty()) out += std::string(program) + ": " + std::string(message) + "\n";
    out += "用法: " + std::string(program) + " " + std::string(usage) + "\n";
    return out;
}

}  // namespace platform
