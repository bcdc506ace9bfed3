// Each kind of edit, as a session plays it through the window's commands: the edit, undo
// (Ctrl+Z) and redo (Ctrl+Y) give back, byte for byte, the files saved before and after it.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tubra/appcore/Commands.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/model/LineReader.h"
#include "tubra/report/Install.h"
#include "tubra/report/data/InspectionReport.h"

namespace tubra::app {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Kind {
    const char* name;
    const char* setup;  // from a new drawing to where the edit starts
    const char* edit;   // the edit itself
};

// Two segments drawn from (300, -1100): up to (300, -500), then from its end across to
// (900, -500).
constexpr const char* kTwoSegments =
    "new 0\n"
    "command 2709\n"
    "click 300 -1100\n"
    "dialog Distanc=600\n"
    "click 300 -500\n"
    "click 300 -500\n"
    "dialog Distanc=600\n"
    "click 900 -500\n"
    "rclick 2000 -1900\n";

const Kind kKinds[] = {
    {"segment", kTwoSegments,
     "command 2709\nclick 900 -500\ndialog Distanc=400\nclick 900 -900\nrclick 2000 -1900\n"},
    {"flange", kTwoSegments, "command 2716\nclick 300 -800\n"},
    {"weld and its dialog", kTwoSegments, "command 2715\ndialog\nclick 300 -800\n"},
    {"tee", kTwoSegments, "command 2717\ndialog method=与中端连接 pair=南和北\nclick 300 -800\n"},
    {"move", kTwoSegments, "command 470\nclick 300 -800\ncommand 2743\ndrag 300 -800 400 -900\n"},
    {"copy", kTwoSegments, "command 470\nclick 300 -800\ncommand 57634\ndrag 300 -800 600 -900\n"},
    {"delete", kTwoSegments, "command 470\nclick 300 -800\nkey Delete\n"},
    {"property dialog", kTwoSegments, "dialog DistTxt=777\nrclick 300 -800\n"},
    {"settings", kTwoSegments, "dialog ZhuXianColor=#00FF00\ncommand 2707\n"},
    {"table", kTwoSegments, "dialog row1=ABC\ncommand 403\n"},
    {"page setup", kTwoSegments, "dialog pageSize=A3(4200mm×2900mm)\ncommand 466\n"},
    {"report dialog", kTwoSegments, "dialog open=0 退出\ndialog text2=某化工厂\ncommand 448\n"},
    {"label move", kTwoSegments, "command 2746\ndrag 295 -790 250 -790\n"},
    {"whole-drawing move", kTwoSegments, "command 402\ndrag 500 -700 800 -900\n"},
    {"object stack", kTwoSegments, "command 2704\n"},
    {"clear all", kTwoSegments, "answer ok\ncommand 2741\n"},
};

class UndoSessions : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tubra-undo-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        installCommands(registry_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    edit::CommandRegistry registry_;
};

TEST_F(UndoSessions, EachKindOfEditIsUndoneAndRedoneToTheSameFiles) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        model::AppContext app;
        report::installInspectionReport(app);
        edit::SessionPlayer player(app, registry_, keyBindings());
        const fs::path before = dir_ / "before.hcd", after = dir_ / "after.hcd";
        const fs::path undone = dir_ / "undone.hcd", redone = dir_ / "redone.hcd";
        const std::string script = std::string(kind.setup) + "save " + before.string() + "\n" +
                                   kind.edit + "save " + after.string() + "\nkey Ctrl+Z\nsave " +
                                   undone.string() + "\nkey Ctrl+Y\nsave " + redone.string() + "\n";
        const edit::SessionResult r = player.run(script);
        ASSERT_TRUE(r.ok) << "line " << r.line << ": " << r.message;
        EXPECT_NE(slurp(before), slurp(after)) << "the edit changed nothing";
        EXPECT_EQ(slurp(undone), slurp(before));
        EXPECT_EQ(slurp(redone), slurp(after));
        // Undone, redone with the other key, undone and redone by the commands: the same files.
        const edit::SessionResult again =
            player.run("command 2760\nkey Ctrl+Shift+Z\ncommand 2760\nsave " + undone.string() +
                       "\ncommand 2761\nsave " + redone.string() + "\n");
        ASSERT_TRUE(again.ok) << "line " << again.line << ": " << again.message;
        EXPECT_EQ(slurp(undone), slurp(before));
        EXPECT_EQ(slurp(redone), slurp(after));
    }
}

TEST_F(UndoSessions, UndoingBackToTheSavedFileLeavesTheDrawingUnmodified) {
    model::AppContext app;
    edit::SessionPlayer player(app, registry_, keyBindings());
    const std::string saved = (dir_ / "a.hcd").string();
    const edit::SessionResult r = player.run(std::string(kTwoSegments) + "save " + saved +
                                             "\nexpect-modified no\n"
                                             "command 2716\nclick 300 -800\nexpect-modified yes\n"
                                             "key Ctrl+Z\nexpect-modified no\n"
                                             "key Ctrl+Y\nexpect-modified yes\n");
    EXPECT_TRUE(r.ok) << "line " << r.line << ": " << r.message;
}

TEST_F(UndoSessions, AnEditPastTheObjectLimitLeavesTheFileAsItWas) {
    model::AppContext app;
    edit::SessionPlayer player(app, registry_, keyBindings());
    const fs::path full = dir_ / "full.hcd", after = dir_ / "after.hcd";
    // A drawing one object short of the limit, then a flange and a two-object copy.
    ASSERT_TRUE(player.run(std::string(kTwoSegments)).ok);
    model::Document& doc = *player.document();
    while (doc.drawing.objects.size() + 1 < model::kMaxObjects)
        doc.drawing.objects.addCopy(doc.drawing.objects.at(0));
    doc.resetHistory();
    ASSERT_TRUE(player.run("save " + full.string() + "\n").ok);
    const edit::SessionResult r = player.run(
        "command 470\nclick 300 -800\nclick 573.66 -326 shift\ncommand 57634\nanswer ok\ndrag 300 "
        "-800 600 -900\n"
        "save " +
        after.string() + "\n");
    ASSERT_TRUE(r.ok) << "line " << r.line << ": " << r.message;
    EXPECT_EQ(slurp(after), slurp(full));
    ASSERT_TRUE(player.prompter().last());
    EXPECT_EQ(player.prompter().last()->text, model::kTooManyObjects);
}

TEST_F(UndoSessions, AReportEditPastAListLimitIsRefusedWhole) {
    // Two thickness records added to a list of 10,000: the reader would refuse the file.
    model::AppContext app;
    report::installInspectionReport(app);
    model::Document doc(app);
    report::InspectionReport* r = report::inspectionReport(doc);
    ASSERT_TRUE(r);
    report::ThicknessPoint p;
    p.pointId = "A1";
    p.thickness = 8;
    for (std::size_t i = 0; i < model::kMaxReportListItems; ++i) r->thicknessPoints.append(p);
    doc.resetHistory();
    const std::string before = doc.serialize();
    platform::DefaultAnswerPrompter prompter;
    r->thicknessPoints.append(p);
    r->thicknessPoints.append(p);
    r->Face_ReportData.texts[0] = "X";
    EXPECT_FALSE(doc.commit("测厚", model::Document::Reach::Everything, prompter));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_NE(prompter.asked[0].text.find("10000"), std::string::npos) << prompter.asked[0].text;
    EXPECT_EQ(doc.serialize(), before);
    EXPECT_FALSE(doc.isModified());
    // The report is the one read back: the list holds its 10,000 records.
    EXPECT_EQ(report::inspectionReport(doc)->thicknessPoints.count(), model::kMaxReportListItems);
}

}  // namespace
}  // namespace tubra::app
