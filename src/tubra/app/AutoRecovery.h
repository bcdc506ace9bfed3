#pragma once
// The window's side of the recovery copies: counting edits, the timer, taking snapshots on the
// window's thread and handing them to the writer thread; the dialog that offers what a crash
// left, and the dialog of the two settings.

#include <cstdint>
#include <map>
#include <vector>

#include <QObject>
#include <QTimer>

#include "tubra/appcore/Recovery.h"

class QWidget;

namespace tubra::model {
class Document;
}

namespace tubra::app {

class AutoRecovery : public QObject {
public:
    explicit AutoRecovery(RecoveryStore& store, QObject* parent = nullptr);
    ~AutoRecovery() override;

    RecoveryStore& store() { return store_; }
    RecoveryWriter& writer() { return writer_; }
    const RecoverySettings& settings() const { return settings_; }
    void setSettings(const RecoverySettings& settings);

    // One edit of `doc`; counts towards the next copy.
    void edited(model::Document& doc);
    // `doc` is in its file now, or closed without keeping its changes: its copy goes.
    void saved(const model::Document& doc);
    void closed(const model::Document& doc);
    // Takes a copy of `doc` now, whatever the counts say (a drawing just recovered).
    void copyNow(model::Document& doc);

private:
    struct Watched {
        std::uint64_t serial = 0;
        SnapshotCache cache;
        int edits = 0;  // since the last copy
    };
    Watched& watched(const model::Document& doc);
    void tick();

    RecoveryStore& store_;
    RecoveryWriter writer_;
    RecoverySettings settings_;
    std::map<const model::Document*, Watched> docs_;
    std::uint64_t nextSerial_ = 1;
    QTimer timer_;
};

// What the user chose for the copies a crash left.
struct RecoveryChoice {
    enum class Action { Recover, Discard, Later } action = Action::Later;
    std::vector<std::size_t> chosen;  // indexes of the copies it applies to
};
// The dialog listing `copies` (name, path, time), all chosen at first.
RecoveryChoice askRecovery(QWidget* parent, const std::vector<FoundCopy>& copies);

// The dialog of the two settings; true when changed.
bool editRecoverySettings(QWidget* parent, RecoverySettings& settings);

// The settings as the program keeps them.
RecoverySettings loadRecoverySettings();
void storeRecoverySettings(const RecoverySettings& settings);

}  // namespace tubra::app
