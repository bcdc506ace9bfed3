#include "tubra/view/TitleBlockPainter.h"

#include <algorithm>
#include <string_view>

#include "text/Gbk.h"
#include "text/TextFit.h"

namespace tubra::view {

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 200;
constexpr platform::Colour kBlack = 0x000000;
// The texts keep this far from the lines around them.
constexpr int kClear = 3;
// The smallest text of the block: about 6 pt on paper.
constexpr int kMinHeight = 21;

platform::Font rowFont() {
    platform::Font f;
    f.face = "arail";
    f.height = 30;
    f.width = 10;
    f.weight = 500;
    f.outPrecision = 4;
    f.quality = 0;
    f.pitchAndFamily = 48;
    return f;
}

platform::Font nameFont() {
    platform::Font f = rowFont();
    f.height = 40;
    f.width = 15;
    f.quality = 2;
    return f;
}

// How the fit counts a font's bytes: its width in per cent of its height (10 of 30, 15 of 40).
text::FitStyle fitStyleOf(const platform::Font& f) {
    text::FitStyle style;
    style.height = f.height;
    style.minHeight = kMinHeight;
    style.widthPercent = (f.width * 100 + f.height - 1) / f.height;
    style.gapPercent = 8;
    return style;
}

void line(platform::Canvas& c, int x1, int y1, int x2, int y2) {
    c.moveTo({x1, y1});
    c.lineTo({x2, y2});
}

// One text of the block: where the block's own layout puts it (a rectangle sized from the text
// itself, left-aligned at its top, or the name's centred one) and the cell it must stay in.
struct Place {
    int field = -1;     // value index, -1 for a label
    std::string_view text;
    platform::Rect rect;  // as laid out for a text of the usual size
    platform::Rect cell;  // between the lines around it
    bool centred = false;
    bool name = false;
    bool toEdge = false;  // the rectangle reaches the block's right edge
};

int rowY(int top, int l) { return top - l * kHeight / 6; }

std::vector<Place> placesOf(const model::TitleBlock& title, platform::Size page, int cm, int th) {
    const platform::Rect box = titleBlockBox(page);
    const int L = box.left, T = box.top, B = box.bottom;
    std::vector<Place> out;
    const auto add = [&](int field, std::string_view text, int x, int l, int extra, int cellRight, int rectRight = 0) {
        const int next = l == 5 ? B : rowY(T, l + 1);
        const int top = rowY(T, l) - 4;
        // The rectangle clips its text above the next rule (a row is 33 or 34 high).
        const int low = std::max(rowY(T, l) - th, next + 1);
        const int width = (static_cast<int>(text.size()) + extra) * cm;
        Place p;
        p.field = field;
        p.text = text;
        p.rect = {x, top, rectRight ? rectRight : x + width, low};
        p.cell = {x, rowY(T, l) - 1, cellRight - kClear, next + 1};
        p.toEdge = rectRight != 0;
        out.push_back(p);
    };
    const auto& labels = title.labels;
    const auto& values = title.values;
    // Rows 2 and 3 have four cells, rows 4 and 5 two.
    add(-1, labels[0].view(), L + 20, 2, 2, L + 100);
    add(0, values[0].view(), L + 133, 2, 2, L + 300);  // drafter
    add(-1, labels[3].view(), L + 323, 2, 6, L + 400);
    add(3, values[3].view(), L + 423, 2, 6, L + kWidth);  // date drawn
    add(-1, labels[1].view(), L + 20, 3, 2, L + 100);
    add(1, values[1].view(), L + 133, 3, 2, L + 300);  // checker
    add(-1, labels[4].view(), L + 323, 3, 6, L + 400);
    add(4, values[4].view(), L + 423, 3, 6, L + kWidth);  // date checked
    add(-1, labels[2].view(), L + 20, 4, 2, L + 100);
    add(2, values[2].view(), L + 133, 4, 2, L + kWidth);  // drawing number
    add(-1, labels[6].view(), L + 20, 5, 2, L + 100);
    add(6, values[6].view(), L + 133, 5, 2, L + kWidth, L + kWidth);  // old drawing number
    // The drawing name fills the top row, centred; its label is not shown.
    Place name;
    name.field = 5;
    name.text = values[5].view();
    name.rect = {L + 5, T - 10, L + kWidth, T - 120};
    name.cell = {L + 5, T - 2 - kClear, L + kWidth - kClear, rowY(T, 2) + 1};  // under the thick rule
    name.centred = true;
    name.name = true;
    name.toEdge = true;
    out.push_back(name);
    // A rectangle sized from its text never reaches past its cell.
    for (Place& p : out)
        if (!p.toEdge) p.rect.right = std::min(p.rect.right, p.cell.right);
    return out;
}

// The fit of a text in its cell; a text that does not fit even at the smallest size ends with
// "…".
text::Fit fitOf(const Place& p, const platform::Font& font) {
    return text::fitWithMark(p.text, p.cell.width(), p.cell.height(), fitStyleOf(font), text::gbk("…"));
}

const char* const kFieldNames[model::TitleBlock::kRows] = {"制图", "审核", "图号", "制图日期", "审核日期",
                                                           "图纸名称", "旧图号"};

}  // namespace

platform::Rect titleBlockBox(platform::Size page) {
    const int left = page.cx - 700;
    const int top = 300 - page.cy;
    return {left, top, left + kWidth, top - kHeight};
}

std::vector<std::string> titleBlockCuts(const model::TitleBlock& title, platform::Size page) {
    std::vector<std::string> cut;
    const platform::Font row = rowFont();
    for (const Place& p : placesOf(title, page, 2 * row.width, row.height)) {
        if (p.text.empty()) continue;
        if (!fitOf(p, p.name ? nameFont() : row).complete)
            cut.push_back(p.field >= 0 ? std::string("标题栏 ") + kFieldNames[p.field]
                                       : "标题栏 " + text::gbkToUtf8(p.text));
    }
    return cut;
}

void paintTitleBlock(const PaintContext& ctx) {
    if (!ctx.view.frameSwitch) return;
    platform::Canvas& c = ctx.canvas;
    platform::CanvasStateGuard guard(c);
    const platform::Rect box = titleBlockBox(ctx.view.pageExtent);
    const int L = box.left;
    const int T = box.top;
    const int bottom = box.bottom;
    const platform::Pen thin{platform::PenStyle::Solid, 1, kBlack};
    const platform::Pen thick{platform::PenStyle::Solid, 2, kBlack};

    c.setFont(rowFont());
    c.setTextColour(kBlack);
    c.setBackgroundColour(ctx.settings.BeiJingColor);
    const platform::TextMetrics tm = c.textMetrics();

    // Rules between the rows; the top one is three lines thick.
    c.setPen(thick);
    for (int i = 0; i < 3; ++i) line(c, L, T - i, L + kWidth, T - i);
    c.setPen(thin);
    for (int l : {2, 3, 4, 5}) line(c, L, rowY(T, l), L + kWidth, rowY(T, l));

    // Each text where the block puts it when it fits there; else in a smaller size, on more
    // lines where the cell has room, inside its cell.
    for (const Place& p : placesOf(ctx.view.title, ctx.view.pageExtent, tm.maxCharWidth, tm.height)) {
        if (p.text.empty()) continue;
        const platform::Font usual = p.name ? nameFont() : rowFont();
        const text::Fit fit = fitOf(p, usual);
        const unsigned align = p.centred ? platform::TextFormat::Center : platform::TextFormat::Left;
        if (fit.complete && fit.height == usual.height && fit.lines.size() == 1) {
            c.setFont(usual);
            c.drawText(p.rect, p.text, align | platform::TextFormat::Top);
            continue;
        }
        platform::Font f = usual;
        f.height = fit.height;
        f.width = fit.byteWidth;
        c.setFont(f);
        int y = p.cell.top - (p.cell.height() - fit.blockHeight()) / 2;
        for (std::size_t i = 0; i < fit.lines.size(); ++i, y -= fit.lineStep)
            c.drawText({p.cell.left, y, p.cell.right, y - fit.height}, fit.line(i),
                       align | platform::TextFormat::Top | platform::TextFormat::SingleLine);
    }

    c.setPen(thick);
    line(c, L + 1, bottom, L + 1, T);
    line(c, L + 2, bottom, L + 2, T);
    c.setPen(thin);
    line(c, L + 100, rowY(T, 2), L + 100, bottom);
    line(c, L + 300, rowY(T, 2), L + 300, bottom + 66);
    line(c, L + 400, rowY(T, 2), L + 400, bottom + 66);
}

}  // namespace tubra::view
