#include "tubra/cli/ImportCommand.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "tubra/appcore/ImportDocument.h"
#include "tubra/cli/Commands.h"

namespace tubra::cli {

namespace {

constexpr const char* kUsage =
    "用法: tubra-cli import FILE.pcf -o OUT.hcd [--sheet A4|A3] [--alpha 30|45|60] [--replace]\n";

std::string lowerExtension(const std::filesystem::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

int usageError(const char* why = nullptr) {
    if (why) std::fprintf(stderr, "tubra-cli import: %s\n", why);
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int runImport(int argc, char** argv) {
    namespace fs = std::filesystem;
    const char* in = nullptr;
    const char* out = nullptr;
    bool replace = false;
    layout::ImportOptions options;
    options.pageSize = app::kChoosePage;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o" && i + 1 < argc && !out) {
            out = argv[++i];
        } else if (a == "--sheet" && i + 1 < argc) {
            const std::string v = argv[++i];
            if (v == "A4" || v == "a4")
                options.pageSize = 0;
            else if (v == "A3" || v == "a3")
                options.pageSize = 1;
            else
                return usageError("--sheet 只能是 A4 或 A3");
        } else if (a == "--alpha" && i + 1 < argc) {
            const std::string v = argv[++i];
            if (v != "30" && v != "45" && v != "60")
                return usageError("--alpha 只能是 30、45 或 60");
            // The south-north axis takes the same angle, as the new-drawing dialog offers them.
            options.alpha = options.beta = std::stod(v);
        } else if (a == "--replace") {
            replace = true;
        } else if (!in && !a.empty() && a[0] != '-') {
            in = argv[i];
        } else {
            return usageError();
        }
    }
    if (!in || !out) return usageError();
    if (lowerExtension(out) != ".hcd") return usageError("输出文件应以 .hcd 结尾");
    std::error_code ec;
    if (fs::exists(out, ec)) {
        // Never over the file read, and an existing drawing only when asked to.
        if (fs::equivalent(out, in, ec)) {
            std::fprintf(stderr, "tubra-cli import: 输出文件就是输入文件，不能覆盖：%s\n", out);
            return 2;
        }
        if (!replace) {
            std::fprintf(stderr, "tubra-cli import: 已有图形文件 %s；要替换它，请加 --replace\n",
                         out);
            return 2;
        }
    }
    platform::Result<app::ImportedDrawing> imported = app::importPcfDrawing(appContext(), in, options);
    if (imported.failed()) {
        std::fprintf(stderr, "tubra-cli import: %s：%s\n", fs::path(in).filename().string().c_str(),
                     imported.message().c_str());
        return 1;
    }
    for (const std::string& w : imported->warnings)
        std::fprintf(stderr, "tubra-cli import: 注意：%s\n", w.c_str());
    if (const auto r = imported->document->saveAs(out); r.failed()) {
        std::fprintf(stderr, "tubra-cli import: %s\n", r.message().c_str());
        return 1;
    }
    return 0;
}

}  // namespace tubra::cli
