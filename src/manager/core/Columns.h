#pragma once
// The columns of the pipeline list: 21 columns, 39 in report-list mode.

#include <array>
#include <string>
#include <string_view>

namespace manager {

inline constexpr int kBaseColumns = 21;
inline constexpr int kReportColumns = 39;

// Column indices used by the operations.
enum Column : int {
    kColNumber = 0,       // 列表序号
    kColName = 1,         // 管线名称
    kColPipeNumber = 2,   // 管线编号
    kColCategory = 3,     // 管线类别
    kColMedium = 4,       // 管内介质
    kColPressure = 5,     // 工作压力MPa
    kColTemperature = 6,  // 工作温度℃
    kColStartEnd = 7,     // 起止点
    kColInsulation = 8,   // 保温材料
    kColInService = 9,    // 投用日期
    kColMaterial = 10,    // 管线材料
    kColSize = 11,        // 管线规格
    kColLength = 12,      // 管线长度m
    kColDrafter = 13,     // 标题框->制图
    kColDraftDate = 14,   // 标题框->制图日期
    kColChecker = 15,     // 标题框->审核
    kColCheckDate = 16,   // 标题框->审核日期
    kColDrawingName = 17, // 标题框->图纸名
    kColFileName = 18,    // 文件名
    kColDrawingNo = 19,   // 图号
    kColOldDrawingNo = 20,// 旧图号
    kColGrade = 21,       // 安全等级
    kColFace = 22,        // 封面
    kColContents = 23,    // 目录
    kColFirstForm = 24,   // 结论 ... 附属 (forms 1 to 15)
};

// Column headers (UTF-8), as the list shows them.
inline constexpr std::array<std::string_view, kReportColumns> kColumnHeaders = {
    "列表序号", "管线名称", "管线编号", "管线类别", "管内介质", "工作压力MPa", "工作温度℃",
    "起止点", "保温材料", "投用日期", "管线材料", "管线规格", "管线长度m", "标题框->制图",
    "标题框->制图日期", "标题框->审核", "标题框->审核日期", "标题框->图纸名", "文件名", "图号",
    "旧图号", "安全等级", "封面", "目录", "结论", "汇总", "审查", "宏观", "测厚", "磁粉",
    "渗透", "射线", "超声", "成份", "硬度", "金相", "压力", "泄漏", "附属"};

// The header of a column as GBK bytes.
std::string columnHeaderGbk(int column);

// Initial width in pixels: 180 for columns 2, 7, 17 and 18, 120 for 19 and 20, otherwise the
// header's length in bytes (GBK) times 10.
int columnWidth(int column);

// Columns that sort by the value of their leading number; the others compare bytes.
constexpr bool isNumericColumn(int column) {
    return column == 0 || column == 5 || column == 6 || column == 12 || column == 21;
}

// Column count of a mode.
constexpr int columnCount(bool reportMode) { return reportMode ? kReportColumns : kBaseColumns; }

}  // namespace manager
