// The Qt canvas on real pixels: line work where the model puts it, XOR that undoes itself,
// fonts mapped to installed faces with their real widths, and the page files.

#include <fstream>
#include <memory>
#include <sstream>

#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
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
        tubra::view::InitialUpdate(view, doc.drawing);
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
    tubra::view::DrawSelectionOverlay(r.doc.selection, ctx);
    // Blue XOR the grey selection colour.
    EXPECT_EQ(pixel(r.image(), 500, 800), QColor(150, 150, 105));
    EXPECT_NE(r.image(), before);
    tubra::view::DrawSelectionOverlay(r.doc.selection, ctx);
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
    // A Chinese character is as wide as two average characters; Latin text is proportional.
    EXPECT_EQ(c.textExtent(text::gbk("管线")).cx, 40);
    const int narrow = c.textExtent("iiii").cx, wide = c.textExtent("MMMM").cx;
    EXPECT_LT(narrow, wide);
    EXPECT_GT(wide, 20);

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
        ASSERT_FALSE(page->finish(dir / name)) << name;
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        EXPECT_EQ(s.str().substr(0, magic.size()), magic) << name;
    }
    std::filesystem::remove_all(dir);
}
