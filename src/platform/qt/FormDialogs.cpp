#include "platform/qt/FormDialogs.h"

#include <algorithm>
#include <typeinfo>
#include <vector>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageLogger>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

namespace platform::qt {

namespace {

struct Registration {
    std::type_index type;
    std::function<bool(Form&)> matches;
    DialogFactory factory;
};

std::vector<Registration>& registry() {
    static std::vector<Registration> registrations;
    return registrations;
}

// The registration for the form's own class, else the last one for a class it derives from.
const Registration* registrationFor(Form& form) {
    const std::type_index own(typeid(form));
    const auto& all = registry();
    for (const Registration& r : all)
        if (r.type == own) return &r;
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (it->matches(form)) return &*it;
    return nullptr;
}

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string utf8(const QString& s) { return s.toStdString(); }

// The form keeps several lines with CR LF between them; the edit box shows LF.
QString shownNote(const std::string& s) { return qs(s).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QColor colour(std::uint32_t rgb) {
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
}

}  // namespace

std::function<QString(QWidget*, const QString&, const QString&)> ModelFormDialog::chooseFile =
    [](QWidget* parent, const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    };

QString ModelFormDialog::nameFilter(const std::string& filter) {
    const QStringList parts = qs(filter).split(QLatin1Char('|'));
    QStringList names;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
        // The name lists its patterns in parentheses; a file dialog reads them from there.
        QString name = parts[i];
        const int open = name.lastIndexOf(QLatin1Char('('));
        if (open >= 0) name = name.left(open).trimmed();
        names << QStringLiteral("%1 (%2)").arg(name, pattern);
    }
    return names.join(QStringLiteral(";;"));
}

ModelFormDialog::ModelFormDialog(Form& form, FormContext& context, QWidget* parent)
    : FormDialog(form, context, parent), model_(modelOf(form, ownModel_)) {
    const FormLayout& layout = model_.layout();
    auto* content = new QWidget;
    auto* grid = new QGridLayout(content);
    // Groups side by side keep clear of each other's texts.
    grid->setHorizontalSpacing(18);
    for (const LayoutGroup& g : layout.groups) {
        QWidget* box;
        if (g.title.empty()) {
            box = new QWidget;
        } else {
            box = new QGroupBox(qs(g.title));
        }
        auto* cells = new QGridLayout(box);
        if (g.title.empty()) cells->setContentsMargins(0, 0, 0, 0);
        for (const LayoutCell& c : g.cells)
            cells->addWidget(makeCell(c), c.row, c.col, c.rowSpan, c.colSpan);
        grid->addWidget(box, g.row, g.col, g.rowSpan, g.colSpan, Qt::AlignTop);
    }

    auto* top = new QVBoxLayout(this);
    if (layout.scrolls) {
        auto* scroll = new QScrollArea;
        scroll->setWidget(content);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll_ = scroll;
        top->addWidget(scroll);
    } else {
        top->addWidget(content);
    }
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    std::map<std::string, QMenu*> menus;
    for (const std::string& action : layout.buttons) {
        const ActionDef* def = model_.actionDef(action);
        if (def && !def->menu.empty()) {
            // Actions sharing a menu are the entries of one button.
            QMenu*& menu = menus[def->menu];
            if (!menu) {
                auto* b = new QPushButton(qs(def->menu));
                b->setObjectName(qs(action.substr(0, action.find('='))));
                menu = new QMenu(b);
                b->setMenu(menu);
                bottom->addWidget(b);
            }
            QAction* entry = menu->addAction(qs(model_.actionCaption(action)));
            connect(entry, &QAction::triggered, this, [this, action] { pressed(action); });
            menuEntries_[action] = entry;
            continue;
        }
        auto* b = new QPushButton(qs(model_.actionCaption(action)));
        b->setObjectName(qs(action));
        if (action == "ok" || action == "退出") b->setDefault(true);
        connect(b, &QPushButton::clicked, this, [this, action] { pressed(action); });
        buttons_[action] = b;
        bottom->addWidget(b);
    }
    top->addLayout(bottom);

    if (picture_) {
        model_.setPictureLoader([this](const std::string& path) {
            const QImage image(qs(path));
            if (image.isNull()) return false;
            if (picture_) {
                // Stretched into the box, as the preview shows it.
                picture_->setPixmap(QPixmap::fromImage(image.scaled(
                    picture_->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
            }
            return true;
        });
    }
    loadWidgets();
}

ModelFormDialog::~ModelFormDialog() {
    if (picture_) model_.setPictureLoader(nullptr);
}

void ModelFormDialog::showEvent(QShowEvent* event) {
    if (scroll_ && !sized_) {
        // As much as fits on the screen; the rest scrolls.
        sized_ = true;
        const QSize wanted = scroll_->widget()->sizeHint();
        QSize room(1200, 800);
        if (const QScreen* s = screen()) room = s->availableSize() * 9 / 10;
        const int bar = scroll_->verticalScrollBar()->sizeHint().width();
        scroll_->setMinimumSize(std::min(wanted.width() + bar + 4, room.width()),
                                std::min(wanted.height() + 4, room.height() - 80));
        adjustSize();
    }
    FormDialog::showEvent(event);
}

QWidget* ModelFormDialog::makeCell(const LayoutCell& c) {
    switch (c.kind) {
        case LayoutCell::Kind::Label: {
            auto* l = new QLabel(qs(c.text));
            if (!c.ref.empty()) {
                l->setObjectName(qs(c.ref));
                labels_[c.ref] = l;
            }
            if (l->text().size() > 40) l->setWordWrap(true);
            return l;
        }
        case LayoutCell::Kind::Field: {
            const FieldDef* def = model_.fieldDef(c.ref);
            if (!def) return new QLabel(QStringLiteral("?%1").arg(qs(c.ref)));
            QWidget* w = makeField(*def);
            w->setObjectName(qs(c.ref));
            fields_[c.ref] = w;
            return w;
        }
        case LayoutCell::Kind::Button: {
            auto* b = new QPushButton(qs(model_.actionCaption(c.ref)));
            b->setObjectName(qs(c.ref));
            if (const ActionDef* a = model_.actionDef(c.ref); a && a->alignLeft)
                b->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 10px;"));
            if (model_.actionCaption(c.ref) == "←") b->setMaximumWidth(b->fontMetrics().height() * 2);
            const std::string action = c.ref;
            connect(b, &QPushButton::clicked, this, [this, action] { pressed(action); });
            buttons_[c.ref] = b;
            return b;
        }
        case LayoutCell::Kind::List: {
            auto* t = new QTableWidget;
            t->setObjectName(qs(c.ref));
            t->setSelectionBehavior(QAbstractItemView::SelectRows);
            t->setSelectionMode(QAbstractItemView::ExtendedSelection);
            t->setEditTriggers(QAbstractItemView::NoEditTriggers);
            t->setShowGrid(true);
            t->verticalHeader()->hide();
            t->setMinimumHeight(180);
            const std::string name = c.ref;
            connect(t, &QTableWidget::itemSelectionChanged, this,
                    [this, name] { listSelectionChanged(name); });
            lists_[c.ref] = t;
            return t;
        }
        case LayoutCell::Kind::Picture: {
            auto* l = new QLabel(qs(c.text));
            l->setFrameShape(QFrame::Box);
            l->setAlignment(Qt::AlignCenter);
            l->setWordWrap(true);
            l->setMinimumSize(240, 180);
            picture_ = l;
            return l;
        }
    }
    return new QWidget;
}

QWidget* ModelFormDialog::makeField(const FieldDef& def) {
    const std::string name = def.name;
    switch (def.kind) {
        case FieldKind::Text: {
            if (!def.choices.empty()) {
                // An edit box that also offers entries.
                auto* box = new QComboBox;
                box->setEditable(true);
                for (const std::string& c : def.choices) box->addItem(qs(model_.choiceText(c)));
                connect(box->lineEdit(), &QLineEdit::textEdited, this,
                        [this, name](const QString& t) { edited(name, t); });
                connect(box, &QComboBox::activated, this,
                        [this, name, box](int i) { edited(name, box->itemText(i)); });
                return box;
            }
            auto* e = new QLineEdit;
            const int chars = def.minWidth > 0
                                  ? def.minWidth
                                  : std::clamp(static_cast<int>(def.maxBytes) / 2 + 2, 4, 24);
            e->setMinimumWidth(e->fontMetrics().averageCharWidth() * chars + 12);
            connect(e, &QLineEdit::textEdited, this,
                    [this, name](const QString& t) { edited(name, t); });
            return e;
        }
        case FieldKind::Note: {
            auto* e = new QPlainTextEdit;
            e->setTabChangesFocus(true);
            e->setMinimumHeight(e->fontMetrics().lineSpacing() * def.visibleLines + 12);
            e->setMinimumWidth(e->fontMetrics().averageCharWidth() * 60);
            connect(e, &QPlainTextEdit::textChanged, this,
                    [this, name, e] { edited(name, e->toPlainText()); });
            return e;
        }
        case FieldKind::Choice: {
            if (def.style == FieldStyle::Radio) {
                auto* w = new QWidget;
                auto* row = new QHBoxLayout(w);
                row->setContentsMargins(0, 0, 0, 0);
                auto* group = new QButtonGroup(w);
                for (const std::string& c : def.choices) {
                    const QString text = qs(model_.choiceText(c));
                    auto* r = new QRadioButton(text);
                    group->addButton(r);
                    row->addWidget(r);
                    connect(r, &QRadioButton::clicked, this,
                            [this, name, text] { edited(name, text); });
                }
                return w;
            }
            auto* box = new QComboBox;
            for (const std::string& c : def.choices) box->addItem(qs(model_.choiceText(c)));
            // Room for the longest entry even when the entries are short.
            int widest = 0;
            for (int i = 0; i < box->count(); ++i)
                widest = std::max(widest, box->fontMetrics().horizontalAdvance(box->itemText(i)));
            box->setMinimumWidth(std::max(widest, box->fontMetrics().averageCharWidth() * 4) + 40);
            connect(box, &QComboBox::activated, this,
                    [this, name, box](int i) { edited(name, box->itemText(i)); });
            return box;
        }
        case FieldKind::Check: {
            QAbstractButton* b;
            if (def.style == FieldStyle::Toggle) {
                b = new QPushButton(qs(def.text));
            } else {
                b = new QCheckBox(qs(def.text));
            }
            b->setCheckable(true);
            connect(b, &QAbstractButton::clicked, this, [this, name](bool on) {
                edited(name, on ? QStringLiteral("1") : QStringLiteral("0"));
            });
            return b;
        }
    }
    return new QWidget;
}

void ModelFormDialog::edited(const std::string& name, const QString& value) {
    if (loading_) return;
    if (const Result<> taken = form().setField(name, utf8(value)); taken.failed())
        qWarning("%s", taken.message().c_str());
    // The form may have cut the text or changed other fields with it.
    editing_ = fieldWidget(name);
    loadWidgets();
    editing_ = nullptr;
}

void ModelFormDialog::pressed(const std::string& action) {
    const ActionDef* def = model_.actionDef(action);
    if (def && !def->fileTitle.empty()) {
        const QString file = chooseFile(this, qs(def->fileTitle), nameFilter(def->fileFilter));
        if (file.isEmpty()) return;
        perform(action + "=" + utf8(file));
        return;
    }
    perform(action);
    if (const std::string next = model_.focusAfter(action); !next.empty())
        if (QWidget* w = fieldWidget(next)) w->setFocus();
}

void ModelFormDialog::listSelectionChanged(const std::string& name) {
    if (loading_) return;
    QTableWidget* t = lists_.at(name);
    std::vector<int> rows;
    for (const QModelIndex& i : t->selectionModel()->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    // The row clicked last is the current one: it goes last.
    const int current = t->currentRow();
    if (const auto it = std::find(rows.begin(), rows.end(), current); it != rows.end()) {
        rows.erase(it);
        rows.push_back(current);
    }
    if (rows.empty()) return;
    std::string arg;
    for (int r : rows) arg += (arg.empty() ? "" : ",") + std::to_string(r);
    perform("select=" + arg);
}

QWidget* ModelFormDialog::fieldWidget(const std::string& name) const {
    const auto it = fields_.find(name);
    return it == fields_.end() ? nullptr : it->second;
}

QAbstractButton* ModelFormDialog::button(const std::string& action) const {
    if (const auto it = buttons_.find(action); it != buttons_.end()) return it->second;
    // An entry of a menu: the button that offers it.
    if (const auto it = menuEntries_.find(action); it != menuEntries_.end())
        if (auto* menu = qobject_cast<QMenu*>(it->second->parent()))
            return qobject_cast<QAbstractButton*>(menu->parentWidget());
    return nullptr;
}

QAction* ModelFormDialog::menuEntry(const std::string& action) const {
    const auto it = menuEntries_.find(action);
    return it == menuEntries_.end() ? nullptr : it->second;
}

QTableWidget* ModelFormDialog::list(const std::string& name) const {
    const auto it = lists_.find(name);
    return it == lists_.end() ? nullptr : it->second;
}

void ModelFormDialog::loadField(const std::string& name, QWidget* w) {
    const FieldDef* def = model_.fieldDef(name);
    const std::string v = form().field(name);
    switch (def->kind) {
        case FieldKind::Text: {
            if (auto* box = qobject_cast<QComboBox*>(w)) {
                if (box->currentText() != qs(v)) box->setEditText(qs(v));
                break;
            }
            auto* e = static_cast<QLineEdit*>(w);
            if (e->text() != qs(v)) {
                // While typing the cursor stays where it was; a new value puts it at the end.
                const int cursor = e->cursorPosition();
                e->setText(qs(v));
                if (w == editing_) e->setCursorPosition(std::min<int>(cursor, e->text().size()));
            }
            break;
        }
        case FieldKind::Note: {
            auto* e = static_cast<QPlainTextEdit*>(w);
            if (e->toPlainText() != shownNote(v)) {
                const int cursor = e->textCursor().position();
                e->setPlainText(shownNote(v));
                QTextCursor c = e->textCursor();
                c.setPosition(w == editing_ ? std::min<int>(cursor, e->document()->characterCount() - 1)
                                            : e->document()->characterCount() - 1);
                e->setTextCursor(c);
            }
            break;
        }
        case FieldKind::Choice: {
            if (def->style == FieldStyle::Radio) {
                for (auto* r : w->findChildren<QRadioButton*>()) r->setChecked(r->text() == qs(v));
            } else {
                auto* box = static_cast<QComboBox*>(w);
                const int i = box->findText(qs(v));
                if (i != box->currentIndex()) box->setCurrentIndex(i);
            }
            break;
        }
        case FieldKind::Check:
            static_cast<QAbstractButton*>(w)->setChecked(v == "1");
            break;
    }
    w->setEnabled(model_.fieldEnabled(name));
    w->setVisible(model_.fieldVisible(name));
}

void ModelFormDialog::loadList(const std::string& name, QTableWidget* t) {
    const ListModel* m = model_.listModel(name);
    if (!m) return;
    t->setColumnCount(static_cast<int>(m->columns.size()));
    QStringList heads;
    for (const auto& c : m->columns) heads << qs(c);
    t->setHorizontalHeaderLabels(heads);
    for (std::size_t c = 0; c < m->widths.size(); ++c) t->setColumnWidth(static_cast<int>(c), m->widths[c]);
    t->setRowCount(static_cast<int>(m->rows.size()));
    const QColor fg = colour(m->foreground);
    for (std::size_t r = 0; r < m->rows.size(); ++r) {
        for (std::size_t c = 0; c < m->rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(qs(m->rows[r][c]));
            item->setForeground(fg);
            t->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    QPalette p = t->palette();
    p.setColor(QPalette::Base, colour(m->background));
    p.setColor(QPalette::Text, fg);
    t->setPalette(p);
    t->clearSelection();
    for (int r : m->selected) t->selectRow(r);
    if (!m->selected.empty()) t->setCurrentCell(m->selected.back(), 0, QItemSelectionModel::NoUpdate);
}

void ModelFormDialog::loadWidgets() {
    loading_ = true;
    for (const auto& [name, w] : fields_) loadField(name, w);
    for (const auto& [action, b] : buttons_) {
        b->setText(qs(model_.actionCaption(action)));
        b->setEnabled(model_.actionEnabled(action));
        b->setVisible(model_.actionVisible(action));
    }
    for (const auto& [action, entry] : menuEntries_) {
        entry->setText(qs(model_.actionCaption(action)));
        entry->setEnabled(model_.actionEnabled(action));
        entry->setVisible(model_.actionVisible(action));
    }
    for (const auto& [name, l] : labels_) l->setText(qs(model_.labelText(name)));
    for (const auto& [name, t] : lists_) loadList(name, t);
    loading_ = false;
}


FormDialog::FormDialog(Form& form, FormContext& context, QWidget* parent)
    : QDialog(parent), form_(form), context_(context) {
    setWindowTitle(QString::fromStdString(form.caption()));
}

FormState FormDialog::perform(std::string_view action) {
    storeWidgets();
    const ActionResult done = form_.act(action, context_);
    if (done.failed()) qWarning("%s", done.message().c_str());
    const FormState state = form_.state();
    if (state == FormState::Accepted) {
        QDialog::accept();
    } else if (state == FormState::Rejected) {
        QDialog::reject();
    } else {
        loadWidgets();
    }
    return state;
}

void FormDialog::accept() { perform("ok"); }
void FormDialog::reject() { perform("cancel"); }

void QtFormHost::registerDialog(std::type_index type, std::function<bool(Form&)> matches,
                                DialogFactory factory) {
    auto& all = registry();
    for (Registration& r : all) {
        if (r.type == type) {
            r.factory = std::move(factory);
            return;
        }
    }
    all.push_back({type, std::move(matches), std::move(factory)});
}

bool QtFormHost::hasDialog(Form& form) { return registrationFor(form) != nullptr; }

bool QtFormHost::run(Form& form) {
    form.reopen();
    FormContext context{prompter_, *this};
    std::unique_ptr<QDialog> dialog;
    if (const Registration* r = registrationFor(form)) dialog = r->factory(form, context, parent_);
    if (!dialog) dialog = std::make_unique<ModelFormDialog>(form, context, parent_);
    if (onShow) onShow(*dialog, form);
    dialog->exec();
    // A dialog closed by other means than its form (the window system) counts as cancelled.
    return form.state() == FormState::Accepted;
}

}  // namespace platform::qt
