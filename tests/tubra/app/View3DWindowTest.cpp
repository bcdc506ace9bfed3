// The 3D view and the exports in the window: the menu entries, selection both ways between
// the 3D view and the drawing, the view following edits, the problems panel, the PCF export's
// file name checks, and the DXF the window writes.
//
// With TUBRA_VIEW3D_SCREENSHOT set to a PNG path, the 3D view of the pipeline sample is saved
// there (on the xcb platform under Xvfb, as the X server shows it).

#include <gtest/gtest.h>

#include <fstream>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "AppTestSupport.h"
#include "platform/AtomicFile.h"
#include "text/Gbk.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/RealSpace.h"
#include "tubra/app/View3DWindow.h"
#include "tubra/exchange/DxfExport.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/spatial/Sketch.h"

using namespace tubra;
using app::MainWindow;
using app::RealSpace;
using app::View3DWindow;
using apptest::FakeInteraction;
namespace fs = std::filesystem;

namespace {

class View3DTest : public ::testing::Test {
  protected:
    void SetUp() override {
        apptest::application();
        QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Tubra"))
            .clear();
        w = std::make_unique<MainWindow>(context, ui);
        w->resize(1000, 700);
        w->show();
        real = RealSpace::of(*w);
    }
    void TearDown() override {
        for (auto* v : w->views()) v->document().setModifiedFlag(false);
        w.reset();
    }
    app::DrawingView* open(const fs::path& path) {
        app::DrawingView* v = w->openDocument(QString::fromStdString(path.string()));
        apptest::settle();
        return v;
    }
    View3DWindow* open3D() {
        w->action(app::cmd::View3D)->trigger();
        apptest::settle();
        View3DWindow* window = real->windowOf(w->activeView()->document());
        if (window) window->resize(900, 600);
        apptest::settle();
        return window;
    }
    std::set<std::size_t> drawingSelection() {
        std::set<std::size_t> out;
        const model::Document& doc = w->activeView()->document();
        for (const model::PipeObject* o : doc.selection.items())
            out.insert(static_cast<std::size_t>(doc.drawing.objects.indexOf(o)));
        return out;
    }
    // The middle of an object as the 3D view draws it.
    QPoint middleOf(View3DWindow& v, std::size_t index) {
        const spatial::RealObject* o = v.realModel().find(index);
        EXPECT_TRUE(o);
        const spatial::Point3 at = o->centre ? *o->centre : (o->start + o->end) * 0.5;
        return v.canvas()->screenPoint(at).toPoint();
    }
    std::size_t firstOf(const View3DWindow& v, spatial::Look look) {
        for (const auto& o : v.realModel().objects)
            if (o.look == look) return o.index;
        ADD_FAILURE() << "no object of that look";
        return 0;
    }

    model::AppContext context;
    FakeInteraction ui;
    apptest::TempDir dir;
    std::unique_ptr<MainWindow> w;
    RealSpace* real = nullptr;
};

const fs::path kSample = fs::path(TUBRA_SOURCE_DIR) / "examples" / "pipeline.hcd";

// Saves the window to TUBRA_VIEW3D_SCREENSHOT, with `suffix` before its extension.
void screenshot(QWidget& window, const QString& suffix) {
    const char* shot = std::getenv("TUBRA_VIEW3D_SCREENSHOT");
    if (!shot) return;
    apptest::settle(20);
    QString name = QString::fromUtf8(shot);
    if (!suffix.isEmpty()) name.insert(name.lastIndexOf(QLatin1Char('.')), suffix);
    QPixmap image = QGuiApplication::platformName() == QStringLiteral("offscreen")
                        ? window.grab()
                        : window.screen()->grabWindow(window.winId());
    EXPECT_TRUE(image.save(name)) << name.toStdString();
}

std::vector<QString> texts(QMenu* menu) {
    std::vector<QString> out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) out.push_back(a->text().section(QLatin1Char('\t'), 0, 0));
    return out;
}

}  // namespace

// The entry `text` of `menu`, or null.
QAction* entryOf(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text().section(QLatin1Char('\t'), 0, 0) == text) return a;
    return nullptr;
}

// Triggers `entry` and answers the modal dialog it opens by closing it; its title, or empty
// when none opened.
QString titleOfDialogOpenedBy(QAction* entry) {
    QString title;
    QTimer::singleShot(0, [&title] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            title = modal->windowTitle();
            modal->close();
        }
    });
    entry->trigger();
    apptest::settle();
    return title;
}

TEST_F(View3DTest, MenuEntriesSitUnderFileAndViewAndRunTheirCommands) {
    ASSERT_TRUE(real);
    // Without a drawing there is nothing to export or show.
    for (int id : {app::cmd::ExportPcf, app::cmd::ExportDxf, app::cmd::Materials, app::cmd::View3D})
        EXPECT_FALSE(w->action(id)->isEnabled()) << id;
    open(kSample);
    QMenu* file = nullptr;
    QMenu* view = nullptr;
    for (QAction* a : w->menuBar()->actions()) {
        if (a->text().startsWith(QStringLiteral("文件"))) file = a->menu();
        if (a->text().startsWith(QStringLiteral("查看"))) view = a->menu();
    }
    ASSERT_TRUE(file && view);
    // 导出 follows 另存为 and 导入 PCF…, also when the menu is filled anew with the recent files.
    for (int round = 0; round < 2; ++round) {
        emit file->aboutToShow();
        const auto items = texts(file);
        const auto at = std::find(items.begin(), items.end(), QStringLiteral("另存为"));
        ASSERT_NE(at, items.end());
        ASSERT_GT(items.end() - at, 2);
        EXPECT_EQ(*(at + 1), QStringLiteral("导入 PCF…")) << round;
        EXPECT_EQ(*(at + 2), QStringLiteral("导出")) << round;
        EXPECT_EQ(std::count(items.begin(), items.end(), QStringLiteral("导出")), 1) << round;
    }
    QAction* exportMenu = entryOf(file, QStringLiteral("导出"));
    ASSERT_TRUE(exportMenu && exportMenu->menu());
    EXPECT_EQ(texts(exportMenu->menu()), (std::vector<QString>{QStringLiteral("PCF…"), QStringLiteral("DXF…")}));
    const auto viewItems = texts(view);
    ASSERT_GE(viewItems.size(), 2u);
    EXPECT_EQ(viewItems[viewItems.size() - 2], QStringLiteral("三维视图"));
    EXPECT_EQ(viewItems.back(), QStringLiteral("材料表"));

    // Each entry runs its command on the active drawing.
    QString suggested;
    real->pcfFileName = [&](QWidget*, const QString& s) {
        suggested = s;
        return QString();
    };
    entryOf(exportMenu->menu(), QStringLiteral("PCF…"))->trigger();
    EXPECT_EQ(suggested.toStdString(), fs::path(kSample).replace_extension(".pcf").string());
    EXPECT_EQ(titleOfDialogOpenedBy(entryOf(exportMenu->menu(), QStringLiteral("DXF…"))),
              QStringLiteral("导出 DXF"));
    EXPECT_EQ(titleOfDialogOpenedBy(entryOf(view, QStringLiteral("材料表"))), QStringLiteral("材料表"));
    EXPECT_EQ(real->windowOf(w->activeView()->document()), nullptr);
    entryOf(view, QStringLiteral("三维视图"))->trigger();
    apptest::settle();
    EXPECT_NE(real->windowOf(w->activeView()->document()), nullptr);
}

TEST_F(View3DTest, ClickSelectsInTheDrawingAndTheDrawingsSelectionIsShown) {
    app::DrawingView* view = open(kSample);
    ASSERT_TRUE(view);
    View3DWindow* v = open3D();
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->isVisible());
    // The sample agrees with itself.
    EXPECT_TRUE(v->realModel().problems.empty());
    ASSERT_EQ(v->problemList()->count(), 1);
    EXPECT_FALSE(v->problemList()->item(0)->data(Qt::UserRole).isValid());

    for (bool tubes : {false, true}) {
        v->tubesBox()->setChecked(tubes);
        v->directionButton(spatial::ViewDirection::Isometric)->click();
        apptest::settle();
        const std::size_t valve = firstOf(*v, spatial::Look::Valve);
        QTest::mouseClick(v->canvas(), Qt::LeftButton, {}, middleOf(*v, valve));
        EXPECT_EQ(drawingSelection(), std::set<std::size_t>{valve}) << tubes;
        EXPECT_EQ(v->canvas()->selection(), std::set<std::size_t>{valve}) << tubes;
        // Ctrl adds; a second Ctrl click takes it away again.
        const std::size_t elbow = firstOf(*v, spatial::Look::Elbow);
        QTest::mouseClick(v->canvas(), Qt::LeftButton, Qt::ControlModifier, middleOf(*v, elbow));
        EXPECT_EQ(drawingSelection(), (std::set<std::size_t>{valve, elbow})) << tubes;
        QTest::mouseClick(v->canvas(), Qt::LeftButton, Qt::ControlModifier, middleOf(*v, valve));
        EXPECT_EQ(drawingSelection(), std::set<std::size_t>{elbow}) << tubes;
        // A click on nothing clears.
        QTest::mouseClick(v->canvas(), Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_TRUE(drawingSelection().empty()) << tubes;
    }

    // A drag turns the view and selects nothing.
    const double azimuth = v->canvas()->orbit().azimuth;
    QTest::mousePress(v->canvas(), Qt::LeftButton, {}, QPoint(300, 300));
    QMouseEvent move(QEvent::MouseMove, QPointF(360, 320),
                     v->canvas()->mapToGlobal(QPointF(360, 320)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(v->canvas(), &move);
    QTest::mouseRelease(v->canvas(), Qt::LeftButton, {}, QPoint(360, 320));
    EXPECT_NE(v->canvas()->orbit().azimuth, azimuth);
    EXPECT_TRUE(drawingSelection().empty());

    // The other way: what the drawing selects is highlighted once the drawing has repainted.
    model::Document& doc = view->document();
    const std::size_t pipe = firstOf(*v, spatial::Look::MainPipe);
    doc.selection.add(&doc.drawing.objects.at(pipe));
    view->refresh();
    apptest::settle();
    EXPECT_EQ(v->canvas()->selection(), std::set<std::size_t>{pipe});
    doc.selection.clear();
    view->refresh();
    apptest::settle();
    EXPECT_TRUE(v->canvas()->selection().empty());

    // The same command brings the same window forward.
    EXPECT_EQ(open3D(), v);

    if (std::getenv("TUBRA_VIEW3D_SCREENSHOT")) {
        v->resize(1000, 640);
        v->directionButton(spatial::ViewDirection::Isometric)->click();
        doc.selection.add(&doc.drawing.objects.at(firstOf(*v, spatial::Look::Valve)));
        view->refresh();
        v->tubesBox()->setChecked(true);
        screenshot(*v, QStringLiteral("-tubes"));
        const QPoint tee = middleOf(*v, firstOf(*v, spatial::Look::Tee));
        QWheelEvent wheel(tee, v->canvas()->mapToGlobal(tee), {}, QPoint(0, 120 * 8), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(v->canvas(), &wheel);
        screenshot(*v, QStringLiteral("-tubes-zoom"));
        v->directionButton(spatial::ViewDirection::Isometric)->click();
        v->tubesBox()->setChecked(false);
        screenshot(*v, {});
    }
}

TEST_F(View3DTest, FollowsEditsAndGoesWithItsDrawing) {
    app::DrawingView* view = open(kSample);
    View3DWindow* v = open3D();
    ASSERT_TRUE(v);
    ASSERT_TRUE(v->realModel().problems.empty());
    // An edit as the tools make it: a length text that states no length.
    model::Document& doc = view->document();
    const std::size_t pipe = firstOf(*v, spatial::Look::MainPipe);
    doc.drawing.objects.at(pipe).DistTxt = text::utf8ToGbk("待测");
    view->onDocumentChanged();
    apptest::settle();
    ASSERT_EQ(v->realModel().problems.size(), 1u);
    EXPECT_EQ(v->realModel().problems[0].kind, spatial::ProblemKind::LengthText);
    ASSERT_EQ(v->problemList()->count(), 1);
    EXPECT_TRUE(v->problemList()->item(0)->text().contains(QStringLiteral("待测")));
    // A second window on the drawing: its edits are followed too.
    app::DrawingView* second = w->newWindow();
    apptest::settle();
    doc.drawing.objects.at(pipe).DistTxt = "1500";
    second->onDocumentChanged();
    apptest::settle();
    EXPECT_TRUE(v->realModel().problems.empty());
    // Closed (hidden), it catches up when it is shown again.
    v->close();
    doc.drawing.objects.at(pipe).DistTxt = text::utf8ToGbk("待测");
    view->onDocumentChanged();
    EXPECT_TRUE(v->realModel().problems.empty());
    EXPECT_EQ(open3D(), v);
    EXPECT_EQ(v->realModel().problems.size(), 1u);

    // Closing the drawing takes its 3D view along.
    QPointer<View3DWindow> guard(v);
    w->closeActiveDocument();
    apptest::settle();
    EXPECT_TRUE(guard.isNull());
    EXPECT_TRUE(w->views().empty());
}

TEST_F(View3DTest, ProblemsOfALoopThatDoesNotCloseAreListedAndSelectable) {
    // A rectangle whose last side says 1900 where 2000 closes it.
    tubra::testing::Sketch s(0.0, false);
    s.segment({400, -1200, 0}, tubra::testing::kEast, 500, "3000");
    s.then(tubra::testing::kNorth, 300, "2000");
    s.then(tubra::testing::kWest, 484, "3000");
    s.then(tubra::testing::kSouth, 316, "1900");
    std::string text;
    model::writeDrawing(s.drawing(), s.settings(), text);
    const fs::path file = dir / "环路.hcd";
    ASSERT_TRUE(platform::writeFileAtomically(file, text).ok());

    ASSERT_TRUE(open(file));
    View3DWindow* v = open3D();
    ASSERT_TRUE(v);
    const auto& problems = v->realModel().problems;
    ASSERT_EQ(problems.size(), 1u);
    ASSERT_EQ(v->problemList()->count(), 1);
    QListWidgetItem* item = v->problemList()->item(0);
    EXPECT_TRUE(item->text().startsWith(QStringLiteral("【闭合差】")));
    EXPECT_EQ(item->data(Qt::UserRole).toInt(), 0);

    // The gap is drawn red between its two points.
    ASSERT_TRUE(problems[0].gap);
    const QImage image = v->canvas()->grab().toImage();
    const QPointF a = v->canvas()->screenPoint(problems[0].gap->first);
    const QPointF b = v->canvas()->screenPoint(problems[0].gap->second);
    ASSERT_GT(QLineF(a, b).length(), 4.0);  // 100 mm shows
    int red = 0;
    for (double t : {0.1, 0.3, 0.5, 0.7, 0.9}) {
        const QColor c = image.pixelColor((a + (b - a) * t).toPoint());
        if (c.red() > 150 && c.green() < 100 && c.blue() < 100) ++red;
    }
    EXPECT_GE(red, 2);

    screenshot(*v, QStringLiteral("-loop"));

    // Double-clicking it selects its objects in the drawing.
    const QRect r = v->problemList()->visualItemRect(item);
    ASSERT_TRUE(v->problemList()->viewport()->rect().contains(r.center()))
        << r.x() << " " << r.width();
    // As the desktop sends it: a click, then the double click.
    QTest::mouseClick(v->problemList()->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_TRUE(drawingSelection().empty());
    QTest::mouseDClick(v->problemList()->viewport(), Qt::LeftButton, {}, r.center());
    apptest::settle();
    const std::set<std::size_t> expected(problems[0].objects.begin(), problems[0].objects.end());
    EXPECT_EQ(drawingSelection(), expected);
    EXPECT_EQ(v->canvas()->selection(), expected);
}

TEST_F(View3DTest, ExportWritesThePcfAndRefusesDrawings) {
    // A copy, so the sample is never at risk.
    const fs::path drawing = dir / "管线.hcd";
    fs::copy_file(kSample, drawing);
    app::DrawingView* view = open(drawing);
    ASSERT_TRUE(view);
    QString answer;
    QString suggested;
    real->pcfFileName = [&](QWidget*, const QString& s) {
        suggested = s;
        return answer;
    };
    const auto size = [](const fs::path& p) { return fs::file_size(p); };
    const auto before = size(drawing);

    // Cancelled: nothing asked, nothing written.
    EXPECT_FALSE(real->exportPcf(view));
    EXPECT_EQ(suggested.toStdString(), (dir / "管线.pcf").string());

    // Without a suffix the name gets one.
    answer = QString::fromStdString((dir / "out").string());
    w->action(app::cmd::ExportPcf)->trigger();
    ASSERT_TRUE(fs::exists(dir / "out.pcf"));
    std::ifstream in(dir / "out.pcf", std::ios::binary);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "ISOGEN-FILES ISOGEN.FLS\r");
    EXPECT_TRUE(ui.asked.empty());

    // Never over a drawing: by name, through a link, or the drawing itself.
    fs::create_symlink(drawing, dir / "link.pcf");
    const std::pair<std::string, std::string> refused[] = {
        {"其它.hcd", "应以 .pcf 结尾"}, {"link.pcf", "图形文件"}, {"x.txt", "应以 .pcf 结尾"}};
    for (const auto& [name, why] : refused) {
        ui.asked.clear();
        answer = QString::fromStdString((dir / name).string());
        EXPECT_FALSE(real->exportPcf(view)) << name;
        ASSERT_EQ(ui.asked.size(), 1u) << name;
        EXPECT_NE(ui.asked[0].text.find(why), std::string::npos) << ui.asked[0].text;
    }
    EXPECT_FALSE(fs::exists(dir / "其它.hcd"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.pcf"));
    EXPECT_EQ(size(drawing), before);

    // A file that cannot be written is told, in Chinese.
    ui.asked.clear();
    answer = QString::fromStdString((dir / "无此目录" / "a.pcf").string());
    EXPECT_FALSE(real->exportPcf(view));
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].text.rfind("无法写出 PCF 文件", 0), 0u) << ui.asked[0].text;

    // A drawing that disagrees with itself is written, with a note.
    for (model::PipeObject& o : view->document().drawing.objects)
        if (o.MainType == model::kindValue(model::ObjectKind::Pipe)) {
            o.DistTxt = text::utf8ToGbk("待测");
            break;
        }
    ui.asked.clear();
    answer = QString::fromStdString((dir / "估算.pcf").string());
    EXPECT_TRUE(real->exportPcf(view));
    EXPECT_TRUE(fs::exists(dir / "估算.pcf"));
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_NE(ui.asked[0].text.find("1 处前后不一致"), std::string::npos) << ui.asked[0].text;
}

TEST_F(View3DTest, TheWindowsDxfIsTheCommandLinesWithoutTheSelection) {
    // The drawing shown and painted in a window, a valve selected: its sheet is the one the
    // command line writes from the file, and the window's document is left as it was.
    app::DrawingView* view = open(kSample);
    ASSERT_TRUE(view);
    model::Document& doc = view->document();
    for (const model::PipeObject& o : doc.drawing.objects)
        if (o.is(model::ObjectKind::Valve)) {
            doc.selection.add(&o);
            break;
        }
    ASSERT_FALSE(doc.selection.empty());
    view->update();
    apptest::settle();
    const model::ObjectList before = doc.drawing.objects;
    const std::string fromWindow = exchange::sheetDxf(doc);
    ASSERT_EQ(doc.drawing.objects.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(doc.drawing.objects.at(i) == before.at(i)) << i;
    EXPECT_EQ(doc.selection.size(), 1u);

    model::AppContext app;
    auto openedRead = model::Document::open(app, kSample);
    ASSERT_TRUE(openedRead.ok()) << openedRead.message();
    const auto opened = std::move(openedRead.value());
    EXPECT_TRUE(fromWindow == exchange::sheetDxf(*opened)) << "the window's sheet differs";
}
