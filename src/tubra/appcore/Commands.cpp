#include "tubra/appcore/Commands.h"

#include <algorithm>
#include <iterator>

#include "tubra/appcore/ReportDialogCommands.h"
#include "tubra/appcore/ReportModeCommand.h"
#include "tubra/appcore/SettingsCommands.h"
#include "tubra/edit/ToolCommands.h"
#include "tubra/edit/ViewCommands.h"
#include "tubra/model/Kinds.h"

namespace tubra::app {

namespace {

namespace ec = edit::commands;
namespace ac = app::commands;
using edit::Tool;
using edit::ToolCommand;
using edit::ToolKind;
using H = Handler::Kind;
using M = MenuId;
using B = BarId;
using S = model::SymbolCode;
using Sh = Shell;

// --- the kinds of definition ---

constexpr Action windowCommand(int id, std::string_view name, std::string_view prompt, void (Shell::*run)()) {
    Action a;
    a.id = id;
    a.name = name;
    a.prompt = prompt;
    a.handler.kind = H::Window;
    a.handler.window = run;
    return a;
}

constexpr Action barSwitch(int id, std::string_view name, std::string_view prompt) {
    Action a;
    a.id = id;
    a.name = name;
    a.prompt = prompt;
    a.handler.kind = H::Bar;
    a.checkable = true;
    a.needsDocument = false;
    return a;
}

constexpr Action documentCommand(int id, std::string_view name, std::string_view prompt,
                                 void (*run)(edit::CommandContext&)) {
    Action a;
    a.id = id;
    a.name = name;
    a.prompt = prompt;
    a.handler.kind = H::Document;
    a.handler.run = run;
    a.recorded = Recorded::Command;
    return a;
}

// A command of the view's tools: it needs the view's controller.
constexpr Action controllerCommand(int id, std::string_view name, std::string_view prompt,
                                   void (*run)(edit::CommandContext&)) {
    return documentCommand(id, name, prompt, run).enabledWhen(ec::hasController);
}

constexpr Action toolCommand(int id, std::string_view name, std::string_view prompt, ToolCommand tool) {
    Action a;
    a.id = id;
    a.name = name;
    a.prompt = prompt;
    a.handler.kind = H::Tool;
    a.handler.tool = tool;
    a.recorded = Recorded::Command;
    a.checkable = true;
    return a;
}
constexpr ToolCommand choose(ToolKind kind) { return {{kind, 0}, false, false}; }
constexpr ToolCommand toggle(ToolKind kind) { return {{kind, 0}, true, false}; }
// A component tool: the symbol it places; pressed again, a toggling one goes off.
constexpr ToolCommand component(S symbol, bool toggles) {
    return {{ToolKind::Component, model::symbolValue(symbol)}, toggles, false};
}

constexpr Action neverAvailable(int id, std::string_view name, std::string_view prompt) {
    Action a;
    a.id = id;
    a.name = name;
    a.prompt = prompt;
    return a;
}

constexpr Action plain(Action a) {
    a.checkable = false;
    return a;
}

constexpr int symbol(S s) { return model::symbolValue(s); }

// clang-format off
constexpr Action kActions[] = {
    // --- files ---
    windowCommand(cmd::New, "新建", "建立一张新的管道单线图", &Sh::newDrawing)
        .theme("document-new").anytime().withKeys("Ctrl+N")
        .inMenu(M::File, 10).alsoWithoutDrawing().onBar(B::Standard, 10),
    windowCommand(cmd::Open, "打开", "打开一个已有的图形文件(*.hcd)", &Sh::openDrawing)
        .theme("document-open").anytime().withKeys("Ctrl+O")
        .inMenu(M::File, 20).alsoWithoutDrawing().onBar(B::Standard, 20),
    windowCommand(cmd::Close, "关闭", "关闭当前图形文件", &Sh::closeDrawing)
        .theme("window-close").inMenu(M::File, 30),
    windowCommand(cmd::Save, "保存", "保存当前图形文件", &Sh::save)
        .theme("document-save").withKeys("Ctrl+S").recordedAs(Recorded::Save)
        .inMenu(M::File, 40).onBar(B::Standard, 30),
    windowCommand(cmd::SaveAs, "另存为", "用新的文件名保存当前图形文件", &Sh::saveAs)
        .theme("document-save-as").recordedAs(Recorded::Save).inMenu(M::File, 50),
    windowCommand(cmd::ImportPcf, "导入 PCF", "读入 PCF 管道组件文件，自动画成一张新的单线图", &Sh::importPcfFile)
        .anytime().inMenu(M::File, 55, "导入 PCF…").alsoWithoutDrawing(),
    windowCommand(cmd::ExportPcf, "导出 PCF", "把管线按真实坐标写成 PCF 管道组件文件", &Sh::exportPcf)
        .inMenu(M::FileExport, 10, "PCF…"),
    windowCommand(cmd::ExportDxf, "导出 DXF", "将图纸（同打印）导出为 DXF 文件，供 CAD 软件打开", &Sh::exportDxf)
        .inMenu(M::FileExport, 20, "DXF…"),
    windowCommand(cmd::Print, "打印", "打印当前的图形或报告", &Sh::print)
        .theme("document-print").withKeys("Ctrl+P")
        .inMenu(M::File, 70).separatedInMenu().onBar(B::Standard, 50),
    neverAvailable(cmd::BatchPrint, "批量打印", "成批打印图形文件")
        .theme("document-print").inMenu(M::File, 80),
    windowCommand(cmd::PrintPreview, "打印预览", "按打印时的样子显示整页", &Sh::printPreview)
        .theme("document-print-preview").inMenu(M::File, 90),
    windowCommand(cmd::PrintSetup, "打印设置", "选择打印机、纸张和打印方向", &Sh::printSetup)
        .theme("document-page-setup").anytime().inMenu(M::File, 100).alsoWithoutDrawing(),
    windowCommand(cmd::RecordSession, "录制操作…", "把以后的操作录制成会话脚本，以便重现", &Sh::recordSession)
        .theme("media-record").enabledWhen(&Sh::mayRecord).inMenu(M::File, 110).separatedInMenu(),
    windowCommand(cmd::StopRecording, "停止录制", "结束会话脚本的录制", &Sh::stopRecording)
        .theme("media-playback-stop").anytime().enabledWhen(&Sh::isRecording).inMenu(M::File, 120),
    windowCommand(cmd::Exit, "退出", "退出程序，并提示保存修改过的图形", &Sh::exitProgram)
        .theme("application-exit").anytime().inMenu(M::File, 140).separatedInMenu().alsoWithoutDrawing(),

    // --- edit ---
    controllerCommand(cmd::UndoEdit, "撤销", "撤销上一步编辑", ec::undoEdit)
        .theme("edit-undo").withKeys("Ctrl+Z").enabledWhen(ec::canUndoEdit).labelledBy(ec::undoEditText)
        .inMenu(M::Edit, 10).onBar(B::Standard, 112, true),
    controllerCommand(cmd::RedoEdit, "重做", "重做撤销了的编辑", ec::redoEdit)
        .theme("edit-redo").withKeys("Ctrl+Y", "Ctrl+Shift+Z").enabledWhen(ec::canRedoEdit)
        .labelledBy(ec::redoEditText).inMenu(M::Edit, 12).onBar(B::Standard, 114),
    controllerCommand(cmd::Undo, "撤消", "撤消最后画上的对象", ec::undo)
        .theme("edit-undo").changesDocument(),
    controllerCommand(cmd::UndoObject, "撤消", "撤消最后画上的对象，放入废弃箱", ec::undo)
        .theme("edit-undo").withKeys("Alt+Backspace").changesDocument()
        .inMenu(M::Edit, 15, "撤消对象").separatedInMenu().onBar(B::Standard, 130, true),
    controllerCommand(cmd::Restore, "恢复", "从废弃箱中恢复最后撤消或删除的对象", ec::restore)
        .theme("edit-redo").picture("restore").changesDocument()
        .inMenu(M::Edit, 20, "复原").onBar(B::Standard, 140),
    neverAvailable(cmd::Paste, "粘贴", "粘贴剪贴板中的对象")
        .theme("edit-paste").withKeys("Ctrl+V", "Shift+Ins").onBar(B::Standard, 40),
    toolCommand(cmd::CopyObjects, "复制对象", "复制选中的对象，用鼠标放到新的位置", choose(ToolKind::Copy))
        .theme("edit-copy").picture("copy-objects").withKeys("Ctrl+C", "Ctrl+Ins").onBar(B::Standard, 290),
    plain(toolCommand(cmd::Cut, "剪切", "剪切选中的对象", choose(ToolKind::Cut)))
        .theme("edit-cut").withKeys("Ctrl+X", "Shift+Del"),
    toolCommand(cmd::DeleteTool, "对象删除", "用鼠标点取要删除的对象", choose(ToolKind::Delete))
        .picture("delete").inMenu(M::EditClean, 10),
    controllerCommand(cmd::ClearAll, "全部清除", "清除全部对象", ec::clearAll)
        .picture("clear-all").changesDocument().inMenu(M::EditClean, 20, "全部删除").onBar(B::Standard, 150),
    controllerCommand(cmd::EmptyDiscardBox, "清理废弃箱", "清空废弃箱中可恢复的对象", ec::emptyDiscardBox)
        .theme("user-trash").changesDocument().inMenu(M::EditClean, 30),
    toolCommand(cmd::MoveDimension, "移动标注", "用鼠标拖动管段的尺寸标注", toggle(ToolKind::MoveDimension))
        .picture("move-dimension").inMenu(M::EditMove, 10).onBar(B::Standard, 320),
    toolCommand(cmd::MoveDrawing, "整图移动", "用鼠标拖动整张图形", choose(ToolKind::MoveDrawing))
        .picture("move-drawing").inMenu(M::EditMove, 20, "移动全部").onBar(B::Standard, 330),
    toolCommand(cmd::MoveObjects, "移动对象", "用鼠标拖动选中的对象", choose(ToolKind::Move))
        .picture("move-objects").inMenu(M::EditMove, 30).onBar(B::Standard, 300),
    toolCommand(cmd::Select, "选取对象", "用鼠标点取或框选对象", toggle(ToolKind::Select))
        .picture("select").inMenu(M::Edit, 50, "选择对象").separatedInMenu().onBar(B::Standard, 270, true),
    plain(toolCommand(cmd::DeleteSelection, "删除对象(Del)", "删除选中的对象，放入废弃箱",
                      {{ToolKind::Delete, 0}, false, true}))
        .picture("delete").withKeys("Del").changesDocument().onBar(B::Standard, 280),
    toolCommand(cmd::Properties, "修改属性", "用鼠标点取对象，修改它的属性", choose(ToolKind::Properties))
        .theme("document-properties").picture("properties").inMenu(M::Edit, 60).onBar(B::Standard, 310),

    // --- view ---
    barSwitch(cmd::ToolBar, "工具栏", "显示或隐藏工具栏").inMenu(M::View, 10).alsoWithoutDrawing(),
    windowCommand(cmd::StatusBar, "状态栏", "显示或隐藏状态栏", &Sh::toggleStatusBar)
        .anytime().checkedWhen(&Sh::statusBarShown).inMenu(M::View, 20).alsoWithoutDrawing(),
    barSwitch(cmd::ValveBar, "阀门栏", "显示或隐藏阀门工具栏").inMenu(M::View, 30),
    barSwitch(cmd::AccessoryBar, "附件栏", "显示或隐藏附件工具栏").inMenu(M::View, 40),
    barSwitch(cmd::FittingBar, "管配件栏", "显示或隐藏管配件工具栏").inMenu(M::View, 50),
    barSwitch(cmd::QuickBar, "快速设置栏", "显示或隐藏快速设置工具栏").inMenu(M::View, 60),
    documentCommand(cmd::Refresh, "刷新", "重新绘制当前视图", ec::refresh)
        .theme("view-refresh").picture("refresh").enabledWhen(ec::hasPort).onBar(B::Standard, 70),
    documentCommand(cmd::ZoomIn, "放大", "放大图形显示", ec::zoomIn)
        .theme("zoom-in").picture("zoom-in").enabledWhen(ec::hasPort).changesViewOnly()
        .inMenu(M::View, 70).separatedInMenu().onBar(B::Standard, 80, true),
    documentCommand(cmd::ZoomOut, "缩小", "缩小图形显示", ec::zoomOut)
        .theme("zoom-out").picture("zoom-out").enabledWhen(ec::hasPort).changesViewOnly().inMenu(M::View, 80).onBar(B::Standard, 90),
    toolCommand(cmd::Pan, "图纸平移", "用鼠标拖动图纸", choose(ToolKind::Pan))
        .picture("pan").inMenu(M::View, 90, "平移").onBar(B::Standard, 110),
    documentCommand(cmd::Fit, "满屏", "按窗口大小显示全部管线", ec::fit)
        .theme("zoom-fit-best").picture("fit").enabledWhen(ec::hasPort).changesViewOnly().inMenu(M::View, 100).onBar(B::Standard, 100),
    documentCommand(cmd::FrameSwitch, "图框显示", "显示或隐藏图纸框、标题框和管道特性表", ec::frameSwitch)
        .picture("frame-switch").enabledWhen(ec::hasPort).checkedWhen(ec::frameShown)
        .inMenu(M::View, 110, "图纸框开关").separatedInMenu().onBar(B::Standard, 170),
    windowCommand(cmd::View3D, "三维视图", "在图形旁打开管线的三维视图和前后一致性检查", &Sh::view3D)
        .inMenu(M::View, 120).separatedInMenu(),
    windowCommand(cmd::Materials, "材料表", "显示本图的材料表：管长、弯头、三通、阀门、管件、支架、焊缝", &Sh::materials)
        .inMenu(M::View, 130),
    documentCommand(cmd::PageSetup, "设置页面", "设置图纸大小和坐标标注", ac::pageSetup)
        .picture("page-setup").changesDocument().onBar(B::Standard, 160),

    // --- settings ---
    documentCommand(cmd::Colours, "颜色", "设置背景、管线、阀门、管件和标注的颜色", ac::colours)
        .theme("color-select").picture("colour").changesDocument().inMenu(M::Settings, 10).onBar(B::Standard, 180),
    documentCommand(cmd::LineWidths, "线宽", "设置管线、标注线、阀门和焊缝的线宽", ac::lineWidths)
        .picture("line-width").changesDocument().inMenu(M::Settings, 30).onBar(B::Standard, 190),
    documentCommand(cmd::LineStyles, "线形", "设置管线、标注线和阀门的线形", ac::lineStyles)
        .picture("line-style").changesDocument().inMenu(M::Settings, 50, "线型").onBar(B::Standard, 200),
    documentCommand(cmd::DimensionText, "设置标注", "设置标注文字的高低和大小", ac::dimensionText)
        .picture("dimension-text").changesDocument().inMenu(M::Settings, 40, "标注文字").onBar(B::Standard, 210),
    documentCommand(cmd::Layers, "图层", "打开或关闭各个图层", ac::layers)
        .picture("layers").changesDocument().inMenu(M::Settings, 20).onBar(B::Standard, 220),
    documentCommand(cmd::Snap, "捕捉", "设置捕捉方式、捕捉距离和标记大小", ac::snap)
        .picture("snap").enabledWhen(ec::hasController).inMenu(M::Settings, 60).onBar(B::Standard, 230),
    documentCommand(cmd::CharacteristicTable, "特性表", "填写管道特性表", ac::characteristicTable)
        .picture("table").changesDocument().inMenu(M::Settings, 70, "设置特性表").separatedInMenu()
        .onBar(B::Standard, 240),
    documentCommand(cmd::TitleBlock, "标题框", "填写图纸标题框", ac::titleBlock)
        .picture("title-block").changesDocument().inMenu(M::Settings, 80, "设置标题框").onBar(B::Standard, 250),
    documentCommand(cmd::ElbowTee, "设置弯头、三通", "设置弯头半径、三通长度和阀门管件的大小", ac::elbowTee)
        .picture("elbow-tee").changesDocument().inMenu(M::Settings, 90, "杂项").separatedInMenu()
        .onBar(B::Standard, 260),
    windowCommand(cmd::RecoverySettings, "自动保存", "设置恢复副本的保存间隔：程序意外退出后可以恢复未保存的图形",
                  &Sh::recoverySettings)
        .theme("document-save").inMenu(M::Settings, 100, "自动保存…").separatedInMenu(),

    // --- reports ---
    documentCommand(cmd::FullReport, "全面检验报告", "点击设置全面检验报告", ac::fullReport)
        .picture("full-report").enabledWhen(ac::hasReport).changesDocument().onBar(B::Standard, 340, true),
    documentCommand(cmd::OnlineReport, "在线检验报告", "点击设置在线检验报告", ac::onlineReport)
        .picture("online-report").enabledWhen(ac::hasReport).changesDocument().onBar(B::Standard, 350),
    documentCommand(cmd::ShowReport, "显示当前报告", "点击打开全面检验报告视图", ac::toggleReportMode)
        .picture("show-report").checkedWhen(ac::reportShown).onBar(B::Standard, 360),

    // --- pipes and the tools without a symbol ---
    toolCommand(cmd::MainPipe, "主线管段", "画主线管段", choose(ToolKind::MainPipe))
        .picture("main-pipe").inMenu(M::AddPipes, 10, "主线管").onBar(B::Fittings, 10),
    toolCommand(cmd::BranchPipe, "支线管段", "画支线管段", choose(ToolKind::BranchPipe))
        .picture("branch-pipe").inMenu(M::AddPipes, 20, "支线管").onBar(B::Fittings, 20),
    controllerCommand(cmd::PlaneSlant, "平面斜管", "画平面内的斜管", ec::planeSlant)
        .picture("plane-slant").checkedWhen(ec::planeSlantOn)
        .inMenu(M::Add, 40, "平斜管").separatedInMenu().onBar(B::Fittings, 30),
    controllerCommand(cmd::SpaceSlant, "空间斜管", "画空间斜管", ec::spaceSlant)
        .picture("space-slant").inMenu(M::Add, 50).onBar(B::Fittings, 40),
    controllerCommand(cmd::ClosedPipe, "封闭管", "画两端都接在已有对象上的封闭管段", ec::closedPipe)
        .picture("closed-pipe").checkedWhen(ec::closedPipeOn).inMenu(M::Add, 60).onBar(B::Fittings, 50),
    toolCommand(cmd::CutLine, "截断线", "在管段上画截断线", choose(ToolKind::CutLine))
        .picture("cut-line").inMenu(M::Add, 70).separatedInMenu().onBar(B::Fittings, 60),
    toolCommand(cmd::Weld, "焊缝", "在管段上加焊缝", choose(ToolKind::Weld))
        .picture("weld").inMenu(M::AddFittings, 100).onBar(B::Fittings, 70),
    toolCommand(cmd::Elbow, "弯头", "在两管段的拐角处加弯头", choose(ToolKind::Elbow))
        .picture("elbow").inMenu(M::AddFittings, 80).onBar(B::Fittings, 90),
    toolCommand(cmd::Tee, "三通", "在支管与主管的连接处加三通", choose(ToolKind::Tee))
        .picture("tee").inMenu(M::AddFittings, 110).onBar(B::Fittings, 110),
    toolCommand(cmd::TextBlock, "文字块", "在图中写一段文字", toggle(ToolKind::TextBlock))
        .picture("text-block").onBar(B::Fittings, 160),

    // --- fittings ---
    toolCommand(cmd::Flange, "法兰", "在管段上加法兰", component(S::Flange, false))
        .symbol(symbol(S::Flange)).inMenu(M::AddFittings, 10).onBar(B::Fittings, 80),
    toolCommand(cmd::Elbow45, "45°弯头", "在管段上加45°弯头", component(S::Elbow45, true))
        .symbol(symbol(S::Elbow45)).inMenu(M::AddFittings, 90).onBar(B::Fittings, 100),
    toolCommand(cmd::PipeCap, "管帽", "在管段端部加管帽", component(S::PipeCap, true))
        .symbol(symbol(S::PipeCap)).inMenu(M::AddFittings, 120).onBar(B::Fittings, 120),
    toolCommand(cmd::Plug, "堵头", "在管段端部加堵头", component(S::Plug, true))
        .symbol(symbol(S::Plug)).inMenu(M::AddFittings, 130).onBar(B::Fittings, 130),
    toolCommand(cmd::ReducerLargeSmall, "大小头", "在管段上加大小头", component(S::ReducerLargeSmall, false))
        .symbol(symbol(S::ReducerLargeSmall)).inMenu(M::AddFittings, 60).onBar(B::Fittings, 140),
    toolCommand(cmd::ReducerSmallLarge, "小大头", "在管段上加小大头", component(S::ReducerSmallLarge, false))
        .symbol(symbol(S::ReducerSmallLarge)).inMenu(M::AddFittings, 70).onBar(B::Fittings, 150),
    toolCommand(cmd::SightGlass, "视镜", "在管段上加视镜", component(S::SightGlass, false))
        .symbol(symbol(S::SightGlass)).inMenu(M::AddFittings, 20).onBar(B::Fittings, 170),
    toolCommand(cmd::FlowMeter, "流量计", "在管段上加流量计", component(S::FlowMeter, false))
        .symbol(symbol(S::FlowMeter)).inMenu(M::AddFittings, 30).onBar(B::Fittings, 180),
    toolCommand(cmd::Thermometer, "温度计", "在管段上加温度计", component(S::Thermometer, false))
        .symbol(symbol(S::Thermometer)).inMenu(M::AddFittings, 50).onBar(B::Fittings, 190),
    toolCommand(cmd::PressureGauge, "压力表", "在管段上加压力表", component(S::PressureGauge, false))
        .symbol(symbol(S::PressureGauge)).inMenu(M::AddFittings, 40).onBar(B::Fittings, 200),
    toolCommand(cmd::BellowsJoint, "波形补偿器", "在管段上加波形补偿器", component(S::BellowsJoint, true))
        .symbol(symbol(S::BellowsJoint)).inMenu(M::AddFittings, 140).onBar(B::Fittings, 210),
    toolCommand(cmd::BallJoint, "球形补偿器", "在管段上加球形补偿器", component(S::BallJoint, true))
        .symbol(symbol(S::BallJoint)).inMenu(M::AddFittings, 150).onBar(B::Fittings, 220),
    toolCommand(cmd::BlindPlate, "盲板", "在管段上加盲板", component(S::BlindPlate, true))
        .symbol(symbol(S::BlindPlate)).inMenu(M::AddFittings, 160).onBar(B::Fittings, 230),
    toolCommand(cmd::SpectacleBlind, "8字盲板", "在管段上加8字盲板", component(S::SpectacleBlind, true))
        .symbol(symbol(S::SpectacleBlind)).inMenu(M::AddFittings, 170).onBar(B::Fittings, 240),
    toolCommand(cmd::FlameArrester, "阻火器", "在管段上加阻火器", component(S::FlameArrester, true))
        .symbol(symbol(S::FlameArrester)).inMenu(M::AddFittings, 180).onBar(B::Fittings, 250),
    toolCommand(cmd::Filter, "过滤器", "在管段上加过滤器", component(S::Filter, true))
        .symbol(symbol(S::Filter)).inMenu(M::AddFittings, 190).onBar(B::Fittings, 260),

    // --- valves ---
    toolCommand(cmd::GateValve, "闸阀", "在管段上加闸阀", component(S::GateValve, false))
        .symbol(symbol(S::GateValve)).onBar(B::Valves, 10),
    toolCommand(cmd::GlobeValve, "截止阀", "在管段上加截止阀", component(S::GlobeValve, false))
        .symbol(symbol(S::GlobeValve)).onBar(B::Valves, 20),
    toolCommand(cmd::PlugValve, "旋塞阀", "在管段上加旋塞阀", component(S::PlugValve, false))
        .symbol(symbol(S::PlugValve)).onBar(B::Valves, 30),
    toolCommand(cmd::DiaphragmValve, "隔膜阀", "在管段上加隔膜阀", component(S::DiaphragmValve, false))
        .symbol(symbol(S::DiaphragmValve)).onBar(B::Valves, 40),
    toolCommand(cmd::ButterflyValve, "蝶阀", "在管段上加蝶阀", component(S::ButterflyValve, false))
        .symbol(symbol(S::ButterflyValve)).onBar(B::Valves, 50),
    toolCommand(cmd::BallValve, "球阀", "在管段上加球阀", component(S::BallValve, false))
        .symbol(symbol(S::BallValve)).onBar(B::Valves, 60),
    toolCommand(cmd::ThrottleValve, "节流阀", "在管段上加节流阀", component(S::ThrottleValve, false))
        .symbol(symbol(S::ThrottleValve)).onBar(B::Valves, 70),
    toolCommand(cmd::YValve, "Y形阀", "在管段上加Y形阀", component(S::YValve, false))
        .symbol(symbol(S::YValve)).onBar(B::Valves, 80),
    toolCommand(cmd::CheckValve, "止逆阀", "在管段上加止逆阀", component(S::CheckValve, false))
        .symbol(symbol(S::CheckValve)).onBar(B::Valves, 90),
    toolCommand(cmd::NeedleValve, "针型阀", "在管段上加针型阀", component(S::NeedleValve, false))
        .symbol(symbol(S::NeedleValve)).onBar(B::Valves, 100),
    toolCommand(cmd::PneumaticValve, "气动阀", "在管段上加气动阀", component(S::PneumaticValve, false))
        .symbol(symbol(S::PneumaticValve)).onBar(B::Valves, 110),
    toolCommand(cmd::SafetyValve, "安全阀", "在管段上加安全阀", component(S::SafetyValve, false))
        .symbol(symbol(S::SafetyValve)).onBar(B::Valves, 120),
    toolCommand(cmd::AngleValve, "角阀", "在两管段的拐角处加角阀",
                {{ToolKind::AngleValve, symbol(S::AngleValve)}, true, false})
        .symbol(symbol(S::AngleValve)).inMenu(M::AddValves, 30).onBar(B::Valves, 130),
    // The valve menu's gate and globe valve: shown, never available (the valve bar places them).
    neverAvailable(cmd::GateValveMenu, "闸阀", "请用阀门栏加闸阀")
        .symbol(symbol(S::GateValve)).inMenu(M::AddValves, 10),
    neverAvailable(cmd::GlobeValveMenu, "截止阀", "请用阀门栏加截止阀")
        .symbol(symbol(S::GlobeValve)).inMenu(M::AddValves, 20),

    // --- accessories and site marks ---
    toolCommand(cmd::RigidSupport, "刚性支架", "在管段上加刚性支架", component(S::RigidSupport, true))
        .symbol(symbol(S::RigidSupport)).onBar(B::Accessories, 10),
    toolCommand(cmd::SpringSupport, "弹性支架", "在管段上加弹性支架", component(S::SpringSupport, true))
        .symbol(symbol(S::SpringSupport)).onBar(B::Accessories, 20),
    toolCommand(cmd::FixedSupport, "固定支架", "在管段上加固定支架", component(S::FixedSupport, true))
        .symbol(symbol(S::FixedSupport)).onBar(B::Accessories, 30),
    toolCommand(cmd::SlidingSupport, "滑动支架", "在管段上加滑动支架", component(S::SlidingSupport, true))
        .symbol(symbol(S::SlidingSupport)).onBar(B::Accessories, 40),
    toolCommand(cmd::Column, "立柱", "在管段上加立柱", component(S::Column, true))
        .symbol(symbol(S::Column)).onBar(B::Accessories, 50),
    toolCommand(cmd::Vessel, "容器、装置", "在管段端部画容器或装置", component(S::Vessel, true))
        .symbol(symbol(S::Vessel)).onBar(B::Accessories, 60, true),
    toolCommand(cmd::IntoWall, "管段入墙", "标出管段穿墙的位置", component(S::IntoWall, true))
        .symbol(symbol(S::IntoWall)).onBar(B::Accessories, 70),
    toolCommand(cmd::IntoGround, "管段入地", "标出管段入地的位置", component(S::IntoGround, true))
        .symbol(symbol(S::IntoGround)).onBar(B::Accessories, 80),
    toolCommand(cmd::AcrossRiver, "管段过江河", "标出管段跨越江河的位置", component(S::AcrossRiver, true))
        .symbol(symbol(S::AcrossRiver)).onBar(B::Accessories, 90, true),
    toolCommand(cmd::RoadCrossing, "公路", "标出管段跨越公路的位置", component(S::RoadCrossing, true))
        .symbol(symbol(S::RoadCrossing)).onBar(B::Accessories, 100),
    toolCommand(cmd::RailwayCrossing, "铁路", "标出管段跨越铁路的位置", component(S::RailwayCrossing, true))
        .symbol(symbol(S::RailwayCrossing)).onBar(B::Accessories, 110),

    // --- quick settings: switches of the editing tools ---
    controllerCommand(cmd::AutoElevation, "开/关自动标注标高(b)", "标高改变时自动标注标高，按B键开或关", ec::autoElevation)
        .picture("key-b").withKeys("B").checkedWhen(ec::autoElevationOn).onBar(B::QuickSettings, 10),
    controllerCommand(cmd::AutoWeld, "开/关自动添加焊缝(t)", "画管段时自动添加焊缝，按T键开或关", ec::autoWeld)
        .picture("key-t").withKeys("T").checkedWhen(ec::autoWeldOn).onBar(B::QuickSettings, 20),
    controllerCommand(cmd::SnapEnd, "捕捉端点(d)", "捕捉对象的端点，按D键开或关", ec::snapEnd)
        .picture("key-d").withKeys("D").checkedWhen(ec::snapEndOn).onBar(B::QuickSettings, 30),
    controllerCommand(cmd::SnapMid, "捕捉中点(z)", "捕捉对象的中点，按Z键开或关", ec::snapMid)
        .picture("key-z").withKeys("Z").checkedWhen(ec::snapMidOn).onBar(B::QuickSettings, 40),
    controllerCommand(cmd::SnapAny, "捕捉任意位置(r)", "捕捉管段上的任意位置，按R键开或关", ec::snapAny)
        .picture("key-r").withKeys("R").checkedWhen(ec::snapAnyOn).onBar(B::QuickSettings, 50),
    controllerCommand(cmd::SnapWeld, "开/关焊缝捕捉(h)", "只捕捉焊缝，按H键开或关", ec::snapWeld)
        .picture("key-h").withKeys("H").checkedWhen(ec::snapWeldOn).onBar(B::QuickSettings, 60),

    // --- windows ---
    windowCommand(cmd::NewWindow, "新建窗口", "为当前图形再打开一个窗口", &Sh::openAnotherWindow)
        .theme("window-new").inMenu(M::Window, 10),
    windowCommand(cmd::Cascade, "层叠", "层叠排列窗口", &Sh::cascade).inMenu(M::Window, 20),
    windowCommand(cmd::Tile, "平铺", "平铺排列窗口", &Sh::tile).inMenu(M::Window, 30),
    windowCommand(cmd::ArrangeIcons, "排列图标", "排列最小化窗口的图标", &Sh::arrangeIcons).inMenu(M::Window, 40),
    windowCommand(cmd::NextPane, "下一窗格", "切换到下一个窗口", &Sh::nextPane)
        .anytime().enabledWhen(&Sh::severalWindows).withKeys("F6"),
    windowCommand(cmd::PrevPane, "前一窗格", "切换到前一个窗口", &Sh::previousPane)
        .anytime().enabledWhen(&Sh::severalWindows).withKeys("Shift+F6"),

    // --- help ---
    windowCommand(cmd::Help, "使用帮助", "打开使用帮助", &Sh::help)
        .theme("help-contents").anytime().inMenu(M::Help, 10),
    windowCommand(cmd::HelpKey, "帮助", "打开使用帮助", &Sh::help).theme("help-contents").anytime().withKeys("F1"),
    windowCommand(cmd::About, "关于", "显示程序信息", &Sh::about)
        .theme("help-about").anytime().inMenu(M::Help, 20, "关于 Tubra").separatedInMenu().alsoWithoutDrawing()
        .onBar(B::Standard, 60),
};
// clang-format on

// The submenus and the menus of the bar.
struct MenuDef {
    MenuId id;
    std::string_view title;
    MenuId parent;  // None: the menu bar
    int position;
    bool separated;
};
constexpr MenuDef kMenus[] = {
    {M::File, "文件(&F)", M::None, 10, false},
    {M::Edit, "编辑(&E)", M::None, 20, false},
    {M::View, "查看(&V)", M::None, 30, false},
    {M::Settings, "设置", M::None, 40, false},
    {M::Add, "添加(&T)", M::None, 50, false},
    {M::Window, "窗口(&W)", M::None, 60, false},
    {M::Help, "帮助(&H)", M::None, 70, false},
    {M::FileExport, "导出", M::File, 60, false},
    {M::EditClean, "清理", M::Edit, 30, true},
    {M::EditMove, "移动", M::Edit, 40, false},
    {M::AddPipes, "管道(&G)", M::Add, 10, false},
    {M::AddValves, "阀门(&A)", M::Add, 20, false},
    {M::AddFittings, "管件(P)", M::Add, 30, false},
};

// Where the window fills in the recent files and the open windows.
struct MenuSlot {
    MenuEntry::Kind kind;
    MenuPlace place;
};
constexpr MenuSlot kSlots[] = {
    {MenuEntry::Kind::RecentFiles, {M::File, 130, true, true}},
    {MenuEntry::Kind::WindowList, {M::Window, 50, true, false}},
};

constexpr BarInfo kBars[] = {
    {B::Standard, "StandardBar", 128, "", DockSide::Top, cmd::ToolBar},
    {B::Fittings, "FittingBar", 135, "管件", DockSide::Left, cmd::FittingBar},
    {B::Valves, "ValveBar", 142, "阀门", DockSide::Right, cmd::ValveBar},
    {B::Accessories, "AccessoryBar", 2943, "附件", DockSide::Right, cmd::AccessoryBar},
    {B::QuickSettings, "QuickBar", 3016, "快速设置", DockSide::Top, cmd::QuickBar},
};

// --- what the compiler checks of the definitions ---

constexpr bool idsUnique() {
    for (std::size_t i = 0; i < std::size(kActions); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (kActions[i].id == kActions[j].id) return false;
    return true;
}
static_assert(idsUnique(), "each command is defined once");

constexpr bool placesUnique() {
    for (std::size_t i = 0; i < std::size(kActions); ++i) {
        const Action& a = kActions[i];
        for (std::size_t j = 0; j < i; ++j) {
            const Action& b = kActions[j];
            if (a.menu.menu != M::None && a.menu.menu == b.menu.menu && a.menu.position == b.menu.position)
                return false;
            if (a.bar.bar != B::None && a.bar.bar == b.bar.bar && a.bar.position == b.bar.position) return false;
        }
        for (const MenuDef& m : kMenus)
            if (a.menu.menu != M::None && m.parent == a.menu.menu && m.position == a.menu.position) return false;
        for (const MenuSlot& s : kSlots)
            if (a.menu.menu != M::None && s.place.menu == a.menu.menu && s.place.position == a.menu.position)
                return false;
    }
    return true;
}
static_assert(placesUnique(), "two entries share a place in a menu or on a bar");

constexpr bool handlersComplete() {
    for (const Action& a : kActions) {
        if (a.name.empty() || a.prompt.empty()) return false;
        switch (a.handler.kind) {
            case H::Never: break;
            case H::Window:
                if (!a.handler.window) return false;
                break;
            case H::Bar: {
                bool found = false;
                for (const BarInfo& b : kBars) found = found || b.visibilityCommand == a.id;
                if (!found) return false;
                break;
            }
            case H::Document:
                if (!a.handler.run) return false;
                break;
            case H::Tool:
                break;
        }
        // The player runs exactly what the registry carries out, so a session holds exactly
        // those commands (and saving).
        if ((a.recorded == Recorded::Command) != a.registered()) return false;
        if (a.recorded == Recorded::Save && a.handler.kind != H::Window) return false;
    }
    return true;
}
// GCC cannot compare the address of a function defined elsewhere with null in a constant
// expression when AddressSanitizer instruments the build; the plain build checks it.
#if !defined(__SANITIZE_ADDRESS__)
static_assert(handlersComplete(), "every command named, prompted and carried out by someone; recorded "
                                  "exactly when the registry carries it out");
#endif

void buildEntries(MenuId menu, bool withDrawing, std::vector<MenuEntry>& out);

// The entries of `menu` in order of position, separators where one comes before an entry
// (or before an entry left out of the menus without a drawing).
struct Placed {
    int position;
    bool separated;
    MenuEntry entry;
};

bool placedIn(const MenuPlace& p, MenuId menu, bool withDrawing) {
    return p.menu == menu && (withDrawing || p.withoutDrawing);
}

void buildEntries(MenuId menu, bool withDrawing, std::vector<MenuEntry>& out) {
    std::vector<Placed> all;
    std::vector<int> separatorsAt;  // positions of separated entries, also those left out
    for (const Action& a : kActions) {
        if (a.menu.menu != menu) continue;
        if (a.menu.separated) separatorsAt.push_back(a.menu.position);
        if (placedIn(a.menu, menu, withDrawing))
            all.push_back({a.menu.position, a.menu.separated, {MenuEntry::Kind::Command, a.id, a.text(), {}}});
    }
    for (const MenuSlot& s : kSlots) {
        if (s.place.menu != menu) continue;
        if (s.place.separated) separatorsAt.push_back(s.place.position);
        if (placedIn(s.place, menu, withDrawing)) all.push_back({s.place.position, s.place.separated, {s.kind, 0, {}, {}}});
    }
    for (const MenuDef& m : kMenus) {
        if (m.parent != menu || menu == M::None) continue;
        if (m.separated) separatorsAt.push_back(m.position);
        MenuEntry sub{MenuEntry::Kind::Submenu, 0, m.title, {}};
        buildEntries(m.id, withDrawing, sub.children);
        if (!sub.children.empty()) all.push_back({m.position, m.separated, std::move(sub)});
    }
    std::sort(all.begin(), all.end(), [](const Placed& a, const Placed& b) { return a.position < b.position; });
    int previous = -1;
    for (Placed& p : all) {
        const bool separated = std::any_of(separatorsAt.begin(), separatorsAt.end(),
                                           [&](int at) { return at > previous && at <= p.position; });
        if (separated && !out.empty()) out.push_back({MenuEntry::Kind::Separator, 0, {}, {}});
        previous = p.position;
        out.push_back(std::move(p.entry));
    }
}

std::vector<MenuInfo> buildMenus(bool withDrawing) {
    std::vector<const MenuDef*> top;
    for (const MenuDef& m : kMenus)
        if (m.parent == M::None) top.push_back(&m);
    std::sort(top.begin(), top.end(), [](const MenuDef* a, const MenuDef* b) { return a->position < b->position; });
    std::vector<MenuInfo> menus;
    for (const MenuDef* m : top) {
        MenuInfo info{m->title, {}};
        buildEntries(m->id, withDrawing, info.entries);
        if (!info.entries.empty()) menus.push_back(std::move(info));
    }
    return menus;
}

}  // namespace

std::span<const Action> allActions() { return kActions; }

const Action* findAction(int id) {
    const auto it = std::find_if(std::begin(kActions), std::end(kActions), [id](const Action& a) { return a.id == id; });
    return it == std::end(kActions) ? nullptr : &*it;
}

std::string recordedLine(const Action& action) {
    switch (action.recorded) {
        case Recorded::No: return {};
        case Recorded::Command: return "command " + std::to_string(action.id);
        case Recorded::Save: return "save";
    }
    return {};
}

namespace {

// The name of a tool's command, for the undo history.
std::string nameOfTool(const Tool& tool) {
    for (const Action& a : kActions)
        if (a.handler.kind == H::Tool && a.handler.tool.tool == tool) return std::string(a.name);
    for (const Action& a : kActions)
        if (a.handler.kind == H::Tool && a.handler.tool.tool.kind == tool.kind) return std::string(a.name);
    return {};
}

}  // namespace

void installCommands(edit::CommandRegistry& registry) {
    edit::setToolNamer(nameOfTool);
    for (const Action& a : kActions) {
        const Handler& h = a.handler;
        edit::CommandEntry entry;
        switch (h.kind) {
            case H::Never:
            case H::Window:
            case H::Bar: continue;
            case H::Document:
                entry.run = h.run;
                // What it changes is one edit of the history (the controller's own commands
                // have committed already, and find nothing left to commit).
                if (a.undoable)
                    entry.run = [run = h.run, name = a.text()](edit::CommandContext& c) {
                        run(c);
                        ec::commitCommand(c, name);
                    };
                if (h.enabled) entry.enabled = h.enabled;
                if (h.checked) entry.checked = h.checked;
                break;
            case H::Tool: {
                const ToolCommand tool = h.tool;
                entry.run = [tool](edit::CommandContext& c) { ec::choose(c, tool); };
                entry.enabled = ec::hasController;
                entry.checked = [tool](const edit::CommandContext& c) { return ec::chosen(c, tool); };
                break;
            }
        }
        entry.viewOnly = a.viewOnly;
        registry.add(a.id, std::move(entry));
    }
}

const edit::CommandRegistry& commandRegistry() {
    static const edit::CommandRegistry registry = [] {
        edit::CommandRegistry r;
        installCommands(r);
        return r;
    }();
    return registry;
}

std::vector<edit::KeyBinding> keyBindings() {
    std::vector<edit::KeyBinding> out;
    for (const Action& a : kActions)
        for (std::string_view k : a.keys)
            if (!k.empty()) out.push_back({std::string(k), a.id});
    return out;
}

std::span<const BarInfo> allBars() { return kBars; }

std::vector<int> barButtons(BarId bar) {
    std::vector<const Action*> on;
    for (const Action& a : kActions)
        if (a.bar.bar == bar) on.push_back(&a);
    std::sort(on.begin(), on.end(), [](const Action* a, const Action* b) { return a->bar.position < b->bar.position; });
    std::vector<int> out;
    for (const Action* a : on) {
        if (a->bar.separated && !out.empty()) out.push_back(0);
        out.push_back(a->id);
    }
    return out;
}

const std::vector<MenuInfo>& noDocumentMenus() {
    static const std::vector<MenuInfo> menus = buildMenus(false);
    return menus;
}

const std::vector<MenuInfo>& documentMenus() {
    static const std::vector<MenuInfo> menus = buildMenus(true);
    return menus;
}

}  // namespace tubra::app
