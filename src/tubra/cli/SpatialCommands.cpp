#include "tubra/cli/SpatialCommands.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/AtomicFile.h"
#include "text/Gbk.h"
#include "tubra/cli/Commands.h"
#include "tubra/cli/DrawingJson.h"
#include "tubra/exchange/DxfExport.h"
#include "tubra/exchange/Pcf.h"

namespace tubra::cli {

using nlohmann::ordered_json;
using spatial::Point3;

namespace {

// Coordinates and sizes to 0.1 mm, as the exchange file writes them.
double tenth(double v) {
    const double r = std::round(v * 10.0) / 10.0;
    return r == 0.0 ? 0.0 : r;
}

ordered_json point(const Point3& p) {
    return ordered_json::array({tenth(p.x), tenth(p.y), tenth(p.z)});
}

bool endsWith(std::string_view name, std::string_view want) {
    if (name.size() < want.size()) return false;
    std::string ext(name.substr(name.size() - want.size()));
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == want;
}
bool endsWithPcf(std::string_view name) { return endsWith(name, ".pcf"); }

// The drawing sheet as a CAD file.
int exportDxf(const char* in, const char* out) {
    if (!endsWith(out, ".dxf")) {
        std::fprintf(stderr, "tubra-cli export: 输出文件应以 .dxf 结尾：%s\n", out);
        return 2;
    }
    if (const std::string refused = refusedOutput(out, {in}); !refused.empty()) {
        std::fprintf(stderr, "tubra-cli export: %s\n", refused.c_str());
        return 2;
    }
    auto doc = openOrReport(in);
    if (!doc) return 1;
    if (const auto error = exchange::saveSheetDxf(*doc, out).error()) {
        std::fprintf(stderr, "tubra-cli export: 无法写出 %s：%s\n", out,
                     platform::describe(error).c_str());
        return 1;
    }
    return 0;
}

void exportUsage() {
    std::fputs("用法: tubra-cli export FILE --pcf OUT.pcf | --dxf OUT.dxf\n", stderr);
}

}  // namespace

namespace {

ordered_json objectJson(const spatial::RealObject& r) {
    ordered_json o;
    o["index"] = r.index;
    o["MainType"] = r.MainType;
    o["SubType"] = r.SubType;
    o["start"] = r.placed ? point(r.start) : ordered_json();
    o["end"] = r.placed ? point(r.end) : ordered_json();
    o["estimated"] = r.estimated;
    o["kind"] = std::string(spatial::lookName(r.look));
    if (r.placed && r.centre) o["centre"] = point(*r.centre);
    if (r.placed && r.branch) o["branch"] = point(*r.branch);
    if (r.role == spatial::Role::Run || r.role == spatial::Role::Closed) o["length"] = tenth(r.length);
    o["bore"] = tenth(r.bore);
    if (r.bore2 != r.bore) o["bore2"] = tenth(r.bore2);
    if (r.MainType == static_cast<int>(model::ObjectKind::Weld)) o["weld"] = r.weldNumber;
    if (r.host >= 0) o["on"] = r.host;
    return o;
}

ordered_json problemJson(const spatial::Problem& p) {
    ordered_json o;
    o["kind"] = std::string(spatial::problemKindName(p.kind));
    o["objects"] = p.objects;
    o["message"] = p.message;
    o["mm"] = p.mm ? ordered_json(tenth(*p.mm)) : ordered_json();
    return o;
}

}  // namespace

ordered_json realModelJson(const spatial::RealModel& model) {
    ordered_json j;
    j["units"] = "mm";
    j["axes"] = "x east, y north, z up";
    ordered_json objects = ordered_json::array();
    for (const spatial::RealObject& r : model.objects) objects.push_back(objectJson(r));
    j["objects"] = std::move(objects);
    ordered_json problems = ordered_json::array();
    for (const spatial::Problem& p : model.problems) problems.push_back(problemJson(p));
    j["problems"] = std::move(problems);
    return j;
}

void writeRealModelJson(const spatial::RealModel& model, std::ostream& out) {
    out << "{\n  \"units\": \"mm\",\n  \"axes\": \"x east, y north, z up\",\n  \"objects\": ";
    writeArrayAt(out, model.objects, "  ", objectJson);
    out << ",\n  \"problems\": ";
    writeArrayAt(out, model.problems, "  ", problemJson);
    out << "\n}";
}

int runModel(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("用法: tubra-cli model FILE\n", stderr);
        return 2;
    }
    auto doc = openOrReport(argv[0]);
    if (!doc) return 1;
    const spatial::RealModel model = spatial::buildRealModel(doc->drawing);
    writeRealModelJson(model, std::cout);
    std::cout << "\n";
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "tubra-cli: 无法写出 JSON\n");
        return 1;
    }
    return 0;
}

int runExport(int argc, char** argv) {
    const char* in = nullptr;
    const char* out = nullptr;
    bool dxf = false;
    for (int i = 0; i < argc; ++i) {
        if ((std::strcmp(argv[i], "--pcf") == 0 || std::strcmp(argv[i], "--dxf") == 0) &&
            i + 1 < argc && !out) {
            dxf = argv[i][2] == 'd';
            out = argv[++i];
        } else if (!in && argv[i][0] != '-') {
            in = argv[i];
        } else {
            exportUsage();
            return 2;
        }
    }
    if (!in || !out) {
        exportUsage();
        return 2;
    }
    if (dxf) return exportDxf(in, out);
    namespace fs = std::filesystem;
    // The exchange file never takes the place of a drawing or of the file it is made from.
    if (!endsWithPcf(out)) {
        std::fprintf(stderr, "tubra-cli export: 输出文件应以 .pcf 结尾：%s\n", out);
        return 2;
    }
    std::error_code ec;
    if (fs::exists(out, ec) && fs::equivalent(out, in, ec)) {
        std::fprintf(stderr, "tubra-cli export: 输出文件就是输入文件，不能覆盖：%s\n", out);
        return 2;
    }
    // Through a link too: what would be replaced is the file it leads to.
    if (const fs::path real = fs::canonical(out, ec); !ec) {
        std::string ext = real.extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".hcd") {
            std::fprintf(stderr, "tubra-cli export: 不能用输出覆盖已有的图形文件：%s\n", out);
            return 2;
        }
    }
    auto doc = openOrReport(in);
    if (!doc) return 1;
    const spatial::RealModel model = spatial::buildRealModel(doc->drawing);
    exchange::PcfOptions options;
    options.fallbackReference = text::utf8ToGbk(fs::path(in).stem().string());
    if (const auto error = exchange::savePcf(out, doc->drawing, model, options).error()) {
        std::fprintf(stderr, "tubra-cli export: 无法写出 %s：%s\n", out,
                     platform::describe(error).c_str());
        return 1;
    }
    if (!model.problems.empty())
        std::fprintf(stderr,
                     "tubra-cli export: 注意：图中有 %lu 处前后不一致（tubra-cli model %s "
                     "列出），已按推算写出\n",
                     static_cast<unsigned long>(model.problems.size()), in);
    if (const auto leftOut = exchange::pcfLeftOut(doc->drawing); !leftOut.empty())
        std::fprintf(stderr, "tubra-cli export: 注意：图中有 %lu 个阀门或管件的代号未知，没有写入\n",
                     static_cast<unsigned long>(leftOut.size()));
    return 0;
}

}  // namespace tubra::cli
