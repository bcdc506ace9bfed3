#include "tubra/app/ToolDialogs.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <QScreen>
#include <QShowEvent>

#include "tubra/app/DrawingView.h"
#include "tubra/edit/PropertyForms.h"
#include "tubra/edit/ToolForms.h"

namespace tubra::app {

namespace {

using platform::DeclaredField;
using platform::FieldKind;

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Dialogs with many fields set them out in two columns.
constexpr std::size_t kOneColumnRows = 12;

}  // namespace

FieldFormDialog::FieldFormDialog(platform::Form& form, platform::FormContext& context, QWidget* parent)
    : FormDialog(form, context, parent), fields_(dynamic_cast<const platform::DeclaredFields&>(form)) {
    build();
    loadWidgets();
}

QWidget* FieldFormDialog::fieldWidget(const std::string& name) const {
    const auto it = widgets_.find(name);
    return it == widgets_.end() ? nullptr : it->second;
}

QWidget* FieldFormDialog::makeWidget(const DeclaredField& f) {
    const std::string name = f.def.name;
    switch (f.def.kind) {
        case FieldKind::Text:
            if (!f.def.choices.empty()) {
                // An edit box offering entries.
                auto* c = new QComboBox(this);
                c->setEditable(true);
                connect(c, &QComboBox::currentTextChanged, this,
                        [this, name](const QString& t) { fieldEdited(name, t.toStdString()); });
                return c;
            } else {
                auto* e = new QLineEdit(this);
                if (f.readOnly()) {
                    // Shown values look like the dialog, not like boxes to type in.
                    e->setReadOnly(true);
                    e->setFocusPolicy(Qt::NoFocus);
                    QPalette palette = e->palette();
                    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
                    e->setPalette(palette);
                }
                connect(e, &QLineEdit::textEdited, this,
                        [this, name](const QString& t) { fieldEdited(name, t.toStdString()); });
                return e;
            }
        case FieldKind::Note: {
            auto* e = new QPlainTextEdit(this);
            e->setMinimumHeight(60);
            connect(e, &QPlainTextEdit::textChanged, this,
                    [this, name, e] { fieldEdited(name, e->toPlainText().toStdString()); });
            return e;
        }
        case FieldKind::Choice:
            if (f.def.style == platform::FieldStyle::Radio) {
                auto* box = new QWidget(this);
                auto* row = new QHBoxLayout(box);
                row->setContentsMargins(0, 0, 0, 0);
                auto* group = new QButtonGroup(box);
                for (const std::string& choice : f.def.choices) {
                    auto* r = new QRadioButton(qs(choice), box);
                    r->setObjectName(qs(name + ":" + choice));
                    group->addButton(r);
                    row->addWidget(r);
                    connect(r, &QRadioButton::toggled, this, [this, name, choice](bool on) {
                        if (on) fieldEdited(name, choice);
                    });
                }
                return box;
            } else {
                auto* c = new QComboBox(this);
                connect(c, &QComboBox::currentTextChanged, this,
                        [this, name](const QString& t) { fieldEdited(name, t.toStdString()); });
                return c;
            }
        case FieldKind::Check: {
            auto* c = new QCheckBox(qs(f.def.text), this);
            connect(c, &QCheckBox::toggled, this, [this, name](bool on) { fieldEdited(name, on ? "1" : "0"); });
            return c;
        }
    }
    return new QWidget(this);
}

void FieldFormDialog::build() {
    auto* outer = new QVBoxLayout(this);
    for (const std::string& note : fields_.notes()) {
        auto* label = new QLabel(qs(note), this);
        label->setWordWrap(true);
        outer->addWidget(label);
    }
    auto* grid = new QGridLayout;
    outer->addLayout(grid);
    // Rows: a field and the fields shown beside it.
    std::vector<std::vector<const DeclaredField*>> rows;
    for (const DeclaredField& f : fields_.declaredFields()) {
        if (f.sameRow && !rows.empty())
            rows.back().push_back(&f);
        else
            rows.push_back({&f});
    }
    const std::size_t perColumn =
        std::max<std::size_t>(1, rows.size() > kOneColumnRows ? (rows.size() + 1) / 2 : rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r % perColumn);
        const int col = static_cast<int>(r / perColumn) * 2;
        auto* line = new QHBoxLayout;
        for (const DeclaredField* field : rows[r]) {
            const DeclaredField& f = *field;
            QWidget* w = makeWidget(f);
            w->setObjectName(qs(f.def.name));
            widgets_[f.def.name] = w;
            if (f.def.kind != FieldKind::Check) {
                if (field == rows[r].front())
                    grid->addWidget(new QLabel(qs(f.label), this), row, col);
                else if (!f.label.empty())
                    line->addWidget(new QLabel(qs(f.label), this));
            }
            line->addWidget(w, 1);
            if (!f.unit.empty()) line->addWidget(new QLabel(qs(f.unit), this));
        }
        grid->addLayout(line, row, col + 1);
    }
    auto* buttons = new QDialogButtonBox(this);
    // A button per action; actions sharing a menu share one button that offers them.
    std::map<std::string, QMenu*> menus;
    for (const platform::ActionDef& a : fields_.declaredActions()) {
        const std::string action = a.name;
        if (!a.menu.empty()) {
            if (QMenu* menu = menus[a.menu]) {
                menu->addAction(qs(a.caption), this, [this, action] { perform(action); });
                continue;
            }
        }
        auto* tb = new QToolButton(this);
        tb->setText(qs(a.menu.empty() ? a.caption : a.menu));
        tb->setObjectName(qs(action.substr(0, action.find('='))));
        if (a.menu.empty()) {
            connect(tb, &QToolButton::clicked, this, [this, action] { perform(action); });
        } else {
            auto* menu = new QMenu(tb);
            menu->addAction(qs(a.caption), this, [this, action] { perform(action); });
            menus[a.menu] = menu;
            tb->setMenu(menu);
            tb->setPopupMode(QToolButton::InstantPopup);
        }
        buttons->addButton(tb, QDialogButtonBox::ActionRole);
    }
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    outer->addWidget(buttons);
}

void FieldFormDialog::fieldEdited(const std::string& name, const std::string& value) {
    if (loading_) return;
    if (form().setField(name, value).failed()) return;
    // The form may have cut the text or changed other fields (a list refilled by a choice).
    loadWidgets();
}

void FieldFormDialog::loadWidgets() {
    loading_ = true;
    for (const DeclaredField& f : fields_.declaredFields()) {
        QWidget* w = fieldWidget(f.def.name);
        const std::string v = form().field(f.def.name);
        const QString value = qs(v);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            if (e->text() != value) e->setText(value);
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
            if (p->toPlainText() != value) p->setPlainText(value);
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            QStringList items;
            for (const std::string& choice : f.def.choices) items << qs(choice);
            QStringList now;
            for (int i = 0; i < c->count(); ++i) now << c->itemText(i);
            if (now != items) {
                c->clear();
                c->addItems(items);
            }
            if (c->isEditable()) {
                if (c->currentText() != value) c->setEditText(value);
            } else {
                c->setCurrentIndex(static_cast<int>(items.indexOf(value)));
            }
        } else if (auto* k = qobject_cast<QCheckBox*>(w)) {
            k->setChecked(v == "1");
        } else if (w) {
            for (auto* r : w->findChildren<QRadioButton*>())
                r->setChecked(r->objectName() == qs(f.def.name + ":" + v));
        }
    }
    loading_ = false;
}

namespace {

// The text dialog also chooses its font in the desktop's font dialog.
class TextDialog : public FieldFormDialog {
public:
    TextDialog(platform::Form& form, platform::FormContext& context, QWidget* parent)
        : FieldFormDialog(form, context, parent) {
        auto* button = new QPushButton(QStringLiteral("字体设置"), this);
        button->setObjectName(QStringLiteral("chooseFont"));
        connect(button, &QPushButton::clicked, this, [this] { chooseFont(); });
        layout()->addWidget(button);
    }

private:
    void chooseFont() {
        QFont start(qs(form().field("font")));
        start.setItalic(form().field("italic") == "1");
        start.setUnderline(form().field("underline") == "1");
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, start, this, QStringLiteral("字体设置"));
        if (!ok) return;
        // The font dialog offers only what the boxes take.
        (void)form().setField("font", chosen.family().toStdString());
        (void)form().setField("italic", chosen.italic() ? "1" : "0");
        (void)form().setField("underline", chosen.underline() ? "1" : "0");
        loadWidgets();
    }
};

}  // namespace

namespace {

// The segment dialog opens after every new segment: it stands where the new segment's end
// stays in sight, where the user put it last when that place does, and Enter confirms it.
class SegmentDialog : public FieldFormDialog {
public:
    SegmentDialog(platform::Form& form, platform::FormContext& context, QWidget* parent)
        : FieldFormDialog(form, context, parent) {
        // The length is what is typed first; typing replaces it.
        if (auto* length = qobject_cast<QLineEdit*>(fieldWidget("Distanc"))) {
            length->setFocus();
            length->selectAll();
        }
    }

    void done(int result) override {
        remembered() = pos();
        FieldFormDialog::done(result);
    }

protected:
    void showEvent(QShowEvent* event) override {
        FieldFormDialog::showEvent(event);
        const std::optional<QRect> clear = segmentOnScreen();
        if (!clear) return;
        const QScreen* s = screen();
        if (!s) return;
        // The window frame around the dialog: its title bar and borders.
        const QSize frame = frameGeometry().size().expandedTo(size() + QSize(16, 40));
        move(placeClearOf(frame, s->availableGeometry(), *clear, remembered(), pos()));
    }

private:
    static std::optional<QPoint>& remembered() {
        static std::optional<QPoint> where;
        return where;
    }

    // The new segment on the screen, with room around its end.
    std::optional<QRect> segmentOnScreen() const {
        auto* view = dynamic_cast<DrawingView*>(parentWidget());
        auto* segment = dynamic_cast<const edit::SegmentForm*>(&const_cast<SegmentDialog*>(this)->form());
        if (!view || !segment) return std::nullopt;
        constexpr int kRoom = 48;  // pixels kept free around the end
        const model::PipeObject& o = segment->result();
        const auto global = [&](const model::Vec3& p) {
            const edit::DevicePoint d = view->controller().toDevice(p.x, p.y);
            return view->viewport()->mapToGlobal(QPoint(static_cast<int>(std::lround(std::clamp(d.x, -1e6, 1e6))),
                                                        static_cast<int>(std::lround(std::clamp(d.y, -1e6, 1e6)))));
        };
        const QPoint end = global(o.Port2);
        return QRect(end, QSize(1, 1)).adjusted(-kRoom, -kRoom, kRoom, kRoom);
    }
};

}  // namespace

QPoint placeClearOf(QSize frame, const QRect& screen, const QRect& keepClear,
                    const std::optional<QPoint>& remembered, QPoint current) {
    const auto fit = [&](QPoint p) {
        const int x = std::clamp(p.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - frame.width()));
        const int y = std::clamp(p.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - frame.height()));
        return QPoint(x, y);
    };
    const QPoint c = keepClear.center();
    std::vector<QPoint> candidates;
    if (remembered) candidates.push_back(*remembered);
    candidates.push_back(current);
    candidates.push_back({c.x() - frame.width() / 2, keepClear.bottom() + 1});
    candidates.push_back({c.x() - frame.width() / 2, keepClear.top() - frame.height()});
    candidates.push_back({keepClear.right() + 1, c.y() - frame.height() / 2});
    candidates.push_back({keepClear.left() - frame.width(), c.y() - frame.height() / 2});
    candidates.push_back(screen.topLeft());
    candidates.push_back({screen.right() + 1 - frame.width(), screen.top()});
    candidates.push_back({screen.left(), screen.bottom() + 1 - frame.height()});
    candidates.push_back({screen.right() + 1 - frame.width(), screen.bottom() + 1 - frame.height()});
    QPoint best = fit(current);
    long long bestCovered = -1;
    for (const QPoint& p : candidates) {
        const QPoint at = fit(p);
        const QRect r = QRect(at, frame).intersected(keepClear);
        const long long covered = r.isEmpty() ? 0 : static_cast<long long>(r.width()) * r.height();
        if (covered == 0) return at;
        if (bestCovered < 0 || covered < bestCovered) {
            best = at;
            bestCovered = covered;
        }
    }
    return best;
}

void registerToolDialogs() {
    using platform::qt::QtFormHost;
    // Every tool and property form, unless it has a dialog of its own.
    QtFormHost::registerDialog<edit::RowDialogForm>(
        [](platform::Form& form, platform::FormContext& context, QWidget* parent) -> std::unique_ptr<QDialog> {
            return std::make_unique<FieldFormDialog>(form, context, parent);
        });
    QtFormHost::registerDialog<edit::SegmentForm, SegmentDialog>();
    QtFormHost::registerDialog<edit::TextForm, TextDialog>();
}

}  // namespace tubra::app
