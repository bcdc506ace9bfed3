#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <new>

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"
#include "support/GeneratedDrawing.h"
#include "tubra/model/Document.h"
#include "tubra/model/LineReader.h"

using namespace tubra::model;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tubra-doc-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string slurp(const fs::path& p) {
    std::string s;
    (void)platform::readWholeFile(p, s);
    return s;
}

std::size_t filesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(Document, ConstructionAndNewDocument) {
    AppContext app;
    app.settings.ZhuXianColor = 1;
    app.settings.Dim_High = 99;
    Document doc(app);
    EXPECT_EQ(app.settings.ZhuXianColor, 16711680u);  // reset by the document
    EXPECT_EQ(app.settings.Dim_High, 99);             // left to the view
    EXPECT_EQ(doc.newDrawingFlag, 0);
    EXPECT_EQ(doc.drawing.report, &doc.report());
    int cleared = 0;
    doc.onContentsDeleted = [&] { ++cleared; };
    doc.onNewDocument();
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(doc.newDrawingFlag, 1);
    EXPECT_EQ(doc.title(), "Tubra1");
    EXPECT_FALSE(doc.isModified());
    Document second(app);
    second.onNewDocument();
    EXPECT_EQ(second.title(), "Tubra2");
    EXPECT_TRUE(doc.save().failed());  // no file name yet
}

TEST(Document, OpenSaveAndSharedSettings) {
    TempDir dir;
    AppContext app;
    const fs::path file = dir.path() / "line.hcd";
    {
        Document doc(app);
        tubra::testing::generateDrawing(doc.drawing, {.objects = 50});
        app.settings.ZhuXianColor = 12345;
        doc.setModifiedFlag();
        ASSERT_TRUE(doc.saveAs(file).ok());
        EXPECT_FALSE(doc.isModified());
        EXPECT_EQ(doc.title(), "line.hcd");
    }
    Document other(app);  // another open drawing: back to the defaults
    EXPECT_EQ(app.settings.ZhuXianColor, 16711680u);
    app.justOpened = false;
    auto docRead = Document::open(app, file);
    ASSERT_TRUE(docRead.ok()) << docRead.message();
    auto doc = std::move(docRead.value());
    EXPECT_TRUE(app.justOpened);
    EXPECT_EQ(app.settings.ZhuXianColor, 12345u);  // the file's value, for every drawing
    EXPECT_EQ(doc->drawing.Total(), static_cast<int>(doc->drawing.objects.size()));
    EXPECT_GE(doc->drawing.objects.size(), 50u);
    EXPECT_FALSE(doc->isModified());
    // Once loaded, saving and loading again changes nothing.
    ASSERT_TRUE(doc->save().ok());
    const std::string before = slurp(file);
    auto again = Document::open(app, file);
    ASSERT_TRUE(again.ok() && again.value()->save().ok());
    EXPECT_EQ(slurp(file), before);
    EXPECT_EQ(filesIn(dir.path()), 1u);

    const auto missing = Document::open(app, dir.path() / "missing.hcd");
    EXPECT_TRUE(missing.failed());
    EXPECT_EQ(missing.error(), std::errc::no_such_file_or_directory);
    EXPECT_NE(missing.message().find("missing.hcd"), std::string::npos);
    EXPECT_TRUE(Document::open(app, dir.path()).failed());  // a directory
}

TEST(Document, ClearAllAsksAndKeepsEverythingButTheObjects) {
    AppContext app;
    Document doc(app);
    tubra::testing::generateDrawing(doc.drawing, {.objects = 20});
    doc.selection.add(&doc.drawing.objects.at(0));
    doc.selection.add(&doc.drawing.objects.at(3));
    const auto table = doc.drawing.table;

    platform::ScriptedPrompter cancel({platform::Answer::Cancel});
    EXPECT_FALSE(doc.clearAll(cancel));
    ASSERT_EQ(cancel.asked.size(), 1u);
    EXPECT_EQ(cancel.asked[0].text, "是否要清除此图的全部内容？");
    EXPECT_EQ(cancel.asked[0].caption, "警告");
    EXPECT_EQ(cancel.asked[0].buttons, platform::Buttons::OkCancel);
    EXPECT_EQ(cancel.asked[0].defaultAnswer, platform::Answer::Cancel);
    EXPECT_FALSE(doc.drawing.objects.empty());

    platform::ScriptedPrompter ok({platform::Answer::Ok});
    EXPECT_TRUE(doc.clearAll(ok));
    EXPECT_TRUE(doc.drawing.objects.empty());
    EXPECT_EQ(doc.drawing.Total(), 0);
    EXPECT_TRUE(doc.selection.empty());  // never refers to removed objects
    EXPECT_EQ(doc.drawing.table, table);
    EXPECT_FALSE(doc.isModified());
    const std::string out = doc.serialize();
    EXPECT_EQ(out.find("Object{"), std::string::npos);
    EXPECT_NE(out.find("TeXingBiao{"), std::string::npos);
}

TEST(Document, DiscardMovesObjectsOutOfTheSelection) {
    AppContext app;
    Document doc(app);
    tubra::testing::generateDrawing(doc.drawing, {.objects = 10});
    const PipeObject* victim = &doc.drawing.objects.at(2);
    doc.selection.add(victim);
    doc.selection.add(&doc.drawing.objects.at(4));
    const auto before = doc.drawing.objects.size();
    EXPECT_TRUE(doc.discard(victim));
    EXPECT_FALSE(doc.selection.contains(victim));
    EXPECT_EQ(doc.selection.size(), 1u);
    EXPECT_EQ(doc.drawing.objects.size(), before - 1);
    EXPECT_EQ(doc.discardBox.objects.size(), 1u);
    EXPECT_EQ(&doc.discardBox.objects.at(0), victim);  // same object, now in the box
    EXPECT_FALSE(doc.discard(victim));
    // Never saved.
    EXPECT_EQ(doc.serialize().find("Object{") == std::string::npos, doc.drawing.objects.empty());
}

TEST(AtomicSave, AFailedWriteLeavesTheOldFileAndTheDocumentModified) {
    TempDir dir;
    const fs::path file = dir.path() / "a.hcd";
    ASSERT_TRUE(platform::writeFileAtomically(file, "old contents\n").ok());

    // The disk fills up half way.
    platform::AtomicWriteOptions full;
    std::size_t written = 0;
    full.write = [&](int fd, const void* p, std::size_t n) -> ssize_t {
        if (written > 10) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t k = std::min<std::size_t>(n, 7);
        written += k;
        return ::write(fd, p, k);
    };
    const auto ec = platform::writeFileAtomically(file, std::string(100, 'n'), full).error();
    EXPECT_EQ(ec, std::errc::no_space_on_device);
    EXPECT_EQ(slurp(file), "old contents\n");
    EXPECT_EQ(filesIn(dir.path()), 1u);  // no temporary file left

    // A document whose directory is gone stays modified; the error names the file.
    AppContext app;
    Document doc(app);
    tubra::testing::generateDrawing(doc.drawing, {.objects = 5});
    doc.setModifiedFlag();
    const platform::Result<> r = doc.saveAs(dir.path() / "no-such-dir" / "b.hcd");
    EXPECT_TRUE(r.failed());
    EXPECT_NE(r.message().find("b.hcd"), std::string::npos);
    EXPECT_TRUE(doc.isModified());
    EXPECT_TRUE(doc.path().empty());

    // Saving over a directory fails and leaves it.
    fs::create_directory(dir.path() / "d.hcd");
    EXPECT_TRUE(doc.saveAs(dir.path() / "d.hcd").failed());
    EXPECT_TRUE(fs::is_directory(dir.path() / "d.hcd"));

    // A successful save keeps the mode of the file it replaces and follows a symbolic link.
    ::chmod(file.c_str(), 0600);
    fs::create_symlink(file, dir.path() / "link.hcd");
    ASSERT_TRUE(doc.saveAs(dir.path() / "link.hcd").ok());
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.hcd"));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(slurp(file).find("2dDrawing {"), std::string::npos);
}

TEST(AtomicSave, ADrawingOfSeveralMegabytesIsWrittenAsItIsMadeWithTheSameBytes) {
    // Written a megabyte at a time, not from one string: the bytes must be those the whole
    // file in memory has, pieces joined where they were cut.
    TempDir dir;
    AppContext app;
    Document doc(app);
    tubra::testing::generateDrawing(doc.drawing, {.objects = 4000, .seed = 5});
    const fs::path file = dir.path() / "big.hcd";
    ASSERT_TRUE(doc.saveAs(file).ok());
    const std::string whole = doc.serialize();
    ASSERT_GT(whole.size(), std::size_t{3} << 20);
    EXPECT_TRUE(slurp(file) == whole);
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST(AtomicSave, RefusedTargetsStayAndTheReasonIsGiven) {
    TempDir dir;
    AppContext app;
    Document doc(app);
    tubra::testing::generateDrawing(doc.drawing, {.objects = 5});
    doc.setModifiedFlag();

    const fs::path ro = dir.path() / "ro.hcd";
    ASSERT_TRUE(platform::writeFileAtomically(ro, "protected\n").ok());
    ::chmod(ro.c_str(), 0444);
    platform::Result<> r = doc.saveAs(ro);
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.error(), platform::FileError::readOnly);
    EXPECT_NE(r.message().find("只读"), std::string::npos) << r.message();
    EXPECT_EQ(slurp(ro), "protected\n");
    EXPECT_TRUE(doc.isModified());
    EXPECT_TRUE(doc.path().empty());

    const fs::path fifo = dir.path() / "fifo.hcd";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    r = doc.saveAs(fifo);
    EXPECT_TRUE(r.failed());
    EXPECT_NE(r.error(), platform::FileError::readOnly);
    EXPECT_NE(r.message().find("不是普通文件"), std::string::npos) << r.message();
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// A report store that runs out of memory when asked to.
class ExhaustingStore : public VerbatimReportStore {
public:
    static inline bool failReading = false;
    static inline bool failWriting = false;
    void readSection(std::string_view name, LineReader& in) override {
        if (failReading) throw std::bad_alloc();
        VerbatimReportStore::readSection(name, in);
    }
    void writeSections(std::string& out) const override {
        if (failWriting) throw std::bad_alloc();
        VerbatimReportStore::writeSections(out);
    }
};

TEST(Document, RunningOutOfMemoryLeavesDocumentsFilesAndSettingsAsTheyWere) {
    TempDir dir;
    AppContext app;
    app.makeReportStore = [] { return std::make_unique<ExhaustingStore>(); };
    const fs::path file = dir.path() / "r.hcd";
    ASSERT_TRUE(platform::writeFileAtomically(
        file, "2dDrawing {\n\t ZhuXianColor    99\n}\n\nFace_ReportData{\nx\n}\n\n").ok());

    Document doc(app);
    tubra::testing::generateDrawing(doc.drawing, {.objects = 5});
    app.settings.ZhuXianColor = 7;
    app.justOpened = false;
    ExhaustingStore::failReading = true;
    const auto exhausted = Document::open(app, file);
    ExhaustingStore::failReading = false;
    EXPECT_TRUE(exhausted.failed());
    EXPECT_NE(exhausted.message().find("内存不足"), std::string::npos) << exhausted.message();
    EXPECT_EQ(app.settings.ZhuXianColor, 7u);  // neither the file's value nor the defaults
    EXPECT_FALSE(app.justOpened);

    doc.setModifiedFlag();
    ExhaustingStore::failWriting = true;
    const platform::Result<> r = doc.saveAs(file);
    ExhaustingStore::failWriting = false;
    EXPECT_TRUE(r.failed());
    EXPECT_NE(r.message().find("内存不足"), std::string::npos) << r.message();
    EXPECT_NE(slurp(file).find("ZhuXianColor    99"), std::string::npos);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(filesIn(dir.path()), 1u);

    auto openedRead = Document::open(app, file);
    ASSERT_TRUE(openedRead.ok()) << openedRead.message();
    auto opened = std::move(openedRead.value());
    EXPECT_EQ(app.settings.ZhuXianColor, 99u);
}

// A report store that cuts the file being opened short while it is read, as another program
// might.
class CuttingStore : public VerbatimReportStore {
public:
    static inline fs::path file;
    static inline std::uintmax_t keep = 0;
    void readSection(std::string_view name, LineReader& in) override {
        if (!file.empty()) {
            fs::resize_file(file, keep);
            file.clear();
        }
        VerbatimReportStore::readSection(name, in);
    }
};

TEST(Document, AFileCutShortWhileOpenedIsOpenedAsItIsNow) {
    // A large file is mapped, not copied: its pages past the new end vanish under the reader.
    // Opening must neither fail nor end the program, and must give what the file holds now.
    TempDir dir;
    AppContext app;
    app.makeReportStore = [] { return std::make_unique<CuttingStore>(); };
    std::string bytes;
    {
        Document source(app);
        tubra::testing::generateDrawing(source.drawing, {.objects = 800, .seed = 3});
        bytes = source.serialize();
    }
    // The report section right after the settings: the cut comes with the objects still to read.
    bytes.insert(bytes.find("\n}\n") + 3, "\nFace_ReportData{\nx\n}\n");
    const fs::path file = dir.path() / "cut.hcd";
    ASSERT_TRUE(platform::writeFileAtomically(file, bytes).ok());
    ASSERT_GE(bytes.size(), platform::kMapFilesFrom + 100000);
    app.settings = DrawingSettings();
    CuttingStore::file = file;
    // Cut right after an object's closing brace, before its line break: what follows it in the
    // mapping (zeros) must not be taken as part of the file.
    CuttingStore::keep = bytes.find("\n}", 100000) + 2;
    auto cut = Document::open(app, file);
    ASSERT_TRUE(cut.ok()) << cut.message();
    EXPECT_TRUE(CuttingStore::file.empty());
    EXPECT_EQ(fs::file_size(file), CuttingStore::keep);
    const DrawingSettings settingsCut = app.settings;

    AppContext fresh;
    fresh.makeReportStore = app.makeReportStore;
    auto now = Document::open(fresh, file);
    ASSERT_TRUE(now.ok()) << now.message();
    EXPECT_GT(now.value()->drawing.objects.size(), 0u);
    EXPECT_LT(now.value()->drawing.objects.size(), 800u);
    EXPECT_EQ(cut.value()->drawing.objects.size(), now.value()->drawing.objects.size());
    EXPECT_TRUE(cut.value()->serialize() == now.value()->serialize());
    EXPECT_TRUE(settingsCut == fresh.settings);
}

TEST(Document, FilesBeyondWhatTheProgramKeepsAreRefused) {
    TempDir dir;
    AppContext app;
    app.settings.ZhuXianColor = 7;
    const fs::path file = dir.path() / "huge.hcd";
    std::string data = "2dDrawing {\n\t ZhuXianColor    99\n}\n";
    for (std::size_t i = 0; i <= kMaxObjects; ++i) data += "Object\n}\n";
    ASSERT_TRUE(platform::writeFileAtomically(file, data).ok());
    const auto huge = Document::open(app, file);
    EXPECT_TRUE(huge.failed());
    EXPECT_NE(huge.message().find(std::to_string(kMaxObjects)), std::string::npos) << huge.message();
    EXPECT_EQ(app.settings.ZhuXianColor, 7u);
}

TEST(Document, SpecialFilesAreRefusedWithoutWaiting) {
    // A FIFO waits for no writer, and a link to an endless device is not read at all.
    TempDir dir;
    AppContext app;
    const fs::path fifo = dir.path() / "fifo.hcd";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", dir.path() / "zero.hcd");
    for (const fs::path& p : {fifo, dir.path() / "zero.hcd"}) {
        const auto special = Document::open(app, p);
        EXPECT_TRUE(special.failed());
        EXPECT_NE(special.message().find("不是普通文件"), std::string::npos) << special.message();
    }
}

}  // namespace
