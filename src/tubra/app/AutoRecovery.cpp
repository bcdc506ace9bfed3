#include "tubra/app/AutoRecovery.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "tubra/appcore/Commands.h"
#include "tubra/model/Document.h"

namespace tubra::app {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

const char* kGroup = "Recovery";
const char* kIntervalKey = "IntervalSeconds";
const char* kEditsKey = "EveryEdits";

}  // namespace

AutoRecovery::AutoRecovery(RecoveryStore& store, QObject* parent) : QObject(parent), store_(store) {
    timer_.callOnTimeout(this, [this] { tick(); });
    setSettings(settings_);
}

AutoRecovery::~AutoRecovery() = default;

void AutoRecovery::setSettings(const RecoverySettings& settings) {
    settings_ = settings;
    if (settings_.intervalSeconds > 0)
        timer_.start(settings_.intervalSeconds * 1000);
    else
        timer_.stop();
}

AutoRecovery::Watched& AutoRecovery::watched(const model::Document& doc) {
    auto [it, added] = docs_.try_emplace(&doc);
    if (added) it->second.serial = nextSerial_++;
    return it->second;
}

void AutoRecovery::edited(model::Document& doc) {
    if (!settings_.enabled()) return;
    Watched& w = watched(doc);
    ++w.edits;
    if (settings_.everyEdits > 0 && w.edits >= settings_.everyEdits) copyNow(doc);
}

void AutoRecovery::copyNow(model::Document& doc) {
    if (!store_.usable()) return;
    Watched& w = watched(doc);
    w.edits = 0;
    // Absolute: the program that recovers it may run in another directory.
    std::error_code ec;
    std::filesystem::path original = doc.path().empty() ? doc.path() : std::filesystem::absolute(doc.path(), ec);
    if (ec) original = doc.path();
    RecoveryInfo info{std::move(original), doc.title(), platform::now()};
    writer_.write(store_.copyPath(w.serial), std::move(info), w.cache.take(doc));
}

void AutoRecovery::saved(const model::Document& doc) {
    const auto it = docs_.find(&doc);
    if (it == docs_.end()) return;
    writer_.remove(store_.copyPath(it->second.serial));
    // The serial stays: a later copy has the same name. The cache stays too.
    it->second.edits = 0;
}

void AutoRecovery::closed(const model::Document& doc) {
    const auto it = docs_.find(&doc);
    if (it == docs_.end()) return;
    writer_.remove(store_.copyPath(it->second.serial));
    docs_.erase(it);
}

void AutoRecovery::tick() {
    // Only drawings changed since their last copy: an unchanged one has a good copy already.
    for (auto& [key, w] : docs_) {
        if (w.edits == 0) continue;
        auto* doc = const_cast<model::Document*>(key);
        if (doc->isModified()) copyNow(*doc);
    }
}

// --- dialogs ---

RecoveryChoice askRecovery(QWidget* parent, const std::vector<FoundCopy>& copies) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("recoveryDialog"));
    dialog.setWindowTitle(qs(kRecoveryCaption));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(qs(kRecoveryQuestion), &dialog);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* list = new QTreeWidget(&dialog);
    list->setObjectName(QStringLiteral("copies"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QStringLiteral("图形"), QStringLiteral("路径"), QStringLiteral("副本时间")});
    for (const FoundCopy& c : copies) {
        const QString path = c.info.original.empty() ? qs(kUntitledPath) : qs(c.info.original.string());
        auto* item = new QTreeWidgetItem(list, {qs(c.info.title), path, qs(recoveryTimeText(c.info.taken))});
        item->setCheckState(0, Qt::Checked);
        item->setToolTip(1, path);
    }
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(&dialog);
    auto* recover = buttons->addButton(qs(kRecoverButton), QDialogButtonBox::AcceptRole);
    auto* discard = buttons->addButton(qs(kDiscardButton), QDialogButtonBox::DestructiveRole);
    auto* later = buttons->addButton(qs(kLaterButton), QDialogButtonBox::RejectRole);
    recover->setObjectName(QStringLiteral("recover"));
    discard->setObjectName(QStringLiteral("discard"));
    later->setObjectName(QStringLiteral("later"));
    recover->setDefault(true);
    layout->addWidget(buttons);

    RecoveryChoice choice;
    QObject::connect(recover, &QPushButton::clicked, &dialog, [&] {
        choice.action = RecoveryChoice::Action::Recover;
        dialog.accept();
    });
    QObject::connect(discard, &QPushButton::clicked, &dialog, [&] {
        choice.action = RecoveryChoice::Action::Discard;
        dialog.accept();
    });
    QObject::connect(later, &QPushButton::clicked, &dialog, &QDialog::reject);
    dialog.resize(640, 240);
    if (dialog.exec() != QDialog::Accepted) return {};
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->checkState(0) == Qt::Checked) choice.chosen.push_back(static_cast<std::size_t>(i));
    return choice;
}

bool editRecoverySettings(QWidget* parent, RecoverySettings& settings) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("recoverySettings"));
    dialog.setWindowTitle(QStringLiteral("自动保存恢复副本"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* note = new QLabel(QStringLiteral("图形有未保存的更改时，程序在后台保存一份恢复副本；"
                                           "程序意外退出后，下次启动时可以恢复。"),
                            &dialog);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* grid = new QGridLayout;
    // One row per trigger: its switch, its number (0 in the settings is "off").
    const auto row = [&](int at, const QString& before, const char* name, const char* numberName, int min, int max,
                         const QString& unit, int value, int usual) {
        auto* on = new QCheckBox(before, &dialog);
        on->setObjectName(QString::fromLatin1(name));
        auto* number = new QSpinBox(&dialog);
        number->setObjectName(QString::fromLatin1(numberName));
        number->setRange(min, max);
        number->setSuffix(unit);
        on->setChecked(value > 0);
        number->setValue(value > 0 ? value : usual);
        number->setEnabled(value > 0);
        QObject::connect(on, &QCheckBox::toggled, number, &QWidget::setEnabled);
        grid->addWidget(on, at, 0);
        grid->addWidget(number, at, 1);
        grid->addWidget(new QLabel(QStringLiteral("保存一次"), &dialog), at, 2);
        return std::make_pair(on, number);
    };
    const RecoverySettings usual;
    const auto [timed, seconds] = row(0, QStringLiteral("每隔"), "timed", "seconds", 10, kMaxRecoveryIntervalSeconds,
                                      QStringLiteral(" 秒"), settings.intervalSeconds, usual.intervalSeconds);
    const auto [counted, edits] = row(1, QStringLiteral("每"), "counted", "edits", 1, kMaxRecoveryEdits,
                                      QStringLiteral(" 次编辑"), settings.everyEdits, usual.everyEdits);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("ok"));
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    RecoverySettings chosen;
    chosen.intervalSeconds = timed->isChecked() ? seconds->value() : 0;
    chosen.everyEdits = counted->isChecked() ? edits->value() : 0;
    if (chosen == settings) return false;
    settings = chosen;
    return true;
}

RecoverySettings loadRecoverySettings() {
    QSettings stored(qs(kSettingsOrganisation), qs(kSettingsApplication));
    stored.beginGroup(QString::fromLatin1(kGroup));
    RecoverySettings s;
    // A value out of range (edited by hand) keeps its default.
    bool ok = false;
    const int interval = stored.value(QString::fromLatin1(kIntervalKey), s.intervalSeconds).toInt(&ok);
    if (ok && interval >= 0 && interval <= kMaxRecoveryIntervalSeconds) s.intervalSeconds = interval;
    const int edits = stored.value(QString::fromLatin1(kEditsKey), s.everyEdits).toInt(&ok);
    if (ok && edits >= 0 && edits <= kMaxRecoveryEdits) s.everyEdits = edits;
    return s;
}

void storeRecoverySettings(const RecoverySettings& settings) {
    QSettings stored(qs(kSettingsOrganisation), qs(kSettingsApplication));
    stored.beginGroup(QString::fromLatin1(kGroup));
    stored.setValue(QString::fromLatin1(kIntervalKey), settings.intervalSeconds);
    stored.setValue(QString::fromLatin1(kEditsKey), settings.everyEdits);
}

}  // namespace tubra::app
