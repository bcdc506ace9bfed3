#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "upload/MultipartBody.h"
#include "upload/PosixHost.h"
#include "upload/SignalCleanup.h"
#include "upload/Upload.h"
#include "upload/MemoryHost.h"

using namespace kavelup;
namespace fsys = std::filesystem;

namespace {

class UploadPosixHost : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kavelup-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        fsys::create_directory(root_ / "tmp");
        fsys::create_directory(root_ / "up");
    }
    void TearDown() override { fsys::remove_all(root_); }

    std::string path(const char* leaf) const { return (root_ / leaf).string(); }
    static std::string read(const fsys::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void write(const fsys::path& p, const std::string& s) {
        std::ofstream(p, std::ios::binary) << s;
    }
    static mode_t modeOf(const fsys::path& p) {
        struct stat st;
        return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    std::size_t entries(const fsys::path& dir) const {
        return static_cast<std::size_t>(std::distance(fsys::directory_iterator(dir), {}));
    }

    fsys::path root_;
};

TEST_F(UploadPosixHost, NewFilesAreExclusiveAndPrivate) {
    PosixFileSystem fs(path("tmp"));
    std::string dir;
    ASSERT_TRUE(fs.makePrivateDirectory(path("tmp") + "/", "kavelup-s-", dir).ok);
    EXPECT_EQ(modeOf(dir), 0700u);
    std::string other;
    ASSERT_TRUE(fs.makePrivateDirectory(path("tmp") + "/", "kavelup-s-", other).ok);
    EXPECT_NE(dir, other);

    const std::string file = dir + "/0-f";
    ASSERT_TRUE(fs.writeNewFile(file, std::string("a\0b", 3)).ok);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(read(file), std::string("a\0b", 3));
    EXPECT_FALSE(fs.writeNewFile(file, "again").ok);

    // A planted symbolic link is never followed.
    write(path("victim"), "keep");
    fsys::create_symlink(path("victim"), dir + "/1-f");
    const FileStatus planted = fs.writeNewFile(dir + "/1-f", "evil");
    EXPECT_FALSE(planted.ok);
    EXPECT_NE(planted.error.find("1-f"), std::string::npos);
    EXPECT_EQ(read(path("victim")), "keep");
}

TEST_F(UploadPosixHost, CopyIsWholeOrNothingAndRespectsExistingFiles) {
    PosixFileSystem fs(path("tmp"));
    write(path("src"), std::string(300000, 'n'));
    write(path("up/a.txt"), "old");

    EXPECT_EQ(fs.copy(path("src"), path("up/a.txt"), false).outcome, CopyOutcome::TargetExists);
    EXPECT_EQ(read(path("up/a.txt")), "old");
    EXPECT_EQ(fs.copy(path("src"), path("up/a.txt"), true).outcome, CopyOutcome::Copied);
    EXPECT_EQ(read(path("up/a.txt")), std::string(300000, 'n'));
    EXPECT_EQ(fs.copy(path("src"), path("up/b.txt"), false).outcome, CopyOutcome::Copied);
    EXPECT_EQ(modeOf(path("up/b.txt")) & 0600, 0600u);

    // A target that cannot be written leaves nothing behind, and says why, without the path:
    // the reason reaches the client, which must not learn where the server keeps files.
    fsys::create_directory(path("up/dir"));
    const CopyResult r = fs.copy(path("src"), path("up/dir"), true);
    EXPECT_EQ(r.outcome, CopyOutcome::Failed);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(r.error.find(root_.string()), std::string::npos) << r.error;
    EXPECT_EQ(fs.copy(path("missing"), path("up/c.txt"), true).outcome, CopyOutcome::Failed);
    EXPECT_EQ(fs.copy(path("src"), path("nodir/c.txt"), true).outcome, CopyOutcome::Failed);
    EXPECT_EQ(entries(path("up")), 3u);  // a.txt, b.txt, dir: no temporary file left

    EXPECT_TRUE(fs.exists(path("up/a.txt")));
    fsys::create_symlink(path("nowhere"), path("up/dangling"));
    EXPECT_TRUE(fs.exists(path("up/dangling")));
    fs.forceDelete(path("up/a.txt"));
    ::chmod(path("up/b.txt").c_str(), 0400);
    fs.forceDelete(path("up/b.txt"));
    EXPECT_FALSE(fs.exists(path("up/a.txt")));
    EXPECT_FALSE(fs.exists(path("up/b.txt")));
}

TEST_F(UploadPosixHost, PageLeavesOnlyTheSavedFiles) {
    const std::string body = test::MultipartBody()
                                 .file("../x", "../a.bin", std::string("\r\n\0\xFF", 4))
                                 .file("f2", "b.bin", "bb")
                                 .field("note", "n")
                                 .str();
    const std::string bodyFile = path("body");
    write(bodyFile, body + "trailing bytes the request does not announce");
    const int fd = ::open(bodyFile.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    {
        FdRequest request(fd, static_cast<std::int64_t>(body.size()));
        FixedSession session("../../sess");
        PosixFileSystem fs(path("tmp"));
        Upload up;
        up.onStartPage({&request, &session, &fs});
        up.path(path("up"));
        up.maxSize(100);
        up.upload();
        EXPECT_EQ(up.form("note").text, "n");
        EXPECT_EQ(entries(path("tmp")), 1u);
        for (const auto& d : fsys::directory_iterator(path("tmp"))) {
            EXPECT_EQ(d.path().filename().string().rfind("kavelup-..%2F", 0), std::string::npos);
            EXPECT_EQ(entries(d.path()), 2u);
        }
        up.saveAll(0);
        EXPECT_EQ(up.errors(), "note内容不是一个文件，不能保存<br>");
        up.onEndPage();
    }
    ::close(fd);
    EXPECT_EQ(entries(path("tmp")), 0u);
    EXPECT_EQ(read(path("up/a.bin")), std::string("\r\n\0\xFF", 4));
    EXPECT_EQ(read(path("up/b.bin")), "bb");
    EXPECT_EQ(entries(path("up")), 2u);
}

TEST_F(UploadPosixHost, TemporaryFolderThatCannotBeWritten) {
    MemoryRequest request(test::MultipartBody().file("f", "a.bin", "1").str());
    FixedSession session("s");
    PosixFileSystem fs(path("no/such/folder"));
    Upload up;
    up.onStartPage({&request, &session, &fs});
    up.upload();
    EXPECT_EQ(up.errors(), "保存至临时文件夹时出错,可能没有写的权限<br>");
}

TEST_F(UploadPosixHost, AbandonedUploadsAreSweptWhenOldAndNoLongerLocked) {
    const auto age = [](const fsys::path& p, int hours) {
        const timespec t[2] = {{::time(nullptr) - hours * 3600, 0}, {::time(nullptr) - hours * 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), t, AT_SYMLINK_NOFOLLOW), 0) << p;
    };
    const fsys::path tmp = path("tmp"), up = path("up");
    for (const char* d : {"kavelup-s-old", "kavelup-s-new", "kavelup-s-busy", "other-old"}) {
        fsys::create_directory(tmp / d);
        write(tmp / d / "0-f", "upload");
    }
    for (const char* d : {"kavelup-s-old", "kavelup-s-busy", "other-old"}) age(tmp / d, 2);
    const int busy = ::open((tmp / "kavelup-s-busy").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(busy, 0);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);  // an upload still running

    const char* partial = ".a.txt.part-0123456789abcdef";
    for (const char* f : {partial, ".b.txt.part-0123456789abcdef", ".c.txt.part-xyz", "a.txt"})
        write(up / f, "part");
    for (const char* f : {partial, ".c.txt.part-xyz", "a.txt"}) age(up / f, 2);

    EXPECT_EQ(sweepAbandonedUploads(tmp.string(), up.string()), 2u);
    EXPECT_FALSE(fsys::exists(tmp / "kavelup-s-old"));
    EXPECT_TRUE(fsys::exists(tmp / "kavelup-s-new" / "0-f"));
    EXPECT_TRUE(fsys::exists(tmp / "kavelup-s-busy" / "0-f"));
    EXPECT_TRUE(fsys::exists(tmp / "other-old"));
    EXPECT_FALSE(fsys::exists(up / partial));
    EXPECT_EQ(entries(up), 3u);

    ::close(busy);  // its process is gone
    EXPECT_EQ(sweepAbandonedUploads(tmp.string(), up.string()), 1u);
    EXPECT_FALSE(fsys::exists(tmp / "kavelup-s-busy"));
}

TEST_F(UploadPosixHost, ASignalRemovesTheUploadInProgress) {
    const std::string partial = path("up") + "/.t.txt.part-0000000000000001";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        PosixFileSystem fs(path("tmp"));
        fs.trackForSignals(true);
        signalcleanup::install();
        std::string dir;
        if (!fs.makePrivateDirectory(path("tmp") + "/", "kavelup-sig-", dir).ok) ::_exit(2);
        for (int i = 0; i < 300; ++i)  // more entries than one listing returns
            if (!fs.writeNewFile(dir + "/" + std::to_string(i) + "-file-with-a-longish-name", "x").ok)
                ::_exit(3);
        write(partial, "half");
        signalcleanup::setPartialFile(partial);
        ::kill(::getpid(), SIGTERM);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);  // still ended by the signal
    EXPECT_EQ(entries(path("tmp")), 0u);
    EXPECT_FALSE(fsys::exists(partial));
}

}  // namespace
