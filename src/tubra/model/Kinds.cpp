#include "tubra/model/Kinds.h"

namespace tubra::model {

std::string_view directionName(int code) {
    static constexpr std::string_view names[] = {"上", "下", "东", "南", "西", "北", "平面斜管", "空间斜管"};
    return (code >= 0 && code <= 7) ? names[code] : std::string_view();
}

namespace {

struct SymbolEntry {
    int code;
    ObjectKind kind;
    std::string_view name;
};

constexpr SymbolEntry kSymbols[] = {
    {4, ObjectKind::Fitting, "法兰"},        {6, ObjectKind::Fitting, "大小头"},
    {7, ObjectKind::Fitting, "小大头"},      {9, ObjectKind::Fitting, "压力表"},
    {10, ObjectKind::Fitting, "温度计"},     {11, ObjectKind::Fitting, "流量计"},
    {13, ObjectKind::Valve, "闸阀"},         {14, ObjectKind::Valve, "截止阀"},
    {15, ObjectKind::Valve, "旋塞阀"},       {16, ObjectKind::Valve, "隔膜阀"},
    {17, ObjectKind::Valve, "蝶阀"},         {18, ObjectKind::Valve, "球阀"},
    {19, ObjectKind::Valve, "节流阀"},       {20, ObjectKind::Valve, "Y形阀"},
    {21, ObjectKind::Valve, "止逆阀"},       {22, ObjectKind::Valve, "针型阀"},
    {23, ObjectKind::Valve, "气动阀"},       {24, ObjectKind::Valve, "安全阀"},
    {25, ObjectKind::Fitting, "视镜"},       {32, ObjectKind::Accessory, "刚性支架"},
    {33, ObjectKind::Accessory, "弹性支架"}, {34, ObjectKind::Accessory, "固定支架"},
    {35, ObjectKind::Accessory, "滑动支架"}, {38, ObjectKind::SiteMark, "管段入墙"},
    {39, ObjectKind::SiteMark, "管段过江河"}, {40, ObjectKind::SiteMark, "管段入地"},
    {41, ObjectKind::SiteMark, "容器、装置"}, {42, ObjectKind::Accessory, "立柱"},
    {43, ObjectKind::SiteMark, "穿越公路"},  {44, ObjectKind::SiteMark, "穿越铁路"},
    {45, ObjectKind::Fitting, "45°弯头"},    {46, ObjectKind::Fitting, "管帽"},
    {47, ObjectKind::Fitting, "堵头"},       {48, ObjectKind::Fitting, "波形补偿器"},
    {49, ObjectKind::Fitting, "球形补偿器"}, {50, ObjectKind::Fitting, "盲板"},
    {51, ObjectKind::Fitting, "8字盲板"},    {52, ObjectKind::Fitting, "阻火器"},
    {53, ObjectKind::Fitting, "过滤器"},     {54, ObjectKind::Valve, "角阀"},
};

const SymbolEntry* findSymbol(int code) {
    for (const auto& e : kSymbols)
        if (e.code == code) return &e;
    return nullptr;
}

}  // namespace

std::optional<ObjectKind> kindOfSymbol(int code) {
    const SymbolEntry* e = findSymbol(code);
    return e ? std::optional<ObjectKind>(e->kind) : std::nullopt;
}

std::string_view symbolName(int code) {
    const SymbolEntry* e = findSymbol(code);
    return e ? e->name : std::string_view();
}

std::string_view kindDialogTitle(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Pipe: return "对象属性——管段";
        case ObjectKind::Elbow: return "对象属性——弯头";
        case ObjectKind::Weld: return "对象属性——焊缝";
        case ObjectKind::Tee: return "对象属性——三通";
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
        case ObjectKind::SiteMark: return "对象属性——阀门、管件";
        case ObjectKind::Accessory: return "对象属性——附件";
        default: return {};
    }
}

}  // namespace tubra::model
