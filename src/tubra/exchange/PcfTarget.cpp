#include "tubra/exchange/PcfTarget.h"

#include <cctype>

namespace tubra::exchange {

namespace {

std::string lowerExtension(const std::filesystem::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

}  // namespace

std::optional<std::string> pcfTargetRefusal(const std::filesystem::path& out,
                                            const std::filesystem::path& drawing) {
    namespace fs = std::filesystem;
    if (lowerExtension(out) != ".pcf")
        return "PCF 文件名应以 .pcf 结尾：" + out.filename().string();
    std::error_code ec;
    if (!drawing.empty() && fs::exists(out, ec) && fs::equivalent(out, drawing, ec))
        return "不能用 PCF 文件覆盖正在导出的图形文件：" + out.filename().string();
    // Through a link too: what would be replaced is the file it leads to.
    if (const fs::path real = fs::canonical(out, ec); !ec && lowerExtension(real) == ".hcd")
        return "不能用 PCF 文件覆盖图形文件：" + real.string();
    return std::nullopt;
}

}  // namespace tubra::exchange
