// The settings dialogs and the tee, elbow and valve property dialogs in the window: each opens
// from its command with its caption and a widget for every field, and what the widgets do
// reaches the drawing only through OK.

#include <cstdio>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTimer>

#include "AppTestSupport.h"
#include "text/Gbk.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/Interaction.h"
#include "tubra/app/InstallDialogs.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/PropertyDialogsQt.h"
#include "tubra/app/SettingsDialogs.h"
#include "tubra/model/DrawingFile.h"

using namespace tubra;
using app::MainWindow;

namespace {

using apptest::child;
using apptest::click;
using apptest::whenDialogShows;

// With TUBRA_DIALOG_SHOTS set to a directory, a picture of the dialog goes there (to look at
// the layouts).
void shoot(QDialog& d, const std::string& name) {
    const QByteArray dir = qgetenv("TUBRA_DIALOG_SHOTS");
    if (dir.isEmpty()) return;
    d.adjustSize();
    d.grab().save(QString::fromUtf8(dir) + QLatin1Char('/') + QString::fromStdString(name) + ".png");
}

class SettingsDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::application();
        QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Tubra")).clear();
        window = std::make_unique<MainWindow>(context, ui);
        window->resize(1000, 700);
        view = window->newDocument();
        window->show();
        apptest::settle();
        doc = &view->document();
        doc->setModifiedFlag(false);  // the new-drawing dialog marked it
    }
    void TearDown() override {
        doc->setModifiedFlag(false);
        window.reset();
    }

    model::AppContext context;
    apptest::FakeInteraction ui;
    std::unique_ptr<MainWindow> window;
    app::DrawingView* view = nullptr;
    model::Document* doc = nullptr;
};

}  // namespace

TEST_F(SettingsDialogsTest, EveryCommandOpensItsDialogWithAWidgetPerField) {
    struct Case {
        int command;
        const char* caption;
        std::vector<const char*> fields;
    };
    const Case cases[] = {
        {2707, "设置颜色", {"BeiJingColor", "TractColor", "PrintIsNoColor"}},
        {2725, "设置线宽", {"ZhuXianKuan", "ZhiXianKuan", "BiaoZhuKuan", "FaMenKuan", "HanFengKuan", "QiTaKuan"}},
        {2708, "选择线形", {"ZhuXianStyle", "checkZhuXian", "QiTaStyle", "checkQiTa", "library"}},
        {2739, "图层开关设置", {"ZhuXianLayer", "DimTextLayer", "QiTaLayer"}},
        {2747, "标注文字设置", {"Dim_High", "Dim_Size", "autoElevation"}},
        {2742, "设置捕捉", {"distance", "markerSize", "snapEnd", "snapMid", "snapAny", "snapWeld"}},
        {400, "设置弯头半径及三通长度", {"m_wantouR", "m_santongChang", "DrawZoom_GJFM"}},
        {403, "设置管道特性表", {"row1", "row3", "row18", "autoCount", "import", "special"}},
        {404, "设置图纸标题框", {"row1", "row7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        QAction* a = window->action(c.command);
        ASSERT_TRUE(a);
        EXPECT_TRUE(a->isEnabled());
        bool shown = false;
        whenDialogShows([&](QDialog& d) {
            shown = true;
            shoot(d, std::to_string(c.command));
            EXPECT_EQ(d.windowTitle().toStdString(), c.caption);
            for (const char* f : c.fields) child<QWidget>(d, f);
            auto* form = dynamic_cast<app::BoundFormDialog*>(&d);
            EXPECT_NE(form, nullptr);
            if (form) {
                for (const std::string& name : form->form().fieldNames())
                    EXPECT_NE(form->widgetFor(name), nullptr) << name;
            }
            d.reject();
        });
        a->trigger();
        EXPECT_TRUE(shown);
    }
    // Cancelled everywhere: nothing changed.
    EXPECT_EQ(context.settings, model::DrawingSettings());
    EXPECT_FALSE(doc->isModified());
}

TEST_F(SettingsDialogsTest, ColourChooserAllBlackAndOk) {
    whenDialogShows([](QDialog& d) {
        auto& dialog = dynamic_cast<app::ColourDialog&>(d);
        dialog.chooseColour = [](const QColor& initial, QWidget*) -> std::optional<QColor> {
            EXPECT_EQ(initial, QColor(255, 255, 255));
            return QColor(10, 20, 30);
        };
        dialog.choose(0);
        EXPECT_EQ(dialog.swatch(0)->palette().color(QPalette::Window), QColor(10, 20, 30));
        click(d, "allBlack");
        EXPECT_EQ(dialog.swatch(2)->palette().color(QPalette::Window), QColor(0, 0, 0));
        child<QCheckBox>(d, "PrintIsNoColor")->setChecked(false);
        click(d, "ok");
    });
    // The colours are the program's: a window of another drawing shows them too.
    app::DrawingView* other = window->newDocument();
    window->mdiArea()->tileSubWindows();
    apptest::settle();
    ASSERT_EQ(window->activeView(), other);
    other->document().setModifiedFlag(false);
    const int paints = view->finishedPaints();
    window->runCommand(2707);
    EXPECT_EQ(context.settings.BeiJingColor, model::rgb(10, 20, 30));
    EXPECT_EQ(context.settings.ZhuXianColor, 0u);
    EXPECT_EQ(context.settings.TractColor, model::rgb(255, 255, 125));
    EXPECT_EQ(context.settings.PrintIsNoColor, 0);
    apptest::settle();
    EXPECT_GT(view->finishedPaints(), paints);
}

TEST_F(SettingsDialogsTest, AWidthThatIsNotANumberKeepsTheDialogOpen) {
    bool stillOpen = false;
    whenDialogShows([&](QDialog& d) {
        auto* box = child<QComboBox>(d, "BiaoZhuKuan");
        EXPECT_TRUE(box->isEditable());
        EXPECT_EQ(box->currentText(), "1.00");
        box->setEditText(QStringLiteral("abc"));
        click(d, "ok");
        stillOpen = d.isVisible();
        box->setEditText(QStringLiteral("0.5"));
        click(d, "ok");
    });
    window->runCommand(2725);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].caption, "出错信息");
    EXPECT_FLOAT_EQ(context.settings.BiaoZhuKuan, 0.5f);
}

TEST_F(SettingsDialogsTest, StyleLibraryGivesItsStyleToTheCheckedSamples) {
    whenDialogShows([](QDialog& d) {
        auto& dialog = dynamic_cast<app::LineStyleDialog&>(d);
        child<QCheckBox>(d, "checkFaMen")->setChecked(true);
        QListWidget* library = dialog.library();
        emit library->itemClicked(library->item(2));
        EXPECT_EQ(dialog.sample(3)->styleIndex(), 2);
        EXPECT_EQ(dialog.sample(0)->styleIndex(), 0);
        click(d, "ok");
    });
    window->runCommand(2708);
    EXPECT_EQ(context.settings.FaMenStyle, 2);
    EXPECT_EQ(context.settings.ZhuXianStyle, 0);
}

TEST_F(SettingsDialogsTest, SlidersEchoTheirValues) {
    whenDialogShows([](QDialog& d) {
        auto* size = child<QSlider>(d, "Dim_Size");
        EXPECT_EQ(size->minimum(), 3);
        EXPECT_EQ(size->maximum(), 100);
        size->setValue(44);
        EXPECT_EQ(child<QLineEdit>(d, "Dim_SizeEcho")->text(), "44");
        click(d, "ok");
    });
    window->runCommand(2747);
    EXPECT_EQ(context.settings.Dim_Size, 44);
}

TEST_F(SettingsDialogsTest, TableImportsSpecialCharactersAndMarksTheDrawingModified) {
    apptest::TempDir dir;
    model::Drawing source;
    source.table.values[1] = "P-101";
    std::string data;
    model::writeDrawing(source, context.settings, data);
    const auto file = dir / "source.hcd";
    FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);

    whenDialogShows([&](QDialog& d) {
        auto& dialog = dynamic_cast<app::CharacteristicTableDialog&>(d);
        EXPECT_EQ(child<QComboBox>(d, "row3")->currentText(), "GC2");
        dialog.chooseFile = [&](QWidget*) { return QString::fromStdString(file.string()); };
        dialog.importFromChosenFile();
        EXPECT_EQ(child<QLineEdit>(d, "row2")->text(), "P-101");
        // The picker is a dialog of its own.
        whenDialogShows([](QDialog& picker) {
            shoot(picker, "special");
            EXPECT_EQ(picker.windowTitle(), "特殊字符表");
            child<QComboBox>(picker, "char")->setCurrentIndex(4);
            click(picker, "ok");
        });
        click(d, "special");
        EXPECT_EQ(child<QLineEdit>(d, "row18")->text(), "±");
        click(d, "ok");
    });
    window->runCommand(403);
    EXPECT_EQ(doc->drawing.table.values[1], "P-101");
    EXPECT_EQ(doc->drawing.table.values[17], text::gbk("±"));
    EXPECT_TRUE(doc->isModified());
}

TEST_F(SettingsDialogsTest, TitleBlockDatesAndLabels) {
    whenDialogShows([](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, "row3")->text(),
                  QString::fromStdString(app::TitleBlockForm::dateText(app::today())));
        child<QLineEdit>(d, "row1")->setText(QStringLiteral("管线图"));
        click(d, "ok");
    });
    window->runCommand(404);
    EXPECT_EQ(doc->drawing.title.values[5], text::gbk("管线图"));
    EXPECT_EQ(doc->drawing.title.labels[2], text::gbk(" 图 号 "));
    EXPECT_TRUE(doc->isModified());
}

TEST(PropertyDialogsQt, TeeElbowAndValveDialogsShowTheirFields) {
    apptest::application();
    app::installDialogs();
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host(prompter, nullptr);

    model::PipeObject valve;
    valve.MainType = 29;
    valve.SubType = 18;
    valve.EndDir = 3;
    valve.dimAngle = -900;
    edit::ValvePropertyForm form(valve);
    whenDialogShows([](QDialog& d) {
        shoot(d, "valve");
        EXPECT_EQ(d.windowTitle(), "对象属性——阀门、管件");
        EXPECT_EQ(child<QLineEdit>(d, "name")->text(), "球阀");
        EXPECT_TRUE(child<QLineEdit>(d, "name")->isReadOnly());
        EXPECT_EQ(child<QLineEdit>(d, "direction")->text(), "南");
        EXPECT_EQ(child<QLineEdit>(d, "angle")->text(), "-90.00");
        child<QLineEdit>(d, "angle")->setText(QStringLiteral("45"));
        child<QLineEdit>(d, "DistTxt")->setText(QStringLiteral("DN50"));
        click(d, "ok");
    });
    ASSERT_TRUE(host.run(form));
    EXPECT_EQ(form.result().dimAngle, 450);
    EXPECT_EQ(form.result().DistTxt, "DN50");

    model::PipeObject tee;
    tee.MainType = 12;
    edit::TeePropertyForm teeForm(tee);
    whenDialogShows([](QDialog& d) {
        shoot(d, "tee");
        EXPECT_EQ(d.windowTitle(), "对象属性——三通");
        for (const char* f : {"Port3.x", "Port4.z", "Distanc", "BiHou", "GuiGe"}) child<QLineEdit>(d, f);
        d.reject();
    });
    EXPECT_FALSE(host.run(teeForm));

    model::PipeObject elbow;
    elbow.MainType = 3;
    elbow.Distanc = 150;  // an elbow's radius is above 0, or OK keeps the dialog open
    edit::ElbowPropertyForm elbowForm(elbow);
    whenDialogShows([](QDialog& d) {
        shoot(d, "elbow");
        EXPECT_EQ(d.windowTitle(), "对象属性——弯头");
        child<QLineEdit>(d, "DistTxt")->setText(QStringLiteral(" "));
        click(d, "ok");
    });
    ASSERT_TRUE(host.run(elbowForm));
    EXPECT_EQ(elbowForm.result().DistTxt, "^");
}

TEST(SnapDialogQt, SlidersEchoAndPreviewTheirValues) {
    apptest::application();
    app::installDialogs();
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host(prompter, nullptr);
    app::SnapForm form(edit::SnapSettings{});
    whenDialogShows([](QDialog& d) {
        shoot(d, "2742");
        EXPECT_EQ(d.windowTitle(), "设置捕捉");
        auto& dialog = dynamic_cast<app::SnapDialog&>(d);
        auto* distance = child<QSlider>(d, "distance");
        EXPECT_EQ(distance->minimum(), 2);
        EXPECT_EQ(distance->maximum(), 15);
        EXPECT_EQ(child<QLineEdit>(d, "distanceEcho")->text(), " 3");
        EXPECT_EQ(dialog.preview(1)->halfSide(), 6);
        child<QSlider>(d, "markerSize")->setValue(12);
        EXPECT_EQ(child<QLineEdit>(d, "markerSizeEcho")->text(), "12");
        EXPECT_EQ(dialog.preview(1)->halfSide(), 12);
        // The preview square is drawn inverted on white: black pixels on its outline.
        const QImage picture = dialog.preview(1)->grab().toImage();
        const QPoint centre((picture.width() - 1) / 2, (picture.height() - 1) / 2);
        EXPECT_EQ(QColor(picture.pixel(centre.x() - 12, centre.y())), QColor(Qt::black));
        EXPECT_EQ(QColor(picture.pixel(centre)), QColor(Qt::white));
        child<QCheckBox>(d, "snapWeld")->setChecked(true);
        click(d, "ok");
    });
    ASSERT_TRUE(host.run(form));
    EXPECT_EQ(form.values.markerX, 12);
    EXPECT_TRUE(form.values.weldsOnly);
}

TEST(NewDrawingDialogQt, TakesTheAnglesAndAnElevationThatIsANumber) {
    // The dialog a new drawing brings up: an elevation that is no number is told of and the
    // dialog stays for another.
    apptest::application();
    app::installDialogs();
    app::DesktopInteraction desktop;
    view::ViewState view;
    app::NewDrawingForm form(view);
    std::string told;
    whenDialogShows([&told](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "新建图形");
        child<QComboBox>(d, "alpha")->setCurrentIndex(1);
        child<QComboBox>(d, "beta")->setCurrentIndex(2);
        auto* elevation = child<QLineEdit>(d, "elevation");
        elevation->setText("12m");
        whenDialogShows([&told](QDialog& box) {
            if (auto* m = qobject_cast<QMessageBox*>(&box)) told = m->text().toStdString();
            box.findChildren<QPushButton*>().front()->click();
        });
        click(d, "ok");
        EXPECT_TRUE(d.isVisible());
        elevation->setText("1500");
        click(d, "ok");
    });
    ASSERT_TRUE(desktop.askNewDrawing(nullptr, form));
    EXPECT_EQ(told, "请输入一个数字。");
    const auto values = form.values();
    ASSERT_TRUE(values);
    EXPECT_EQ(values->alpha, 45);
    EXPECT_EQ(values->beta, 60);
    EXPECT_EQ(values->firstPointElevation, 1500);
}

TEST(PageSetupFormDialogQt, LabelsFollowTheAxisSwitch) {
    apptest::application();
    app::installDialogs();
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host(prompter, nullptr);
    model::Drawing drawing;
    app::PageSetupForm form(drawing);
    whenDialogShows([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "页面设置");
        auto* x = child<QLineEdit>(d, "labelX");
        EXPECT_TRUE(x->isEnabled());
        child<QCheckBox>(d, "showAxes")->setChecked(false);
        EXPECT_FALSE(x->isEnabled());
        child<QComboBox>(d, "pageSize")->setCurrentIndex(1);
        click(d, "ok");
    });
    ASSERT_TRUE(host.run(form));
    EXPECT_EQ(form.pageSize, 1);
    EXPECT_FALSE(form.showAxes);
}
