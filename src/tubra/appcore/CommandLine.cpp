#include "tubra/appcore/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/ProgramHelp.h"

namespace tubra::app {

namespace {

std::string lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// "-p", or "/p" in the manner of the program's other platforms. A '/' argument counts as a
// flag only when it is a word of letters that names no existing file, so that absolute paths
// stay file names.
bool isFlag(const std::string& arg) {
    if (arg.size() < 2) return false;
    if (arg.front() == '-') return true;
    if (arg.front() != '/') return false;
    const bool word = std::all_of(arg.begin() + 1, arg.end(),
                                  [](unsigned char c) { return std::isalpha(c) != 0; });
    std::error_code ec;
    return word && !std::filesystem::exists(arg, ec);
}

}  // namespace

StartRequest parseCommandLine(std::span<const std::string> args) {
    StartRequest request;
    bool print = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            request.kind = StartRequest::Kind::Help;
            return request;
        }
        if (arg == "--record") {
            if (i + 1 >= args.size()) {
                request.kind = StartRequest::Kind::Invalid;
                request.error = "--record 后面需要一个会话脚本文件名";
                return request;
            }
            request.recordPath = args[++i];
            continue;
        }
        if (isFlag(arg)) {
            const std::string flag = lowered(std::string_view(arg).substr(1));
            if (flag == "p") {
                print = true;
            } else {
                request.kind = StartRequest::Kind::Invalid;
                request.error = "未知的命令行参数: " + arg;
                return request;
            }
            continue;
        }
        if (request.path.empty()) request.path = arg;
    }
    if (print) {
        request.kind = StartRequest::Kind::Print;
        if (request.path.empty()) {
            request.kind = StartRequest::Kind::Invalid;
            request.error = "/p 后面需要一个要打印的文件名";
        }
        return request;
    }
    request.kind = request.path.empty() ? StartRequest::Kind::NewDrawing : StartRequest::Kind::Open;
    return request;
}

std::string_view usageText() {
    static const std::string text = platform::helpText(
        {"tubra",
         {"[文件名]", "/p 文件名", "--record 会话脚本 [文件名]"},
         "画管道单线图、填写和打印检验报告的桌面程序；需要图形显示，没有显示时可用 tubra-cli。",
         {{"参数",
           {{"文件名", "打开这个单线图文件 (*.hcd)；没有文件名时新建一个空白单线图"},
            {"/p 文件名", "用默认打印机打印这个文件后退出，不显示窗口 (也可写 -p，大小写均可)"},
            {"--record 会话脚本", "同时把用户的操作录制成会话脚本 (可用 tubra-cli play 重放，\n"
                                  "格式见 /usr/share/doc/tubra/sessions.md)"}}}},
         "0 正常结束或已打印；1 文件不能读或不能打印，或没有图形显示；2 命令行有错；3 没有安装打印机 (/p)"});
    return text;
}

}  // namespace tubra::app
