// The command table against the program's lists of tool bars, menus and keys. The expected
// lists are written out here independently, as the user documentation gives them.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tubra/appcore/Commands.h"
#include "tubra/appcore/InstallCommands.h"
#include "tubra/edit/CommandRegistry.h"

using namespace tubra::app;

namespace {

// "57600 新建, 57601 打开, | 2700 放大" → the ids and names in order, separators as id 0.
struct Listed {
    int id;
    std::string name;
};
std::vector<Listed> parseList(const std::string& list) {
    std::vector<Listed> out;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        std::stringstream words(item);
        std::string first;
        words >> first;
        if (first == "|") {
            out.push_back({0, ""});
            if (!(words >> first)) continue;
        }
        std::string rest;
        std::getline(words >> std::ws, rest);
        out.push_back({std::stoi(first), rest});
    }
    return out;
}

std::vector<Listed> barButtons(const BarInfo& bar) {
    std::vector<Listed> out;
    for (const BarButton& b : bar.buttons) {
        const CommandInfo* c = b.id ? findCommand(b.id) : nullptr;
        out.push_back({b.id, c ? std::string(c->name) : ""});
    }
    return out;
}

void expectSame(const std::vector<Listed>& actual, const std::vector<Listed>& expected,
                const std::string& where) {
    ASSERT_EQ(actual.size(), expected.size()) << where;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].id, expected[i].id) << where << " #" << i;
        EXPECT_EQ(actual[i].name, expected[i].name) << where << " #" << i;
    }
}

// Menu entries as "id text" lines; submenus as "[text]" followed by their entries and "[/]".
void flatten(std::span<const MenuEntry> entries, std::vector<std::string>& out) {
    for (const MenuEntry& e : entries) {
        switch (e.kind) {
            case MenuEntry::Kind::Command: out.push_back(std::to_string(e.id) + " " + std::string(e.text)); break;
            case MenuEntry::Kind::Submenu:
                out.push_back("[" + std::string(e.text) + "]");
                flatten(e.children, out);
                out.push_back("[/]");
                break;
            case MenuEntry::Kind::RecentFiles: out.push_back("(recent)"); break;
            case MenuEntry::Kind::WindowList: out.push_back("(windows)"); break;
            case MenuEntry::Kind::Separator: break;
        }
    }
}

std::vector<std::string> flattened(const MenuInfo& m) {
    std::vector<std::string> out;
    flatten(m.entries, out);
    return out;
}

std::vector<std::string> split(const std::string& s) {
    std::vector<std::string> out;
    std::stringstream in(s);
    std::string line;
    while (std::getline(in, line, ';')) {
        const auto a = line.find_first_not_of(' ');
        if (a == std::string::npos) continue;
        out.push_back(line.substr(a, line.find_last_not_of(' ') - a + 1));
    }
    return out;
}

}  // namespace

TEST(CommandTable, IdsAreUniqueAndEveryReferenceIsKnown) {
    std::set<int> ids;
    for (const CommandInfo& c : allCommands()) {
        EXPECT_TRUE(ids.insert(c.id).second) << "twice: " << c.id;
        EXPECT_FALSE(c.name.empty()) << c.id;
        EXPECT_FALSE(c.prompt.empty()) << c.id;
    }
    for (const BarInfo& bar : allBars()) {
        for (const BarButton& b : bar.buttons) {
            if (b.id) {
                EXPECT_NE(findCommand(b.id), nullptr) << b.id;
            }
        }
    }
    std::vector<std::string> lines;
    for (auto menus : {documentMenus(), noDocumentMenus()})
        for (const MenuInfo& m : menus) flatten(m.entries, lines);
    for (const std::string& line : lines) {
        if (std::isdigit(static_cast<unsigned char>(line[0]))) {
            EXPECT_NE(findCommand(std::stoi(line)), nullptr) << line;
        }
    }
    for (const Accelerator& a : accelerators()) EXPECT_NE(findCommand(a.command), nullptr) << a.keys;
    EXPECT_EQ(findCommand(12345), nullptr);
}

TEST(CommandTable, ToolBarsHoldTheListedButtons) {
    const auto bars = allBars();
    ASSERT_EQ(bars.size(), 5u);
    struct Expected {
        int resource;
        const char* title;
        DockSide dock;
        int toggle;
        const char* toggleText;
        const char* buttons;
    };
    const Expected expected[] = {
        {128, "", DockSide::Top, 59392, "工具栏(&T)",
         "57600 新建, 57601 打开, 57603 保存, 57637 粘贴, 57607 打印, 57664 关于, 2738 刷新, "
         "| 2700 放大, 2701 缩小, 2702 满屏, 2703 图纸平移, | 2704 撤消, 2705 恢复, 2741 全部清除, "
         "466 设置页面, 2748 图框显示, 2707 颜色, 2725 线宽, 2708 线形, 2747 设置标注, 2739 图层, "
         "2742 捕捉, 403 特性表, 404 标题框, 400 设置弯头、三通, | 470 选取对象, "
         "474 删除对象(Del), 57634 复制对象, 2743 移动对象, 2744 修改属性, 2746 移动标注, "
         "402 整图移动, | 448 全面检验报告, 473 在线检验报告, 465 显示当前报告"},
        {135, "管件", DockSide::Left, 477, "管配件栏",
         "2709 主线管段, 2710 支线管段, 2711 平面斜管, 2712 空间斜管, 2713 封闭管, 2714 截断线, "
         "2715 焊缝, 2716 法兰, 2718 弯头, 487 45°弯头, 2717 三通, 488 管帽, 489 堵头, "
         "2719 大小头, 2720 小大头, 2721 文字块, 2740 视镜, 2722 流量计, 2723 温度计, "
         "2724 压力表, 490 波形补偿器, 491 球形补偿器, 492 盲板, 493 8字盲板, 495 阻火器, "
         "496 过滤器"},
        {142, "阀门", DockSide::Right, 475, "阀门栏",
         "2726 闸阀, 2727 截止阀, 2728 旋塞阀, 2729 隔膜阀, 2730 蝶阀, 2731 球阀, 2732 节流阀, "
         "2733 Y形阀, 2734 止逆阀, 2735 针型阀, 2736 气动阀, 2737 安全阀, 497 角阀"},
        {2943, "附件", DockSide::Right, 476, "附件栏",
         "444 刚性支架, 445 弹性支架, 446 固定支架, 447 滑动支架, 459 立柱, | 453 容器、装置, "
         "458 管段入墙, 457 管段入地, | 454 管段过江河, 461 公路, 462 铁路"},
        {3016, "快速设置", DockSide::Top, 483, "快速设置栏",
         "478 开/关自动标注标高(b), 485 开/关自动添加焊缝(t), 479 捕捉端点(d), 480 捕捉中点(z), "
         "481 捕捉任意位置(r), 482 开/关焊缝捕捉(h)"},
    };
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const BarInfo& bar = bars[i];
        EXPECT_EQ(bar.resource, expected[i].resource);
        EXPECT_EQ(bar.title, expected[i].title);
        EXPECT_EQ(bar.dockedAt, expected[i].dock);
        EXPECT_EQ(bar.visibilityCommand, expected[i].toggle);
        EXPECT_EQ(bar.visibilityText, expected[i].toggleText);
        expectSame(barButtons(bar), parseList(expected[i].buttons), std::string(bar.objectName));
    }
}

TEST(CommandTable, MenusWithADrawingOpen) {
    const auto menus = documentMenus();
    const char* titles[] = {"文件(&F)", "编辑(&E)", "查看(&V)", "设置", "添加(&T)", "窗口(&W)", "帮助(&H)"};
    const char* entries[] = {
        "57600 新建; 57601 打开; 57602 关闭; 57603 保存; 57604 另存为; 2753 导入 PCF…; [导出]; 2749 PCF…; 2750 DXF…; [/]; "
        "57607 打印; 464 批量打印; "
        "57609 打印预览; 57606 打印设置; 3100 录制操作…; 3101 停止录制; (recent); 57665 退出",
        "57643 撤消; 2705 复原; [清理]; 2745 对象删除; 2741 全部删除; 2992 清理废弃箱; [/]; [移动]; "
        "2746 移动标注; 402 移动全部; 2743 移动对象; [/]; 470 选择对象; 2744 修改属性",
        "59392 工具栏; 59393 状态栏; 475 阀门栏; 476 附件栏; 477 管配件栏; 483 快速设置栏; 2700 放大; "
        "2701 缩小; 2703 平移; 2702 满屏; 2748 图纸框开关; 2752 三维视图; 2751 材料表",
        "2707 颜色; 2739 图层; 2725 线宽; 2747 标注文字; 2708 线型; 2742 捕捉; 403 设置特性表; "
        "404 设置标题框; 400 杂项",
        "[管道(&G)]; 2709 主线管; 2710 支线管; [/]; [阀门(&A)]; 422 闸阀; 423 截止阀; 497 角阀; [/]; "
        "[管件(P)]; 2716 法兰; 2740 视镜; 2722 流量计; 2724 压力表; 2723 温度计; 2719 大小头; "
        "2720 小大头; 2718 弯头; 487 45°弯头; 2715 焊缝; 2717 三通; 488 管帽; 489 堵头; "
        "490 波形补偿器; 491 球形补偿器; 492 盲板; 493 8字盲板; 495 阻火器; 496 过滤器; [/]; "
        "2711 平斜管; 2712 空间斜管; 2713 封闭管; 2714 截断线",
        "57648 新建窗口; 57650 层叠; 57651 平铺; 57649 排列图标; (windows)",
        "452 使用帮助; 57664 关于 Tubra",
    };
    ASSERT_EQ(menus.size(), 7u);
    for (std::size_t i = 0; i < menus.size(); ++i) {
        EXPECT_EQ(menus[i].title, titles[i]);
        EXPECT_EQ(flattened(menus[i]), split(entries[i])) << titles[i];
    }
}

TEST(CommandTable, MenusWithoutADrawing) {
    const auto menus = noDocumentMenus();
    ASSERT_EQ(menus.size(), 3u);
    EXPECT_EQ(menus[0].title, "文件(&F)");
    EXPECT_EQ(flattened(menus[0]), split("57600 新建; 57601 打开; 2753 导入 PCF…; 57606 打印设置; (recent); 57665 退出"));
    EXPECT_EQ(menus[1].title, "查看(&V)");
    EXPECT_EQ(flattened(menus[1]), split("59392 工具栏; 59393 状态栏"));
    EXPECT_EQ(menus[2].title, "帮助(&H)");
    EXPECT_EQ(flattened(menus[2]), split("57664 关于 Tubra"));
}

TEST(CommandTable, AcceleratorTable) {
    std::vector<std::string> actual;
    for (const Accelerator& a : accelerators()) actual.push_back(std::string(a.keys) + "=" + std::to_string(a.command));
    const std::vector<std::string> expected = {
        "B=478", "D=479", "Z=480", "R=481", "H=482", "T=485", "Del=474",
        "Ctrl+Z=57643", "Alt+Backspace=57643", "Ctrl+N=57600", "Ctrl+O=57601", "Ctrl+S=57603",
        "Ctrl+P=57607", "Ctrl+C=57634", "Ctrl+Ins=57634", "Ctrl+V=57637", "Shift+Ins=57637",
        "Ctrl+X=57635", "Shift+Del=57635", "F6=57680", "Shift+F6=57681", "F1=57670"};
    EXPECT_EQ(actual, expected);
}

TEST(CommandTable, WhoCarriesCommandsOut) {
    // Never available in the drawing program (batch print, the valve menu's gate and globe
    // valves, paste).
    for (int id : {464, 422, 423, 57637}) EXPECT_EQ(findCommand(id)->handler, Handler::Never) << id;
    // The window does these itself; the file commands work without a drawing.
    for (int id : {57600, 57601, 57606, 57665, 57664, 452, 59392, 59393, 475, 476, 477, 483}) {
        EXPECT_EQ(findCommand(id)->handler, Handler::Window) << id;
        EXPECT_FALSE(findCommand(id)->needsDocument) << id;
    }
    // ... and these only with a drawing open; the exports ask for a file and 三维视图 and 材料表
    // open windows, so none of them is part of a session.
    for (int id : {57602, 57603, 57604, 57607, 57609, 57648, 57650, 57651, 57649, 2749, 2750, 2751, 2752}) {
        EXPECT_EQ(findCommand(id)->handler, Handler::Window) << id;
        EXPECT_TRUE(findCommand(id)->needsDocument) << id;
    }
    // Zoom, fit, refresh, frame, clear all, page setup, the tools, settings dialogs, reports and
    // undo work on the drawing: a replayed session runs them as the window does.
    for (int id : {2700, 2701, 2702, 2738, 2748, 2741, 466, 2709, 2726, 444, 478, 470, 2704,
                   57643, 57634, 57635, 2707, 403, 448, 465})
        EXPECT_EQ(findCommand(id)->handler, Handler::Document) << id;
    // The prompt of clear all is the program's own text.
    EXPECT_EQ(findCommand(2741)->prompt, "清除全部对象");
    // Valves, fittings, supports and crossings are drawn from their symbols.
    EXPECT_EQ(findCommand(2726)->icon.symbol, 13);
    EXPECT_EQ(findCommand(444)->icon.symbol, 32);
    EXPECT_EQ(findCommand(462)->icon.symbol, 44);
}

TEST(CommandTable, TheRegistryCarriesOutExactlyTheDocumentCommands) {
    // The window runs what the table gives to the document through the registry, and a recorded
    // session may contain exactly the registered commands: a document command missing from the
    // registry would be dead in the window and unplayable, a registered window command would
    // be run twice over.
    tubra::edit::CommandRegistry registry;
    installCommands(registry);
    for (const CommandInfo& c : allCommands())
        EXPECT_EQ(registry.has(c.id), c.handler == Handler::Document) << c.id << " " << c.name;
    for (int id : registry.ids()) EXPECT_NE(findCommand(id), nullptr) << id;
}
