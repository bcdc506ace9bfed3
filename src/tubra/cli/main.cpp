// tubra-cli: the drawing program's work without a window. The commands and what they do are
// listed in commands() below (and by `tubra-cli --help`).
//
// Exit code 0 on success, 1 when the input cannot be read, the output cannot be written or
// memory runs out, 2 for a wrong command line.
//
// render and print draw through Qt: they run in tubra-cli-qt, which this program becomes for
// them, so that every other command starts without loading Qt.

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/ProgramHelp.h"
#include "tubra/cli/Commands.h"
#include "tubra/cli/ImportCommand.h"
#include "tubra/cli/MaterialsCommand.h"
#include "tubra/cli/PlayCommand.h"
#include "tubra/cli/SpatialCommands.h"

namespace {

#ifdef TUBRA_CLI_DRAWS
// The drawing program's helper: beside this one in a build tree, else where the installation
// puts it relative to this program.
std::filesystem::path drawingHelper() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    const fs::path dir = ec ? fs::path(".") : self.parent_path();
    const fs::path beside = dir / "tubra-cli-qt";
    if (::access(beside.c_str(), X_OK) == 0) return beside;
    return (dir / TUBRA_CLI_HELPER_DIR / "tubra-cli-qt").lexically_normal();
}

// Carries out a drawing command by becoming the helper; returns only when it cannot start.
int runDrawing(char** argv) {
    const std::filesystem::path helper = drawingHelper();
    ::execv(helper.c_str(), argv);
    const std::error_code ec(errno, std::generic_category());
    std::fprintf(stderr, "tubra-cli: 无法启动绘图程序 %s: %s\n", helper.c_str(), platform::describe(ec).c_str());
    return 1;
}
#endif

struct Command {
    const char* name;
    const char* usage;  // the arguments, after "tubra-cli"
    const char* text;   // what it does, for --help
    int (*run)(int argc, char** argv);
    bool draws = false;  // carried out by the helper
};

// Every command in the order --help lists them; those that need the Qt canvas are present when
// the program is built with it.
std::vector<Command> commands() {
    std::vector<Command> commands = {
        {"info", "info FILE [--json]", "概要：各类对象数、管长、图纸大小、特性表、标题框；\n--json 以固定的键名输出，供脚本读取",
         tubra::cli::runInfo},
        {"json", "json FILE", "整个图形及其报告数据的 JSON（UTF-8），写到标准输出", tubra::cli::runJson},
        {"resave", "resave [--force] IN OUT", "读入 IN，另存为 OUT（--force：写回一个似乎是 UTF-8 的文件本身）",
         tubra::cli::runResave},
    };
#ifdef TUBRA_CLI_DRAWS
    commands.push_back({"render", "render IN OUT [--zoom Z] [--report full|online|N]",
                        "图纸（或报告页）画成 PNG、PDF 或 SVG（按 OUT 的扩展名）", nullptr, true});
    commands.push_back({"print", "print FILE [--report full|online|N] -o OUT.pdf",
                        "tubra 为 FILE 打印的各页（或这些报告页），写成 PDF", nullptr, true});
#endif
    commands.push_back({"play", "play SCRIPT [IN] [-o OUT]",
                        "重放录制的操作，可存为 OUT（脚本格式见 /usr/share/doc/tubra/sessions.md）",
                        tubra::cli::runPlay});
    commands.push_back({"model", "model FILE",
                        "管线的真实坐标（毫米，x 东、y 北、z 上）和图中前后不一致之处，JSON\n"
                        "（见 /usr/share/doc/tubra/real-space.md）",
                        tubra::cli::runModel});
    commands.push_back({"export", "export FILE --pcf OUT.pcf | --dxf OUT.dxf",
                        "管线的 PCF 管道组件文件；或图纸（同打印）写成 DXF 文件，\n按图层分开，隐藏的图层关闭",
                        tubra::cli::runExport});
    commands.push_back({"import", "import FILE.pcf -o OUT.hcd [--sheet A4|A3] [--alpha 30|45|60] [--replace]",
                        "读入 PCF 管道组件文件，自动画成单线图（已有的图形文件只在加 --replace 时替换）",
                        tubra::cli::runImport});
    commands.push_back({"materials", "materials FILE [--csv OUT.csv | --xlsx OUT.xlsx | --json]",
                        "材料表：各材料、规格的管长（米），弯头、三通、阀门、管件、支架、焊缝的数量\n"
                        "（CSV 中以 = + - @ 开头的文字前加 '，电子表格不会当作公式）",
                        tubra::cli::runMaterials});
    return commands;
}

std::string usageText() {
    platform::ProgramHelp help{"tubra-cli",
                               {"命令 参数..."},
                               "不开窗口处理单线图文件 (*.hcd)：概要、JSON、另存、画图、打印、重放录制的操作、导出。",
                               {},
                               "0 成功；1 输入文件不能读、输出文件不能写或内存不足；2 命令行有错"};
    platform::HelpSection section{"命令", {}};
    for (const Command& c : commands()) section.entries.push_back({c.usage, c.text});
    help.sections.push_back(std::move(section));
    help.sections.push_back({"报告页",
                             {{"--report full", "全面检验报告中选为显示的各页"},
                              {"--report online", "在线检验报告中选为显示的各页"},
                              {"--report N", "一页：0 封面，1 目录，2-16 表(1)-(15)，17 维修记录，23-26 在线检验报告；\n"
                                    "22 同 full，28 同 online"}}});
    return platform::helpText(help);
}

int run(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(usageText().c_str(), stderr);
        return 2;
    }
    if (platform::answerStandardOption(argv[1], "tubra-cli", usageText)) return 0;
    const std::string_view cmd = argv[1];
    const std::vector<Command> all = commands();
    for (const auto& c : all) {
        if (cmd != c.name) continue;
#ifdef TUBRA_CLI_DRAWS
        if (c.draws) return runDrawing(argv);
#endif
        return c.run(argc - 2, argv + 2);
    }
    std::vector<std::string_view> names;
    for (const auto& c : all) names.push_back(c.name);
    std::fputs(platform::unknownCommandText("tubra-cli", cmd, names).c_str(), stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Running out of memory is an error like any other: a message and exit code 1. Files are
    // only ever replaced whole, so nothing is left half written.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fputs("tubra-cli: 内存不足\n", stderr);
        return 1;
    }
}
