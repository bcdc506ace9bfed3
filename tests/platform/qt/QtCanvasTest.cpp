// The Qt canvas on real pixels: line work where the model puts it, XOR that undoes itself,
// fonts mapped to installed faces with their real widths, and the page files.

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPicture>
#include <QSvgRenderer>
#include <gtest/gtest.h>

#include "platform/qt/PageCanvas.h"
#include "platform/qt/QtCanvas.h"
#include "text/Gbk.h"
#include "tubra/view/LineWork.h"
#include "tubra/view/Paint.h"

using namespace platform;
using namespace platform::qt;
using tubra::model::ObjectKind;
using tubra::model::PipeObject;
using tubra::model::Vec3;

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "platform_qt_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QGuiApplication> app_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

PipeObject pipe(Vec3 a, Vec3 b, int subType, double endDir) {
    PipeObject o;
    o.MainType = tubra::model::kindValue(ObjectKind::Pipe);
    o.SubType = subType;
    o.Port1 = a;
    o.Port2 = b;
    o.EndDir = endDir;
    return o;
}

QColor pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

// A drawing painted into a 2900 x 2050 image (one pixel per 0.1 mm), background first.
struct Rendered {
    tubra::model::AppContext app;
    tubra::model::Document doc{app};
    tubra::view::ViewState view;
    std::unique_ptr<PageCanvas> page;

    Rendered() {
        tubra::view::initialUpdate(view, doc.drawing);
        page = PageCanvas::create(PageFormat::Png, {2900, 2050}, 1.0, app.settings.BeiJingColor);
    }
    const QImage& image() const { return *page->image(); }
};

}  // namespace

TEST(QtCanvas, APipeIsDrawnInItsColourWhereItIsAndTheBackgroundElsewhere) {
    Rendered r;
    r.doc.drawing.objects.append(std::make_unique<PipeObject>(
        pipe({500, -300, 0}, {500, -1000, 0}, 0, 1)));  // main pipe, down
    r.doc.drawing.objects.append(std::make_unique<PipeObject>(
        pipe({1000, -300, 0}, {1000, -1000, 0}, 1, 1)));  // branch pipe
    tubra::view::OnDraw(r.doc, r.view, r.page->canvas());
    const QImage& img = r.image();
    ASSERT_EQ(img.size(), QSize(2900, 2050));
    // Logical (500, -600) is pixel (500, 600).
    EXPECT_EQ(pixel(img, 500, 600), QColor(0, 0, 255));  // ZhuXianColor 0xFF0000 is blue
    EXPECT_EQ(pixel(img, 501, 800), QColor(0, 0, 255));   // 4 units wide
    EXPECT_EQ(pixel(img, 1000, 600), QColor(220, 30, 230));
    EXPECT_EQ(pixel(img, 510, 600), QColor(255, 255, 255));
    EXPECT_EQ(pixel(img, 500, 1100), QColor(255, 255, 255));  // past the end
    EXPECT_EQ(pixel(img, 2000, 1500), QColor(255, 255, 255));
    // The axis indicator's black up-line at (120, -210..-155).
    EXPECT_EQ(pixel(img, 120, 190), QColor(0, 0, 0));
}

TEST(QtCanvas, XorSelectionDrawnTwiceRestoresEveryPixel) {
    Rendered r;
    auto& list = r.doc.drawing.objects;
    auto& p = list.append(std::make_unique<PipeObject>(pipe({500, -300, 0}, {500, -1000, 0}, 0, 1)));
    PipeObject weld;
    weld.MainType = tubra::model::kindValue(ObjectKind::Weld);
    weld.Port1 = {500, -600, 0};
    auto& w = list.append(std::make_unique<PipeObject>(weld));
    tubra::view::OnDraw(r.doc, r.view, r.page->canvas());
    const QImage before = r.image().copy();

    r.doc.selection.add(&p);
    r.doc.selection.add(&w);
    const tubra::view::PaintContext ctx{r.page->canvas(), r.app.settings, r.view};
    tubra::view::drawSelectionOverlay(r.doc.selection, ctx);
    // Blue XOR the grey selection colour.
    EXPECT_EQ(pixel(r.image(), 500, 800), QColor(150, 150, 105));
    EXPECT_NE(r.image(), before);
    tubra::view::drawSelectionOverlay(r.doc.selection, ctx);
    EXPECT_EQ(r.image(), before);

    // NOT inverts and comes back too.
    Canvas& c = r.page->canvas();
    c.setRasterOp(RasterOp::Not);
    c.setPen({PenStyle::Solid, 6, 0x000000});
    c.moveTo({100, -1500});
    c.lineTo({800, -1500});
    EXPECT_EQ(pixel(r.image(), 400, 1500), QColor(0, 0, 0));
    c.moveTo({100, -1500});
    c.lineTo({800, -1500});
    EXPECT_EQ(r.image(), before);
}

TEST(QtCanvas, FontsMapToInstalledFacesWithRequestedWidthsAndRealExtents) {
    EXPECT_EQ(familyForFace(text::gbk("宋体"), 48), "Noto Serif CJK SC");
    EXPECT_EQ(familyForFace(text::gbk("黑体"), 0), "Noto Sans CJK SC");
    EXPECT_EQ(familyForFace("arail", 48), "Noto Sans CJK SC");
    EXPECT_EQ(QFontInfo(QFont(familyForFace(text::gbk("宋体"), 0))).family(), "Noto Serif CJK SC");

    QImage img(600, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    QtCanvas::Options o;
    o.pixelsPerUnit = 1.0;
    o.deviceSize = {600, 300};
    QtCanvas c(painter, o);
    Font f;
    f.face = text::gbk("宋体");
    f.height = 30;
    f.width = 10;
    c.setFont(f);
    const TextMetrics m = c.textMetrics();
    EXPECT_EQ(m.height, 30);
    EXPECT_EQ(m.aveCharWidth, 10);
    EXPECT_EQ(m.maxCharWidth, 20);
    // A font with a width lays its texts out in cells: a Chinese character is as wide as two
    // average characters, every Latin letter as wide as one, so every text is its byte count
    // times the average width, as the layouts reckon.
    EXPECT_EQ(c.textExtent(text::gbk("管线")).cx, 40);
    EXPECT_EQ(c.textExtent("iiii").cx, 40);
    EXPECT_EQ(c.textExtent("MMMM").cx, 40);
    EXPECT_EQ(c.textExtent(text::gbk("φ159×6、φ57×4")).cx, 170);
    // Without a width the face keeps its proportions.
    Font proportional = f;
    proportional.width = 0;
    c.setFont(proportional);
    const int narrow = c.textExtent("iiii").cx, wide = c.textExtent("MMMM").cx;
    EXPECT_LT(narrow, wide);
    EXPECT_GT(wide, 20);
    c.setFont(f);

    // Opaque text: the cell gets the background colour, the glyphs the text colour.
    c.setTextColour(0x0000FF);
    c.setBackgroundColour(0x00FF00);
    c.setWindowOrigin({0, 0});
    c.textOut({100, -100}, text::gbk("管线"));
    painter.end();
    int red = 0, green = 0;
    for (int y = 100; y < 130; ++y)
        for (int x = 100; x < 140; ++x) {
            const QColor px = img.pixelColor(x, y);
            red += px.red() > 200 && px.green() < 60;
            green += px.green() > 200 && px.red() < 60;
        }
    EXPECT_GT(red, 40);
    EXPECT_GT(green, 200);
    EXPECT_EQ(img.pixelColor(150, 115), QColor(Qt::white));  // right of the cell
    EXPECT_EQ(img.pixelColor(120, 135), QColor(Qt::white));  // below it
}

TEST(QtCanvas, DrawTextClipsToItsRectangleAndRotatedTextTurnsCounterClockwise) {
    QImage img(400, 400, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    QtCanvas::Options o;
    o.pixelsPerUnit = 1.0;
    o.deviceSize = {400, 400};
    QtCanvas c(painter, o);
    Font f;
    f.face = "arail";
    f.height = 40;
    c.setFont(f);
    c.setBackgroundMode(BackgroundMode::Transparent);
    c.drawText({10, -10, 60, -60}, "WWWWWWWWWW", TextFormat::Left);
    f.escapement = 900;  // upward
    c.setFont(f);
    c.textOut({200, -350}, "WWWW");
    painter.end();
    auto inked = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += qGray(img.pixel(x, y)) < 128;
        return n;
    };
    EXPECT_GT(inked(10, 10, 60, 50), 50);
    EXPECT_EQ(inked(61, 0, 400, 60), 0);  // clipped at the right edge
    // Turned by 90 degrees the text reads upward from (200, 350); the tops of its letters face
    // left, so its cell lies right of x = 200.
    EXPECT_GT(inked(200, 200, 245, 350), 50);
    EXPECT_EQ(inked(140, 200, 199, 400), 0);
    EXPECT_EQ(inked(200, 351, 260, 400), 0);
}

TEST(QtCanvas, PagesAreWrittenAsPngPdfAndSvg) {
    EXPECT_EQ(pageFormatFor("a/b.PNG"), PageFormat::Png);
    EXPECT_EQ(pageFormatFor("x.pdf"), PageFormat::Pdf);
    EXPECT_EQ(pageFormatFor("x.svg"), PageFormat::Svg);
    EXPECT_FALSE(pageFormatFor("x.jpg"));
    const auto dir = std::filesystem::temp_directory_path() / "tubra_qt_pages";
    std::filesystem::create_directories(dir);
    for (const auto& [name, magic] : {std::pair{"p.png", std::string("\x89PNG")},
                                      std::pair{"p.pdf", std::string("%PDF")},
                                      std::pair{"p.svg", std::string("<?xml")}}) {
        auto page = PageCanvas::create(*pageFormatFor(name), {2900, 2050});
        page->canvas().setPen({PenStyle::Solid, 4, 0xFF0000});
        page->canvas().moveTo({100, -100});
        page->canvas().lineTo({2000, -1000});
        page->canvas().textOut({200, -200}, text::gbk("管线"));
        ASSERT_TRUE(page->finish(dir / name).ok()) << name;
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        EXPECT_EQ(s.str().substr(0, magic.size()), magic) << name;
    }
    std::filesystem::remove_all(dir);
}

namespace {

// Dark pixels of an image inside [x0, x1) x [y0, y1).
int inked(const QImage& img, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(img.height(), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(img.width(), x1); ++x)
            n += qGray(img.pixel(x, y)) < 128;
    return n;
}

Font tableFont() {
    Font f;
    f.face = text::gbk("宋体");
    f.height = 26;
    f.width = 13;
    f.outPrecision = 4;
    f.quality = 2;
    f.pitchAndFamily = 48;
    return f;
}

}  // namespace

TEST(QtCanvas, TextsTakeExactlyTheWidthTheirLayoutGaveThem) {
    // Latin capitals are wider than the average character in the substitute faces; laid out in
    // cells they still end where the layout's byte count says, and nothing is cut off.
    const std::string number = "WWW-MMM-1102-150-B1AH";
    const std::string value(40, 'W');
    for (const Font& font : {tableFont(), [] {
             Font f;
             f.face = "arail";
             f.height = 30;
             f.width = 15;
             f.weight = 500;
             f.pitchAndFamily = 48;
             return f;
         }()}) {
        QImage img(900, 120, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter painter(&img);
        QtCanvas::Options o;
        o.pixelsPerUnit = 1.0;
        o.deviceSize = {900, 120};
        QtCanvas c(painter, o);
        c.setFont(font);
        c.setBackgroundMode(BackgroundMode::Transparent);
        const int a = c.textMetrics().aveCharWidth;
        ASSERT_EQ(a, font.width);
        const int width = static_cast<int>(number.size()) * a;
        EXPECT_EQ(c.textExtent(number).cx, width);
        c.drawText({10, -10, 10 + width, -50}, number, TextFormat::NoClip);
        const int right = 10 + static_cast<int>(value.size()) * a;
        c.textOut({10, -60}, value);
        painter.end();
        // The last letter is there, in the last cell, and no ink goes past the box.
        EXPECT_GT(inked(img, 10 + width - a, 10, 10 + width, 50), 8) << font.height;
        EXPECT_EQ(inked(img, 10 + width + 1, 10, 900, 50), 0) << font.height;
        EXPECT_GT(inked(img, right - a, 60, right, 100), 8) << font.height;
        EXPECT_EQ(inked(img, right + 1, 60, 900, 100), 0) << font.height;
    }
}

TEST(QtCanvas, ALongTableValueKeepsTheFrameWhole) {
    // A 40-byte value in the characteristic table: the table grows to hold it, and its opaque
    // box stops short of the frame's right edge at x = 2800.
    Rendered r;
    r.doc.drawing.table.values[0] = std::string(40, 'W');
    r.doc.drawing.table.values[1] = "WWW-MMM-1102-150-B1AH";
    tubra::view::OnDraw(r.doc, r.view, r.page->canvas());
    const QImage& img = r.image();
    // Rows of the first two entries, from y = -100 down; the border is black there.
    for (int y = 108; y < 180; ++y) {
        EXPECT_EQ(pixel(img, 2799, y), QColor(0, 0, 0)) << y;
        EXPECT_EQ(pixel(img, 2798, y), QColor(0, 0, 0)) << y;
    }
    EXPECT_EQ(inked(img, 2803, 100, 2900, 900), 0);
}

TEST(QtCanvas, SvgPagesShowTextAsPdfPagesDo) {
    const auto dir = std::filesystem::temp_directory_path() / "tubra_qt_svg";
    std::filesystem::create_directories(dir);
    auto page = PageCanvas::create(PageFormat::Svg, {1000, 400});
    Canvas& c = page->canvas();
    Font f = tableFont();
    c.setFont(f);
    c.setBackgroundMode(BackgroundMode::Opaque);
    c.setBackgroundColour(0xFFFFFF);
    // Clipped to its box: the rest of the text must not run on to the right.
    c.drawText({100, -100, 300, -140}, std::string(40, 'M'), TextFormat::Left);
    f.underline = true;
    c.setFont(f);
    c.textOut({100, -250}, text::gbk("原料罐区来"));
    ASSERT_TRUE(page->finish(dir / "t.svg").ok());
    std::ifstream in(dir / "t.svg");
    std::stringstream s;
    s << in.rdbuf();
    // Every text is an outline, the underlined one too; none depends on a named font.
    EXPECT_EQ(s.str().find("<text"), std::string::npos);

    QSvgRenderer svg(QString::fromStdString((dir / "t.svg").string()));
    ASSERT_TRUE(svg.isValid());
    QImage img(1000, 400, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    svg.render(&painter, QRectF(0, 0, 1000, 400));
    painter.end();
    EXPECT_GT(inked(img, 100, 100, 300, 130), 200);
    EXPECT_EQ(inked(img, 302, 95, 1000, 145), 0);
    // The underline runs under all five characters (5 x 26 wide) below their glyphs.
    int underlined = 0;
    for (int y = 270; y < 285; ++y)
        underlined = std::max(underlined, inked(img, 100, y, 230, y + 1));
    EXPECT_GT(underlined, 120);
    std::filesystem::remove_all(dir);
}

TEST(QtCanvas, RecordedPagesKeepThinLinesWhenShrunkForPreview) {
    // The print preview records the printer's page (here 1200 dpi) and draws it again on the
    // screen about fourteen times smaller, without smoothing. Every line must survive that whole:
    // pipes, branch pipes and symbol strokes of 1 to 4 units, solid and dashed.
    constexpr double kPrinterPixelsPerUnit = 1200.0 / 254.0;
    QPicture picture;
    {
        QPainter painter(&picture);
        QtCanvas::Options o;
        o.pixelsPerUnit = kPrinterPixelsPerUnit;
        o.deviceSize = {14000, 10000};
        o.printer = true;
        QtCanvas c(painter, o);
        int y = -100;
        for (const PenStyle style : {PenStyle::Solid, PenStyle::Dash, PenStyle::DashDot}) {
            for (int width = 1; width <= 4; ++width) {
                c.setPen({style, width, 0x000000});
                c.moveTo({100, y});
                c.lineTo({2800, y});
                y -= 60;
            }
        }
    }
    const double shrink = 0.07;
    QImage screen(1400, 1000, QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        QPainter painter(&screen);
        painter.scale(shrink, shrink);
        painter.drawPicture(0, 0, picture);
    }
    int y = -100;
    for (int line = 0; line < 12; ++line, y -= 60) {
        const bool dashed = line >= 4;
        const int row = static_cast<int>(-y * kPrinterPixelsPerUnit * shrink);
        const int x0 = static_cast<int>(100 * kPrinterPixelsPerUnit * shrink) + 2;
        const int x1 = static_cast<int>(2800 * kPrinterPixelsPerUnit * shrink) - 2;
        int inkedColumns = 0;
        for (int x = x0; x < x1; ++x) {
            bool ink = false;
            for (int dy = -2; dy <= 2 && !ink; ++dy) ink = qGray(screen.pixel(x, row + dy)) < 100;
            inkedColumns += ink;
        }
        const double share = static_cast<double>(inkedColumns) / (x1 - x0);
        // Solid lines are whole and dark; dashed ones keep their dashes (half to three quarters ink).
        EXPECT_GT(share, dashed ? 0.4 : 0.97) << "line " << line;
    }
}

namespace {

// One step of a paint as the window's paints mix them: lines of one pen in a row, then of
// another; thin, a few pixels wide, dashed, under XOR; texts along the axes with and without
// an opaque box, in changing colours; fills, outlines and ellipses in between. Every step sets
// the whole state it draws with.
void paintStep(Canvas& c, int step) {
    const Colour colours[] = {0xFF0000, 0x0000FF, 0x008000, 0x800080};
    const Colour colour = colours[step % 4];
    const int x = 40 + (step % 9) * 37, y = -30 - (step / 9) * 41;
    Font f;
    f.face = text::gbk("宋体");
    f.height = 18;
    f.width = 9;
    f.escapement = (step % 3 - 1) * 300;
    c.setFont(f);
    c.setTextColour(colours[(step + 1) % 4]);
    c.setBackgroundColour(0xFFFFC0);
    c.setBackgroundMode(step % 2 ? BackgroundMode::Opaque : BackgroundMode::Transparent);
    c.setBrush(step % 5 ? Brush::solid(0xC0E0FF) : Brush::null());
    c.setRasterOp(step % 11 == 10 ? RasterOp::XorPen : RasterOp::Copy);
    const PenStyle style = step % 7 == 6 ? PenStyle::Dash : PenStyle::Solid;
    c.setPen({style, step % 4 == 3 ? 8 : 1, colour});
    switch (step % 6) {
        case 0:
        case 1:
        case 2:
            // Crossing lines of one pen, touching and overlapping.
            for (int k = 0; k < 5; ++k) {
                c.moveTo({x + 3 * k, y});
                c.lineTo({x + 60 - 5 * k, y - 50 + 2 * k});
            }
            c.moveTo({x, y - 25});
            c.lineTo({x + 60, y - 25});
            break;
        case 3:
            // A line, a text, and a line of the same pen again.
            c.moveTo({x, y - 45});
            c.lineTo({x + 50, y - 5});
            c.textOut({x, y - 10}, text::gbk("焊缝12号"));
            c.moveTo({x, y});
            c.lineTo({x + 50, y - 40});
            break;
        case 4:
            c.fillRect({x + 10, y - 10, x + 40, y - 40}, 0xE0E0E0);
            c.moveTo({x, y - 20});
            c.lineTo({x + 50, y - 20});
            c.ellipse({x + 5, y - 5, x + 30, y - 30});
            break;
        default:
            c.rectangle({x, y - 5, x + 45, y - 35});
            c.textOut({x + 5, y - 20}, text::gbk("DN100 管道"));
            break;
    }
}

// Every call made by a Qt canvas of its own, on a painter of its own, given the whole state:
// nothing is left from the call before.
class FreshCanvasPerCall : public Canvas {
public:
    FreshCanvasPerCall(QImage& image, QtCanvas::Options o) : image_(image), o_(o) {}
    TextMetrics textMetrics() const override { return {}; }
    Size textExtent(std::string_view) const override { return {}; }
    bool isPrinter() const override { return false; }
    double pixelsPerUnit() const override { return o_.pixelsPerUnit; }
    Size deviceSize() const override { return o_.deviceSize; }

protected:
    template <typename Draw>
    void fresh(Draw&& draw) {
        QPainter painter(&image_);
        QtCanvas c(painter, o_);
        c.setPen(pen());
        c.setBrush(brush());
        c.setFont(font());
        c.setRasterOp(rasterOp());
        c.setTextColour(textColour());
        c.setBackgroundColour(backgroundColour());
        c.setBackgroundMode(backgroundMode());
        draw(c);
    }
    void doLine(Point a, Point b) override {
        fresh([&](Canvas& c) {
            c.moveTo(a);
            c.lineTo(b);
        });
    }
    void doPolyline(std::span<const Point> p) override { fresh([&](Canvas& c) { c.polyline(p); }); }
    void doPolygon(std::span<const Point> p) override { fresh([&](Canvas& c) { c.polygon(p); }); }
    void doPolyBezier(std::span<const Point> p) override { fresh([&](Canvas& c) { c.polyBezier(p); }); }
    void doEllipse(const Rect& r) override { fresh([&](Canvas& c) { c.ellipse(r); }); }
    void doRectangle(const Rect& r) override { fresh([&](Canvas& c) { c.rectangle(r); }); }
    void doFillRect(const Rect& r, Colour colour) override { fresh([&](Canvas& c) { c.fillRect(r, colour); }); }
    void doTextOut(Point p, std::string_view gbk) override { fresh([&](Canvas& c) { c.textOut(p, gbk); }); }
    int doDrawText(const Rect&, const std::vector<std::string_view>&, unsigned) override { return 0; }

private:
    QImage& image_;
    QtCanvas::Options o_;
};

// Through one canvas, or every call through a fresh one.
QImage paintSteps(bool oneCanvas, bool batchLines) {
    QImage image(400, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QtCanvas::Options o;
    o.pixelsPerUnit = 1.0;
    o.deviceSize = {400, 400};
    o.batchLines = batchLines;
    QtTextCache texts;
    o.textCache = &texts;
    if (oneCanvas) {
        QPainter painter(&image);
        QtCanvas canvas(painter, o);
        for (int step = 0; step < 81; ++step) paintStep(canvas, step);
    } else {
        FreshCanvasPerCall canvas(image, o);
        for (int step = 0; step < 81; ++step) paintStep(canvas, step);
    }
    return image;
}

}  // namespace

// The window's canvas sets on the painter only what changed since its last call, and hands
// lines of one pen in a row to the painter together: the pixels are those of every call made
// by a canvas of its own on a painter of its own, which sets everything.
TEST(QtCanvas, ACanvasThatSetsOnlyWhatChangedAndBatchesLinesPaintsWhatFreshCanvasesPaint) {
    const QImage fresh = paintSteps(false, false);
    EXPECT_EQ(paintSteps(true, false), fresh);
    EXPECT_EQ(paintSteps(true, true), fresh);
    // Not a blank picture: lines, texts and fills all left pixels.
    int ink = 0;
    for (int y = 0; y < fresh.height(); ++y)
        for (int x = 0; x < fresh.width(); ++x) ink += fresh.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(ink, 10000);
}
