#include "tubra/app/Commands.h"

#include <algorithm>
#include <array>

namespace tubra::app {

namespace {

using H = Handler;
using G = Glyph;

constexpr IconRef theme(std::string_view name, Glyph fallback = G::None) {
    return {name, 0, fallback};
}
constexpr IconRef symbol(int code) { return {{}, code, G::None}; }
constexpr IconRef glyph(Glyph g) { return {{}, 0, g}; }

// id, tool tip, status-bar prompt, icon, handler, checkable, needs a drawing
constexpr CommandInfo kCommands[] = {
    // file
    {cmd::New, "新建", "建立一张新的管道单线图", theme("document-new"), H::Shell, false, false},
    {cmd::Open, "打开", "打开一个已有的图形文件(*.hcd)", theme("document-open"), H::Shell, false,
     false},
    {cmd::Close, "关闭", "关闭当前图形文件", theme("window-close"), H::Shell},
    {cmd::Save, "保存", "保存当前图形文件", theme("document-save"), H::Shell},
    {cmd::SaveAs, "另存为", "用新的文件名保存当前图形文件", theme("document-save-as"), H::Shell},
    {cmd::Print, "打印", "打印当前的图形或报告", theme("document-print"), H::Shell},
    {cmd::BatchPrint, "批量打印", "成批打印图形文件", theme("document-print"), H::Never},
    {cmd::PrintPreview, "打印预览", "按打印时的样子显示整页", theme("document-print-preview"),
     H::Shell},
    {cmd::PrintSetup, "打印设置", "选择打印机、纸张和打印方向", theme("document-page-setup"),
     H::Shell, false, false},
    {cmd::Exit, "退出", "退出程序，并提示保存修改过的图形", theme("application-exit"), H::Shell,
     false, false},
    {cmd::RecordSession, "录制操作…", "把以后的操作录制成会话脚本，以便重现", theme("media-record"),
     H::Shell},
    {cmd::StopRecording, "停止录制", "结束会话脚本的录制", theme("media-playback-stop"), H::Shell},
    // edit
    {cmd::Undo, "撤消", "撤消最后画上的对象", theme("edit-undo"), H::Pending},
    {cmd::UndoObject, "撤消", "撤消最后画上的对象，放入废弃箱", theme("edit-undo"), H::Pending},
    {cmd::Restore, "恢复", "从废弃箱中恢复最后撤消或删除的对象", theme("edit-redo", G::Restore),
     H::Pending},
    {cmd::Paste, "粘贴", "粘贴剪贴板中的对象", theme("edit-paste"), H::Pending},
    {cmd::Copy, "复制对象", "复制选中的对象，用鼠标放到新的位置", theme("edit-copy",
     G::CopyObjects), H::Pending, true},
    {cmd::Cut, "剪切", "剪切选中的对象", theme("edit-cut"), H::Pending},
    {2745, "对象删除", "用鼠标点取要删除的对象", glyph(G::Delete), H::Pending, true},
    {cmd::ClearAll, "全部清除", "清除全部对象", glyph(G::ClearAll), H::Shell},
    {2992, "清理废弃箱", "清空废弃箱中可恢复的对象", theme("user-trash"), H::Pending},
    {2746, "移动标注", "用鼠标拖动管段的尺寸标注", glyph(G::MoveDimension), H::Pending, true},
    {402, "整图移动", "用鼠标拖动整张图形", glyph(G::MoveDrawing), H::Pending, true},
    {2743, "移动对象", "用鼠标拖动选中的对象", glyph(G::MoveObjects), H::Pending, true},
    {470, "选取对象", "用鼠标点取或框选对象", glyph(G::Select), H::Pending, true},
    {cmd::DeleteSelection, "删除对象(Del)", "删除选中的对象，放入废弃箱", glyph(G::Delete),
     H::Pending},
    {2744, "修改属性", "用鼠标点取对象，修改它的属性", theme("document-properties",
     G::Properties), H::Pending, true},
    // view
    {cmd::ToolBar, "工具栏", "显示或隐藏工具栏", {}, H::Shell, true, false},
    {cmd::StatusBar, "状态栏", "显示或隐藏状态栏", {}, H::Shell, true, false},
    {cmd::ValveBar, "阀门栏", "显示或隐藏阀门工具栏", {}, H::Shell, true, false},
    {cmd::AccessoryBar, "附件栏", "显示或隐藏附件工具栏", {}, H::Shell, true, false},
    {cmd::FittingBar, "管配件栏", "显示或隐藏管配件工具栏", {}, H::Shell, true, false},
    {cmd::QuickBar, "快速设置栏", "显示或隐藏快速设置工具栏", {}, H::Shell, true, false},
    {cmd::Refresh, "刷新", "重新绘制当前视图", theme("view-refresh", G::Refresh), H::Shell},
    {cmd::ZoomIn, "放大", "放大图形显示", theme("zoom-in", G::ZoomIn), H::Shell},
    {cmd::ZoomOut, "缩小", "缩小图形显示", theme("zoom-out", G::ZoomOut), H::Shell},
    {cmd::Fit, "满屏", "按窗口大小显示全部管线", theme("zoom-fit-best", G::Fit), H::Shell},
    {cmd::Pan, "图纸平移", "用鼠标拖动图纸", glyph(G::Pan), H::Pending, true},
    {cmd::FrameSwitch, "图框显示", "显示或隐藏图纸框、标题框和管道特性表", glyph(G::FrameSwitch),
     H::Shell, true},
    {cmd::PageSetup, "设置页面", "设置图纸大小和坐标标注", glyph(G::PageSetup), H::Shell},
    // settings
    {2707, "颜色", "设置背景、管线、阀门、管件和标注的颜色", theme("color-select",
     G::Colour), H::Pending},
    {2725, "线宽", "设置管线、标注线、阀门和焊缝的线宽", glyph(G::LineWidth), H::Pending},
    {2708, "线形", "设置管线、标注线和阀门的线形", glyph(G::LineStyle), H::Pending},
    {2747, "设置标注", "设置标注文字的高低和大小", glyph(G::DimensionText), H::Pending},
    {2739, "图层", "打开或关闭各个图层", glyph(G::Layers), H::Pending},
    {2742, "捕捉", "设置捕捉方式、捕捉距离和标记大小", glyph(G::Snap), H::Pending},
    {403, "特性表", "填写管道特性表", glyph(G::Table), H::Pending},
    {404, "标题框", "填写图纸标题框", glyph(G::TitleBlock), H::Pending},
    {400, "设置弯头、三通", "设置弯头半径、三通长度和阀门管件的大小", glyph(G::ElbowTee),
     H::Pending},
    // reports
    {448, "全面检验报告", "点击设置全面检验报告", glyph(G::FullReport), H::Pending},
    {473, "在线检验报告", "点击设置在线检验报告", glyph(G::OnlineReport), H::Pending},
    {465, "显示当前报告", "点击打开全面检验报告视图", glyph(G::ShowReport), H::Pending, true},
    // pipes and fittings
    {2709, "主线管段", "画主线管段", glyph(G::MainPipe), H::Pending, true},
    {2710, "支线管段", "画支线管段", glyph(G::BranchPipe), H::Pending, true},
    {2711, "平面斜管", "画平面内的斜管", glyph(G::PlaneSlant), H::Pending, true},
    {2712, "空间斜管", "画空间斜管", glyph(G::SpaceSlant), H::Pending},
    {2713, "封闭管", "画两端都接在已有对象上的封闭管段", glyph(G::ClosedPipe), H::Pending, true},
    {2714, "截断线", "在管段上画截断线", glyph(G::CutLine), H::Pending, true},
    {2715, "焊缝", "在管段上加焊缝", glyph(G::Weld), H::Pending, true},
    {2716, "法兰", "在管段上加法兰", symbol(4), H::Pending, true},
    {2718, "弯头", "在两管段的拐角处加弯头", glyph(G::Elbow), H::Pending, true},
    {487, "45°弯头", "在管段上加45°弯头", symbol(45), H::Pending, true},
    {2717, "三通", "在支管与主管的连接处加三通", glyph(G::Tee), H::Pending, true},
    {488, "管帽", "在管段端部加管帽", symbol(46), H::Pending, true},
    {489, "堵头", "在管段端部加堵头", symbol(47), H::Pending, true},
    {2719, "大小头", "在管段上加大小头", symbol(6), H::Pending, true},
    {2720, "小大头", "在管段上加小大头", symbol(7), H::Pending, true},
    {2721, "文字块", "在图中写一段文字", glyph(G::TextBlock), H::Pending, true},
    {2740, "视镜", "在管段上加视镜", symbol(25), H::Pending, true},
    {2722, "流量计", "在管段上加流量计", symbol(11), H::Pending, true},
    {2723, "温度计", "在管段上加温度计", symbol(10), H::Pending, true},
    {2724, "压力表", "在管段上加压力表", symbol(9), H::Pending, true},
    {490, "波形补偿器", "在管段上加波形补偿器", symbol(48), H::Pending, true},
    {491, "球形补偿器", "在管段上加球形补偿器", symbol(49), H::Pending, true},
    {492, "盲板", "在管段上加盲板", symbol(50), H::Pending, true},
    {493, "8字盲板", "在管段上加8字盲板", symbol(51), H::Pending, true},
    {495, "阻火器", "在管段上加阻火器", symbol(52), H::Pending, true},
    {496, "过滤器", "在管段上加过滤器", symbol(53), H::Pending, true},
    // valves
    {2726, "闸阀", "在管段上加闸阀", symbol(13), H::Pending, true},
    {2727, "截止阀", "在管段上加截止阀", symbol(14), H::Pending, true},
    {2728, "旋塞阀", "在管段上加旋塞阀", symbol(15), H::Pending, true},
    {2729, "隔膜阀", "在管段上加隔膜阀", symbol(16), H::Pending, true},
    {2730, "蝶阀", "在管段上加蝶阀", symbol(17), H::Pending, true},
    {2731, "球阀", "在管段上加球阀", symbol(18), H::Pending, true},
    {2732, "节流阀", "在管段上加节流阀", symbol(19), H::Pending, true},
    {2733, "Y形阀", "在管段上加Y形阀", symbol(20), H::Pending, true},
    {2734, "止逆阀", "在管段上加止逆阀", symbol(21), H::Pending, true},
    {2735, "针型阀", "在管段上加针型阀", symbol(22), H::Pending, true},
    {2736, "气动阀", "在管段上加气动阀", symbol(23), H::Pending, true},
    {2737, "安全阀", "在管段上加安全阀", symbol(24), H::Pending, true},
    {497, "角阀", "在两管段的拐角处加角阀", symbol(54), H::Pending, true},
    {422, "闸阀", "请用阀门栏加闸阀", symbol(13), H::Never},
    {423, "截止阀", "请用阀门栏加截止阀", symbol(14), H::Never},
    // accessories
    {444, "刚性支架", "在管段上加刚性支架", symbol(32), H::Pending, true},
    {445, "弹性支架", "在管段上加弹性支架", symbol(33), H::Pending, true},
    {446, "固定支架", "在管段上加固定支架", symbol(34), H::Pending, true},
    {447, "滑动支架", "在管段上加滑动支架", symbol(35), H::Pending, true},
    {459, "立柱", "在管段上加立柱", symbol(42), H::Pending, true},
    {453, "容器、装置", "在管段端部画容器或装置", symbol(41), H::Pending, true},
    {458, "管段入墙", "标出管段穿墙的位置", symbol(38), H::Pending, true},
    {457, "管段入地", "标出管段入地的位置", symbol(40), H::Pending, true},
    {454, "管段过江河", "标出管段跨越江河的位置", symbol(39), H::Pending, true},
    {461, "公路", "标出管段跨越公路的位置", symbol(43), H::Pending, true},
    {462, "铁路", "标出管段跨越铁路的位置", symbol(44), H::Pending, true},
    // quick settings
    {cmd::AutoElevation, "开/关自动标注标高(b)", "标高改变时自动标注标高，按B键开或关",
     glyph(G::LetterB), H::Pending, true},
    {cmd::AutoWeld, "开/关自动添加焊缝(t)", "画管段时自动添加焊缝，按T键开或关",
     glyph(G::LetterT), H::Pending, true},
    {cmd::SnapEnd, "捕捉端点(d)", "捕捉对象的端点，按D键开或关", glyph(G::LetterD), H::Pending,
     true},
    {cmd::SnapMid, "捕捉中点(z)", "捕捉对象的中点，按Z键开或关", glyph(G::LetterZ), H::Pending,
     true},
    {cmd::SnapAny, "捕捉任意位置(r)", "捕捉管段上的任意位置，按R键开或关", glyph(G::LetterR),
     H::Pending, true},
    {cmd::SnapWeld, "开/关焊缝捕捉(h)", "只捕捉焊缝，按H键开或关", glyph(G::LetterH), H::Pending,
     true},
    // window
    {cmd::NewWindow, "新建窗口", "为当前图形再打开一个窗口", theme("window-new"), H::Shell},
    {cmd::Cascade, "层叠", "层叠排列窗口", {}, H::Shell},
    {cmd::Tile, "平铺", "平铺排列窗口", {}, H::Shell},
    {cmd::ArrangeIcons, "排列图标", "排列最小化窗口的图标", {}, H::Shell},
    {cmd::NextPane, "下一窗格", "切换到下一个窗口", {}, H::Shell},
    {cmd::PrevPane, "前一窗格", "切换到前一个窗口", {}, H::Shell},
    // help
    {cmd::Help, "使用帮助", "打开使用帮助", theme("help-contents"), H::Shell, false, false},
    {cmd::HelpKey, "帮助", "打开使用帮助", theme("help-contents"), H::Shell, false, false},
    {cmd::About, "关于", "显示程序信息", theme("help-about"), H::Shell, false, false},
};

constexpr BarButton kStandardButtons[] = {
    {cmd::New}, {cmd::Open}, {cmd::Save}, {cmd::Paste}, {cmd::Print}, {cmd::About},
    {cmd::Refresh}, {0}, {cmd::ZoomIn}, {cmd::ZoomOut}, {cmd::Fit}, {cmd::Pan}, {0},
    {cmd::UndoObject}, {cmd::Restore}, {cmd::ClearAll}, {cmd::PageSetup}, {cmd::FrameSwitch},
    {2707}, {2725}, {2708}, {2747}, {2739}, {2742}, {403}, {404}, {400}, {0}, {470},
    {cmd::DeleteSelection}, {cmd::Copy}, {2743}, {2744}, {2746}, {402}, {0}, {448}, {473},
    {465}};

constexpr BarButton kFittingButtons[] = {
    {2709}, {2710}, {2711}, {2712}, {2713}, {2714}, {2715}, {2716}, {2718},
    {487},  {2717}, {488},  {489},  {2719}, {2720}, {2721}, {2740}, {2722},
    {2723}, {2724}, {490},  {491},  {492},  {493},  {495},  {496}};

constexpr BarButton kValveButtons[] = {{2726}, {2727}, {2728}, {2729}, {2730}, {2731}, {2732},
                                       {2733}, {2734}, {2735}, {2736}, {2737}, {497}};

constexpr BarButton kAccessoryButtons[] = {{444}, {445}, {446}, {447}, {459}, {0},   {453},
                                           {458}, {457}, {0},   {454}, {461}, {462}};

constexpr BarButton kQuickButtons[] = {{cmd::AutoElevation}, {cmd::AutoWeld}, {cmd::SnapEnd},
                                       {cmd::SnapMid},       {cmd::SnapAny},  {cmd::SnapWeld}};

constexpr BarInfo kBars[] = {
    {"StandardBar", 128, "", DockSide::Top, cmd::ToolBar, "工具栏(&T)", kStandardButtons},
    {"FittingBar", 135, "管件", DockSide::Left, cmd::FittingBar, "管配件栏", kFittingButtons},
    {"ValveBar", 142, "阀门", DockSide::Right, cmd::ValveBar, "阀门栏", kValveButtons},
    {"AccessoryBar", 2943, "附件", DockSide::Right, cmd::AccessoryBar, "附件栏",
     kAccessoryButtons},
    {"QuickBar", 3016, "快速设置", DockSide::Top, cmd::QuickBar, "快速设置栏", kQuickButtons},
};

using K = MenuEntry::Kind;
constexpr MenuEntry item(int id, std::string_view text) { return {K::Command, id, text, {}}; }
constexpr MenuEntry separator() { return {K::Separator, 0, {}, {}}; }
constexpr MenuEntry submenu(std::string_view text, std::span<const MenuEntry> children) {
    return {K::Submenu, 0, text, children};
}
constexpr MenuEntry recentFiles() { return {K::RecentFiles, 0, {}, {}}; }
constexpr MenuEntry windowList() { return {K::WindowList, 0, {}, {}}; }

// --- no drawing open ---
constexpr MenuEntry kBareFile[] = {item(cmd::New, "新建"),
                                   item(cmd::Open, "打开"),
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
constexpr MenuEntry kFile[] = {item(cmd::New, "新建"),
                               item(cmd::Open, "打开"),
                               item(cmd::Close, "关闭"),
                               item(cmd::Save, "保存"),
                               item(cmd::SaveAs, "另存为"),
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

constexpr MenuEntry kClean[] = {item(2745, "对象删除"), item(cmd::ClearAll, "全部删除"),
                                item(2992, "清理废弃箱")};
constexpr MenuEntry kMove[] = {item(2746, "移动标注"), item(402, "移动全部"),
                               item(2743, "移动对象")};
constexpr MenuEntry kEdit[] = {item(cmd::Undo, "撤消"),      item(cmd::Restore, "复原"),
                               separator(),                  submenu("清理", kClean),
                               submenu("移动", kMove),       separator(),
                               item(470, "选择对象"),        item(2744, "修改属性")};

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
                               item(cmd::FrameSwitch, "图纸框开关")};

constexpr MenuEntry kSettings[] = {item(2707, "颜色"),       item(2739, "图层"),
                                   item(2725, "线宽"),       item(2747, "标注文字"),
                                   item(2708, "线型"),       item(2742, "捕捉"),
                                   separator(),              item(403, "设置特性表"),
                                   item(404, "设置标题框"),  separator(),
                                   item(400, "杂项")};

constexpr MenuEntry kAddPipes[] = {item(2709, "主线管"), item(2710, "支线管")};
constexpr MenuEntry kAddValves[] = {item(422, "闸阀"), item(423, "截止阀"), item(497, "角阀")};
constexpr MenuEntry kAddFittings[] = {
    item(2716, "法兰"),       item(2740, "视镜"),       item(2722, "流量计"),
    item(2724, "压力表"),     item(2723, "温度计"),     item(2719, "大小头"),
    item(2720, "小大头"),     item(2718, "弯头"),       item(487, "45°弯头"),
    item(2715, "焊缝"),       item(2717, "三通"),       item(488, "管帽"),
    item(489, "堵头"),        item(490, "波形补偿器"),  item(491, "球形补偿器"),
    item(492, "盲板"),        item(493, "8字盲板"),     item(495, "阻火器"),
    item(496, "过滤器")};
constexpr MenuEntry kAdd[] = {submenu("管道(&G)", kAddPipes), submenu("阀门(&A)", kAddValves),
                              submenu("管件(P)", kAddFittings), separator(),
                              item(2711, "平斜管"), item(2712, "空间斜管"),
                              item(2713, "封闭管"), separator(), item(2714, "截断线")};

constexpr MenuEntry kWindow[] = {item(cmd::NewWindow, "新建窗口"), item(cmd::Cascade, "层叠"),
                                 item(cmd::Tile, "平铺"), item(cmd::ArrangeIcons, "排列图标"),
                                 separator(), windowList()};
constexpr MenuEntry kHelp[] = {item(cmd::Help, "使用帮助"), separator(),
                               item(cmd::About, "关于 Tubra")};

constexpr MenuInfo kDocumentMenus[] = {
    {"文件(&F)", kFile},  {"编辑(&E)", kEdit},   {"查看(&V)", kView}, {"设置", kSettings},
    {"添加(&T)", kAdd},   {"窗口(&W)", kWindow}, {"帮助(&H)", kHelp}};

constexpr Accelerator kAccelerators[] = {
    {"B", cmd::AutoElevation},
    {"D", cmd::SnapEnd},
    {"Z", cmd::SnapMid},
    {"R", cmd::SnapAny},
    {"H", cmd::SnapWeld},
    {"T", cmd::AutoWeld},
    {"Del", cmd::DeleteSelection},
    {"Ctrl+Z", cmd::Undo},
    {"Alt+Backspace", cmd::Undo},
    {"Ctrl+N", cmd::New},
    {"Ctrl+O", cmd::Open},
    {"Ctrl+S", cmd::Save},
    {"Ctrl+P", cmd::Print},
    {"Ctrl+C", cmd::Copy},
    {"Ctrl+Ins", cmd::Copy},
    {"Ctrl+V", cmd::Paste},
    {"Shift+Ins", cmd::Paste},
    {"Ctrl+X", cmd::Cut},
    {"Shift+Del", cmd::Cut},
    {"F6", cmd::NextPane},
    {"Shift+F6", cmd::PrevPane},
    {"F1", cmd::HelpKey},
};

}  // namespace

std::span<const CommandInfo> AllCommands() { return kCommands; }

const CommandInfo* FindCommand(int id) {
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [id](const CommandInfo& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::span<const BarInfo> AllBars() { return kBars; }
std::span<const MenuInfo> NoDocumentMenus() { return kNoDocumentMenus; }
std::span<const MenuInfo> DocumentMenus() { return kDocumentMenus; }
std::span<const Accelerator> Accelerators() { return kAccelerators; }

}  // namespace tubra::app
