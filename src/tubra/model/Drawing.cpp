#include "tubra/model/Drawing.h"

#include <algorithm>
#include <string>

#include "text/Gbk.h"

namespace tubra::model {

namespace {

template <std::size_t N>
std::array<std::string, N> toGbk(const std::array<std::string_view, N>& utf8) {
    std::array<std::string, N> t;
    for (std::size_t i = 0; i < N; ++i) t[i] = text::utf8ToGbk(utf8[i]);
    return t;
}

const std::array<std::string, 18>& tableLabels() {
    static constexpr std::array<std::string_view, 18> utf8 = {
        "管  线  名  称", "管  线  编  号", "管  线  类  别", "管内主要工作介质",
        "最高工作压力(MPa) ", "工作温度  (℃) ", "起    止    点", "保  温  材  料",
        "投  用  日  期", "管 线 总 长(米)", "弯  头  总  数", "焊  缝  总  数",
        "三  通  总  数", "阀  门  总  数", "管  段  总  数", "其 他 管 配 件",
        "管  线  材  料", "管  线  规  格"};
    static const auto gbk = toGbk(utf8);
    return gbk;
}

const std::array<std::string, 7>& titleLabels() {
    static constexpr std::array<std::string_view, 7> utf8 = {
        " 制 图 ", " 审 核 ", " 图 号 ", " 日 期 ", " 日 期 ", " 图纸名称:", " 旧图号 "};
    static const auto gbk = toGbk(utf8);
    return gbk;
}

}  // namespace

std::string_view CharacteristicTable::label(int row) {
    return (row >= 0 && row < kRows) ? std::string_view(tableLabels()[static_cast<std::size_t>(row)])
                                     : std::string_view();
}

void CharacteristicTable::clear() {
    for (auto& v : values) v.clear();
}

bool CharacteristicTable::empty() const {
    return std::all_of(values.begin(), values.end(), [](const Value& v) { return v.empty(); });
}

std::size_t CharacteristicTable::longestValue() const {
    std::size_t n = 0;
    for (const auto& v : values) n = std::max(n, v.size());
    return n;
}

std::size_t CharacteristicTable::longestLabel() {
    std::size_t n = 0;
    for (const auto& l : tableLabels()) n = std::max(n, l.size());
    return n;
}

std::string_view TitleBlock::constantLabel(int row) {
    return (row >= 0 && row < kRows) ? std::string_view(titleLabels()[static_cast<std::size_t>(row)])
                                     : std::string_view();
}

void TitleBlock::setLabels() {
    for (int i = 0; i < kRows; ++i) labels[static_cast<std::size_t>(i)] = constantLabel(i);
}

bool TitleBlock::valuesEmpty() const {
    return std::all_of(values.begin(), values.end(), [](const Text& v) { return v.empty(); });
}

AxisSettings::AxisSettings() {
    static const auto defaults = toGbk(std::array<std::string_view, 3>{"上", "北", "东"});
    for (std::size_t i = 0; i < 3; ++i) labels[i] = defaults[i];
}

}  // namespace tubra::model
