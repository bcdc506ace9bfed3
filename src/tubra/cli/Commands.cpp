#include "tubra/cli/Commands.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <map>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ProgramHelp.h"
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

void usageError(std::string_view message, std::string_view usage) {
    std::fputs(platform::usageErrorText("tubra-cli", message, usage).c_str(), stderr);
}

std::unique_ptr<Document> openOrReport(const char* path) {
    auto opened = Document::open(appContext(), path);
    if (opened.failed()) {
        std::fprintf(stderr, "tubra-cli: %s\n", opened.message().c_str());
        return nullptr;
    }
    std::unique_ptr<Document> doc = std::move(opened.value());
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

bool wantArgs(int argc, char** argv, int n, const char* usage) {
    if (argc == n) return true;
    usageError(argc < n ? std::string("缺少参数") : "多余的参数: " + std::string(argv[n]), usage);
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

// What the drawing's PageSize means: 1 is A3, anything else the default A4.
const char* paperName(int pageSize) { return pageSize == 1 ? "A3" : "A4"; }

// A label without the blanks that space it out in the table: "管  线  名  称" is "管线名称".
std::string compactLabel(std::string_view gbk) {
    std::string s = text::gbkToUtf8(gbk);
    std::erase(s, ' ');
    return s;
}

// The summary's words are for people; --json gives the same under fixed keys for scripts.
void printInfoJson(const char* path, const Drawing& d, const std::map<int, int>& counts) {
    nlohmann::ordered_json j;
    j["file"] = path;
    j["objects"] = d.objects.size();
    j["kinds"] = nlohmann::ordered_json::array();
    for (const auto& [type, n] : counts) {
        const char* name = kindName(type);
        j["kinds"].push_back({{"mainType", type}, {"name", name ? name : "其它"}, {"count", n}});
    }
    const LengthSum lengths = d.objects.pipeLengths();
    j["pipeLengthMm"] = lengths.mm;
    j["pipesNotCounted"] = lengths.unknown;
    j["xAxisAngle"] = d.X_AxisAngle;
    j["yAxisAngle"] = d.Y_AxisAngle;
    j["pageSize"] = d.PageSize;
    j["paper"] = paperName(d.PageSize);
    j["zoom"] = d.ZoomPara;
    j["characteristic"] = nlohmann::ordered_json::array();
    for (int i = 0; i < CharacteristicTable::kRows; ++i)
        j["characteristic"].push_back({{"row", i + 1},
                                       {"label", compactLabel(CharacteristicTable::label(i))},
                                       {"value", text::gbkToUtf8(d.table.values[static_cast<std::size_t>(i)])}});
    j["title"] = nlohmann::ordered_json::array();
    for (int i = 0; i < TitleBlock::kRows; ++i)
        j["title"].push_back({{"row", i + 1},
                              {"label", compactLabel(TitleBlock::constantLabel(i))},
                              {"value", text::gbkToUtf8(d.title.values[static_cast<std::size_t>(i)])}});
    std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

}  // namespace

int runInfo(int argc, char** argv) {
    bool json = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--json")
            json = true;
        else
            args.push_back(argv[i]);
    }
    if (!wantArgs(static_cast<int>(args.size()), args.data(), 1, "info FILE [--json]")) return 2;
    const char* path = args[0];
    auto doc = openOrReport(path);
    if (!doc) return 1;
    const Drawing& d = doc->drawing;
    std::map<int, int> counts;
    for (const PipeObject& o : d.objects) ++counts[o.MainType];
    if (json) {
        printInfoJson(path, d, counts);
        return 0;
    }
    std::cout << "文件: " << path << "\n";
    std::cout << "对象: " << d.objects.size() << " 个\n";
    for (const auto& [type, n] : counts) {
        const char* name = kindName(type);
        std::cout << "  " << (name ? name : "其它") << " (MainType " << type << "): " << n << "\n";
    }
    const LengthSum lengths = d.objects.pipeLengths();
    std::cout << "管长: " << text::format("%.3f", lengths.mm) << " 毫米";
    if (lengths.unknown > 0)
        std::cout << "（" << lengths.unknown << " 根管段的文字不是长度数字，未计入）";
    std::cout << "\n";
    std::cout << "轴测角: " << text::format("%.1f° / %.1f°", d.X_AxisAngle, d.Y_AxisAngle) << "\n";
    std::cout << "图纸: " << paperName(d.PageSize) << " (PageSize " << d.PageSize << ")\n";
    std::cout << "缩放: " << text::format("%.2f", d.ZoomPara) << "\n";
    std::cout << "管道特性表:\n";
    for (int i = 0; i < CharacteristicTable::kRows; ++i) {
        const auto& v = d.table.values[static_cast<std::size_t>(i)];
        if (v.empty()) continue;
        std::cout << "  " << text::gbkToUtf8(CharacteristicTable::label(i)) << ": "
                  << text::gbkToUtf8(v) << "\n";
    }
    std::cout << "标题框:\n";
    for (int i = 0; i < TitleBlock::kRows; ++i) {
        const auto& v = d.title.values[static_cast<std::size_t>(i)];
        if (v.empty()) continue;
        std::cout << "  " << text::gbkToUtf8(TitleBlock::constantLabel(i)) << " "
                  << text::gbkToUtf8(v) << "\n";
    }
    return 0;
}

int runJson(int argc, char** argv) {
    if (!wantArgs(argc, argv, 1, "json FILE")) return 2;
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
    if (!wantArgs(static_cast<int>(args.size()), args.data(), 2, "resave [--force] IN OUT")) return 2;
    auto doc = openOrReport(args[0]);
    if (!doc) return 1;
    if (!force && doc->savesOverUtf8File(args[1])) {
        std::fprintf(stderr, "tubra-cli: %s: %s；不写回原文件（确定要写回时加 --force）\n", args[1], kLooksUtf8);
        return 1;
    }
    if (const auto r = doc->saveAs(args[1]); r.failed()) {
        std::fprintf(stderr, "tubra-cli: %s\n", r.message().c_str());
        return 1;
    }
    return 0;
}

}  // namespace tubra::cli
