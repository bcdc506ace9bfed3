#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <QImage>
#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "tubra/cli/RenderCommand.h"
#include "tubra/model/DrawingFile.h"

namespace fs = std::filesystem;
using tubra::model::PipeObject;

namespace {

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("tubra_render_" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

int render(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return tubra::cli::runRender(static_cast<int>(argv.size()), argv.data());
}

// A drawing with one main pipe straight down from (1000, -500) to (1000, -900), saved with a
// zoom of 2.0 and on an A3 sheet (or A4), showing the drawing (or, with `reportMode`, report
// page 3).
fs::path writeDrawing(const fs::path& dir, int pageSize = 1, bool reportMode = false) {
    tubra::model::Drawing d;
    tubra::model::DrawingSettings s;
    d.PageSize = pageSize;
    d.ZoomPara = 2.0;
    d.IsShowReport = {reportMode ? 1 : 0, 3};
    PipeObject p;
    p.MainType = 2;
    p.EndDir = 1;
    p.Port1 = {1000, -500, 0};
    p.Port2 = {1000, -900, 0};
    d.objects.append(std::make_unique<PipeObject>(p));
    std::string text;
    tubra::model::writeDrawing(d, s, text);
    const fs::path file =
        dir / (reportMode ? "report.hcd" : pageSize ? "pipe.hcd" : "pipe-a4.hcd");
    EXPECT_TRUE(platform::writeFileAtomically(file, text).ok());
    return file;
}

std::string head(const fs::path& p, std::size_t n) {
    std::ifstream in(p, std::ios::binary);
    std::string s(n, '\0');
    in.read(s.data(), static_cast<std::streamsize>(n));
    return s;
}

}  // namespace

TEST(RenderCommand, DrawsTheSheetAtTheZoomAskedForOnTheDrawingsPage) {
    TempDir tmp;
    const fs::path in = writeDrawing(tmp.path);
    const fs::path png = tmp.path / "out.png";
    ASSERT_EQ(render({in.string(), png.string()}), 0);
    QImage image(QString::fromStdString(png.string()));
    ASSERT_FALSE(image.isNull());
    // A3 at 300 dpi; logical (1000, -700) lies at 1000 * 300 / 254 = 1181, 827.
    EXPECT_EQ(image.size(), QSize(4843, 3426));
    EXPECT_EQ(image.pixelColor(1181, 827), QColor(0, 0, 255));  // zoom 1, not the file's 2
    EXPECT_EQ(image.pixelColor(1181, 1300), QColor(255, 255, 255));

    // The picture says its resolution: printed, it has the size of the sheet.
    EXPECT_EQ(image.dotsPerMeterX(), 11811);
    EXPECT_EQ(image.dotsPerMeterY(), 11811);

    // Zoomed, the picture is the zoomed sheet: the pipe moves out with the zoom and stays in.
    const fs::path a4 = writeDrawing(tmp.path, 0);
    ASSERT_EQ(render({a4.string(), png.string(), "--zoom", "1.5"}), 0);
    image.load(QString::fromStdString(png.string()));
    EXPECT_EQ(image.size(), QSize(5138, 3632));  // 2900 x 2050 times 1.5, at 300 dpi
    EXPECT_EQ(image.pixelColor(1772, 1240), QColor(0, 0, 255));  // (1500, -1050)
    EXPECT_EQ(image.pixelColor(1181, 827), QColor(255, 255, 255));

    const fs::path zoomedSvg = tmp.path / "zoomed.svg";
    ASSERT_EQ(render({in.string(), zoomedSvg.string(), "--zoom", "3"}), 0);
    std::ifstream svgIn(zoomedSvg);
    std::stringstream svgText;
    svgText << svgIn.rdbuf();
    EXPECT_NE(svgText.str().find("viewBox=\"0 0 12300 8700\""), std::string::npos);

    const fs::path pdf = tmp.path / "out.pdf", svg = tmp.path / "out.SVG";
    ASSERT_EQ(render({in.string(), pdf.string()}), 0);
    EXPECT_EQ(head(pdf, 4), "%PDF");
    ASSERT_EQ(render({"--zoom", "1.5", in.string(), svg.string()}), 0);
    EXPECT_EQ(head(svg, 5), "<?xml");

    // Saved showing a report page: that page, A4 portrait whatever the sheet, without zoom.
    const fs::path report = writeDrawing(tmp.path, 1, true);
    ASSERT_EQ(render({report.string(), png.string(), "--zoom", "2"}), 0);
    image.load(QString::fromStdString(png.string()));
    EXPECT_EQ(image.size(), QSize(2481, 3426));
    EXPECT_EQ(image.pixelColor(2362, 1654), QColor(255, 255, 255));  // no pipe
}

TEST(RenderCommand, LargeZoomsKeepThePictureWithinItsPixelBudget) {
    using tubra::cli::imagePixelsPerUnit;
    EXPECT_DOUBLE_EQ(imagePixelsPerUnit({2900, 2050}), 300.0 / 254.0);
    EXPECT_DOUBLE_EQ(imagePixelsPerUnit({4100 * 2, 2900 * 2}), 300.0 / 254.0);
    for (const platform::Size sheet : {platform::Size{4100 * 11, 2900 * 11}, {2900 * 4, 2050 * 4}}) {
        const double ppu = imagePixelsPerUnit(sheet);
        const double pixels = sheet.cx * ppu * sheet.cy * ppu;
        EXPECT_LT(ppu, 300.0 / 254.0);
        EXPECT_LE(pixels, 64.0 * 1024 * 1024 * 1.0001);
        EXPECT_GT(pixels, 64.0 * 1024 * 1024 * 0.999);
    }
}

TEST(RenderCommand, WrongCommandLinesAndUnreadableFiles) {
    TempDir tmp;
    const fs::path in = writeDrawing(tmp.path);
    const std::string out = (tmp.path / "x.png").string();
    EXPECT_EQ(render({}), 2);
    EXPECT_EQ(render({in.string()}), 2);
    EXPECT_EQ(render({in.string(), out, "extra"}), 2);
    EXPECT_EQ(render({in.string(), (tmp.path / "x.jpg").string()}), 2);
    EXPECT_EQ(render({in.string(), out, "--zoom"}), 2);
    EXPECT_EQ(render({in.string(), out, "--zoom", "0.05"}), 2);
    EXPECT_EQ(render({in.string(), out, "--zoom", "2x"}), 2);
    EXPECT_EQ(render({in.string(), out, "--zoom", "nan"}), 2);
    EXPECT_EQ(render({(tmp.path / "missing.hcd").string(), out}), 1);
    EXPECT_EQ(render({in.string(), (tmp.path / "no" / "dir" / "x.png").string()}), 1);
    EXPECT_FALSE(fs::exists(out));
}
