// The words and layout every program uses on its command line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/ProgramHelp.h"

using namespace platform;

namespace {

const std::vector<std::string_view> kCommands = {"info",   "json",   "resave", "render",   "print",
                                                 "play",   "model",  "export", "materials", "list",
                                                 "export-tsv", "export-xlsx", "delete-rows"};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

}  // namespace

TEST(ProgramHelp, SuggestsTheCommandThatWasMeant) {
    EXPECT_EQ(nearestName("inf", kCommands), "info");         // a letter missing
    EXPECT_EQ(nearestName("infoo", kCommands), "info");       // one too many
    EXPECT_EQ(nearestName("pirnt", kCommands), "print");      // two swapped
    EXPECT_EQ(nearestName("matrials", kCommands), "materials");
    EXPECT_EQ(nearestName("exprot-tsv", kCommands), "export-tsv");
    EXPECT_EQ(nearestName("mat", kCommands), "materials");    // the start of only one name
    EXPECT_EQ(nearestName("delete", kCommands), "delete-rows");
    // The start of several names, or nothing like any: no guess.
    EXPECT_EQ(nearestName("ex", kCommands), "");
    EXPECT_EQ(nearestName("xyz", kCommands), "");
    EXPECT_EQ(nearestName("", kCommands), "");
    // Short names need a close match: two edits on four letters is another word.
    EXPECT_EQ(nearestName("jsno", kCommands), "json");
    EXPECT_EQ(nearestName("lost", kCommands), "list");
    EXPECT_EQ(nearestName("play", kCommands), "play");
    EXPECT_EQ(nearestName("pxyz", kCommands), "");

    const std::string text = unknownCommandText("tubra-cli", "inf", kCommands);
    EXPECT_EQ(text, "tubra-cli: 未知的命令 'inf'\n您是不是要用 info？\n全部命令见 tubra-cli --help\n");
    EXPECT_EQ(unknownCommandText("vesko-cli", "zzz", kCommands),
              "vesko-cli: 未知的命令 'zzz'\n全部命令见 vesko-cli --help\n");
}

TEST(ProgramHelp, EveryProgramsHelpHasTheSameLayout) {
    const ProgramHelp help{"demo",
                           {"命令 参数...", "[文件名]"},
                           "做一件事。",
                           {{"命令",
                             {{"info FILE", "概要"},
                              {"a-very-long-command FILE [--with OPTION]", "第一行\n第二行"},
                              {"目录", "中文的项"}}}},
                           "0 成功；2 命令行有错"};
    const std::vector<std::string> l = lines(helpText(help));
    ASSERT_GE(l.size(), 14u);
    EXPECT_EQ(l[0], "用法: demo 命令 参数...");
    EXPECT_EQ(l[1], "      demo [文件名]");  // under the first, "用法: " is six columns
    EXPECT_EQ(l[2], "      demo -h|--help");
    EXPECT_EQ(l[3], "      demo -V|--version");
    EXPECT_EQ(l[4], "做一件事。");
    EXPECT_EQ(l[5], "");
    EXPECT_EQ(l[6], "命令:");
    // Texts start in one column, counted in display columns (a CJK character takes two); a
    // term too long for its column takes a line of its own.
    const std::string column(28, ' ');
    EXPECT_EQ(l[7], "  info FILE" + std::string(28 - 11, ' ') + "概要");
    EXPECT_EQ(l[8], "  a-very-long-command FILE [--with OPTION]");
    EXPECT_EQ(l[9], column + "第一行");
    EXPECT_EQ(l[10], column + "第二行");
    EXPECT_EQ(l[11], "  目录" + std::string(28 - 6, ' ') + "中文的项");
    EXPECT_EQ(l[13], "通用选项:");
    EXPECT_EQ(l[14], "  -h, --help" + std::string(28 - 12, ' ') + "显示本帮助后退出");
    EXPECT_EQ(l[15], "  -V, --version" + std::string(28 - 15, ' ') + "显示版本后退出");
    EXPECT_EQ(l[17], "退出状态: 0 成功；2 命令行有错");
    EXPECT_EQ(l[18], "详细说明: man demo");
    EXPECT_EQ(l.size(), 19u);
}

TEST(ProgramHelp, StandardOptionsAndTheirAnswers) {
    EXPECT_EQ(standardOption("-h"), StandardOption::Help);
    EXPECT_EQ(standardOption("--help"), StandardOption::Help);
    EXPECT_EQ(standardOption("-V"), StandardOption::Version);
    EXPECT_EQ(standardOption("--version"), StandardOption::Version);
    EXPECT_EQ(standardOption("-v"), StandardOption::None);  // lower case is left to the commands
    EXPECT_EQ(standardOption("help"), StandardOption::None);
    const std::string version = versionText("vesko-cli");
    EXPECT_EQ(version.rfind("vesko-cli ", 0), 0u);
    EXPECT_EQ(version.back(), '\n');
    EXPECT_EQ(usageErrorText("vesko-cli", "缺少参数", "list DIR"), "vesko-cli: 缺少参数\n用法: vesko-cli list DIR\n");
}
