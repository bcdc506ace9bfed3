// The report dialogs on the desktop: widgets built from the forms, typing limits, nested page
// dialogs, the record list, and the commands of the window.
//
// With TUBRA_DIALOG_SHOTS=DIR set, every dialog these tests show is also saved as DIR/<n>.png
// (with TUBRA_TEST_ON_DISPLAY=1 under a real or virtual X display, as the user sees them).

#include "platform/qt/FormDialogs.h"

#include <cstdlib>
#include <deque>
#include <filesystem>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QKeyEvent>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>

#include "AppTestSupport.h"
#include "text/Gbk.h"
#include "tubra/app/InstallDialogs.h"
#include "tubra/app/MainWindow.h"
#include "tubra/appcore/ReportModeCommand.h"
#include "tubra/app/DrawingView.h"
#include "tubra/report/Install.h"
#include "tubra/report/ReportMasterForms.h"
#include "tubra/report/ReportPageForms.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/view/ReportPages.h"

using namespace tubra;
using ReportFormDialog = platform::qt::ModelFormDialog;

namespace {

// Shows forms through the desktop host and answers each dialog, when it is up, with the next
// function of a queue.
class DialogScript {
public:
    DialogScript() : host(prompter, nullptr) {
        apptest::application();
        app::installDialogs();
        host.onShow = [this](QDialog& dialog, platform::Form&) {
            auto* d = dynamic_cast<ReportFormDialog*>(&dialog);
            ASSERT_TRUE(d) << "not a report dialog";
            ASSERT_FALSE(steps.empty()) << "no step for " << dialog.windowTitle().toStdString();
            auto step = std::move(steps.front());
            steps.pop_front();
            QTimer::singleShot(0, d, [this, d, step] {
                shoot(*d);
                step(*d);
            });
        };
    }

    void shoot(QDialog& d) {
        const char* dir = std::getenv("TUBRA_DIALOG_SHOTS");
        if (!dir) return;
        QApplication::processEvents();
        static int shots = 0;
        const auto path = std::filesystem::path(dir) / (std::to_string(++shots) + ".png");
        d.grab().save(QString::fromStdString(path.string()));
    }

    platform::ScriptedPrompter prompter{{}};
    platform::qt::QtFormHost host;
    std::deque<std::function<void(ReportFormDialog&)>> steps;
};

void click(ReportFormDialog& d, const std::string& action) {
    QAbstractButton* b = d.button(action);
    ASSERT_TRUE(b) << action;
    ASSERT_TRUE(b->isEnabled()) << action;
    QTest::mouseClick(b, Qt::LeftButton);
}

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

// Types `text` as key presses, as a user (or an input method) does; any characters.
void type(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

TEST(ReportDialogs, MasterShowsItsPagesAndOpensTheCoverFirst) {
    DialogScript s;
    report::InspectionReport r;
    r.setNewDocumentDefaults();
    model::CharacteristicTable table;
    int mode = report::kEditReport;
    report::FullReportMasterForm master(r, table, mode);

    s.steps.push_back([](ReportFormDialog& d) {
        EXPECT_EQ(d.windowTitle(), q("在用工业管道全面检验报告__总对话框"));
        EXPECT_EQ(d.button("open=0")->text(), q("    封面设置(本页应首先编辑)             <-空"));
        EXPECT_FALSE(d.button("open=5")->isEnabled());
        EXPECT_FALSE(static_cast<QCheckBox*>(d.fieldWidget("flag3"))->isChecked());  // -1: not shown
        click(d, "open=0");
        // Back from the cover: its label and the other buttons follow.
        EXPECT_EQ(d.button("open=0")->text(), q("    封面设置(本页应首先编辑)"));
        EXPECT_TRUE(d.button("open=5")->isEnabled());
        static_cast<QCheckBox*>(d.fieldWidget("noNumbers"))->click();
        EXPECT_FALSE(d.fieldWidget("start")->isEnabled());
        EXPECT_EQ(static_cast<QLineEdit*>(d.fieldWidget("start"))->text(), q("-1"));
        click(d, "退出");
    });
    s.steps.push_back([](ReportFormDialog& d) {
        EXPECT_EQ(d.windowTitle(), q("在用工业管道全面检验报告"));
        auto* e = static_cast<QLineEdit*>(d.fieldWidget("text2"));
        // The edit box stops at the field's 49 bytes, in whole characters.
        type(e, QString(30, QChar(0x68C0)));  // 检
        EXPECT_EQ(e->text().size(), 24);
        e->clear();
        type(e, q("甲厂}"));
        EXPECT_EQ(e->text(), q("甲厂]"));
        auto* cls = static_cast<QComboBox*>(d.fieldWidget("text9"));
        EXPECT_EQ(cls->count(), 9);
        click(d, "ok");
    });
    EXPECT_TRUE(s.host.run(master));
    EXPECT_TRUE(s.steps.empty());
    EXPECT_EQ(text::gbkToUtf8(r.Face_ReportData.texts[2].view()), "甲厂]");
    EXPECT_EQ(r.PrintSet_ReportData.start, -1);
}

TEST(ReportDialogs, RecordListRowsSelectionAndEditingArea) {
    DialogScript s;
    report::InspectionReport r;
    r.thicknessPoints.append({"A1", 4.5f});
    r.thicknessPoints.append({"A2", 3.75f});
    auto form = report::makeReportPageForm(6, r, {});
    s.prompter = platform::ScriptedPrompter({platform::Answer::Yes});
    s.steps.push_back([](ReportFormDialog& d) {
        QTableWidget* t = d.list("rows");
        ASSERT_TRUE(t);
        ASSERT_EQ(t->rowCount(), 2);
        EXPECT_EQ(t->item(1, 0)->text(), q("2"));
        EXPECT_EQ(t->item(1, 2)->text(), q("   3.75"));
        EXPECT_EQ(t->palette().color(QPalette::Base), QColor(200, 220, 200));
        // Clicking a row fills the editing area.
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {},
                          t->visualItemRect(t->item(1, 1)).center());
        EXPECT_EQ(static_cast<QLineEdit*>(d.fieldWidget("item0"))->text(), q("A2"));
        type(static_cast<QLineEdit*>(d.fieldWidget("item0")), q("b"));
        click(d, "modify");
        EXPECT_EQ(t->item(1, 1)->text(), q("A2b"));
        // The automatic fields are computed, not typed.
        EXPECT_FALSE(d.fieldWidget("text3")->isEnabled());
        EXPECT_EQ(static_cast<QLineEdit*>(d.fieldWidget("text3"))->text(), q("2"));
        EXPECT_EQ(d.button("ok")->text(), q("退出"));
        click(d, "ok");
    });
    EXPECT_TRUE(s.host.run(*form));
    form->apply(r);
    EXPECT_EQ(r.thicknessPoints.at(1).pointId.view(), "A2b");
    EXPECT_EQ(s.prompter.asked.back().text, "确认要退出吗？");
}

TEST(ReportDialogs, EveryPageDialogBuildsAndCancels) {
    DialogScript s;
    report::InspectionReport r;
    for (int page = 0; page <= 26; ++page) {
        if (!report::isReportPage(page)) continue;
        auto form = report::makeReportPageForm(page, r, {});
        s.steps.push_back([page](ReportFormDialog& d) {
            EXPECT_EQ(d.windowTitle().toStdString(), report::reportPageCaption(page));
            // Every field the form shows has its widget.
            auto* f = dynamic_cast<report::ReportForm*>(&d.form());
            for (const std::string& name : f->fieldNames())
                if (f->fieldVisible(name)) {
                    EXPECT_TRUE(d.fieldWidget(name)) << page << " " << name;
                }
            d.reject();
        });
        EXPECT_FALSE(s.host.run(*form)) << page;
    }
    EXPECT_TRUE(s.steps.empty());
}

TEST(ReportDialogs, OnlineMasterAndItsArrowButtons) {
    DialogScript s;
    report::InspectionReport r;
    r.Face_ReportData.texts[0] = "REG";
    model::CharacteristicTable table;
    int mode = report::kEditReport;
    report::OnlineReportMasterForm master(r, table, mode);
    s.steps.push_back([](ReportFormDialog& d) {
        EXPECT_EQ(static_cast<QLineEdit*>(d.fieldWidget("start"))->text(), q("无"));
        click(d, "open=0");
        click(d, "退出");
    });
    s.steps.push_back([](ReportFormDialog& d) {
        auto* e = static_cast<QLineEdit*>(d.fieldWidget("text0"));
        EXPECT_EQ(e->text(), q("REG"));
        EXPECT_FALSE(d.button("ref=text0")->isVisible());
        type(e, q("X"));
        EXPECT_TRUE(d.button("ref=text0")->isVisible());
        click(d, "ref=text0");
        EXPECT_EQ(e->text(), q("REG"));
        auto* year = static_cast<QComboBox*>(d.fieldWidget("date0"));
        EXPECT_EQ(year->count(), 21);
        EXPECT_EQ(year->itemText(20), q("2020"));
        click(d, "ok");
    });
    EXPECT_TRUE(s.host.run(master));
    EXPECT_EQ(r.Face_IReportData.texts[0].view(), "REG");
}

TEST(ReportDialogs, FileButtonsAskForAFileFirst) {
    DialogScript s;
    report::InspectionReport r;
    r.Face_ReportData.texts[0] = "KEEP";
    model::CharacteristicTable table;
    int mode = report::kEditReport;
    report::FullReportMasterForm master(r, table, mode);
    QString asked;
    ReportFormDialog::chooseFile = [&](QWidget*, const QString& title, const QString& filter) {
        asked = title + "|" + filter;
        return QString();  // cancelled
    };
    s.steps.push_back([](ReportFormDialog& d) {
        click(d, "import");
        click(d, "退出");
    });
    EXPECT_TRUE(s.host.run(master));
    EXPECT_EQ(asked, q("指定一个Tubra图形文档|Tubra文件 (*.hcd)"));
    EXPECT_EQ(r.Face_ReportData.texts[0].view(), "KEEP");
    EXPECT_EQ(ReportFormDialog::nameFilter("A(*.bmp)|*.bmp;*.png|All|*.*||"),
              q("A (*.bmp *.png);;All (*)"));
}

TEST(ReportDialogs, TheWindowRunsTheReportCommandsOnTheActiveDrawing) {
    apptest::application();
    model::AppContext context;
    report::installInspectionReport(context);
    apptest::FakeInteraction ui;
    app::MainWindow w(context, ui);
    w.resize(1000, 700);
    w.show();
    app::DrawingView* view = w.newDocument();
    apptest::settle();
    ASSERT_TRUE(view);
    QAction* full = nullptr;
    for (QAction* a : w.findChildren<QAction*>())
        if (a->data().toInt() == 448) full = a;
    ASSERT_TRUE(full);
    EXPECT_TRUE(full->isEnabled());

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* d = dynamic_cast<ReportFormDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(d);
        seen = d->windowTitle() == q("在用工业管道全面检验报告__总对话框");
        EXPECT_TRUE(d->form().setField("mode", "显示报告").ok());
        d->perform("open=0");
    });
    w.runCommand(448);
    EXPECT_TRUE(seen);
    EXPECT_EQ(view->state().reportDisplay, (std::array<int, 2>{1, 0}));
    EXPECT_TRUE(view->document().isModified());
    view->document().setModifiedFlag(false);
}

TEST(ReportDialogs, LeavingTheMasterShowsTheChosenSheetInTheWindow) {
    apptest::application();
    app::installDialogs();
    model::AppContext context;
    report::installInspectionReport(context);
    apptest::FakeInteraction ui;
    app::MainWindow w(context, ui);
    w.resize(1000, 700);
    w.show();
    app::DrawingView* view = w.newDocument();
    apptest::settle();
    ASSERT_TRUE(view);
    report::InspectionReport& r = *report::inspectionReport(view->document());
    r.Face_ReportData.texts[2] = "X";
    for (int i = 0; i < 50; ++i) r.thicknessPoints.append({"T" + std::to_string(i + 1), 4.0f + i / 100.0f});
    r.PrintSet_ReportData.flags.fill(0);
    for (int p : {report::kCoverPage, report::kContentsPage, report::kConclusionPage, report::kThicknessPage})
        r.PrintSet_ReportData.flags[static_cast<std::size_t>(p)] = 1;
    r.PrintSet_ReportData.start = 5;

    QString number, question;
    bool answered = false;
    // The sheet question comes once the master has closed: answered when it is up.
    std::function<void()> answerSheets = [&] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d || d->windowTitle() != q("打印页选择")) {
            QTimer::singleShot(10, answerSheets);
            return;
        }
        for (auto* label : d->findChildren<QLabel*>()) question += label->text();
        auto* sheets = d->findChild<QComboBox*>(QStringLiteral("page"));
        ASSERT_TRUE(sheets);
        EXPECT_EQ(sheets->count(), 2);
        sheets->setCurrentIndex(1);
        for (auto* b : d->findChildren<QPushButton*>())
            if (b->text() == q("确定")) b->click();
        answered = true;
    };
    QTimer::singleShot(0, [&] {
        auto* d = dynamic_cast<ReportFormDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(d);
        auto* label = d->findChild<QLabel*>(QStringLiteral("number6"));
        ASSERT_TRUE(label);
        number = label->text();
        if (const char* dir = std::getenv("TUBRA_DIALOG_SHOTS"))
            d->grab().save(QString::fromStdString((std::filesystem::path(dir) / "master-numbers.png").string()));
        for (QAbstractButton* b : d->findChildren<QAbstractButton*>())
            if (b->text() == q("显示报告")) b->click();
        QTimer::singleShot(0, answerSheets);
        click(*d, "open=6");
    });
    w.runCommand(448);
    apptest::settle(10);
    EXPECT_TRUE(answered);
    EXPECT_EQ(number, q("6-1…6-2"));
    EXPECT_EQ(question, q("每页可打印44条记录,目前有2页打印页面可供选择!"));
    EXPECT_EQ(r.thicknessPoints.currentSubPage, 1);
    EXPECT_EQ(view->state().reportDisplay, (std::array<int, 2>{1, report::kThicknessPage}));
    EXPECT_EQ(view->state().ZoomPara, 1.0);
    EXPECT_EQ(view->scrollSizes(), (platform::Size{2100, 2900}));
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    QAction* mode = w.action(app::cmd::ShowReport);
    ASSERT_TRUE(mode);
    EXPECT_TRUE(mode->isChecked());
    if (const char* dir = std::getenv("TUBRA_DIALOG_SHOTS"))
        w.grab().save(QString::fromStdString((std::filesystem::path(dir) / "window-sheet.png").string()));
    view->document().setModifiedFlag(false);
}

}  // namespace

TEST(ReportDialogs, TheMastersHeadingsStandApartFromTheirSettings) {
    // The page number column is headed "页号"; the mode box beside it is "操作方式": the two
    // must not read as one phrase.
    DialogScript s;
    report::InspectionReport r;
    r.Face_ReportData.texts[2] = "A";
    r.PrintSet_ReportData.flags.fill(1);
    r.PrintSet_ReportData.start = 1;
    r.PrintSet_IReportData.flags.fill(1);
    r.PrintSet_IReportData.start = 1;
    model::CharacteristicTable table;
    int mode = report::kEditReport;
    const auto check = [](ReportFormDialog& d) {
        QApplication::processEvents();
        QLabel* heading = d.findChild<QLabel*>(QStringLiteral("numbers"));
        ASSERT_TRUE(heading);
        EXPECT_EQ(heading->text(), q("页号"));
        QGroupBox* modeBox = nullptr;
        for (QGroupBox* box : d.findChildren<QGroupBox*>())
            if (box->title() == q("操作方式")) modeBox = box;
        ASSERT_TRUE(modeBox);
        const QRect text = QRect(heading->mapTo(&d, QPoint(0, 0)), heading->size());
        const QRect box = QRect(modeBox->mapTo(&d, QPoint(0, 0)), modeBox->size());
        // The heading sits inside the frame of its own column of page buttons, clear of the
        // mode box's title.
        auto* pages = qobject_cast<QGroupBox*>(heading->parentWidget());
        ASSERT_TRUE(pages);
        EXPECT_FALSE(pages->title().isEmpty());
        EXPECT_GE(box.left() - text.right(), 16);
        d.reject();
    };
    s.steps.push_back(check);
    report::FullReportMasterForm full(r, table, mode);
    full.setPageNumberText(report::pageNumberText);
    s.host.run(full);
    s.steps.push_back(check);
    report::OnlineReportMasterForm online(r, table, mode);
    online.setPageNumberText(report::pageNumberText);
    s.host.run(online);
    EXPECT_TRUE(s.steps.empty());
}
