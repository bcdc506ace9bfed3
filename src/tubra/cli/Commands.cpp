#include "tubra/cli/Commands.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <map>
#include <string_view>
#include <vector>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/cli/DrawingJson.h"
#include "tubra/report/Install.h"

namespace tubra::cli {

using namespace tubra::model;

AppContext& appContext() {
    static AppContext app = [] {
        AppContext a;
        tubra::report::installInspectionReport(a);
        return a;
    }();
    return app;
}

std::unique_ptr<Document> openOrReport(const char* path) {
    std::string error;
    auto doc = Document::open(appContext(), path, &error);
    if (!doc) {
        std::fprintf(stderr, "tubra-cli: %s\n", error.c_str());
        return doc;
    }
    for (const std::string& warning : doc->openWarnings()) std::fprintf(stderr, "tubra-cli: %s: %s\n", path, warning.c_str());
    return doc;
}

namespace {

bool isDrawingName(const std::filesystem::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".hcd";
}

}  // namespace

std::string refusedOutput(const std::filesystem::path& out, std::initializer_list<std::filesystem::path> inputs) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(out, ec)) return {};
    for (const fs::path& in : inputs)
        if (fs::equivalent(out, in, ec)) return "输出文件就是输入文件，不能覆盖：" + out.string();
    // Through a link too: what would be replaced is the file it leads to.
    const fs::path real = fs::canonical(out, ec);
    if (isDrawingName(out) || (!ec && isDrawingName(real)))
        return "不能用输出覆盖已有的图形文件：" + out.string();
    return {};
}

namespace {

bool wantArgs(int argc, int n, const char* usage) {
    if (argc == n) return true;
    std::fprintf(stderr, "用法: tubra-cli %s\n", usage);
    return false;
}

const char* kindName(int mainType) {
    switch (static_cast<ObjectKind>(mainType)) {
        case ObjectKind::Pipe: return "管段";
        case ObjectKind::Elbow: return "弯头";
        case ObjectKind::Weld: return "焊缝";
        case ObjectKind::Tee: return "三通";
        case ObjectKind::CutLine: return "截断线";
        case ObjectKind::Valve: return "阀门";
        case ObjectKind::Fitting: return "管件";
        case ObjectKind::Accessory: return "附件";
        case ObjectKind::TextBlock: return "文字块";
        case ObjectKind::SiteMark: return "现场标记";
    }
    return nullptr;
}

}  // namespace

int runInfo(int argc, char** argv) {
    if (!wantArgs(argc, 1, "info FILE")) return 2;
    auto doc = openOrReport(argv[0]);
    if (!doc) return 1;
    const Drawing& d = doc->drawing;
    std::map<int, int> counts;
    for (const PipeObject& o : d.objects) ++counts[o.MainType];
    std::cout << "file: " << argv[0] << "\n";
    std::cout << "objects: " << d.objects.size() << "\n";
    for (const auto& [type, n] : counts) {
        const char* name = kindName(type);
        std::cout << "  " << (name ? name : "其它") << " (MainType " << type << "): " << n << "\n";
    }
    const LengthSum lengths = d.objects.pipeLengths();
    std::cout << "pipe length: " << text::format("%.3f", lengths.mm) << " mm";
    if (lengths.unknown > 0)
        std::cout << " (" << lengths.unknown << " 根管段的文字不是长度数字，未计入)";
    std::cout << "\n";
    std::cout << "axis angles: " << text::format("%.1f / %.1f", d.X_AxisAngle, d.Y_AxisAngle)
              << ", page size " << d.PageSize << ", zoom " << text::format("%.2f", d.ZoomPara)
              << "\n";
    std::cout << "characteristic table:\n";
    for (int i = 0; i < CharacteristicTable::kRows; ++i) {
        const auto& v = d.table.values[static_cast<std::size_t>(i)];
        if (v.empty()) continue;
        std::cout << "  " << text::gbkToUtf8(CharacteristicTable::label(i)) << ": "
                  << text::gbkToUtf8(v) << "\n";
    }
    std::cout << "title block:\n";
    for (int i = 0; i < TitleBlock::kRows; ++i) {
        const auto& v = d.title.values[static_cast<std::size_t>(i)];
        if (v.empty()) continue;
        std::cout << "  " << text::gbkToUtf8(TitleBlock::constantLabel(i)) << " "
                  << text::gbkToUtf8(v) << "\n";
    }
    return 0;
}

int runJson(int argc, char** argv) {
    if (!wantArgs(argc, 1, "json FILE")) return 2;
    auto doc = openOrReport(argv[0]);
    if (!doc) return 1;
    writeDocumentJson(*doc, std::cout);
    std::cout << "\n";
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "tubra-cli: 无法写出 JSON\n");
        return 1;
    }
    return 0;
}

int runResave(int argc, char** argv) {
    // --force writes over a file that looked like UTF-8 (what the window asks about).
    bool force = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--force")
            force = true;
        else
            args.push_back(argv[i]);
    }
    if (!wantArgs(static_cast<int>(args.size()), 2, "resave [--force] IN OUT")) return 2;
    auto doc = openOrReport(args[0]);
    if (!doc) return 1;
    if (!force && doc->savesOverUtf8File(args[1])) {
        std::fprintf(stderr, "tubra-cli: %s: %s；不写回原文件（确定要写回时加 --force）\n", args[1], kLooksUtf8);
        return 1;
    }
    if (const Outcome r = doc->saveAs(args[1]); !r) {
        std::fprintf(stderr, "tubra-cli: %s\n", r.message.c_str());
        return 1;
    }
    return 0;
}

}  // namespace tubra::cli
