// Recovery copies without a window: a snapshot is byte for byte what saving writes, however the
// drawing changed; copies are found only when their program is gone, and only by one program;
// a copy read back opens under its original file, modified.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "platform/AtomicFile.h"
#include "support/GeneratedDrawing.h"
#include "tubra/appcore/Recovery.h"
#include "tubra/model/Document.h"

using namespace tubra;
namespace fs = std::filesystem;

namespace {

fs::path freshDirectory(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("tubra-recovery-test-" + std::to_string(::getpid())) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string joined(const app::DrawingSnapshot& s) {
    std::string out;
    EXPECT_FALSE(s.writeTo([&](std::string_view piece) {
        out.append(piece);
        return std::error_code{};
    }));
    EXPECT_EQ(out.size(), s.size());
    return out;
}

struct Drawn {
    model::AppContext app;
    std::unique_ptr<model::Document> doc;
    explicit Drawn(int objects) {
        doc = std::make_unique<model::Document>(app);
        tubra::testing::generateDrawing(doc->drawing, {.objects = objects, .seed = 7});
    }
};

}  // namespace

TEST(RecoverySnapshot, EqualsTheSavedFileAndWritesOnlyWhatChanged) {
    Drawn d(300);
    model::Document& doc = *d.doc;
    app::SnapshotCache cache;
    EXPECT_EQ(joined(*cache.take(doc)), doc.serialize());
    EXPECT_EQ(cache.lastWritten(), doc.drawing.objects.size());

    // Nothing changed: nothing written again, same bytes.
    auto again = cache.take(doc);
    EXPECT_EQ(cache.lastWritten(), 0u);
    EXPECT_EQ(joined(*again), doc.serialize());

    // One object changed through the list.
    doc.drawing.objects.at(17).Port1.x += 12.5;
    EXPECT_EQ(joined(*cache.take(doc)), doc.serialize());
    EXPECT_EQ(cache.lastWritten(), 1u);

    // One taken out of the middle (the positions behind it move) and one appended.
    auto taken = doc.drawing.objects.take(&doc.drawing.objects.at(40));
    ASSERT_TRUE(taken);
    doc.drawing.objects.append(std::move(taken));
    EXPECT_EQ(joined(*cache.take(doc)), doc.serialize());
    EXPECT_EQ(cache.lastWritten(), 1u);

    // A new object at the address of a deleted one is still written anew.
    const model::PipeObject* gone = &doc.drawing.objects.at(5);
    doc.drawing.objects.take(gone).reset();
    model::PipeObject& added = doc.drawing.objects.addCopy(doc.drawing.objects.at(0));
    EXPECT_EQ(joined(*cache.take(doc)), doc.serialize());
    EXPECT_GE(cache.lastWritten(), 1u);
    (void)added;

    // Settings and the title block are not objects: they are written every time.
    doc.drawing.PageSize = doc.drawing.PageSize == 0 ? 1 : 0;
    doc.drawing.title.values[0] = "\xB2\xE2\xCA\xD4";  // 测试
    EXPECT_EQ(joined(*cache.take(doc)), doc.serialize());

    // Every object may have changed: all written again.
    for (model::PipeObject& o : doc.drawing.objects) o.Number += 1;
    EXPECT_EQ(joined(*cache.take(doc)), doc.serialize());
    EXPECT_EQ(cache.lastWritten(), doc.drawing.objects.size());

    // Emptied.
    doc.drawing.objects.removeAll();
    EXPECT_EQ(joined(*cache.take(doc)), doc.serialize());
}

TEST(RecoveryCopy, HeaderRoundTripsAndRejectsWhatIsNoCopy) {
    app::RecoveryInfo info{fs::path("/home/u/管道 1\n.hcd"), "管道 1.hcd",
                           platform::Clock::time_point(std::chrono::seconds(1796688000))};
    const std::string body = "2dDrawing {\n}\n";
    const std::string file = app::recoveryHeader(info) + body;
    const auto parsed = app::parseRecoveryCopy(file);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->first.original, info.original);
    EXPECT_EQ(parsed->first.title, info.title);
    EXPECT_EQ(parsed->first.taken, info.taken);
    EXPECT_EQ(parsed->second, body);
    EXPECT_EQ(app::recoveryTimeText(info.taken), "2026-12-08 00:00:00");

    for (const std::string& bad : {std::string(), body, file.substr(0, 20), std::string("TubraRecovery 1\noriginal zz\ntitle \ntaken 1\n\n"),
                                   std::string("TubraRecovery 1\ntitle \ntaken 1\n\n"),
                                   std::string("TubraRecovery 1\noriginal \ntitle \ntaken -1\n\n")})
        EXPECT_FALSE(app::parseRecoveryCopy(bad)) << bad;
}

TEST(RecoveryStore, CopiesOfALiveProgramAreNeverTakenThoseOfADeadOneByOneProgramOnly) {
    const fs::path dir = freshDirectory("store");
    app::RecoveryWriter writer;
    const auto snapshot = std::make_shared<app::DrawingSnapshot>();
    snapshot->head = "2dDrawing {\n}\n";
    const app::RecoveryInfo info{"/tmp/a.hcd", "a.hcd", platform::Clock::time_point(std::chrono::seconds(100))};

    auto crashed = std::make_unique<app::RecoveryStore>(dir);
    app::RecoveryStore alive(dir);
    ASSERT_TRUE(crashed->usable());
    ASSERT_TRUE(alive.usable());
    EXPECT_NE(crashed->instance(), alive.instance());
    writer.write(crashed->copyPath(1), info, snapshot);
    writer.write(alive.copyPath(1), info, snapshot);
    writer.flush();
    EXPECT_EQ(writer.written(), 2u);

    // Both programs run: neither sees the other's copy.
    EXPECT_TRUE(alive.findOrphans().empty());
    EXPECT_TRUE(crashed->findOrphans().empty());

    crashed->abandon();
    crashed.reset();  // a killed program leaves its files
    app::RecoveryStore first(dir), second(dir);
    const auto found = first.findOrphans();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].info.original, info.original);
    EXPECT_EQ(found[0].info.taken, info.taken);
    // The first program holds them while it asks: the second one starting meanwhile sees none.
    EXPECT_TRUE(second.findOrphans().empty());

    // "Later": released, they are found again by the next program.
    first.release();
    const auto again = second.findOrphans();
    ASSERT_EQ(again.size(), 1u);
    second.discard(again[0]);
    EXPECT_FALSE(fs::exists(again[0].file));
    EXPECT_TRUE(first.findOrphans().empty());

    // The dead program's lock went with its last copy; the live ones stay.
    std::size_t locks = 0;
    for (const auto& e : fs::directory_iterator(dir)) locks += e.path().extension() == ".lock";
    EXPECT_EQ(locks, 3u);
}

TEST(RecoveryStore, ABrokenCopyOfADeadProgramIsSetAsideAndItsLockGoes) {
    const fs::path dir = freshDirectory("broken");
    auto crashed = std::make_unique<app::RecoveryStore>(dir);
    const fs::path copy = crashed->copyPath(7);
    ASSERT_FALSE(platform::writeFileAtomically(copy, "not a recovery copy\n").failed());
    crashed->abandon();
    crashed.reset();

    app::RecoveryStore next(dir);
    EXPECT_TRUE(next.findOrphans().empty());
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(fs::exists(dir / ("." + copy.filename().string() + ".unreadable")));
    std::size_t locks = 0;
    for (const auto& e : fs::directory_iterator(dir)) locks += e.path().extension() == ".lock";
    EXPECT_EQ(locks, 1u);  // only the live program's
}

TEST(RecoveryStore, AnUnusableDirectoryWritesNothingAndFindsNothing) {
    const fs::path dir = freshDirectory("unusable");
    const fs::path file = dir / "file";
    ASSERT_FALSE(platform::writeFileAtomically(file, "x").failed());
    app::RecoveryStore store(file / "recovery");
    EXPECT_FALSE(store.usable());
    EXPECT_TRUE(store.findOrphans().empty());
}

TEST(RecoveryWriter, TheLastWordOnAFileCountsAndRemovalFollowsAWrite) {
    const fs::path dir = freshDirectory("writer");
    const auto first = std::make_shared<app::DrawingSnapshot>();
    first->head = "first";
    const auto second = std::make_shared<app::DrawingSnapshot>();
    second->head = "second";
    const app::RecoveryInfo info{"", "Tubra1", platform::now()};
    app::RecoveryWriter writer;
    writer.write(dir / "a.recovery", info, first);
    writer.write(dir / "a.recovery", info, second);
    writer.flush();
    std::string data;
    ASSERT_TRUE(platform::readWholeFile(dir / "a.recovery", data).ok());
    ASSERT_TRUE(app::parseRecoveryCopy(data));
    EXPECT_EQ(app::parseRecoveryCopy(data)->second, "second");
    EXPECT_EQ(fs::status(dir / "a.recovery").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    writer.write(dir / "b.recovery", info, first);
    writer.remove(dir / "b.recovery");
    writer.remove(dir / "a.recovery");
    writer.flush();
    EXPECT_FALSE(fs::exists(dir / "a.recovery"));
    EXPECT_FALSE(fs::exists(dir / "b.recovery"));
    EXPECT_FALSE(writer.lastError());
}

TEST(RecoveredDocument, OpensUnderItsOriginalFileModifiedOrUntitled) {
    Drawn d(50);
    const std::string bytes = d.doc->serialize();
    model::AppContext app;
    std::string error;
    auto namedRead = model::Document::openRecovered(app, bytes, "/srv/line 3.hcd");
    ASSERT_TRUE(namedRead.ok()) << namedRead.message();
    auto named = std::move(namedRead.value());
    EXPECT_EQ(named->path(), fs::path("/srv/line 3.hcd"));
    EXPECT_EQ(named->title(), "line 3.hcd");
    EXPECT_TRUE(named->isModified());
    EXPECT_EQ(named->serialize(), bytes);

    app.nextUntitledNumber = 4;
    auto untitledRead = model::Document::openRecovered(app, bytes, "");
    ASSERT_TRUE(untitledRead.ok()) << untitledRead.message();
    auto untitled = std::move(untitledRead.value());
    EXPECT_TRUE(untitled->path().empty());
    EXPECT_EQ(untitled->title(), "Tubra4");
    EXPECT_TRUE(untitled->isModified());
}

TEST(RecoveryDirectory, FollowsXdgStateHomeAndIgnoresARelativeOne) {
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string keep = saved ? saved : "";
    ::setenv("XDG_STATE_HOME", "/var/tmp/state", 1);
    EXPECT_EQ(app::recoveryDirectory(), fs::path("/var/tmp/state/tubra/recovery"));
    ::setenv("XDG_STATE_HOME", "state", 1);
    EXPECT_EQ(app::recoveryDirectory(), fs::path(std::getenv("HOME")) / ".local/state/tubra/recovery");
    if (saved) ::setenv("XDG_STATE_HOME", keep.c_str(), 1);
    else ::unsetenv("XDG_STATE_HOME");
}
