// Every kind of form the drawing program has opens a dialog on the desktop, captioned as the
// form says, and closes through the form's own cancel.
//
// With TUBRA_DIALOG_SHOTS=DIR set, a picture of every dialog goes to DIR/<form type>.png, so
// that the dialogs can be compared before and after a change to how they are built.

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "AppTestSupport.h"
#include "platform/qt/FormDialogs.h"
#include "tubra/app/InstallDialogs.h"
#include "tubra/appcore/SettingsForms.h"
#include "tubra/edit/FittingPropertyForms.h"
#include "tubra/edit/PropertyForms.h"
#include "tubra/edit/ToolForms.h"
#include "tubra/report/ReportMasterForms.h"
#include "tubra/report/ReportPageForms.h"
#include "tubra/report/SubPageForm.h"

using namespace tubra;

namespace {

std::string typeName(const platform::Form& form) {
    std::string name = typeid(form).name();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

void shoot(QWidget& d, const std::string& name) {
    const QByteArray dir = qgetenv("TUBRA_DIALOG_SHOTS");
    if (dir.isEmpty()) return;
    QApplication::processEvents();
    d.grab().save(QString::fromUtf8(dir) + QLatin1Char('/') + QString::fromStdString(name) + ".png");
}

// What the forms are made from; it outlives them.
struct Sources {
    model::DrawingSettings settings;
    model::CharacteristicTable table;
    model::ObjectList objects;
    model::TitleBlock title;
    model::Drawing drawing;
    report::InspectionReport report;
    int mode = report::kEditReport;

    static model::PipeObject object(int mainType, int subType = 0) {
        model::PipeObject o;
        o.MainType = mainType;
        o.SubType = subType;
        return o;
    }
};

// One form of every type the program shows.
std::vector<std::unique_ptr<platform::Form>> everyForm(Sources& s) {
    std::vector<std::unique_ptr<platform::Form>> forms;
    const view::AxisAngles axes{};
    const model::PipeObject pipe = Sources::object(1);
    forms.push_back(std::make_unique<edit::PlaneForm>(pipe, axes));
    forms.push_back(std::make_unique<edit::DirectionForm>(1));
    forms.push_back(std::make_unique<edit::TeeConnectionForm>(pipe, model::Vec3{}, axes, 100.0, 1000.0));
    forms.push_back(std::make_unique<edit::ContinuousForm>());
    forms.push_back(std::make_unique<edit::SegmentForm>(pipe, edit::PropertyContext{}));
    forms.push_back(std::make_unique<edit::WeldForm>(Sources::object(13)));
    forms.push_back(std::make_unique<edit::SupportForm>(Sources::object(14)));
    forms.push_back(std::make_unique<edit::TextForm>(Sources::object(17), edit::PropertyContext{}));
    forms.push_back(std::make_unique<edit::TeePropertyForm>(Sources::object(12)));
    forms.push_back(std::make_unique<edit::ElbowPropertyForm>(Sources::object(11)));
    forms.push_back(std::make_unique<edit::ValvePropertyForm>(Sources::object(29, 18)));
    forms.push_back(std::make_unique<app::ColourForm>(s.settings));
    forms.push_back(std::make_unique<app::LineWidthForm>(s.settings));
    forms.push_back(std::make_unique<app::LineStyleForm>(s.settings));
    forms.push_back(std::make_unique<app::LayerForm>(s.settings));
    forms.push_back(std::make_unique<app::DimensionTextForm>(s.settings, true));
    forms.push_back(std::make_unique<app::ElbowTeeForm>(s.settings));
    forms.push_back(std::make_unique<app::SpecialCharacterForm>());
    forms.push_back(std::make_unique<app::CharacteristicTableForm>(s.table, s.objects));
    forms.push_back(std::make_unique<app::TitleBlockForm>(s.title, app::CalendarDate{2024, 5, 6}));
    forms.push_back(std::make_unique<app::SnapForm>(edit::SnapSettings{}));
    forms.push_back(std::make_unique<app::PageSetupForm>(s.drawing));
    forms.push_back(std::make_unique<app::NewDrawingForm>(view::ViewState{}));
    forms.push_back(std::make_unique<report::SubPageForm>(10, 3, 2));
    forms.push_back(std::make_unique<report::FullReportMasterForm>(s.report, s.table, s.mode));
    forms.push_back(std::make_unique<report::OnlineReportMasterForm>(s.report, s.table, s.mode));
    for (int page = 0; page <= 26; ++page)
        if (report::isReportPage(page)) forms.push_back(report::makeReportPageForm(page, s.report, s.table));
    return forms;
}

TEST(FormDialogs, EveryFormOpensADialogCaptionedAsTheFormAndCancels) {
    apptest::application();
    app::installDialogs();
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host(prompter, nullptr);
    Sources sources;
    auto forms = everyForm(sources);
    ASSERT_GE(forms.size(), 40u);

    for (auto& form : forms) {
        SCOPED_TRACE(typeName(*form));
        int shown = 0;
        host.onShow = [&](QDialog& dialog, platform::Form& f) {
            ++shown;
            EXPECT_EQ(&f, form.get());
            EXPECT_EQ(dialog.windowTitle().toStdString(), f.caption());
            QTimer::singleShot(0, &dialog, [&dialog, name = typeName(f)] {
                shoot(dialog, name);
                dialog.reject();
            });
        };
        EXPECT_FALSE(host.run(*form));
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(form->state(), platform::FormState::Rejected);
    }
    host.onShow = nullptr;
}

// Every form describes its dialog: the dialog built from the description alone (what a form
// gets when its own dialog is not registered) has a widget for every field it shows and works
// through the form.
TEST(FormDialogs, EveryFormsDescriptionBuildsAWidgetPerField) {
    apptest::application();
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host(prompter, nullptr);
    platform::FormContext context{prompter, host};
    Sources sources;
    for (auto& form : everyForm(sources)) {
        SCOPED_TRACE(typeName(*form));
        ASSERT_NE(dynamic_cast<platform::FormModel*>(form.get()), nullptr);
        platform::qt::ModelFormDialog dialog(*form, context);
        EXPECT_EQ(dialog.windowTitle().toStdString(), form->caption());
        for (const std::string& name : form->fieldNames())
            if (dialog.model().fieldVisible(name)) {
                EXPECT_NE(dialog.fieldWidget(name), nullptr) << name;
            }
        for (const std::string& action : dialog.model().layout().buttons)
            EXPECT_NE(dialog.button(action), nullptr) << action;
        shoot(dialog, "model-" + typeName(*form));
    }
}

// A form's own dialog and the one built from its description show the same values, and an edit
// in the described one reaches the form.
TEST(FormDialogs, TheDescribedDialogOfATableFormEditsTheForm) {
    apptest::application();
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host(prompter, nullptr);
    platform::FormContext context{prompter, host};
    model::DrawingSettings settings;
    app::DimensionTextForm form(settings, true);
    platform::qt::ModelFormDialog dialog(form, context);
    for (const std::string& name : form.fieldNames()) {
        QWidget* w = dialog.fieldWidget(name);
        ASSERT_NE(w, nullptr) << name;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            EXPECT_EQ(e->text().toStdString(), form.field(name)) << name;
        }
    }
    edit::DirectionForm direction(1);
    platform::qt::ModelFormDialog d2(direction, context);
    const std::string before = direction.field(direction.fieldNames().front());
    auto* box = d2.findChild<QComboBox*>();
    auto radios = d2.findChildren<QRadioButton*>();
    ASSERT_TRUE(box || !radios.isEmpty());
    if (box) {
        const int other = box->currentIndex() == 0 ? 1 : 0;
        box->setCurrentIndex(other);
        emit box->activated(other);
        EXPECT_EQ(direction.field(direction.fieldNames().front()), box->itemText(other).toStdString());
    } else {
        for (QRadioButton* r : radios)
            if (!r->isChecked()) {
                r->click();
                EXPECT_EQ(direction.field(direction.fieldNames().front()), r->text().toStdString());
                break;
            }
    }
    EXPECT_NE(direction.field(direction.fieldNames().front()), before);
}

// A described dialog offers actions that share a menu from one button, and a text field with
// entries to pick as an editable list; both work through the form.
TEST(FormDialogs, TheDescribedDialogOffersMenusAndEntriesToPick) {
    apptest::application();
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host(prompter, nullptr);
    platform::FormContext context{prompter, host};
    edit::TextForm form(edit::TextForm::newBlock({100, -100, 0}), edit::PropertyContext{});
    platform::qt::ModelFormDialog dialog(form, context);

    std::vector<std::string> entries;
    for (const std::string& action : form.layout().buttons)
        if (action.rfind("insert=", 0) == 0) entries.push_back(action);
    ASSERT_EQ(entries.size(), 3u);
    auto* button = qobject_cast<QPushButton*>(dialog.button(entries[0]));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text().toStdString(), "特殊符号");
    EXPECT_EQ(dialog.button(entries[2]), button);  // one button for the three
    ASSERT_NE(button->menu(), nullptr);
    EXPECT_EQ(button->menu()->actions().size(), 3);
    ASSERT_TRUE(form.setField("text", "DN").ok());
    dialog.menuEntry(entries[1])->trigger();
    EXPECT_EQ(form.field("text"), std::string("DN") + edit::TextForm::kSpecialCharacters[1]);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("text")->text().toStdString(), form.field("text"));

    auto* angle = qobject_cast<QComboBox*>(dialog.fieldWidget("angle"));
    ASSERT_NE(angle, nullptr);
    EXPECT_TRUE(angle->isEditable());
    EXPECT_EQ(angle->itemText(1).toStdString(), "东西");
    emit angle->activated(3);
    EXPECT_EQ(form.field("angle"), "上下");
    angle->lineEdit()->setText("37.5");
    emit angle->lineEdit()->textEdited("37.5");
    EXPECT_EQ(form.field("angle"), "37.5");
}

}  // namespace
