#include "tubra/cli/MaterialsCommand.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/AtomicFile.h"
#include "text/Gbk.h"
#include "tubra/cli/Commands.h"
#include "tubra/exchange/MaterialsExport.h"

namespace tubra::cli {

namespace {

void materialsUsage() {
    std::fputs("用法: tubra-cli materials FILE [--csv OUT.csv | --xlsx OUT.xlsx | --json]\n", stderr);
}

bool hasExtension(const std::filesystem::path& p, std::string_view want) {
    std::string ext = p.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == want;
}

}  // namespace

int runMaterials(int argc, char** argv) {
    const char* in = nullptr;
    const char* out = nullptr;
    std::string format;  // "", "csv", "xlsx", "json"
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if ((arg == "--csv" || arg == "--xlsx") && format.empty() && i + 1 < argc) {
            format = arg.substr(2);
            out = argv[++i];
        } else if (arg == "--json" && format.empty()) {
            format = "json";
        } else if (!in && !arg.starts_with("-")) {
            in = argv[i];
        } else {
            materialsUsage();
            return 2;
        }
    }
    if (!in) {
        materialsUsage();
        return 2;
    }
    if (out) {
        if (!hasExtension(out, "." + format)) {
            std::fprintf(stderr, "tubra-cli materials: 输出文件应以 .%s 结尾：%s\n", format.c_str(), out);
            return 2;
        }
        if (const std::string refused = refusedOutput(out, {in}); !refused.empty()) {
            std::fprintf(stderr, "tubra-cli materials: %s\n", refused.c_str());
            return 2;
        }
    }
    auto doc = openOrReport(in);
    if (!doc) return 1;
    const exchange::MaterialList list = exchange::countMaterials(doc->drawing.objects);
    if (const long n = list.unknownPipeLengths(); n > 0)
        std::fprintf(stderr, "tubra-cli materials: %s：%ld 根管段的文字不是长度数字（毫米），长度未计入\n", in, n);
    if (out) {
        const std::string title = "材料表 " + std::filesystem::path(in).stem().string();
        if (const auto error = exchange::saveMaterials(out, list, title).error()) {
            std::fprintf(stderr, "tubra-cli materials: 无法写出 %s：%s\n", out,
                         platform::describe(error).c_str());
            return 1;
        }
        return 0;
    }
    if (format == "json") {
        std::cout << exchange::materialsJson(list);
    } else {
        // A table for people: tab-separated, UTF-8.
        const auto& columns = exchange::materialColumns();
        for (std::size_t i = 0; i < columns.size(); ++i) std::cout << (i ? "\t" : "") << columns[i];
        std::cout << "\n";
        for (const auto& [key, amount] : list.items) {
            const bool pipe = key.group == exchange::MaterialGroup::Pipe;
            std::cout << exchange::materialGroupName(key.group) << "\t" << key.name << "\t" << key.material
                      << "\t" << key.size << "\t" << (pipe ? exchange::materialQuantity(key, amount) : "")
                      << "\t" << amount.count << "\t" << exchange::materialUnit(key.group) << "\n";
        }
    }
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "tubra-cli materials: 无法写到标准输出\n");
        return 1;
    }
    return 0;
}

}  // namespace tubra::cli
