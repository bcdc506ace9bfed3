#include "tubra/appcore/Commands.h"

#include <algorithm>
#include <array>

#include "tubra/model/Kinds.h"

namespace tubra::app {

namespace {

using H = Handler;
using G = Glyph;
using S = model::SymbolCode;

constexpr IconRef theme(std::string_view name, Glyph fallback = G::None) {
    return {name, 0, fallback};
}
constexpr IconRef symbol(model::SymbolCode code) {
    return {{}, static_cast<int>(code), G::None};
}
constexpr IconRef glyph(Glyph g) {
    return {{}, 0, g};
}

// id, tool tip, status-bar prompt, icon, who carries it out, checkable, needs a drawing
constexpr CommandInfo kCommands[] = {
    // file
    {cmd::New, "新建", "建立一张新的管道单线图", theme("document-new"), H::Window, false, false},
    {cmd::Open, "打开", "打开一个已有的图形文件(*.hcd)", theme("document-open"), H::Window, false,
     false},
    {cmd::Close, "关闭", "关闭当前图形文件", theme("window-close"), H::Window},
    {cmd::Save, "保存", "保存当前图形文件", theme("document-save"), H::Window},
    {cmd::SaveAs, "另存为", "用新的文件名保存当前图形文件", theme("document-save-as"), H::Window},
    {cmd::Print, "打印", "打印当前的图形或报告", theme("document-print"), H::Window},
    {cmd::BatchPrint, "批量打印", "成批打印图形文件", theme("document-print"), H::Never},
    {cmd::PrintPreview, "打印预览", "按打印时的样子显示整页", theme("document-print-preview"),
     H::Window},
    {cmd::PrintSetup, "打印设置", "选择打印机、纸张和打印方向", theme("document-page-setup"),
     H::Window, false, false},
    {cmd::Exit, "退出", "退出程序，并提示保存修改过的图形", theme("application-exit"), H::Window,
     false, false},
    {cmd::RecordSession, "录制操作…", "把以后的操作录制成会话脚本，以便重现", theme("media-record"),
     H::Window},
    {cmd::StopRecording, "停止录制", "结束会话脚本的录制", theme("media-playback-stop"), H::Window},
    {cmd::ImportPcf,
     "导入 PCF",
     "读入 PCF 管道组件文件，自动画成一张新的单线图",
     {},
     H::Window,
     false,
     false},
    {cmd::ExportPcf, "导出 PCF", "把管线按真实坐标写成 PCF 管道组件文件", {}, H::Window},
    {cmd::ExportDxf, "导出 DXF", "将图纸（同打印）导出为 DXF 文件，供 CAD 软件打开", {}, H::Window},
    // edit
    {cmd::Undo, "撤消", "撤消最后画上的对象", theme("edit-undo"), H::Document},
    {cmd::UndoObject, "撤消", "撤消最后画上的对象，放入废弃箱", theme("edit-undo"), H::Document},
    {cmd::Restore, "恢复", "从废弃箱中恢复最后撤消或删除的对象", theme("edit-redo", G::Restore),
     H::Document},
    {cmd::Paste, "粘贴", "粘贴剪贴板中的对象", theme("edit-paste"), H::Never},
    {cmd::CopyObjects, "复制对象", "复制选中的对象，用鼠标放到新的位置",
     theme("edit-copy", G::CopyObjects), H::Document, true},
    {cmd::Cut, "剪切", "剪切选中的对象", theme("edit-cut"), H::Document},
    {cmd::DeleteTool, "对象删除", "用鼠标点取要删除的对象", glyph(G::Delete), H::Document, true},
    {cmd::ClearAll, "全部清除", "清除全部对象", glyph(G::ClearAll), H::Document},
    {cmd::EmptyDiscardBox, "清理废弃箱", "清空废弃箱中可恢复的对象", theme("user-trash"),
     H::Document},
    {cmd::MoveDimension, "移动标注", "用鼠标拖动管段的尺寸标注", glyph(G::MoveDimension),
     H::Document, true},
    {cmd::MoveDrawing, "整图移动", "用鼠标拖动整张图形", glyph(G::MoveDrawing), H::Document, true},
    {cmd::MoveObjects, "移动对象", "用鼠标拖动选中的对象", glyph(G::MoveObjects), H::Document,
     true},
    {cmd::Select, "选取对象", "用鼠标点取或框选对象", glyph(G::Select), H::Document, true},
    {cmd::DeleteSelection, "删除对象(Del)", "删除选中的对象，放入废弃箱", glyph(G::Delete),
     H::Document},
    {cmd::Properties, "修改属性", "用鼠标点取对象，修改它的属性",
     theme("document-properties", G::Properties), H::Document, true},
    // view
    {cmd::ToolBar, "工具栏", "显示或隐藏工具栏", {}, H::Window, true, false},
    {cmd::StatusBar, "状态栏", "显示或隐藏状态栏", {}, H::Window, true, false},
    {cmd::ValveBar, "阀门栏", "显示或隐藏阀门工具栏", {}, H::Window, true, false},
    {cmd::AccessoryBar, "附件栏", "显示或隐藏附件工具栏", {}, H::Window, true, false},
    {cmd::FittingBar, "管配件栏", "显示或隐藏管配件工具栏", {}, H::Window, true, false},
    {cmd::QuickBar, "快速设置栏", "显示或隐藏快速设置工具栏", {}, H::Window, true, false},
    {cmd::Refresh, "刷新", "重新绘制当前视图", theme("view-refresh", G::Refresh), H::Document},
    {cmd::ZoomIn, "放大", "放大图形显示", theme("zoom-in", G::ZoomIn), H::Document},
    {cmd::ZoomOut, "缩小", "缩小图形显示", theme("zoom-out", G::ZoomOut), H::Document},
    {cmd::Fit, "满屏", "按窗口大小显示全部管线", theme("zoom-fit-best", G::Fit), H::Document},
    {cmd::Pan, "图纸平移", "用鼠标拖动图纸", glyph(G::Pan), H::Document, true},
    {cmd::FrameSwitch, "图框显示", "显示或隐藏图纸框、标题框和管道特性表", glyph(G::FrameSwitch),
     H::Document, true},
    {cmd::View3D, "三维视图", "在图形旁打开管线的三维视图和前后一致性检查", {}, H::Window},
    {cmd::Materials,
     "材料表",
     "显示本图的材料表：管长、弯头、三通、阀门、管件、支架、焊缝",
     {},
     H::Window},
    {cmd::PageSetup, "设置页面", "设置图纸大小和坐标标注", glyph(G::PageSetup), H::Document},
    // settings
    {cmd::Colours, "颜色", "设置背景、管线、阀门、管件和标注的颜色",
     theme("color-select", G::Colour), H::Document},
    {cmd::LineWidths, "线宽", "设置管线、标注线、阀门和焊缝的线宽", glyph(G::LineWidth),
     H::Document},
    {cmd::LineStyles, "线形", "设置管线、标注线和阀门的线形", glyph(G::LineStyle), H::Document},
    {cmd::DimensionText, "设置标注", "设置标注文字的高低和大小", glyph(G::DimensionText),
     H::Document},
    {cmd::Layers, "图层", "打开或关闭各个图层", glyph(G::Layers), H::Document},
    {cmd::Snap, "捕捉", "设置捕捉方式、捕捉距离和标记大小", glyph(G::Snap), H::Document},
    {cmd::CharacteristicTable, "特性表", "填写管道特性表", glyph(G::Table), H::Document},
    {cmd::TitleBlock, "标题框", "填写图纸标题框", glyph(G::TitleBlock), H::Document},
    {cmd::ElbowTee, "设置弯头、三通", "设置弯头半径、三通长度和阀门管件的大小", glyph(G::ElbowTee),
     H::Document},
    // reports
    {cmd::FullReport, "全面检验报告", "点击设置全面检验报告", glyph(G::FullReport), H::Document},
    {cmd::OnlineReport, "在线检验报告", "点击设置在线检验报告", glyph(G::OnlineReport),
     H::Document},
    {cmd::ShowReport, "显示当前报告", "点击打开全面检验报告视图", glyph(G::ShowReport), H::Document,
     true},
    // pipes and fittings
    {cmd::MainPipe, "主线管段", "画主线管段", glyph(G::MainPipe), H::Document, true},
    {cmd::BranchPipe, "支线管段", "画支线管段", glyph(G::BranchPipe), H::Document, true},
    {cmd::PlaneSlant, "平面斜管", "画平面内的斜管", glyph(G::PlaneSlant), H::Document, true},
    {cmd::SpaceSlant, "空间斜管", "画空间斜管", glyph(G::SpaceSlant), H::Document},
    {cmd::ClosedPipe, "封闭管", "画两端都接在已有对象上的封闭管段", glyph(G::ClosedPipe),
     H::Document, true},
    {cmd::CutLine, "截断线", "在管段上画截断线", glyph(G::CutLine), H::Document, true},
    {cmd::Weld, "焊缝", "在管段上加焊缝", glyph(G::Weld), H::Document, true},
    {cmd::Flange, "法兰", "在管段上加法兰", symbol(S::Flange), H::Document, true},
    {cmd::Elbow, "弯头", "在两管段的拐角处加弯头", glyph(G::Elbow), H::Document, true},
    {cmd::Elbow45, "45°弯头", "在管段上加45°弯头", symbol(S::Elbow45), H::Document, true},
    {cmd::Tee, "三通", "在支管与主管的连接处加三通", glyph(G::Tee), H::Document, true},
    {cmd::PipeCap, "管帽", "在管段端部加管帽", symbol(S::PipeCap), H::Document, true},
    {cmd::Plug, "堵头", "在管段端部加堵头", symbol(S::Plug), H::Document, true},
    {cmd::ReducerLargeSmall, "大小头", "在管段上加大小头", symbol(S::ReducerLargeSmall),
     H::Document, true},
    {cmd::ReducerSmallLarge, "小大头", "在管段上加小大头", symbol(S::ReducerSmallLarge),
     H::Document, true},
    {cmd::TextBlock, "文字块", "在图中写一段文字", glyph(G::TextBlock), H::Document, true},
    {cmd::SightGlass, "视镜", "在管段上加视镜", symbol(S::SightGlass), H::Document, true},
    {cmd::FlowMeter, "流量计", "在管段上加流量计", symbol(S::FlowMeter), H::Document, true},
    {cmd::Thermometer, "温度计", "在管段上加温度计", symbol(S::Thermometer), H::Document, true},
    {cmd::PressureGauge, "压力表", "在管段上加压力表", symbol(S::PressureGauge), H::Document, true},
    {cmd::BellowsJoint, "波形补偿器", "在管段上加波形补偿器", symbol(S::BellowsJoint), H::Document,
     true},
    {cmd::BallJoint, "球形补偿器", "在管段上加球形补偿器", symbol(S::BallJoint), H::Document, true},
    {cmd::BlindPlate, "盲板", "在管段上加盲板", symbol(S::BlindPlate), H::Document, true},
    {cmd::SpectacleBlind, "8字盲板", "在管段上加8字盲板", symbol(S::SpectacleBlind), H::Document,
     true},
    {cmd::FlameArrester, "阻火器", "在管段上加阻火器", symbol(S::FlameArrester), H::Document, true},
    {cmd::Filter, "过滤器", "在管段上加过滤器", symbol(S::Filter), H::Document, true},
    // valves
    {cmd::GateValve, "闸阀", "在管段上加闸阀", symbol(S::GateValve), H::Document, true},
    {cmd::GlobeValve, "截止阀", "在管段上加截止阀", symbol(S::GlobeValve), H::Document, true},
    {cmd::PlugValve, "旋塞阀", "在管段上加旋塞阀", symbol(S::PlugValve), H::Document, true},
    {cmd::DiaphragmValve, "隔膜阀", "在管段上加隔膜阀", symbol(S::DiaphragmValve), H::Document,
     true},
    {cmd::ButterflyValve, "蝶阀", "在管段上加蝶阀", symbol(S::ButterflyValve), H::Document, true},
    {cmd::BallValve, "球阀", "在管段上加球阀", symbol(S::BallValve), H::Document, true},
    {cmd::ThrottleValve, "节流阀", "在管段上加节流阀", symbol(S::ThrottleValve), H::Document, true},
    {cmd::YValve, "Y形阀", "在管段上加Y形阀", symbol(S::YValve), H::Document, true},
    {cmd::CheckValve, "止逆阀", "在管段上加止逆阀", symbol(S::CheckValve), H::Document, true},
    {cmd::NeedleValve, "针型阀", "在管段上加针型阀", symbol(S::NeedleValve), H::Document, true},
    {cmd::PneumaticValve, "气动阀", "在管段上加气动阀", symbol(S::PneumaticValve), H::Document,
     true},
    {cmd::SafetyValve, "安全阀", "在管段上加安全阀", symbol(S::SafetyValve), H::Document, true},
    {cmd::AngleValve, "角阀", "在两管段的拐角处加角阀", symbol(S::AngleValve), H::Document, true},
    {cmd::GateValveMenu, "闸阀", "请用阀门栏加闸阀", symbol(S::GateValve), H::Never},
    {cmd::GlobeValveMenu, "截止阀", "请用阀门栏加截止阀", symbol(S::GlobeValve), H::Never},
    // accessories
    {cmd::RigidSupport, "刚性支架", "在管段上加刚性支架", symbol(S::RigidSupport), H::Document,
     true},
    {cmd::SpringSupport, "弹性支架", "在管段上加弹性支架", symbol(S::SpringSupport), H::Document,
     true},
    {cmd::FixedSupport, "固定支架", "在管段上加固定支架", symbol(S::FixedSupport), H::Document,
     true},
    {cmd::SlidingSupport, "滑动支架", "在管段上加滑动支架", symbol(S::SlidingSupport), H::Document,
     true},
    {cmd::Column, "立柱", "在管段上加立柱", symbol(S::Column), H::Document, true},
    {cmd::Vessel, "容器、装置", "在管段端部画容器或装置", symbol(S::Vessel), H::Document, true},
    {cmd::IntoWall, "管段入墙", "标出管段穿墙的位置", symbol(S::IntoWall), H::Document, true},
    {cmd::IntoGround, "管段入地", "标出管段入地的位置", symbol(S::IntoGround), H::Document, true},
    {cmd::AcrossRiver, "管段过江河", "标出管段跨越江河的位置", symbol(S::AcrossRiver), H::Document,
     true},
    {cmd::RoadCrossing, "公路", "标出管段跨越公路的位置", symbol(S::RoadCrossing), H::Document,
     true},
    {cmd::RailwayCrossing, "铁路", "标出管段跨越铁路的位置", symbol(S::RailwayCrossing),
     H::Document, true},
    // quick settings
    {cmd::AutoElevation, "开/关自动标注标高(b)", "标高改变时自动标注标高，按B键开或关",
     glyph(G::LetterB), H::Document, true},
    {cmd::AutoWeld, "开/关自动添加焊缝(t)", "画管段时自动添加焊缝，按T键开或关", glyph(G::LetterT),
     H::Document, true},
    {cmd::SnapEnd, "捕捉端点(d)", "捕捉对象的端点，按D键开或关", glyph(G::LetterD), H::Document,
     true},
    {cmd::SnapMid, "捕捉中点(z)", "捕捉对象的中点，按Z键开或关", glyph(G::LetterZ), H::Document,
     true},
    {cmd::SnapAny, "捕捉任意位置(r)", "捕捉管段上的任意位置，按R键开或关", glyph(G::LetterR),
     H::Document, true},
    {cmd::SnapWeld, "开/关焊缝捕捉(h)", "只捕捉焊缝，按H键开或关", glyph(G::LetterH), H::Document,
     true},
    // window
    {cmd::NewWindow, "新建窗口", "为当前图形再打开一个窗口", theme("window-new"), H::Window},
    {cmd::Cascade, "层叠", "层叠排列窗口", {}, H::Window},
    {cmd::Tile, "平铺", "平铺排列窗口", {}, H::Window},
    {cmd::ArrangeIcons, "排列图标", "排列最小化窗口的图标", {}, H::Window},
    {cmd::NextPane, "下一窗格", "切换到下一个窗口", {}, H::Window},
    {cmd::PrevPane, "前一窗格", "切换到前一个窗口", {}, H::Window},
    // help
    {cmd::Help, "使用帮助", "打开使用帮助", theme("help-contents"), H::Window, false, false},
    {cmd::HelpKey, "帮助", "打开使用帮助", theme("help-contents"), H::Window, false, false},
    {cmd::About, "关于", "显示程序信息", theme("help-about"), H::Window, false, false},
};

constexpr BarButton kStandardButtons[] = {{cmd::New},
                                          {cmd::Open},
                                          {cmd::Save},
                                          {cmd::Paste},
                                          {cmd::Print},
                                          {cmd::About},
                                          {cmd::Refresh},
                                          {0},
                                          {cmd::ZoomIn},
                                          {cmd::ZoomOut},
                                          {cmd::Fit},
                                          {cmd::Pan},
                                          {0},
                                          {cmd::UndoObject},
                                          {cmd::Restore},
                                          {cmd::ClearAll},
                                          {cmd::PageSetup},
                                          {cmd::FrameSwitch},
                                          {cmd::Colours},
                                          {cmd::LineWidths},
                                          {cmd::LineStyles},
                                          {cmd::DimensionText},
                                          {cmd::Layers},
                                          {cmd::Snap},
                                          {cmd::CharacteristicTable},
                                          {cmd::TitleBlock},
                                          {cmd::ElbowTee},
                                          {0},
                                          {cmd::Select},
                                          {cmd::DeleteSelection},
                                          {cmd::CopyObjects},
                                          {cmd::MoveObjects},
                                          {cmd::Properties},
                                          {cmd::MoveDimension},
                                          {cmd::MoveDrawing},
                                          {0},
                                          {cmd::FullReport},
                                          {cmd::OnlineReport},
                                          {cmd::ShowReport}};

constexpr BarButton kFittingButtons[] = {{cmd::MainPipe},
                                         {cmd::BranchPipe},
                                         {cmd::PlaneSlant},
                                         {cmd::SpaceSlant},
                                         {cmd::ClosedPipe},
                                         {cmd::CutLine},
                                         {cmd::Weld},
                                         {cmd::Flange},
                                         {cmd::Elbow},
                                         {cmd::Elbow45},
                                         {cmd::Tee},
                                         {cmd::PipeCap},
                                         {cmd::Plug},
                                         {cmd::ReducerLargeSmall},
                                         {cmd::ReducerSmallLarge},
                                         {cmd::TextBlock},
                                         {cmd::SightGlass},
                                         {cmd::FlowMeter},
                                         {cmd::Thermometer},
                                         {cmd::PressureGauge},
                                         {cmd::BellowsJoint},
                                         {cmd::BallJoint},
                                         {cmd::BlindPlate},
                                         {cmd::SpectacleBlind},
                                         {cmd::FlameArrester},
                                         {cmd::Filter}};

constexpr BarButton kValveButtons[] = {
    {cmd::GateValve},      {cmd::GlobeValve},  {cmd::PlugValve},      {cmd::DiaphragmValve},
    {cmd::ButterflyValve}, {cmd::BallValve},   {cmd::ThrottleValve},  {cmd::YValve},
    {cmd::CheckValve},     {cmd::NeedleValve}, {cmd::PneumaticValve}, {cmd::SafetyValve},
    {cmd::AngleValve}};

constexpr BarButton kAccessoryButtons[] = {{cmd::RigidSupport},   {cmd::SpringSupport},
                                           {cmd::FixedSupport},   {cmd::SlidingSupport},
                                           {cmd::Column},         {0},
                                           {cmd::Vessel},         {cmd::IntoWall},
                                           {cmd::IntoGround},     {0},
                                           {cmd::AcrossRiver},    {cmd::RoadCrossing},
                                           {cmd::RailwayCrossing}};

constexpr BarButton kQuickButtons[] = {{cmd::AutoElevation}, {cmd::AutoWeld}, {cmd::SnapEnd},
                                       {cmd::SnapMid},       {cmd::SnapAny},  {cmd::SnapWeld}};

constexpr BarInfo kBars[] = {
    {"StandardBar", 128, "", DockSide::Top, cmd::ToolBar, "工具栏(&T)", kStandardButtons},
    {"FittingBar", 135, "管件", DockSide::Left, cmd::FittingBar, "管配件栏", kFittingButtons},
    {"ValveBar", 142, "阀门", DockSide::Right, cmd::ValveBar, "阀门栏", kValveButtons},
    {"AccessoryBar", 2943, "附件", DockSide::Right, cmd::AccessoryBar, "附件栏", kAccessoryButtons},
    {"QuickBar", 3016, "快速设置", DockSide::Top, cmd::QuickBar, "快速设置栏", kQuickButtons},
};

using K = MenuEntry::Kind;
constexpr MenuEntry item(int id, std::string_view text) {
    return {K::Command, id, text, {}};
}
constexpr MenuEntry separator() {
    return {K::Separator, 0, {}, {}};
}
constexpr MenuEntry submenu(std::string_view text, std::span<const MenuEntry> children) {
    return {K::Submenu, 0, text, children};
}
constexpr MenuEntry recentFiles() {
    return {K::RecentFiles, 0, {}, {}};
}
constexpr MenuEntry windowList() {
    return {K::WindowList, 0, {}, {}};
}

// --- no drawing open ---
constexpr MenuEntry kBareFile[] = {item(cmd::New, "新建"),
                                   item(cmd::Open, "打开"),
                                   item(cmd::ImportPcf, "导入 PCF…"),
                                   separator(),
                                   item(cmd::PrintSetup, "打印设置"),
                                   separator(),
                                   recentFiles(),
                                   separator(),
                                   item(cmd::Exit, "退出")};
constexpr MenuEntry kBareView[] = {item(cmd::ToolBar, "工具栏"), item(cmd::StatusBar, "状态栏")};
constexpr MenuEntry kBareHelp[] = {item(cmd::About, "关于 Tubra")};
constexpr MenuInfo kNoDocumentMenus[] = {
    {"文件(&F)", kBareFile}, {"查看(&V)", kBareView}, {"帮助(&H)", kBareHelp}};

// --- a drawing open ---
constexpr MenuEntry kExport[] = {item(cmd::ExportPcf, "PCF…"), item(cmd::ExportDxf, "DXF…")};
constexpr MenuEntry kFile[] = {item(cmd::New, "新建"),
                               item(cmd::Open, "打开"),
                               item(cmd::Close, "关闭"),
                               item(cmd::Save, "保存"),
                               item(cmd::SaveAs, "另存为"),
                               item(cmd::ImportPcf, "导入 PCF…"),
                               submenu("导出", kExport),
                               separator(),
                               item(cmd::Print, "打印"),
                               item(cmd::BatchPrint, "批量打印"),
                               item(cmd::PrintPreview, "打印预览"),
                               item(cmd::PrintSetup, "打印设置"),
                               separator(),
                               item(cmd::RecordSession, "录制操作…"),
                               item(cmd::StopRecording, "停止录制"),
                               separator(),
                               recentFiles(),
                               separator(),
                               item(cmd::Exit, "退出")};

constexpr MenuEntry kClean[] = {item(cmd::DeleteTool, "对象删除"), item(cmd::ClearAll, "全部删除"),
                                item(cmd::EmptyDiscardBox, "清理废弃箱")};
constexpr MenuEntry kMove[] = {item(cmd::MoveDimension, "移动标注"),
                               item(cmd::MoveDrawing, "移动全部"),
                               item(cmd::MoveObjects, "移动对象")};
constexpr MenuEntry kEdit[] = {
    item(cmd::Undo, "撤消"),       item(cmd::Restore, "复原"),       separator(),
    submenu("清理", kClean),       submenu("移动", kMove),           separator(),
    item(cmd::Select, "选择对象"), item(cmd::Properties, "修改属性")};

constexpr MenuEntry kView[] = {item(cmd::ToolBar, "工具栏"),
                               item(cmd::StatusBar, "状态栏"),
                               item(cmd::ValveBar, "阀门栏"),
                               item(cmd::AccessoryBar, "附件栏"),
                               item(cmd::FittingBar, "管配件栏"),
                               item(cmd::QuickBar, "快速设置栏"),
                               separator(),
                               item(cmd::ZoomIn, "放大"),
                               item(cmd::ZoomOut, "缩小"),
                               item(cmd::Pan, "平移"),
                               item(cmd::Fit, "满屏"),
                               separator(),
                               item(cmd::FrameSwitch, "图纸框开关"),
                               separator(),
                               item(cmd::View3D, "三维视图"),
                               item(cmd::Materials, "材料表")};

constexpr MenuEntry kSettings[] = {item(cmd::Colours, "颜色"),
                                   item(cmd::Layers, "图层"),
                                   item(cmd::LineWidths, "线宽"),
                                   item(cmd::DimensionText, "标注文字"),
                                   item(cmd::LineStyles, "线型"),
                                   item(cmd::Snap, "捕捉"),
                                   separator(),
                                   item(cmd::CharacteristicTable, "设置特性表"),
                                   item(cmd::TitleBlock, "设置标题框"),
                                   separator(),
                                   item(cmd::ElbowTee, "杂项")};

constexpr MenuEntry kAddPipes[] = {item(cmd::MainPipe, "主线管"), item(cmd::BranchPipe, "支线管")};
constexpr MenuEntry kAddValves[] = {item(cmd::GateValveMenu, "闸阀"),
                                    item(cmd::GlobeValveMenu, "截止阀"),
                                    item(cmd::AngleValve, "角阀")};
constexpr MenuEntry kAddFittings[] = {item(cmd::Flange, "法兰"),
                                      item(cmd::SightGlass, "视镜"),
                                      item(cmd::FlowMeter, "流量计"),
                                      item(cmd::PressureGauge, "压力表"),
                                      item(cmd::Thermometer, "温度计"),
                                      item(cmd::ReducerLargeSmall, "大小头"),
                                      item(cmd::ReducerSmallLarge, "小大头"),
                                      item(cmd::Elbow, "弯头"),
                                      item(cmd::Elbow45, "45°弯头"),
                                      item(cmd::Weld, "焊缝"),
                                      item(cmd::Tee, "三通"),
                                      item(cmd::PipeCap, "管帽"),
                                      item(cmd::Plug, "堵头"),
                                      item(cmd::BellowsJoint, "波形补偿器"),
                                      item(cmd::BallJoint, "球形补偿器"),
                                      item(cmd::BlindPlate, "盲板"),
                                      item(cmd::SpectacleBlind, "8字盲板"),
                                      item(cmd::FlameArrester, "阻火器"),
                                      item(cmd::Filter, "过滤器")};
constexpr MenuEntry kAdd[] = {submenu("管道(&G)", kAddPipes),   submenu("阀门(&A)", kAddValves),
                              submenu("管件(P)", kAddFittings), separator(),
                              item(cmd::PlaneSlant, "平斜管"),  item(cmd::SpaceSlant, "空间斜管"),
                              item(cmd::ClosedPipe, "封闭管"),  separator(),
                              item(cmd::CutLine, "截断线")};

constexpr MenuEntry kWindow[] = {item(cmd::NewWindow, "新建窗口"),
                                 item(cmd::Cascade, "层叠"),
                                 item(cmd::Tile, "平铺"),
                                 item(cmd::ArrangeIcons, "排列图标"),
                                 separator(),
                                 windowList()};
constexpr MenuEntry kHelp[] = {item(cmd::Help, "使用帮助"), separator(),
                               item(cmd::About, "关于 Tubra")};

constexpr MenuInfo kDocumentMenus[] = {
    {"文件(&F)", kFile}, {"编辑(&E)", kEdit},   {"查看(&V)", kView}, {"设置", kSettings},
    {"添加(&T)", kAdd},  {"窗口(&W)", kWindow}, {"帮助(&H)", kHelp}};

constexpr Accelerator kAccelerators[] = {
    {"B", cmd::AutoElevation},     {"D", cmd::SnapEnd},          {"Z", cmd::SnapMid},
    {"R", cmd::SnapAny},           {"H", cmd::SnapWeld},         {"T", cmd::AutoWeld},
    {"Del", cmd::DeleteSelection}, {"Ctrl+Z", cmd::Undo},        {"Alt+Backspace", cmd::Undo},
    {"Ctrl+N", cmd::New},          {"Ctrl+O", cmd::Open},        {"Ctrl+S", cmd::Save},
    {"Ctrl+P", cmd::Print},        {"Ctrl+C", cmd::CopyObjects}, {"Ctrl+Ins", cmd::CopyObjects},
    {"Ctrl+V", cmd::Paste},        {"Shift+Ins", cmd::Paste},    {"Ctrl+X", cmd::Cut},
    {"Shift+Del", cmd::Cut},       {"F6", cmd::NextPane},        {"Shift+F6", cmd::PrevPane},
    {"F1", cmd::HelpKey},
};

}  // namespace

std::span<const CommandInfo> allCommands() {
    return kCommands;
}

const CommandInfo* findCommand(int id) {
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [id](const CommandInfo& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::span<const BarInfo> allBars() {
    return kBars;
}
std::span<const MenuInfo> noDocumentMenus() {
    return kNoDocumentMenus;
}
std::span<const MenuInfo> documentMenus() {
    return kDocumentMenus;
}
std::span<const Accelerator> accelerators() {
    return kAccelerators;
}

}  // namespace tubra::app
