// Drawing names on what is no drawing: a FIFO, a link to an endless device, a file beyond the
// drawing-file limit, and the temporary files of the programs themselves. Nothing waits for
// them, nothing reads them without end, they are reported with their reasons, and exports never
// replace a drawing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "manager/core/DrawingFiles.h"
#include "manager/core/Exports.h"
#include "manager/core/ListFields.h"
#include "manager/core/Listing.h"
#include "platform/AtomicFile.h"
#include "support/ManagerFixtures.h"
#include "tubra/model/LineReader.h"

using namespace manager;
using namespace manager::testing;
namespace fs = std::filesystem;
using Refused = platform::FileError;

namespace {

// Two drawings among files that only look like drawings.
struct HostileDirectory {
    TempDir dir;
    HostileDirectory() {
        writeFile(dir / "a.hcd", drawingText({{"甲线", "P-1", "", "", "", "", "", "", "", "1.5"}, {}}));
        writeFile(dir / "b.hcd", drawingText({{"乙线", "P-2", "", "", "", "", "", "", "", "2"}, {}}));
        EXPECT_EQ(::mkfifo((dir / "fifo.hcd").c_str(), 0600), 0);
        fs::create_symlink("/dev/zero", dir / "zero.hcd");
        // Sparse: beyond the limit without taking the disk.
        writeFile(dir / "huge.hcd", "");
        fs::resize_file(dir / "huge.hcd", tubra::model::kMaxDrawingFileBytes + 1);
    }
    fs::path operator/(const std::string& name) const { return dir / name; }
};

}  // namespace

TEST(SpecialFiles, EveryReaderPassesThemWithTheirReasons) {
    // The batches themselves are run from the command line's tests.
    HostileDirectory h;
    std::vector<UnreadableFile> unreadable;
    PipelineList list;
    ASSERT_TRUE(listDirectory(list, h.dir.path(), &unreadable).ok());
    EXPECT_EQ(list.size(), 2);
    const std::vector<UnreadableFile> expected = {{"fifo.hcd", Refused::notRegularFile},
                                                  {"huge.hcd", Refused::tooLarge},
                                                  {"zero.hcd", Refused::notRegularFile}};
    EXPECT_EQ(unreadable, expected);
    EXPECT_EQ(readingDoneStatus(unreadable.size()), "处理完毕，3 个文件无法读取");
    EXPECT_EQ(readingDoneStatus(0), "处理完毕");

    // The template and the lengths are read the same way.
    tubra::report::InspectionReport report;
    EXPECT_EQ(readReport(h / "zero.hcd", report).error(), Refused::notRegularFile);
    EXPECT_EQ(readDrawnPipeLength(h / "fifo.hcd").error(), Refused::notRegularFile);

    // A listed file that became a FIFO since: its row is reported as unreadable.
    fs::remove(h / "a.hcd");
    ASSERT_EQ(::mkfifo((h / "a.hcd").c_str(), 0600), 0);
    const std::vector<LengthMismatch> result = checkLengths(list);
    ASSERT_EQ(result.size(), 2u);
    EXPECT_FALSE(result[0].drawn);
    EXPECT_EQ(result[0].path, h / "a.hcd");
    EXPECT_EQ(result[0].error, Refused::notRegularFile);
    EXPECT_EQ(drawnLengthText(result[0]), "无法读取");
    EXPECT_EQ(drawnLengthText(result[1]), "0.000000");
}

TEST(SpecialFiles, TemporaryFilesAreNeverListed) {
    std::string leftover = platform::temporaryNamePattern("a.hcd");
    leftover.replace(leftover.size() - 6, 6, "Ab12Cd");
    for (const std::string& name : {leftover, std::string("$$tmpFile.hcd"), std::string("$$TMPFILE.HCD"),
                                    std::string("a.hcd$$"), std::string("A.HCD$$"), std::string("$$tmp.hcd")})
        EXPECT_FALSE(isDrawingFileName(name)) << name;
    for (const char* name : {".a.hcd", "a.hcd.tubra-Ab12Cd", "a.hcd$$.bak", "tubra-.hcd"})
        EXPECT_TRUE(isDrawingFileName(name)) << name;

    TempDir dir;
    writeFile(dir / "a.hcd", drawingText({{"甲线"}, {}}));
    writeFile(dir / leftover, drawingText({{"半截"}, {}}));
    writeFile(dir / "$$tmpFile.hcd", drawingText({{"临时"}, {}}));
    writeFile(dir / "a.hcd$$", drawingText({{"临时"}, {}}));
    PipelineList list;
    ASSERT_TRUE(listDirectory(list, dir.path()).ok());
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.row(0).cell(kColFileName), "a.hcd");
}

TEST(ExportTargets, DrawingsAndListedFilesAreRefused) {
    TempDir dir;
    writeFile(dir / "a.hcd", "drawing\n");
    writeFile(dir / "b.hcd.bak", "listed too\n");
    writeFile(dir / "old.txt", "an older export\n");
    fs::create_symlink(dir / "a.hcd", dir / "list.txt");
    fs::create_hard_link(dir / "b.hcd.bak", dir / "same.txt");
    PipelineList list;
    ASSERT_TRUE(listDirectory(list, dir.path()).ok());
    ASSERT_EQ(list.size(), 2);
    for (const char* name : {"a.hcd", "new.hcd", "NEW.HCD", "x.Hcd", "list.txt", "same.txt", "b.hcd.bak"})
        EXPECT_TRUE(isDrawingOutput(dir / name, list)) << name;
    for (const char* name : {"old.txt", "new.txt", "new.hcd.txt", "hcd", ".hcdx"})
        EXPECT_FALSE(isDrawingOutput(dir / name, list)) << name;
    EXPECT_FALSE(isDrawingOutput(dir / "missing" / "x.txt", list));
}

TEST(ReportCopy, OneLineEndingPerFile) {
    // A target written with CR LF elsewhere comes out with LF only, like everything appended.
    std::string target = drawingText({{"甲线"}, {"张工"}, 5});
    std::string crlf;
    for (const char c : target) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    tubra::report::InspectionReport report;
    report.Face_ReportData.texts[0] = "NEW";
    for (const std::string& t : {target, crlf}) {
        const std::string copied = copyReportInto(t, report, KeptFields{});
        EXPECT_EQ(copied.find('\r'), std::string::npos);
        EXPECT_EQ(ReadBack(copied).table(0), "甲线");
        EXPECT_EQ(txt(ReadBack(copied).report.Face_ReportData.texts[0]), "NEW");
    }
}
