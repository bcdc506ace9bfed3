#include "tubra/app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

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

StartRequest ParseCommandLine(std::span<const std::string> args) {
    StartRequest request;
    bool print = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
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

}  // namespace tubra::app
