#pragma once
// A canvas that draws nothing, for paints whose only purpose is their effect on the drawing
// (labels laid out and stored at the first paint) and for feedback nobody sees.

#include "platform/Canvas.h"

namespace tubra::edit {

class NullCanvas : public platform::Canvas {
public:
    NullCanvas(double pixelsPerUnit, platform::Size deviceSize)
        : ppu_(pixelsPerUnit), size_(deviceSize) {}

    platform::TextMetrics textMetrics() const override {
        const int h = font().height == 0 ? 40 : std::abs(font().height);
        const int w = font().width > 0 ? font().width : h / 2;
        return {h, h - h / 5, h / 5, 0, 0, w, 2 * w};
    }
    platform::Size textExtent(std::string_view gbk) const override {
        const platform::TextMetrics m = textMetrics();
        return {static_cast<int>(gbk.size()) * m.aveCharWidth, m.height};
    }
    bool isPrinter() const override { return false; }
    double pixelsPerUnit() const override { return ppu_; }
    platform::Size deviceSize() const override { return size_; }

protected:
    void doLine(platform::Point, platform::Point) override {}
    void doPolyline(std::span<const platform::Point>) override {}
    void doPolygon(std::span<const platform::Point>) override {}
    void doPolyBezier(std::span<const platform::Point>) override {}
    void doEllipse(const platform::Rect&) override {}
    void doRectangle(const platform::Rect&) override {}
    void doFillRect(const platform::Rect&, platform::Colour) override {}
    void doTextOut(platform::Point, std::string_view) override {}
    int doDrawText(const platform::Rect&, const std::vector<std::string_view>& lines, unsigned) override {
        return textMetrics().height * static_cast<int>(lines.size());
    }

private:
    double ppu_;
    platform::Size size_;
};

}  // namespace tubra::edit
