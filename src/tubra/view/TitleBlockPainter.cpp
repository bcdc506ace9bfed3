#include "tubra/view/TitleBlockPainter.h"

#include <string_view>

namespace tubra::view {

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 200;
constexpr platform::Colour kBlack = 0x000000;

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

void line(platform::Canvas& c, int x1, int y1, int x2, int y2) {
    c.moveTo({x1, y1});
    c.lineTo({x2, y2});
}

// Writes `text` left-aligned from x, in a box as wide as the text plus `extra` characters.
void cell(platform::Canvas& c, std::string_view text, int x, int top, int bottom, int extra,
          int charWidth, int right = 0) {
    const int width = (static_cast<int>(text.size()) + extra) * charWidth;
    const platform::Rect r{x, top, right ? right : x + width, bottom};
    c.drawText(r, text, platform::TextFormat::Left | platform::TextFormat::Top);
}

}  // namespace

platform::Rect TitleBlockBox(platform::Size page) {
    const int left = page.cx - 700;
    const int top = 300 - page.cy;
    return {left, top, left + kWidth, top - kHeight};
}

void PaintTitleBlock(const PaintContext& ctx) {
    if (!ctx.view.frameSwitch) return;
    platform::Canvas& c = ctx.canvas;
    platform::CanvasStateGuard guard(c);
    const platform::Rect box = TitleBlockBox(ctx.view.pageExtent);
    const int L = box.left;
    const int T = box.top;
    const int bottom = box.bottom;
    const platform::Pen thin{platform::PenStyle::Solid, 1, kBlack};
    const platform::Pen thick{platform::PenStyle::Solid, 2, kBlack};

    c.setFont(rowFont());
    c.setTextColour(kBlack);
    c.setBackgroundColour(ctx.settings.BeiJingColor);
    const platform::TextMetrics tm = c.textMetrics();
    const int cm = tm.maxCharWidth;
    const int th = tm.height;
    auto rowY = [&](int l) { return T - l * kHeight / 6; };

    // Rules between the rows; the top one is three lines thick.
    c.setPen(thick);
    for (int i = 0; i < 3; ++i) line(c, L, T - i, L + kWidth, T - i);
    c.setPen(thin);
    for (int l : {2, 3, 4, 5}) line(c, L, rowY(l), L + kWidth, rowY(l));

    const auto& labels = ctx.view.title.labels;
    const auto& values = ctx.view.title.values;
    auto leftPair = [&](int l, std::size_t i) {
        const int top = rowY(l) - 4, low = rowY(l) - th;
        cell(c, labels[i].view(), L + 20, top, low, 2, cm);
        cell(c, values[i].view(), L + 133, top, low, 2, cm);
    };
    auto rightPair = [&](int l, std::size_t i) {
        const int top = rowY(l) - 4, low = rowY(l) - th;
        cell(c, labels[i].view(), L + 323, top, low, 6, cm);
        cell(c, values[i].view(), L + 423, top, low, 6, cm);
    };
    leftPair(2, 0);   // drafter
    rightPair(2, 3);  // date drawn
    leftPair(3, 1);   // checker
    rightPair(3, 4);  // date checked
    leftPair(4, 2);   // drawing number
    {
        const int top = rowY(5) - 4, low = rowY(5) - th;
        cell(c, labels[6].view(), L + 20, top, low, 2, cm);
        cell(c, values[6].view(), L + 133, top, low, 2, cm, L + kWidth);  // old drawing number
    }

    // The drawing name fills the top row, centred; its label is not shown.
    c.setFont(nameFont());
    c.drawText({L + 5, T - 10, L + kWidth, T - 120}, values[5].view(),
               platform::TextFormat::Center | platform::TextFormat::Top);

    c.setPen(thick);
    line(c, L + 1, bottom, L + 1, T);
    line(c, L + 2, bottom, L + 2, T);
    c.setPen(thin);
    line(c, L + 100, rowY(2), L + 100, bottom);
    line(c, L + 300, rowY(2), L + 300, bottom + 66);
    line(c, L + 400, rowY(2), L + 400, bottom + 66);
}

}  // namespace tubra::view
