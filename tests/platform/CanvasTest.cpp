#include <gtest/gtest.h>

#include "platform/RecordingCanvas.h"

using namespace platform;

TEST(Canvas, StateSettersReturnThePreviousValueAndSaveRestoreBringsEverythingBack) {
    RecordingCanvas c;
    EXPECT_EQ(c.setPen({PenStyle::Dash, 3, 0x123456}), (Pen{PenStyle::Solid, 1, 0}));
    const CanvasState before = c.state();
    c.save();
    c.setPen({PenStyle::Dot, 1, 0xFF});
    c.setBrush(Brush::null());
    c.setRasterOp(RasterOp::XorPen);
    c.setTextColour(0xFF);
    c.setBackgroundMode(BackgroundMode::Transparent);
    c.setWindowOrigin({10, -20});
    c.restore();
    EXPECT_EQ(c.state(), before);
    c.restore();  // unbalanced: ignored
    EXPECT_EQ(c.state(), before);
    {
        CanvasStateGuard guard(c);
        c.setRasterOp(RasterOp::Not);
    }
    EXPECT_EQ(c.rasterOp(), RasterOp::Copy);
}

TEST(Canvas, LogicalAndDeviceConversionFollowTheWindowOriginWithYUp) {
    RecordingCanvas::Options o;
    o.pixelsPerUnit = 0.5;
    o.deviceSize = {200, 100};
    RecordingCanvas c(o);
    c.setWindowOrigin({100, -50});
    EXPECT_EQ(c.toDevice(Point{100, -50}), (Point{0, 0}));
    EXPECT_EQ(c.toDevice(Point{300, -250}), (Point{100, 100}));
    EXPECT_EQ(c.toLogical(Point{100, 100}), (Point{300, -250}));
    EXPECT_EQ(c.clipBox(), (Rect{100, -50, 500, -250}));
    c.setViewportOrigin({10, 20});
    EXPECT_EQ(c.toDevice(Point{100, -50}), (Point{10, 20}));
    EXPECT_EQ(c.toLogical(Point{10, 20}), (Point{100, -50}));
}

TEST(Canvas, RecordingMetricsFollowTheDocumentedRule) {
    RecordingCanvas c;
    Font f;
    f.height = 30;
    f.width = 10;
    c.setFont(f);
    EXPECT_EQ(c.textMetrics(), (TextMetrics{30, 24, 6, 0, 0, 10, 20}));
    // Two bytes of one Chinese character plus two ASCII bytes.
    EXPECT_EQ(c.textExtent("\xD6\xD0" "ab"), (Size{40, 30}));
    f.height = -26;
    f.width = 0;
    c.setFont(f);
    EXPECT_EQ(c.textMetrics().aveCharWidth, 13);
    EXPECT_EQ(c.textMetrics().height, 26);
}

TEST(Canvas, RecordsCallsWithTheirStateAndAnswersSegmentQueries) {
    RecordingCanvas c;
    const Pen red{PenStyle::Solid, 4, 0x0000FF};
    c.setPen(red);
    c.moveTo({0, 0});
    c.lineTo({10, 0});
    c.lineTo({10, -10});
    EXPECT_EQ(c.currentPosition(), (Point{10, -10}));
    c.setPen({PenStyle::Dash, 1, 0x00FF00});
    c.setRasterOp(RasterOp::XorPen);
    const Point tri[] = {{0, 0}, {5, 5}, {10, 0}};
    c.polygon(tri);
    const Point one[] = {{1, 1}};
    c.polyline(one);  // fewer than two points draw nothing
    const Point bez[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    c.polyBezier(bez);  // the trailing partial curve is dropped

    ASSERT_EQ(c.calls().size(), 4u);
    EXPECT_EQ(c.callsOf(CallKind::PolyBezier)[0].points.size(), 4u);
    const auto redLines = c.segmentsWithPen(red);
    ASSERT_EQ(redLines.size(), 2u);
    EXPECT_TRUE(redLines[1].joins({10, -10}, {10, 0}));
    const auto green = c.segmentsInColour(0x00FF00);
    ASSERT_EQ(green.size(), 3u);  // the polygon closes itself
    EXPECT_EQ(green[2].rasterOp, RasterOp::XorPen);
    EXPECT_TRUE(green[2].joins({10, 0}, {0, 0}));
}

TEST(Canvas, DrawTextSplitsLinesAndTheSharedLayoutPlacesThem) {
    RecordingCanvas c;
    Font f;
    f.height = 20;
    f.width = 10;
    c.setFont(f);
    EXPECT_EQ(c.drawText({0, 0, 100, -100}, "ab\r\ncd\nef", TextFormat::Left), 60);
    EXPECT_EQ(c.texts(), std::vector<std::string>{"ab\r\ncd\r\nef"});
    EXPECT_EQ(c.drawText({0, 0, 100, -100}, "ab\r\ncd", TextFormat::SingleLine), 20);
    EXPECT_EQ(c.drawText({0, 0, 100, -100}, "", 0), 0);

    EXPECT_EQ(splitTextLines("a\rb\r\n\nc"), (std::vector<std::string_view>{"a", "b", "", "c"}));
    // Rectangles given in either order lay out the same.
    const auto centred = layoutTextLines({100, -10, 0, -50}, {40, 20}, 20, TextFormat::Center);
    EXPECT_EQ(centred, (std::vector<Point>{{30, -10}, {40, -30}}));
    const auto middle = layoutTextLines({0, 0, 100, -100}, {40}, 20,
                                        TextFormat::SingleLine | TextFormat::VCenter |
                                            TextFormat::Right);
    EXPECT_EQ(middle, (std::vector<Point>{{60, -40}}));
}
