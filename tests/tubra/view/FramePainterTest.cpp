#include <algorithm>
#include <optional>

#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "text/Gbk.h"
#include "tubra/view/CharacteristicTablePainter.h"
#include "tubra/view/Frame.h"
#include "tubra/view/FramePainter.h"
#include "tubra/view/Paint.h"
#include "tubra/view/TitleBlockPainter.h"

using namespace tubra::view;
using platform::CallKind;
using platform::Pen;
using platform::PenStyle;
using platform::Point;
using platform::Rect;

namespace {

struct Frames : ::testing::Test, viewtest::Fixture {
    void a3() { view.pageExtent = pageExtent(1); }
    // Horizontal lines drawn at height y, as (left, right) pairs.
    std::vector<std::pair<int, int>> horizontalsAt(int y) {
        std::vector<std::pair<int, int>> out;
        for (const auto& s : canvas.segments())
            if (s.from.y == y && s.to.y == y)
                out.emplace_back(std::min(s.from.x, s.to.x), std::max(s.from.x, s.to.x));
        return out;
    }
    std::vector<platform::CanvasCall> texts() { return canvas.callsOf(CallKind::DrawText); }
    std::optional<platform::CanvasCall> textCall(const std::string& t) {
        for (const auto& c : texts())
            if (c.text == t) return c;
        return std::nullopt;
    }
};

}  // namespace

TEST_F(Frames, BorderOfAnA4PageIsThreeBlackRectanglesInsideTheMargin) {
    app.settings.BeiJingColor = platform::rgbColour(0, 0, 0);
    paintBorder(ctx());
    const auto segs = canvas.segments();
    ASSERT_EQ(segs.size(), 12u);
    for (const auto& s : segs) EXPECT_EQ(s.pen, (Pen{PenStyle::Solid, 2, 0x000000}));
    EXPECT_TRUE(segs[0].joins({100, -100}, {2800, -100}));
    EXPECT_TRUE(segs[1].joins({2800, -100}, {2800, -1950}));
    EXPECT_TRUE(segs[2].joins({2800, -1950}, {100, -1950}));
    // The inner two step inward at the sides and downward at top and bottom.
    EXPECT_TRUE(segs[8].joins({102, -102}, {2798, -102}));
    EXPECT_TRUE(segs[10].joins({2798, -1952}, {102, -1952}));
}

TEST_F(Frames, TitleBlockSitsInTheBottomRightCorner) {
    EXPECT_EQ(titleBlockBox(pageExtent(0)), (Rect{2200, -1750, 2800, -1950}));
    EXPECT_EQ(titleBlockBox(pageExtent(1)), (Rect{3400, -2600, 4000, -2800}));

    a3();
    view.title.setLabels();
    view.title.values[0] = text::gbk("张三");
    view.title.values[5] = text::gbk("某装置工艺管线单线图");
    view.title.values[6] = "OLD-7";
    paintTitleBlock(ctx());
    // The top rule is three lines of the thick pen; the row rules are thin.
    for (int y : {-2600, -2601, -2602})
        EXPECT_EQ(horizontalsAt(y), (std::vector<std::pair<int, int>>{{3400, 4000}})) << y;
    for (int y : {-2666, -2700, -2733, -2766}) EXPECT_EQ(horizontalsAt(y).size(), 1u) << y;
    EXPECT_TRUE(horizontalsAt(-2633).empty());  // the top row is double height
    // Row texts: maximum character width 20 of the 30-unit font, rows 4 below their rule.
    const auto drafter = textCall(text::gbk("张三"));
    ASSERT_TRUE(drafter);
    EXPECT_EQ(drafter->rect, (Rect{3533, -2670, 3533 + (4 + 2) * 20, -2696}));
    const auto old = textCall("OLD-7");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->rect.right, 4000);
    EXPECT_EQ(old->rect.top, -2770);
    // The drawing name is centred in the top row in the larger font; its label is not shown.
    const auto name = textCall(text::gbk("某装置工艺管线单线图"));
    ASSERT_TRUE(name);
    EXPECT_EQ(name->rect, (Rect{3405, -2610, 4000, -2720}));
    EXPECT_EQ(name->format & platform::TextFormat::Center, platform::TextFormat::Center);
    EXPECT_EQ(name->state.font.height, 40);
    EXPECT_FALSE(textCall(text::gbk(" 图纸名称:")));
    EXPECT_TRUE(textCall(text::gbk(" 旧图号 ")));
    // Column rules: thin ones at +100 over all four rows, +300 and +400 over two.
    int found = 0;
    for (const auto& s : canvas.segments()) {
        if (s.from.x != s.to.x) continue;
        const int low = std::min(s.from.y, s.to.y);
        if (s.from.x == 3500) {
            EXPECT_EQ(low, -2800);
            ++found;
        }
        if (s.from.x == 3700 || s.from.x == 3800) {
            EXPECT_EQ(low, -2734);
            ++found;
        }
        if (s.from.x == 3401 || s.from.x == 3402) {
            EXPECT_EQ(s.pen.width, 2);
            ++found;
        }
    }
    EXPECT_EQ(found, 5);
}

TEST_F(Frames, EmptyTableIsAtLeast450WideWith18Rows) {
    paintCharacteristicTable(ctx());
    // Row height 26 + 15; right edge on the frame, left edge 450 before it.
    const auto under = horizontalsAt(-100 - 18 * 41);
    ASSERT_FALSE(under.empty());
    EXPECT_EQ(under[0], (std::pair<int, int>{2350, 2800}));
    EXPECT_EQ(horizontalsAt(-100 - 18 * 41 - 2).size(), 1u);
    EXPECT_EQ(horizontalsAt(-100 - 11 * 41 - 2).size(), 1u);  // after the material rows
    EXPECT_TRUE(horizontalsAt(-100 - 5 * 41 - 1).empty());
    // Only the 18 labels are written; empty values write nothing.
    EXPECT_EQ(texts().size(), 18u);
    for (const auto& s : canvas.segments()) EXPECT_EQ(s.pen.colour, 0x000000u);
}

TEST_F(Frames, TableOrderWidthAndColour) {
    view.table.values[16] = "Q235";
    view.table.values[17] = text::gbk("φ219×8");
    view.table.values[9] = "123.4";
    const std::string longest(40, 'x');
    view.table.values[3] = longest;
    app.settings.BeiJingColor = platform::rgbColour(10, 20, 200);
    paintCharacteristicTable(ctx());
    const int a = 13;   // average width of the 13-wide font
    const int ll = 18;  // longest label: "最高工作压力(MPa) "
    const int width = (ll + 40) * a + 65;
    const int left = 2800 - width;
    auto rowTop = [](int k) { return -100 - k * 41 - 8; };
    const auto material = textCall("Q235");
    ASSERT_TRUE(material);
    EXPECT_EQ(material->rect,
              (Rect{left + 10 + ll * a + 10 + 5, rowTop(9), 2800, rowTop(9) - 41 + 4}));
    const auto size = textCall(text::gbk("φ219×8"));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->rect.top, rowTop(10));
    EXPECT_EQ(textCall("123.4")->rect.top, rowTop(11));
    EXPECT_EQ(textCall(text::gbk("管  线  材  料"))->rect,
              (Rect{left + 10, rowTop(9), left + 10 + ll * a + 10, rowTop(9) - 37}));
    // Lines and texts in the background's complement with red and blue exchanged.
    const platform::Colour c = platform::rgbColour(55, 235, 245);
    EXPECT_EQ(tableColour(app.settings.BeiJingColor), c);
    EXPECT_EQ(material->state.textColour, c);
    for (const auto& s : canvas.segments()) EXPECT_EQ(s.pen.colour, c);
    // The column separator after the labels, the left edge three lines thick.
    int separators = 0, edges = 0;
    for (const auto& s : canvas.segments()) {
        if (s.from.x != s.to.x) continue;
        separators += s.from.x == left + (ll + 1) * a;
        edges += s.from.x >= left && s.from.x <= left + 2 && s.pen.width == 2;
    }
    EXPECT_EQ(separators, 1);
    EXPECT_EQ(edges, 3);
}

TEST_F(Frames, FrameSwitchOffDrawsNothing) {
    view.table.values[0] = "x";
    view.title.setLabels();
    view.frameSwitch = 0;
    paintFrame(ctx());
    paintBorder(ctx());
    paintTitleBlock(ctx());
    paintCharacteristicTable(ctx());
    DrawFrame(ctx());
    EXPECT_TRUE(canvas.calls().empty());
    view.frameSwitch = 1;
    paintFrame(ctx());
    EXPECT_FALSE(canvas.calls().empty());
}

TEST_F(Frames, ThePaintShowsTheDocumentsTextsAndEverythingOnTheSheet) {
    doc.drawing.table.values[0] = text::gbk("蒸汽管线");
    doc.drawing.title.setLabels();
    doc.drawing.title.values[5] = text::gbk("蒸汽管线单线图");
    tubra::model::PipeObject& pipe =
        viewtest::add(doc, viewtest::makePipe({500, -500, 0}, {500, -300, 0}, 0, 0));
    pipe.Distanc = 200;
    viewtest::add(doc, viewtest::makeObject(tubra::model::ObjectKind::Valve, {500, -450, 0},
                                            {500, -386, 0}, 13, 0));
    OnDraw(doc, view, canvas);
    const auto all = canvas.texts();
    auto shown = [&](const std::string& t) {
        return std::find(all.begin(), all.end(), t) != all.end();
    };
    EXPECT_TRUE(shown(text::gbk("蒸汽管线")));
    EXPECT_TRUE(shown(text::gbk("蒸汽管线单线图")));
    EXPECT_TRUE(shown("200"));  // the pipe's dimension
    EXPECT_EQ(canvas.segmentsInColour(app.settings.FaMenColor).size(), 12u);  // the gate valve

    canvas.clear();
    view.frameSwitch = 0;
    OnDraw(doc, view, canvas);
    const auto without = canvas.texts();
    EXPECT_EQ(std::find(without.begin(), without.end(), text::gbk("蒸汽管线")), without.end());
}

TEST_F(Frames, LongTitleBlockTextsStayInTheirCellsAndAreNamedWhenCut) {
    view.title.setLabels();
    // At the block's 40 bytes: the dates and names do not fit their cells even at the smallest
    // size and end with "…"; the drawing number's wide cell holds its value whole.
    const std::string longDate = "2024.05.20 revised 2024.06.01 by QA dept";  // 40 bytes
    const std::string number = text::gbk("GX-2024-017 第一版 原图号GX-2016-031");  // 38 bytes
    view.title.values[0] = text::gbk("王建国 李明 张志强 刘海涛 赵德明 陈建华 孙");
    view.title.values[3] = longDate;
    view.title.values[4] = longDate;
    view.title.values[2] = number;
    view.title.values[5] = text::gbk("原料油进料管线单线图（第二版，含改造段）");
    paintTitleBlock(ctx());
    const Rect block = titleBlockBox(view.pageExtent);
    // Cells: label | value to x = L+300 (rows 2, 3), | label | value to the right edge.
    const auto inside = [&](const platform::CanvasCall& c, int left, int right) {
        const int width = static_cast<int>(c.text.size()) * c.state.font.width;
        const int x = (c.format & platform::TextFormat::Center) ? c.rect.left + (c.rect.width() - width) / 2 : c.rect.left;
        return x >= left && x + width <= right;
    };
    int dates = 0;
    for (const auto& c : texts()) {
        EXPECT_GE(c.state.font.height, 21) << text::gbkToUtf8(c.text);
        if (c.text.rfind("2024.05.20", 0) == 0) {
            ++dates;
            EXPECT_TRUE(inside(c, block.left + 400, block.right)) << c.text;
            EXPECT_EQ(c.text.substr(c.text.size() - 2), text::gbk("…"));
        }
        if (c.text.rfind(text::gbk("王建国"), 0) == 0) {
            EXPECT_TRUE(inside(c, block.left + 100, block.left + 300));
        }
        if (c.text.rfind("GX-2024", 0) == 0) {
            EXPECT_EQ(c.text, number);  // whole
            EXPECT_TRUE(inside(c, block.left + 100, block.right));
        }
    }
    EXPECT_EQ(dates, 2);
    // Every line of text inside its row: nothing crosses a rule of the block (a text is
    // clipped to its rectangle).
    for (const auto& c : texts()) {
        const int top = c.rect.top, bottom = std::max(c.rect.top - c.state.font.height, c.rect.bottom);
        for (int l : {2, 3, 4, 5}) {
            const int y = block.top - l * 200 / 6;
            EXPECT_FALSE(y < top && y > bottom) << text::gbkToUtf8(c.text) << " crosses row " << l;
        }
    }
    EXPECT_EQ(titleBlockCuts(view.title, view.pageExtent),
              (std::vector<std::string>{"标题栏 制图", "标题栏 制图日期", "标题栏 审核日期"}));
    // A block whose texts fit names nothing.
    view.title.values[0] = text::gbk("王建国");
    view.title.values[3] = view.title.values[4] = "2024.05.20";
    EXPECT_TRUE(titleBlockCuts(view.title, view.pageExtent).empty());
}
