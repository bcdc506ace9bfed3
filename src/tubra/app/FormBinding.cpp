#include "tubra/app/FormBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "tubra/edit/BoundForm.h"

namespace tubra::app {

namespace {

std::string utf8(const QString& s) { return s.toStdString(); }

}  // namespace

BoundFormDialog::BoundFormDialog(platform::Form& form, const platform::DeclaredFields& fields,
                                 platform::FormContext& context, QWidget* parent)
    : FormDialog(form, context, parent), fields_(fields) {}

QWidget* BoundFormDialog::widgetFor(std::string_view name) const {
    for (const Binding& b : bindings_)
        if (b.name == name) return b.widget;
    return nullptr;
}

void BoundFormDialog::bind(std::string_view name, QWidget* widget, std::function<std::string()> get,
                           std::function<void(const std::string&)> set) {
    widget->setObjectName(qstr(name));
    bindings_.push_back({std::string(name), widget, std::move(get), std::move(set)});
    const Binding& b = bindings_.back();
    b.set(form().field(name));
    if (const auto* f = fields_.declared(name); f && f->enabled) widget->setEnabled(f->enabled());
}

void BoundFormDialog::storeWidgets() {
    for (const Binding& b : bindings_) {
        const auto* f = fields_.declared(b.name);
        if (!f || f->readOnly() || !b.widget->isEnabled()) continue;
        const std::string value = b.get();
        // Only what the user changed goes in: a value shown rounded or cut is not written back.
        // A value the field refuses leaves the form's own, which the widget shows again.
        if (value != form().field(b.name)) (void)form().setField(b.name, value);
    }
}

void BoundFormDialog::loadWidgets() {
    for (const Binding& b : bindings_) {
        b.set(form().field(b.name));
        if (const auto* f = fields_.declared(b.name); f && f->enabled) b.widget->setEnabled(f->enabled());
    }
}

QLineEdit* BoundFormDialog::lineEdit(std::string_view name) {
    auto* edit = new QLineEdit(this);
    const auto* f = fields_.declared(name);
    if (f && f->readOnly()) {
        // Shown values look like the dialog, not like boxes to type in, and take no focus.
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        QPalette p = edit->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        edit->setPalette(p);
    }
    bind(name, edit, [edit] { return utf8(edit->text()); },
         [edit](const std::string& v) {
             const QString t = QString::fromStdString(v);
             if (edit->text() != t) edit->setText(t);
         });
    if (f && f->def.maxBytes > 0) {
        const std::size_t limit = f->def.maxBytes;
        connect(edit, &QLineEdit::textEdited, this, [edit, limit](const QString& t) {
            const std::string kept = platform::fields::cutToBytes(utf8(t), limit);
            if (kept != utf8(t)) edit->setText(QString::fromStdString(kept));
        });
    }
    return edit;
}

QComboBox* BoundFormDialog::comboBox(std::string_view name) {
    auto* box = new QComboBox(this);
    const auto* f = fields_.declared(name);
    const bool editable = f && f->def.kind == platform::FieldKind::Text;
    box->setEditable(editable);
    if (f)
        for (const std::string& c : f->def.choices) box->addItem(QString::fromStdString(c));
    if (editable) {
        bind(name, box, [box] { return utf8(box->currentText()); },
             [box](const std::string& v) { box->setEditText(QString::fromStdString(v)); });
        if (f->def.maxBytes > 0) {
            const std::size_t limit = f->def.maxBytes;
            connect(box->lineEdit(), &QLineEdit::textEdited, this, [box, limit](const QString& t) {
                const std::string kept = platform::fields::cutToBytes(utf8(t), limit);
                if (kept != utf8(t)) box->setEditText(QString::fromStdString(kept));
            });
        }
    } else {
        bind(name, box, [box] { return utf8(box->currentText()); },
             [box](const std::string& v) {
                 const int i = box->findText(QString::fromStdString(v));
                 box->setCurrentIndex(i);
             });
    }
    return box;
}

QCheckBox* BoundFormDialog::checkBox(std::string_view name, std::string_view text) {
    auto* box = new QCheckBox(qstr(text), this);
    bind(name, box, [box] { return platform::fields::checkText(box->isChecked()); },
         [box](const std::string& v) {
             bool on = false;
             platform::fields::parseCheck(v, on);
             box->setChecked(on);
         });
    return box;
}

QSlider* BoundFormDialog::slider(std::string_view name) {
    auto* s = new QSlider(Qt::Horizontal, this);
    if (const auto* f = fields_.declared(name)) s->setRange(f->def.minimum, f->def.maximum);
    bind(name, s, [s] { return std::to_string(s->value()); },
         [s](const std::string& v) { s->setValue(edit::fields::atoiText(v)); });
    return s;
}

QPushButton* BoundFormDialog::actionButton(std::string_view text, std::string action) {
    auto* button = new QPushButton(qstr(text), this);
    button->setAutoDefault(false);
    button->setObjectName(QString::fromStdString(action));
    connect(button, &QPushButton::clicked, this, [this, action] { perform(action); });
    return button;
}

QDialogButtonBox* BoundFormDialog::okCancelButtons() {
    auto* box = new QDialogButtonBox(this);
    QPushButton* ok = box->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    ok->setObjectName(QStringLiteral("ok"));
    box->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return box;
}

QLabel* BoundFormDialog::label(std::string_view text) { return new QLabel(qstr(text), this); }

}  // namespace tubra::app
