// Which dialog the desktop shows for a form: the one registered for its class, else the one
// registered for a family it belongs to, else the dialog built from its description; a form
// that describes nothing still gets a working dialog.

#include "platform/qt/FormDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "form_dialog_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: widgets of the tests may outlive the test body until exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// A form with two text fields and no description of its dialog; OK is refused while "name"
// is empty.
class PlainForm : public platform::Form {
public:
    std::string caption() const override { return "普通对话框"; }
    std::vector<std::string> fieldNames() const override { return {"name", "size"}; }
    std::string field(std::string_view f) const override {
        return f == "name" ? name : f == "size" ? size : std::string();
    }
    platform::Result<> setField(std::string_view f, std::string_view value) override {
        if (f == "name") name = std::string(value);
        else if (f == "size") size = std::string(value).substr(0, 4);
        else return platform::Error(platform::form::unknownField(caption(), f));
        return {};
    }
    std::string name;
    std::string size = "12";
    int refused = 0;

protected:
    platform::ActionResult onAction(std::string_view action, std::string_view, platform::FormContext&) override {
        if (action == "ok" && name.empty()) {
            ++refused;
            return state();
        }
        return platform::form::okOrCancel(*this, action);
    }
};

// A family of forms sharing an interface, and a member of it with a dialog of its own.
class Marked {
public:
    virtual ~Marked() = default;
};
class FamilyForm : public PlainForm, public Marked {};
class OwnDialogForm : public FamilyForm {};

std::unique_ptr<QDialog> titled(const char* title, platform::Form& form, platform::FormContext& context,
                                QWidget* parent) {
    auto d = std::make_unique<platform::qt::FormDialog>(form, context, parent);
    d->setWindowTitle(QString::fromUtf8(title));
    return d;
}

struct Host {
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host{prompter, nullptr};
    Host() { application(); }

    // Runs the form; `step` sees the dialog once it is up and closes it.
    bool run(platform::Form& form, std::function<void(QDialog&)> step) {
        host.onShow = [step](QDialog& d, platform::Form&) {
            QTimer::singleShot(0, &d, [&d, step] { step(d); });
        };
        return host.run(form);
    }
};

TEST(FormDialogs, AFormWithoutADialogGetsAnEditBoxPerFieldThatWorks) {
    Host h;
    PlainForm form;
    EXPECT_FALSE(platform::qt::QtFormHost::hasDialog(form));
    const bool accepted = h.run(form, [&](QDialog& d) {
        EXPECT_NE(dynamic_cast<platform::qt::ModelFormDialog*>(&d), nullptr);
        EXPECT_EQ(d.windowTitle(), QStringLiteral("普通对话框"));
        auto* name = d.findChild<QLineEdit*>(QStringLiteral("name"));
        auto* size = d.findChild<QLineEdit*>(QStringLiteral("size"));
        ASSERT_TRUE(name && size);
        EXPECT_EQ(size->text(), QStringLiteral("12"));
        QStringList labels;
        for (auto* l : d.findChildren<QLabel*>()) labels << l->text();
        EXPECT_TRUE(labels.contains(QStringLiteral("name")) && labels.contains(QStringLiteral("size")));

        // OK is the form's: refused while the name is empty, the dialog stays.
        auto* ok = d.findChild<QPushButton*>(QStringLiteral("ok"));
        ASSERT_TRUE(ok);
        EXPECT_EQ(ok->text(), QStringLiteral("确定"));
        ok->click();
        EXPECT_EQ(form.refused, 1);
        EXPECT_TRUE(d.isVisible());

        // Typing reaches the form at once, and what the form keeps comes back.
        name->insert(QStringLiteral("阀门"));  // as typed
        EXPECT_EQ(form.name, "阀门");
        size->selectAll();
        QTest::keyClicks(size, QStringLiteral("123456"));
        EXPECT_EQ(form.size, "1234");
        EXPECT_EQ(size->text(), QStringLiteral("1234"));
        ok->click();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(form.state(), platform::FormState::Accepted);
    EXPECT_EQ(form.name, "阀门");

    // Cancel and closing the window count as cancelled, with nothing more written.
    EXPECT_FALSE(h.run(form, [](QDialog& d) {
        QTest::keyClicks(d.findChild<QLineEdit*>(QStringLiteral("name")), QStringLiteral("x"));
        d.findChild<QPushButton*>(QStringLiteral("cancel"))->click();
    }));
    EXPECT_EQ(form.state(), platform::FormState::Rejected);
    EXPECT_FALSE(h.run(form, [](QDialog& d) { d.close(); }));
}

TEST(FormDialogs, OwnClassBeforeFamilyAndTheLaterRegistrationWins) {
    Host h;
    using platform::qt::QtFormHost;
    QtFormHost::registerDialog<Marked>([](platform::Form& f, platform::FormContext& c, QWidget* p) {
        return titled("family", f, c, p);
    });
    QtFormHost::registerDialog<OwnDialogForm>([](platform::Form& f, platform::FormContext& c, QWidget* p) {
        return titled("own", f, c, p);
    });
    auto titleOf = [&](platform::Form& form) {
        QString title;
        h.run(form, [&](QDialog& d) {
            title = d.windowTitle();
            d.reject();
        });
        return title.toStdString();
    };
    FamilyForm family;
    OwnDialogForm own;
    PlainForm plain;
    EXPECT_TRUE(QtFormHost::hasDialog(family));
    EXPECT_EQ(titleOf(family), "family");
    EXPECT_EQ(titleOf(own), "own");
    EXPECT_EQ(titleOf(plain), "普通对话框");

    // Registering a class again replaces its dialog; the family's stays.
    QtFormHost::registerDialog<OwnDialogForm>([](platform::Form& f, platform::FormContext& c, QWidget* p) {
        return titled("own again", f, c, p);
    });
    EXPECT_EQ(titleOf(own), "own again");
    EXPECT_EQ(titleOf(family), "family");
    // A factory that makes nothing still leaves the form a dialog.
    QtFormHost::registerDialog<FamilyForm>([](platform::Form&, platform::FormContext&, QWidget*) {
        return std::unique_ptr<QDialog>();
    });
    EXPECT_EQ(titleOf(family), "普通对话框");
}

}  // namespace
