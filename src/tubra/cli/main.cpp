// tubra-cli: the drawing program's work without a window.
//
//   tubra-cli info FILE           a short summary of a drawing
//   tubra-cli json FILE           the whole drawing as JSON (UTF-8)
//   tubra-cli resave IN OUT       load and save again
//   tubra-cli render IN OUT       the sheet as PNG, PDF or SVG (built with Qt)
//   tubra-cli print FILE -o PDF   the printed pages as PDF (built with Qt); --report full|online|N
//                                 prints report pages
//   tubra-cli play SCRIPT [IN] -o OUT   replays a recorded session and saves the drawing
//   tubra-cli model FILE          the pipeline in real coordinates and its disagreements, JSON
//   tubra-cli export FILE --pcf OUT.pcf   the piping component file of the pipeline
//   tubra-cli import FILE.pcf -o OUT.hcd  a piping component file laid out as a drawing
//   tubra-cli export FILE --dxf OUT.dxf   the drawing sheet as a CAD file
//   tubra-cli materials FILE [--csv OUT | --xlsx OUT | --json]   the bill of materials
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
    const char* usage;
    int (*run)(int argc, char** argv);
    bool draws = false;  // carried out by the helper
};

// Further commands; those that need the Qt canvas are present when the program is built with it.
std::vector<Command> extraCommands() {
    std::vector<Command> commands;
#ifdef TUBRA_CLI_DRAWS
    commands.push_back({"render", "render IN OUT [--zoom Z] [--report full|online|N]\n"
                                  "                            图纸（或报告页）画成 PNG、PDF 或 SVG（按 OUT 的扩展名）",
                        nullptr, true});
    commands.push_back({"print", "print FILE [--report full|online|N] -o OUT.pdf\n"
                                 "                            tubra 为 FILE 打印的各页（或这些报告页），写成 PDF",
                        nullptr, true});
#endif
    commands.push_back({"model", "model FILE                管线的真实坐标（毫米，x 东、y 北、z 上）和图中前后不一致之处，JSON",
                        tubra::cli::runModel});
    commands.push_back({"export", "export FILE --pcf OUT.pcf 管线的 PCF 管道组件文件\n"
                                  "  export FILE --dxf OUT.dxf 图纸（同打印）写成 DXF 文件，按图层分开，隐藏的图层关闭",
                        tubra::cli::runExport});
    commands.push_back({"import", "import FILE.pcf -o OUT.hcd [--sheet A4|A3] [--alpha 30|45|60] [--replace]\n"
                                  "                            读入 PCF 管道组件文件，自动画成单线图（已有的图形文件只在加 --replace 时替换）",
                        tubra::cli::runImport});
    commands.push_back({"materials", "materials FILE [--csv OUT.csv | --xlsx OUT.xlsx | --json]\n"
                                     "                            材料表：各材料、规格的管长（米），弯头、三通、阀门、管件、支架、焊缝的数量\n"
                                     "                            （CSV 中以 = + - @ 开头的文字前加 '，电子表格不会当作公式）",
                        tubra::cli::runMaterials});
    return commands;
}

void usage(std::FILE* out) {
    std::fputs(
        "用法: tubra-cli 命令 参数\n"
        "  info FILE                 概要：各类对象数、管长、特性表、标题框\n"
        "  json FILE                 整个图形的 JSON（UTF-8），写到标准输出\n"
        "  resave [--force] IN OUT   读入 IN，另存为 OUT（--force：写回一个似乎是 UTF-8 的文件本身）\n"
        "  play SCRIPT [IN] [-o OUT] 重放录制的操作（docs/sessions.md），可存为 OUT\n",
        out);
    for (const auto& c : extraCommands()) std::fprintf(out, "  %s\n", c.usage);
}

int run(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string_view cmd = argv[1];
    if (cmd == "info") return tubra::cli::runInfo(argc - 2, argv + 2);
    if (cmd == "json") return tubra::cli::runJson(argc - 2, argv + 2);
    if (cmd == "resave") return tubra::cli::runResave(argc - 2, argv + 2);
    if (cmd == "play") return tubra::cli::runPlay(argc - 2, argv + 2);
    for (const auto& c : extraCommands()) {
        if (cmd != c.name) continue;
#ifdef TUBRA_CLI_DRAWS
        if (c.draws) return runDrawing(argv);
#endif
        return c.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "tubra-cli: 不认识的命令 '%s'\n", argv[1]);
    usage(stderr);
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
