#pragma once
// The Qt canvas the tools draw their feedback with, on the view's picture: it notes which
// pixels it touched, as a region of small rectangles along every line, so that only those are
// shown again (a long rubber band across the window touches a thin strip, not its bounding box).

#include <span>

#include <QRegion>

#include "platform/qt/QtCanvas.h"

namespace tubra::app {

class FeedbackCanvas : public platform::qt::QtCanvas {
public:
    using QtCanvas::QtCanvas;
    // The device pixels drawn on since construction.
    const QRegion& touched() const { return touched_; }

protected:
    void doLine(platform::Point a, platform::Point b) override;
    void doPolyline(std::span<const platform::Point> points) override;
    void doPolygon(std::span<const platform::Point> points) override;
    void doPolyBezier(std::span<const platform::Point> points) override;
    void doEllipse(const platform::Rect& r) override;
    void doRectangle(const platform::Rect& r) override;
    void doFillRect(const platform::Rect& r, platform::Colour c) override;
    void doTextOut(platform::Point p, std::string_view gbk) override;
    int doDrawText(const platform::Rect& r, const std::vector<std::string_view>& lines, unsigned f) override;

private:
    int margin() const;
    void noteLine(platform::Point a, platform::Point b);
    void noteBox(platform::Point a, platform::Point b);
    void noteAll();

    QRegion touched_;
};

}  // namespace tubra::app
