#pragma once
// Recovery copies of drawings with unsaved changes, so that a crash or a power cut loses
// little: what they are called, who owns them, how they are written and found again.
//
// Every running program is an instance with a lock file in the recovery directory, locked for
// as long as it runs. Its copies carry its name; a copy whose instance's lock can be taken
// belongs to a program that is gone, and is offered on the next start. An instance that
// offers such copies holds the dead instance's lock meanwhile, so two programs starting at
// once never both take them.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Clock.h"

namespace tubra::model {
class Document;
struct PipeObject;
}  // namespace tubra::model

namespace tubra::app {

// When copies are written; 0 turns a trigger off. Kept with the program's settings.
struct RecoverySettings {
    int intervalSeconds = 60;  // at most this long after the first unsaved change
    int everyEdits = 50;       // and after this many edits
    bool enabled() const { return intervalSeconds > 0 || everyEdits > 0; }
    friend bool operator==(const RecoverySettings&, const RecoverySettings&) = default;
};
inline constexpr int kMaxRecoveryIntervalSeconds = 3600;
inline constexpr int kMaxRecoveryEdits = 10000;

// "$XDG_STATE_HOME/tubra/recovery", or "~/.local/state/tubra/recovery" without it (a relative
// XDG_STATE_HOME is ignored, as the convention says).
std::filesystem::path recoveryDirectory();

// What a copy says about the drawing it was taken from.
struct RecoveryInfo {
    std::filesystem::path original;  // empty for an untitled drawing
    std::string title;               // the window title of the drawing (UTF-8)
    platform::Clock::time_point taken;
};

// A copy's file: a few header lines, then the drawing file exactly as saving writes it.
std::string recoveryHeader(const RecoveryInfo& info);
// Splits a copy into its information and drawing; nothing for what is not a copy.
std::optional<std::pair<RecoveryInfo, std::string_view>> parseRecoveryCopy(std::string_view file);

// One object's section of the file. Made from a copy of the object, which is cheaper than
// writing it; the section is written by whoever needs it first (the writer thread), once, and
// the copy is then let go.
class ObjectPiece {
public:
    explicit ObjectPiece(const model::PipeObject& object);
    ~ObjectPiece();
    ObjectPiece(const ObjectPiece&) = delete;
    ObjectPiece& operator=(const ObjectPiece&) = delete;
    const std::string& bytes() const;

private:
    mutable std::once_flag once_;
    mutable std::unique_ptr<model::PipeObject> object_;
    mutable std::string bytes_;
};

// A drawing as saving would write it, taken quickly: the pieces of objects that did not
// change since the last snapshot are shared with it, not copied or written again.
struct DrawingSnapshot {
    std::string head;
    std::vector<std::shared_ptr<const ObjectPiece>> objects;
    std::string tail;
    std::size_t size() const;
    // Hands the pieces to `write` in order; stops at the first error.
    std::error_code writeTo(const platform::PieceWriter& write) const;
};

// Keeps the written section of each object of one drawing, to be reused while the object is
// unchanged (the object list stamps every change; a stamp is never given twice).
class SnapshotCache {
public:
    std::shared_ptr<const DrawingSnapshot> take(model::Document& doc);
    // Objects taken anew by the last take() (the others were unchanged).
    std::size_t lastWritten() const { return lastWritten_; }

private:
    struct Entry {
        const model::PipeObject* object = nullptr;
        std::uint64_t stamp = 0;
        std::shared_ptr<const ObjectPiece> piece;
    };
    std::vector<Entry> entries_;  // by position at the last take
    std::size_t lastWritten_ = 0;
};

// One copy found in the recovery directory.
struct FoundCopy {
    std::filesystem::path file;
    RecoveryInfo info;
};

// The recovery directory as one running program sees it.
class RecoveryStore {
public:
    // Takes an instance lock in `directory` (made when missing). Without a usable directory
    // the store works without copies: usable() is false and writes fail quietly.
    explicit RecoveryStore(std::filesystem::path directory);
    // A clean end: the instance's lock goes, and so do the locks of instances it took over.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    bool usable() const { return lockFd_ >= 0; }
    const std::filesystem::path& directory() const { return directory_; }
    const std::string& instance() const { return instance_; }

    // The file of this instance's copy of the drawing numbered `serial`.
    std::filesystem::path copyPath(std::uint64_t serial) const;

    // The copies left by programs that are gone, oldest first. Their instances stay taken
    // by this one until release() or the end: no other program offers them meanwhile.
    std::vector<FoundCopy> findOrphans();
    // Lets other programs find the orphans that are left (after "later").
    void release();
    // Removes a copy (recovered or given up); an instance left without copies goes too.
    void discard(const FoundCopy& copy);

    // Leaves the directory as a killed program would: the lock is dropped, files stay. Only
    // for tests that play a crash in one process.
    void abandon();

private:
    void dropTakenWithoutCopies();

    std::filesystem::path directory_;
    std::string instance_;
    int lockFd_ = -1;
    struct Taken {
        std::string instance;
        int fd;
    };
    std::vector<Taken> taken_;
};

// Writes copies and removes them, in order, on a thread of its own, so the window never waits
// for the disk. A newer copy of the same file replaces one still waiting.
class RecoveryWriter {
public:
    RecoveryWriter();
    // Finishes what is waiting, then ends the thread.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void write(std::filesystem::path file, RecoveryInfo info, std::shared_ptr<const DrawingSnapshot> snapshot);
    void remove(std::filesystem::path file);
    // Waits until everything asked so far is done.
    void flush();
    // Copies written and the last write's error, for the curious (tests, the status line).
    std::size_t written() const;
    std::error_code lastError() const;

private:
    struct Job {
        std::filesystem::path file;
        RecoveryInfo info;
        std::shared_ptr<const DrawingSnapshot> snapshot;  // null: remove the file
    };
    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::size_t written_ = 0;
    std::error_code lastError_;
    std::thread thread_;
};

// "2026-12-09 11:30:05" of a copy's time, as the program's clock shows time.
std::string recoveryTimeText(platform::Clock::time_point t);

// The texts of the recovery dialog (UTF-8).
inline constexpr const char* kRecoveryCaption = "恢复未保存的图形";
inline constexpr const char* kRecoveryQuestion =
    "上次程序没有正常退出，以下图形有未保存的更改。请选择要恢复的图形：";
inline constexpr const char* kRecoverButton = "恢复";
inline constexpr const char* kDiscardButton = "放弃";
inline constexpr const char* kLaterButton = "以后再说";
inline constexpr const char* kUntitledPath = "（未保存过的新图）";

}  // namespace tubra::app
