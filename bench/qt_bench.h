#pragma once
// What the benchmark programs that paint through Qt share: one fixture made on first use, and
// a main that runs the benchmarks inside a QGuiApplication (offscreen unless a platform is
// set) and drops the fixture before the application object, whose fonts it holds.

#include <QGuiApplication>
#include <QPainter>

#include <memory>

#include <benchmark/benchmark.h>

#include "platform/qt/QtCanvas.h"
#include "tubra/view/Paint.h"

namespace qtbench {

template <class Fixture>
std::unique_ptr<Fixture>& fixtureSlot() {
    static std::unique_ptr<Fixture> s;
    return s;
}

template <class Fixture>
Fixture& fixture() {
    std::unique_ptr<Fixture>& s = fixtureSlot<Fixture>();
    if (!s) s = std::make_unique<Fixture>();
    return *s;
}

// A window's paint of its view: white, then the drawing through the Qt canvas, scrolled by
// `scroll` device pixels.
inline void paintWindow(QPainter& painter, tubra::model::Document& doc, tubra::view::ViewState& view,
                        platform::Size size, double pixelsPerUnit, platform::Point scroll,
                        platform::qt::QtTextCache& textCache) {
    painter.fillRect(0, 0, size.cx, size.cy, Qt::white);
    platform::qt::QtCanvas::Options o;
    o.pixelsPerUnit = pixelsPerUnit;
    o.deviceSize = size;
    o.textCache = &textCache;
    o.batchLines = true;
    platform::qt::QtCanvas canvas(painter, o);
    canvas.setViewportOrigin({-scroll.x, -scroll.y});
    tubra::view::OnDraw(doc, view, canvas);
}

template <class Fixture>
int runBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fixtureSlot<Fixture>().reset();
    return 0;
}

}  // namespace qtbench
