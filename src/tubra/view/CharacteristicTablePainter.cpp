#include "tubra/view/CharacteristicTablePainter.h"

#include <algorithm>

#include "text/Gbk.h"
#include "tubra/view/FramePainter.h"

namespace tubra::view {

namespace {

constexpr int kMinWidth = 450;
constexpr int kFontHeight = 26;

platform::Font tableFont() {
    platform::Font f;
    static const std::string face = text::gbk("宋体");
    f.face = face;
    f.height = kFontHeight;
    f.width = 13;
    f.weight = 0;
    f.outPrecision = 4;
    f.quality = 2;
    f.pitchAndFamily = 48;
    return f;
}

void line(platform::Canvas& c, int x1, int y1, int x2, int y2) {
    c.moveTo({x1, y1});
    c.lineTo({x2, y2});
}

}  // namespace

platform::Colour tableColour(platform::Colour bg) {
    return platform::rgbColour(255 - platform::blueOf(bg), 255 - platform::greenOf(bg),
                               255 - platform::redOf(bg));
}

void paintCharacteristicTable(const PaintContext& ctx) {
    if (!ctx.view.frameSwitch) return;
    platform::Canvas& c = ctx.canvas;
    platform::CanvasStateGuard guard(c);
    const platform::Colour colour = tableColour(ctx.settings.BeiJingColor);
    const platform::Pen thin{platform::PenStyle::Solid, 1, colour};
    const platform::Pen thick{platform::PenStyle::Solid, 2, colour};
    c.setFont(tableFont());
    c.setTextColour(colour);
    c.setBackgroundColour(ctx.settings.BeiJingColor);

    const model::CharacteristicTable& table = ctx.view.table;
    const int rh = kFontHeight + 15;
    const int a = c.textMetrics().aveCharWidth;
    const int ll = static_cast<int>(model::CharacteristicTable::longestLabel());
    const int lv = static_cast<int>(table.longestValue());
    const int width = std::max((ll + lv) * a + 65, kMinWidth);
    const int right = ctx.view.pageExtent.cx - kFrameMargin;
    const int left = right - width;
    const int top = -kFrameMargin;
    const int rows = static_cast<int>(kTableDisplayOrder.size());
    const int bottom = top - rows * rh;
    const int labelRight = left + 10 + ll * a + 10;

    for (int k = 0; k < rows; ++k) {
        const int entry = kTableDisplayOrder[static_cast<std::size_t>(k)];
        const int rowTop = top - k * rh - 8;
        const int rowBottom = rowTop - rh + 4;
        const unsigned format = platform::TextFormat::Left | platform::TextFormat::Top;
        c.drawText({left + 10, rowTop, labelRight, rowBottom},
                   model::CharacteristicTable::label(entry), format);
        c.drawText({labelRight + 5, rowTop, right, rowBottom},
                   table.values[static_cast<std::size_t>(entry)].view(), format);
        // The line under the row; the descriptive rows and the whole table end with a triple
        // line.
        const int y = top - (k + 1) * rh;
        c.setPen(k == rows - 1 ? thick : thin);
        line(c, left, y, right, y);
        if (k == 10 || k == rows - 1) {
            line(c, left, y - 1, right, y - 1);
            line(c, left, y - 2, right, y - 2);
        }
    }

    c.setPen(thick);
    for (int i = 0; i < 3; ++i) line(c, left + i, top, left + i, bottom);
    c.setPen(thin);
    const int separator = left + (ll + 1) * a;
    line(c, separator, top, separator, bottom);
}

}  // namespace tubra::view
