#include "tubra/edit/CarriedText.h"

#include <algorithm>

#include "text/Gbk.h"

namespace tubra::edit {

namespace {

std::size_t utf8Length(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return std::min(n, s.size() - i);
}

}  // namespace

std::optional<platform::Message> replaceUncarried(std::vector<FileBox>& boxes) {
    // Each character replaced, once, with what took its place (UTF-8).
    std::vector<std::pair<std::string, std::string>> replaced;
    for (FileBox& box : boxes) {
        std::string out;
        bool changed = false;
        for (std::size_t i = 0; i < box.utf8.size();) {
            const std::size_t n = utf8Length(box.utf8, i);
            const std::string c = box.utf8.substr(i, n);
            i += n;
            const std::string g = text::utf8ToGbk(c);
            std::string kept;
            if (g == "?" && c != "?")
                kept = "?";  // GBK has no such character
            else
                kept = text::gbkToUtf8(model::carriedCharacter(box.place, g));
            if (kept != c) {
                changed = true;
                if (std::none_of(replaced.begin(), replaced.end(), [&](const auto& r) { return r.first == c; }))
                    replaced.emplace_back(c, kept);
            }
            out += kept;
        }
        if (changed) box.utf8 = std::move(out);
    }
    if (replaced.empty()) return std::nullopt;
    std::string names;
    for (const auto& [from, to] : replaced) names += "  “" + from + "”→“" + to + "”";
    return platform::Message{"下列字符不能保存在图形文件里，已在文字中替换：\n\n" + names +
                                 "\n\n请看过替换后的文字，再按“确定”。",
                             "信息:", platform::Buttons::Ok, platform::MessageIcon::Warning, platform::Answer::Ok};
}

}  // namespace tubra::edit
