#pragma once
// A generated plant drawing for the view benchmarks and renderings: many pipelines routed
// along the six axes across one sheet, so that pipes cross each other at many places and at
// different elevations, with elbows at the turns, welds at the pipe ends, tees, valves and
// break lines.

#include <cstddef>
#include <cstdint>

#include "platform/Canvas.h"
#include "tubra/model/Drawing.h"

namespace viewbench {

void makePlantDrawing(tubra::model::Drawing& drawing, int objects, std::uint32_t seed = 7);

// Draws nothing; counts what it is asked to draw.
class CountingCanvas : public platform::Canvas {
public:
    std::size_t calls = 0;
    platform::TextMetrics textMetrics() const override { return {}; }
    platform::Size textExtent(std::string_view) const override { return {}; }
    bool isPrinter() const override { return false; }
    double pixelsPerUnit() const override { return 1.0; }
    platform::Size deviceSize() const override { return {3000, 2100}; }

protected:
    void doLine(platform::Point, platform::Point) override { ++calls; }
    void doPolyline(std::span<const platform::Point>) override { ++calls; }
    void doPolygon(std::span<const platform::Point>) override { ++calls; }
    void doPolyBezier(std::span<const platform::Point>) override { ++calls; }
    void doEllipse(const platform::Rect&) override { ++calls; }
    void doRectangle(const platform::Rect&) override { ++calls; }
    void doFillRect(const platform::Rect&, platform::Colour) override { ++calls; }
    void doTextOut(platform::Point, std::string_view) override { ++calls; }
    int doDrawText(const platform::Rect&, const std::vector<std::string_view>&, unsigned) override {
        return ++calls, 0;
    }
};

}  // namespace viewbench
