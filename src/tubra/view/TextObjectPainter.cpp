#include "tubra/view/TextObjectPainter.h"

#include "tubra/view/Projection.h"

namespace tubra::view {

using model::truncToInt;

platform::Font textObjectFont(const model::PipeObject& o, double zoom) {
    platform::Font f;
    f.face = o.CaiLiao.str();
    const bool followsZoom = truncToInt(o.BiHou) == 1;
    f.height = truncToInt(followsZoom ? o.Port3.y * zoom : o.Port3.y);
    f.width = 0;
    f.escapement = o.dimAngle;
    f.orientation = 0;
    f.weight = 500;
    f.italic = o.Number != 0;
    f.underline = o.SubType != 0;
    f.charSet = 0;
    f.outPrecision = 4;
    f.clipPrecision = 0;
    f.quality = 2;
    f.pitchAndFamily = 48;
    return f;
}

void paintTextObject(const model::PipeObject& o, const PaintContext& ctx) {
    platform::Canvas& c = ctx.canvas;
    platform::CanvasStateGuard guard(c);
    c.setFont(textObjectFont(o, ctx.zoom()));
    c.setTextColour(ctx.settings.TextColor);
    c.setBackgroundColour(ctx.settings.BeiJingColor);
    c.textOut(devicePoint(o.Port1, ctx.zoom()), o.DistTxt.view());
}

}  // namespace tubra::view
