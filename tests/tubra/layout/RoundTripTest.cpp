// The proof of the import: a drawing written as a PCF and read back is the same pipeline, and a
// PCF drawn and written again is the same pipeline, compared as geometry (PipelineGeometry.h):
// the same runs of centre line and the same components by kind at the same points, within
// 1 mm, each part after moving its lowest corner to the origin. The drawings are the examples
// and drawings made as the tests make them; the PCFs are written by hand in the styles plant
// programs write (tests/data/pcf).

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "tubra/appcore/ImportDocument.h"
#include "tubra/exchange/Pcf.h"
#include "tubra/layout/PipelineGeometry.h"
#include "tubra/spatial/Sketch.h"

using namespace tubra;
namespace fs = std::filesystem;

namespace {

class Scratch {
  public:
    Scratch() : dir_(fs::temp_directory_path() / ("pcf-round-trip-" + std::to_string(::getpid()))) {
        fs::create_directories(dir_);
    }
    ~Scratch() { fs::remove_all(dir_); }
    fs::path operator/(const std::string& name) const { return dir_ / name; }

  private:
    fs::path dir_;
};

// The file imported, saved and opened again: what `tubra-cli import` writes and `model` reads.
std::unique_ptr<model::Document> importSavedAndOpened(model::AppContext& app, const fs::path& pcf,
                                                      const fs::path& hcd) {
    platform::Result<app::ImportedDrawing> imported = app::importPcfDrawing(app, pcf, {});
    EXPECT_TRUE(imported.ok()) << pcf << ": " << imported.message();
    if (imported.failed()) return nullptr;
    EXPECT_TRUE(imported->document->saveAs(hcd).ok());
    auto doc = model::Document::open(app, hcd);
    EXPECT_TRUE(doc.ok()) << doc.message();
    return doc.ok() ? std::move(doc.value()) : nullptr;
}

std::string listed(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size() && i < 20; ++i) out += lines[i] + "\n";
    return out;
}

void expectDrawingSurvives(const std::string& name, const model::Drawing& drawing,
                           const Scratch& scratch) {
    model::AppContext app;
    const spatial::RealModel before = spatial::buildRealModel(drawing);
    const fs::path pcf = scratch / (name + ".pcf");
    ASSERT_TRUE(platform::writeFileAtomically(pcf, exchange::pcfText(drawing, before)).ok());
    auto doc = importSavedAndOpened(app, pcf, scratch / (name + ".hcd"));
    ASSERT_TRUE(doc);
    const spatial::RealModel after = spatial::buildRealModel(doc->drawing);
    // A drawing without welds gets them at its welded joints from the file: they are not compared.
    const bool welds = drawing.objects.countOfKind(model::ObjectKind::Weld) > 0;
    const auto diff = tubra::testing::differences(tubra::testing::geometryOf(before, welds),
                                                  tubra::testing::geometryOf(after, welds));
    EXPECT_TRUE(diff.empty()) << name << ":\n" << listed(diff);
    // What the program rebuilds from the new drawing agrees with itself: no guessed lengths, no
    // loops that do not close, no parts left hanging.
    for (const spatial::Problem& p : after.problems)
        EXPECT_EQ(p.kind, spatial::ProblemKind::Unconnected) << name << ": " << p.message;
}

}  // namespace

TEST(PcfRoundTrip, TheExamplesComeBackAsTheSamePipeline) {
    Scratch scratch;
    for (const char* name : {"pipeline", "report", "symbol-atlas"}) {
        model::AppContext app;
        std::string error;
        auto docRead = model::Document::open(
            app, fs::path(TUBRA_SOURCE_DIR) / "examples" / (std::string(name) + ".hcd"));
        ASSERT_TRUE(docRead.ok()) << docRead.message();
        auto doc = std::move(docRead.value());
        expectDrawingSurvives(name, doc->drawing, scratch);
    }
}

TEST(PcfRoundTrip, DrawingsMadeWithTheToolsComeBackAsTheSamePipeline) {
    using namespace tubra::testing;
    Scratch scratch;
    {
        // A route round elbows with welds, valves, a support and a weld along a pipe.
        Sketch s(1200.0);
        const model::PipeObject& first = s.segment({400, -1200, 0}, kEast, 600, "3600");
        s.place(first, 0.3, 18);
        s.place(first, 0.6, 34);
        s.then(kUp, 300, "2400");
        const model::PipeObject& north = s.then(kNorth, 500, "5000");
        s.place(north, 0.5, 14);
        s.weld(north, 0.8);
        s.then(kWest, 300, "1800");
        s.then(kDown, 400, "3000");
        expectDrawingSurvives("route", s.drawing(), scratch);
    }
    for (const bool withTee : {true, false}) {
        // A branch off the middle of a pipe, with and without a tee.
        Sketch s(500.0);
        const model::PipeObject& main = s.segment({400, -1200, 0}, kEast, 1000, "8000");
        const model::Vec3 mid = middle(main);
        s.play("command 2710\n");
        s.segment(mid, kSouth, 500, "3600", withTee ? "answer yes\n" : "answer no\n");
        expectDrawingSurvives(withTee ? "tee" : "stub", s.drawing(), scratch);
    }
    for (const char* plane : {"东西南北", "上下东西", "上下南北"}) {
        // A plane-slanted segment between two runs.
        Sketch s(0.0, false);
        s.segment({400, -1200, 0}, kEast, 500, "3000");
        const model::Vec3 end = s.end();
        s.play("command 2711\n" +
               text::format("dialog plane=%s offsetA=%.0f offsetB=%.0f\n", plane, 300.0, 400.0) +
               "answer no\n" + text::format("click %.4f %.4f\n", end.x, end.y));
        expectDrawingSurvives(std::string("slanted-") + plane, s.drawing(), scratch);
    }
    {
        // Every symbol the export writes, on pipes in every direction.
        Sketch s(2000.0);
        s.segment({300, -1300, 0}, kEast, 400, "4000");
        for (int dir : {kNorth, kUp, kWest, kSouth, kDown}) s.then(dir, 400, "4000");
        model::Drawing& d = s.drawing();
        std::vector<std::size_t> pipes;
        for (std::size_t i = 0; i < d.objects.size(); ++i)
            if (d.objects.at(i).is(model::ObjectKind::Pipe)) pipes.push_back(i);
        std::size_t k = 0;
        for (const model::SymbolRow& row : model::allSymbols()) {
            const model::SymbolCode code = row.code;
            const model::ObjectKind kind = *model::kindOfSymbol(static_cast<int>(code));
            if (kind == model::ObjectKind::SiteMark) continue;
            s.place(d.objects.at(pipes[k % 6]), 0.15 + 0.14 * static_cast<double>((k / 6) % 6),
                    static_cast<int>(code));
            ++k;
        }
        expectDrawingSurvives("symbols", d, scratch);
    }
}

TEST(PcfRoundTrip, HandWrittenPcfsComeBackAsTheSamePipeline) {
    Scratch scratch;
    for (const auto& entry : fs::directory_iterator(fs::path(TUBRA_TEST_DATA) / "pcf")) {
        if (entry.path().extension() != ".pcf") continue;
        const std::string name = entry.path().stem().string();
        const platform::Result<exchange::PcfFile> original = exchange::readPcfFile(entry.path());
        ASSERT_TRUE(original.ok()) << original.message();
        model::AppContext app;
        auto doc = importSavedAndOpened(app, entry.path(), scratch / (name + ".hcd"));
        ASSERT_TRUE(doc) << name;
        const platform::Result<exchange::PcfFile> again = exchange::readPcf(
            exchange::pcfText(doc->drawing, spatial::buildRealModel(doc->drawing)));
        ASSERT_TRUE(again.ok()) << again.message();
        // A file without welds gets them at its welded joints: they are not compared.
        bool welds = false;
        for (const auto& r : original.value().records) welds = welds || r.identifier == "WELD";
        const auto diff =
            tubra::testing::differences(tubra::testing::geometryOf(original.value(), welds),
                                        tubra::testing::geometryOf(again.value(), welds));
        EXPECT_TRUE(diff.empty()) << name << ":\n" << listed(diff);
    }
}
