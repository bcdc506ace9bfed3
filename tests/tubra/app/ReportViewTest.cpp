// Report pages in the window: a file saved in report mode opens on its pages, the command
// switches the view and its scroll sizes, and the sheet question is a real dialog.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QScrollBar>

#include "AppTestSupport.h"
#include "platform/qt/FormDialogs.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/InstallDialogs.h"
#include "tubra/app/MainWindow.h"
#include "tubra/appcore/ReportModeCommand.h"
#include "tubra/report/Install.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/report/SubPageForm.h"
#include "tubra/view/ReportPages.h"

using namespace tubra;
namespace fs = std::filesystem;

namespace {

const fs::path kSample = fs::path(TUBRA_SOURCE_DIR) / "examples" / "report.hcd";

}  // namespace

TEST(ReportView, SavedReportModeOpensOnItsPagesAndTheCommandSwitches) {
    apptest::application();
    model::AppContext context;
    report::installInspectionReport(context);
    apptest::FakeInteraction ui;
    app::MainWindow window(context, ui);
    window.resize(900, 650);
    app::DrawingView* view = window.openDocument(QString::fromStdString(kSample.string()));
    ASSERT_NE(view, nullptr);
    window.show();
    apptest::settle(10);

    // The sample was saved showing every page of the full set: 17 pages, two of them split.
    EXPECT_EQ(view->state().reportDisplay, (std::array<int, 2>{1, 22}));
    EXPECT_EQ(view->scrollSizes(), (platform::Size{2100, 19 * 2900}));
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    QAction* show = window.action(app::cmd::ShowReport);
    ASSERT_NE(show, nullptr);
    EXPECT_TRUE(show->isEnabled());
    EXPECT_TRUE(show->isChecked());

    // Back to the drawing: its A4 sheet at zoom 1.
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    show->trigger();
    apptest::settle(10);
    EXPECT_FALSE(view::showsReport(view->state()));
    EXPECT_EQ(view->scrollSizes(), (platform::Size{2900, 2050}));
    EXPECT_FALSE(show->isChecked());
    EXPECT_TRUE(view->document().isModified());
    EXPECT_EQ(view->document().drawing.IsShowReport, (std::array<std::int32_t, 2>{0, 22}));

    // And into report mode again, at the top of the pages.
    show->trigger();
    apptest::settle(10);
    EXPECT_EQ(view->scrollSizes(), (platform::Size{2100, 19 * 2900}));
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    EXPECT_GT(view->finishedPaints(), 2);

    // Leaving the report another way (a tool chosen while it is shown) gives the sheet back too.
    view->state().reportDisplay[0] = 0;
    view->refresh();
    apptest::settle(10);
    EXPECT_EQ(view->scrollSizes(), (platform::Size{2900, 2050}));
    view->document().setModifiedFlag(false);
}

TEST(ReportView, SheetQuestionIsADropDownOfTheSheets) {
    apptest::application();
    app::installDialogs();
    report::InspectionReport r;
    for (int i = 0; i < 100; ++i) r.thicknessPoints.append({std::to_string(i), 1.0f});
    r.thicknessPoints.currentSubPage = 1;
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host(prompter, nullptr);
    QString message;
    int entries = 0, shownAt = -1;
    host.onShow = [&](QDialog& dialog, platform::Form&) {
        auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("page"));
        ASSERT_NE(combo, nullptr);
        entries = combo->count();
        shownAt = combo->currentIndex();
        for (auto* label : dialog.findChildren<QLabel*>()) message += label->text();
        combo->setCurrentIndex(2);
        QMetaObject::invokeMethod(&dialog, "accept", Qt::QueuedConnection);
    };
    EXPECT_EQ(report::ChooseSubPage(r, report::kThicknessPage, host), 2);
    EXPECT_EQ(r.thicknessPoints.currentSubPage, 2);
    EXPECT_EQ(entries, 3);
    EXPECT_EQ(shownAt, 1);
    EXPECT_EQ(message, QStringLiteral("每页可打印44条记录,目前有3页打印页面可供选择!"));
}
