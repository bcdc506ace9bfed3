// The report commands: which dialog each opens, and the report page shown after it.

#include "tubra/app/ReportDialogCommands.h"

#include <gtest/gtest.h>

#include "tubra/app/InstallCommands.h"
#include "tubra/report/Install.h"
#include "tubra/report/ReportMasterForms.h"

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
    InstallCommands(registry);
    Fixture f;
    auto c = f.context();
    ASSERT_TRUE(registry.isEnabled(cmd::FullReport, c));
    ASSERT_TRUE(registry.isEnabled(cmd::OnlineReport, c));

    std::vector<std::string> captions;
    f.host.answer = [&](platform::Form& form, platform::FormContext& fc) {
        captions.push_back(form.caption());
        std::string error;
        form.setField("mode", "显示报告", &error);
        form.act("open=0", fc);
    };
    f.doc->setModifiedFlag(false);
    ASSERT_TRUE(registry.run(cmd::FullReport, c));
    EXPECT_EQ(captions, std::vector<std::string>{"在用工业管道全面检验报告__总对话框"});
    EXPECT_TRUE(f.doc->isModified());
    EXPECT_EQ(f.view.reportDialogMode, report::kShowReport);
    EXPECT_EQ(f.view.reportDisplay, (std::array<int, 2>{1, 0}));
    EXPECT_EQ(f.doc->drawing.IsShowReport, (std::array<int, 2>{1, 0}));
    EXPECT_GE(f.changes, 1);

    // The mode is shared: the online master starts in it.
    f.view.ZoomPara = 2.0;
    f.host.answer = [&](platform::Form& form, platform::FormContext& fc) {
        captions.push_back(form.caption());
        EXPECT_EQ(form.field("mode"), "显示报告");
        form.act("open=2", fc);
    };
    registry.run(cmd::OnlineReport, c);
    EXPECT_EQ(captions.back(), "在用工业管道在线检验报告档案__总对话框");
    EXPECT_EQ(f.view.reportDisplay, (std::array<int, 2>{1, 25}));
    EXPECT_EQ(f.view.ZoomPara, 1.0);
}

TEST(ReportDialogCommands, LeavingWithoutAPageKeepsTheDrawingAndTheSwitchIsReplaceable) {
    Fixture f;
    auto c = f.context();
    f.host.answer = [](platform::Form& form, platform::FormContext& fc) { form.act("退出", fc); };
    ASSERT_TRUE(RunFullReportDialog(c));
    EXPECT_EQ(f.view.reportDisplay[0], 0);

    std::vector<int> shown;
    SetShowReportPage([&](edit::CommandContext&, int page) { shown.push_back(page); });
    f.host.answer = [](platform::Form& form, platform::FormContext& fc) {
        form.act("showSelected", fc);
    };
    RunFullReportDialog(c);
    RunOnlineReportDialog(c);
    SetShowReportPage({});
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
    InstallReportDialogCommands(registry);
    EXPECT_FALSE(registry.isEnabled(cmd::FullReport, c));
    EXPECT_FALSE(RunOnlineReportDialog(c));
    EXPECT_EQ(host.runs, 0);
}

}  // namespace
}  // namespace tubra::app
