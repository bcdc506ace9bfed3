// The report commands: which dialog each opens, and the report page shown after it.

#include "tubra/appcore/ReportDialogCommands.h"

#include <gtest/gtest.h>

#include "tubra/appcore/Commands.h"
#include "tubra/report/Install.h"
#include "tubra/report/ReportMasterForms.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/report/SubPageForm.h"
#include "tubra/view/ReportPages.h"

#include "tubra/report/FormTestSupport.h"

namespace tubra::app {
namespace {

using report::testing::FunctionHost;

struct Fixture {
    Fixture() {
        report::installInspectionReport(app);
        doc = std::make_unique<model::Document>(app);
        doc->onNewDocument();
        host.prompter = &prompter;
    }
    edit::CommandContext context() {
        edit::CommandContext c{*doc, view, prompter, host, nullptr, {}};
        c.changed = [this] { ++changes; };
        return c;
    }
    report::InspectionReport& report() { return *report::inspectionReport(*doc); }

    model::AppContext app;
    std::unique_ptr<model::Document> doc;
    view::ViewState view;
    platform::DefaultAnswerPrompter prompter;
    FunctionHost host;
    int changes = 0;
};

TEST(ReportDialogCommands, EachCommandOpensItsMasterAndLeavingItShowsTheChosenPage) {
    edit::CommandRegistry registry;
    installCommands(registry);
    Fixture f;
    auto c = f.context();
    ASSERT_TRUE(registry.isEnabled(cmd::FullReport, c));
    ASSERT_TRUE(registry.isEnabled(cmd::OnlineReport, c));

    std::vector<std::string> captions;
    f.host.answer = [&](platform::Form& form, platform::FormContext& fc) {
        captions.push_back(form.caption());
        std::string error;
        error = form.setField("mode", "显示报告").message();
        EXPECT_TRUE(form.act("open=0", fc).ok());
    };
    f.doc->setModifiedFlag(false);
    ASSERT_TRUE(registry.run(cmd::FullReport, c));
    EXPECT_EQ(captions, std::vector<std::string>{"在用工业管道全面检验报告__总对话框"});
    EXPECT_TRUE(f.doc->isModified());
    EXPECT_EQ(f.view.reportDialogMode, report::kShowReport);
    EXPECT_EQ(f.view.reportDisplay, (std::array<int, 2>{1, 0}));
    EXPECT_EQ(f.doc->drawing.IsShowReport, (std::array<int, 2>{1, 0}));
    EXPECT_GE(f.changes, 1);

    // The mode is shared: the online master starts in it. Another page of a report already
    // shown keeps the view's zoom; entering report mode from the drawing starts at 1.
    f.view.ZoomPara = 2.0;
    f.host.answer = [&](platform::Form& form, platform::FormContext& fc) {
        captions.push_back(form.caption());
        EXPECT_EQ(form.field("mode"), "显示报告");
        EXPECT_TRUE(form.act("open=2", fc).ok());
    };
    registry.run(cmd::OnlineReport, c);
    EXPECT_EQ(captions.back(), "在用工业管道在线检验报告档案__总对话框");
    EXPECT_EQ(f.view.reportDisplay, (std::array<int, 2>{1, 25}));
    EXPECT_EQ(f.view.ZoomPara, 2.0);
    f.view.reportDisplay[0] = 0;
    registry.run(cmd::OnlineReport, c);
    EXPECT_EQ(f.view.reportDisplay, (std::array<int, 2>{1, 25}));
    EXPECT_EQ(f.view.ZoomPara, 1.0);
    EXPECT_EQ(f.view.scrollExtent, (platform::Size{2100, 2900}));
}

TEST(ReportDialogCommands, ALongListAsksForItsSheetBeforeItIsShown) {
    Fixture f;
    auto c = f.context();
    report::InspectionReport& r = f.report();
    r.Face_ReportData.texts[0] = "A";
    for (int i = 0; i < 50; ++i) r.thicknessPoints.append({std::to_string(i), 4.0f});
    for (int i = 0; i < 14; ++i) r.radiographDefects.append({});
    f.view.reportDialogMode = report::kShowReport;

    // The master's page button, then the sheet question for the 50 points: the second sheet.
    std::vector<std::string> captions;
    std::string message;
    std::string answer = "2";
    int button = 6;
    f.host.answer = [&](platform::Form& form, platform::FormContext& fc) {
        captions.push_back(form.caption());
        if (auto* sheets = dynamic_cast<report::SubPageForm*>(&form)) {
            message = sheets->message();
            if (answer.empty()) {
                EXPECT_TRUE(form.act("cancel", fc).ok());
                return;
            }
            std::string error;
            error = form.setField("page", answer).message();
            EXPECT_TRUE(error.empty()) << error;
            EXPECT_TRUE(form.act("ok", fc).ok());
            return;
        }
        EXPECT_TRUE(form.act("open=" + std::to_string(button), fc).ok());
    };
    runFullReportDialog(c);
    EXPECT_EQ(captions, (std::vector<std::string>{"在用工业管道全面检验报告__总对话框", "打印页选择"}));
    EXPECT_EQ(message, "每页可打印44条记录,目前有2页打印页面可供选择!");
    EXPECT_EQ(r.thicknessPoints.currentSubPage, 1);
    EXPECT_EQ(f.view.reportDisplay, (std::array<int, 2>{1, report::kThicknessPage}));
    EXPECT_EQ(f.doc->drawing.IsShowReport, (std::array<int, 2>{1, report::kThicknessPage}));

    // Cancelling the question shows the page on the sheet it had.
    answer.clear();
    captions.clear();
    runFullReportDialog(c);
    EXPECT_EQ(captions.size(), 2u);
    EXPECT_EQ(r.thicknessPoints.currentSubPage, 1);
    EXPECT_EQ(f.view.reportDisplay[1], report::kThicknessPage);

    // Fourteen radiographs fill exactly one sheet: no question, the first sheet.
    r.radiographDefects.currentSubPage = 1;
    button = report::kRadiographPage;
    captions.clear();
    runFullReportDialog(c);
    EXPECT_EQ(captions.size(), 1u);
    EXPECT_EQ(r.radiographDefects.currentSubPage, 0);
    EXPECT_EQ(f.view.reportDisplay[1], report::kRadiographPage);

    // All shown pages: no question, whatever the lists hold; the view scrolls over every sheet.
    f.host.answer = [&](platform::Form& form, platform::FormContext& fc) {
        captions.push_back(form.caption());
        for (const char* box : {"flag0", "flag6", "flag9"}) EXPECT_TRUE(form.setField(box, "1").ok());
        EXPECT_TRUE(form.act("showSelected", fc).ok());
    };
    captions.clear();
    runFullReportDialog(c);
    EXPECT_EQ(captions.size(), 1u);
    EXPECT_EQ(f.view.reportDisplay[1], report::kAllFullPages);
    EXPECT_EQ(report::CountPrintPages(r, report::kAllFullPages), 1 + 2 + 2);
    EXPECT_EQ(f.view.scrollExtent, (platform::Size{2100, 5 * 2900}));
}

TEST(ReportDialogCommands, TheMastersShowThePageNumbersOfTheirSets) {
    Fixture f;
    auto c = f.context();
    report::InspectionReport& r = f.report();
    r.Face_ReportData.texts[0] = "A";
    for (int i = 0; i < 50; ++i) r.thicknessPoints.append({std::to_string(i), 4.0f});
    r.PrintSet_ReportData.flags.fill(0);
    r.PrintSet_ReportData.flags[report::kConclusionPage] = 1;
    r.PrintSet_ReportData.flags[report::kThicknessPage] = 1;
    r.PrintSet_ReportData.start = 5;
    std::vector<std::string> numbers;
    f.host.answer = [&](platform::Form& form, platform::FormContext& fc) {
        auto& master = static_cast<report::ReportMasterForm&>(form);
        for (int k : {2, 6}) numbers.push_back(master.labelText("number" + std::to_string(k)));
        EXPECT_TRUE(form.act("退出", fc).ok());
    };
    runFullReportDialog(c);
    EXPECT_EQ(numbers, (std::vector<std::string>{"5", "6-1…6-2"}));
}

TEST(ReportDialogCommands, LeavingWithoutAPageKeepsTheDrawingAndTheSwitchIsReplaceable) {
    Fixture f;
    auto c = f.context();
    f.host.answer = [](platform::Form& form, platform::FormContext& fc) { EXPECT_TRUE(form.act("退出", fc).ok()); };
    ASSERT_TRUE(runFullReportDialog(c));
    EXPECT_EQ(f.view.reportDisplay[0], 0);

    std::vector<int> shown;
    setShowReportPage([&](edit::CommandContext&, int page) { shown.push_back(page); });
    f.host.answer = [](platform::Form& form, platform::FormContext& fc) {
        EXPECT_TRUE(form.act("showSelected", fc).ok());
    };
    runFullReportDialog(c);
    runOnlineReportDialog(c);
    setShowReportPage({});
    EXPECT_EQ(shown, (std::vector<int>{22, 28}));
    EXPECT_EQ(f.view.reportDisplay[0], 0);
}

TEST(ReportDialogCommands, DocumentsWithoutAnInspectionReportCannotOpenTheDialogs) {
    model::AppContext app;  // report sections kept verbatim
    model::Document doc(app);
    view::ViewState view;
    platform::DefaultAnswerPrompter prompter;
    FunctionHost host;
    host.prompter = &prompter;
    edit::CommandContext c{doc, view, prompter, host, nullptr, {}};
    edit::CommandRegistry registry;
    installCommands(registry);
    EXPECT_FALSE(registry.isEnabled(cmd::FullReport, c));
    EXPECT_FALSE(runOnlineReportDialog(c));
    EXPECT_EQ(host.runs, 0);
}

}  // namespace
}  // namespace tubra::app
