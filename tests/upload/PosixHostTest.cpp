#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <memory>
#include <vector>

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

    const std::string file = dir + "/body";
    FileStatus status;
    std::unique_ptr<BodySpool> spool = fs.createSpool(file, status);
    ASSERT_TRUE(spool) << status.error;
    EXPECT_EQ(modeOf(file), 0600u);
    ASSERT_TRUE(spool->append(std::string("a\0b", 3)).ok);
    ASSERT_TRUE(spool->append("cdef").ok);
    EXPECT_EQ(read(file), std::string("a\0bcdef", 7));
    std::string scratch;
    EXPECT_EQ(spool->bytes(2, 3, scratch), "bcd");
    EXPECT_EQ(spool->bytes(5, 100, scratch), "ef");
    EXPECT_EQ(spool->bytes(7, 1, scratch), "");
    EXPECT_EQ(spool->view(), std::string("a\0bcdef", 7));
    EXPECT_FALSE(spool->failed());
    EXPECT_FALSE(fs.createSpool(file, status));

    // A planted symbolic link is never followed.
    write(path("victim"), "keep");
    fsys::create_symlink(path("victim"), dir + "/planted");
    EXPECT_FALSE(fs.createSpool(dir + "/planted", status));
    EXPECT_NE(status.error.find("planted"), std::string::npos);
    EXPECT_NE(status.error.find("文件已存在"), std::string::npos) << status.error;
    EXPECT_EQ(read(path("victim")), "keep");

    // The view outlives the file's name.
    fs.forceDelete(file);
    EXPECT_EQ(spool->view().substr(3), "cdef");
}

TEST_F(UploadPosixHost, SavingIsWholeOrNothingAndRespectsExistingFiles) {
    PosixFileSystem fs(path("tmp"));
    write(path("src"), "head" + std::string(300000, 'n') + "tail");
    write(path("up/a.txt"), "old");
    const auto job = [&](const char* target, bool overwrite, std::uint64_t offset = 4,
                         std::uint64_t length = 300000, std::string source = {}) {
        SaveJob j;
        j.source = source.empty() ? path("src") : source;
        j.offset = offset;
        j.length = length;
        j.target = path(target);
        j.overwrite = overwrite;
        return j;
    };
    const auto save = [&](SaveJob j) {
        std::vector<SaveJob> jobs{std::move(j)};
        fs.saveFiles(jobs);
        return jobs.front().result;
    };

    EXPECT_EQ(save(job("up/a.txt", false)).outcome, CopyOutcome::TargetExists);
    EXPECT_EQ(read(path("up/a.txt")), "old");
    EXPECT_EQ(save(job("up/a.txt", true)).outcome, CopyOutcome::Copied);
    EXPECT_EQ(read(path("up/a.txt")), std::string(300000, 'n'));
    EXPECT_EQ(save(job("up/b.txt", false, 300004, 4)).outcome, CopyOutcome::Copied);
    EXPECT_EQ(read(path("up/b.txt")), "tail");
    EXPECT_EQ(modeOf(path("up/b.txt")) & 0600, 0600u);

    // A target that cannot be written leaves nothing behind, and says why in Chinese, without
    // the path: the reason reaches the client, which must not learn where the server keeps files.
    fsys::create_directory(path("up/dir"));
    const CopyResult r = save(job("up/dir", true));
    EXPECT_EQ(r.outcome, CopyOutcome::Failed);
    EXPECT_EQ(r.error, "这是一个目录");
    EXPECT_EQ(save(job("up/c.txt", true, 0, 1, path("missing"))).outcome, CopyOutcome::Failed);
    EXPECT_EQ(save(job("up/c.txt", true, 300000, 100)).outcome, CopyOutcome::Failed);  // too short
    EXPECT_EQ(save(job("nodir/c.txt", true)).error, "文件或目录不存在");
    EXPECT_EQ(entries(path("up")), 3u);  // a.txt, b.txt, dir: no staging directory left

    EXPECT_TRUE(fs.exists(path("up/a.txt")));
    fsys::create_symlink(path("nowhere"), path("up/dangling"));
    EXPECT_TRUE(fs.exists(path("up/dangling")));
    fs.forceDelete(path("up/a.txt"));
    ::chmod(path("up/b.txt").c_str(), 0400);
    fs.forceDelete(path("up/b.txt"));
    EXPECT_FALSE(fs.exists(path("up/a.txt")));
    EXPECT_FALSE(fs.exists(path("up/b.txt")));
}

TEST_F(UploadPosixHost, ABatchSavesEachFileOnItsOwn) {
    // Many files in one call (flushed with the file system), one of them with a name too long
    // and one onto a directory: those two fail, every other is saved, in order.
    PosixFileSystem fs(path("tmp"));
    std::string source;
    for (int i = 0; i < 300; ++i) source += "file " + std::to_string(i) + ";";
    write(path("src"), source);
    fsys::create_directory(path("up/taken"));
    std::vector<SaveJob> jobs;
    std::size_t offset = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string content = "file " + std::to_string(i) + ";";
        SaveJob j;
        j.source = path("src");
        j.offset = offset;
        j.length = content.size();
        offset += content.size();
        j.target = path("up") + "/" + (i == 100 ? std::string(300, 'x') : i == 200 ? "taken" : std::to_string(i));
        j.overwrite = true;
        jobs.push_back(j);
    }
    // Two jobs for one name without overwriting: the second finds the first's file.
    jobs[5].overwrite = jobs[6].overwrite = false;
    jobs[6].target = jobs[5].target;
    fs.saveFiles(jobs);
    EXPECT_EQ(jobs[100].result.error, "文件名太长");
    EXPECT_EQ(jobs[200].result.error, "这是一个目录");
    EXPECT_EQ(jobs[6].result.outcome, CopyOutcome::TargetExists);
    for (int i = 0; i < 300; ++i) {
        if (i == 100 || i == 200 || i == 6) continue;
        EXPECT_EQ(jobs[i].result.outcome, CopyOutcome::Copied) << i;
        EXPECT_EQ(read(path("up") + "/" + std::to_string(i)), "file " + std::to_string(i) + ";");
    }
    EXPECT_EQ(read(path("up/5")), "file 5;");
    EXPECT_EQ(entries(path("up")), 298u);  // 297 files and the directory
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
            EXPECT_EQ(entries(d.path()), 1u);  // the body
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

    // Staging directories of saves killed outright; saved files of every shape stay, however
    // old, the ones shaped like earlier partial files too.
    const char* staging = ".kavelup:0123456789abcdef";
    for (const char* d : {staging, ".kavelup:fedcba9876543210", ".kavelup:xyz"}) {
        fsys::create_directory(up / d);
        write(up / d / "0", "part");
    }
    for (const char* f : {".a.txt.part-0123456789abcdef", "a.txt", "0123456789abcdef"})
        write(up / f, "saved");
    for (const char* f : {staging, ".kavelup:xyz", ".a.txt.part-0123456789abcdef", "a.txt",
                          "0123456789abcdef"})
        age(up / f, 2);

    EXPECT_EQ(sweepAbandonedUploads(tmp.string(), up.string()), 2u);
    EXPECT_FALSE(fsys::exists(tmp / "kavelup-s-old"));
    EXPECT_TRUE(fsys::exists(tmp / "kavelup-s-new" / "0-f"));
    EXPECT_TRUE(fsys::exists(tmp / "kavelup-s-busy" / "0-f"));
    EXPECT_TRUE(fsys::exists(tmp / "other-old"));
    EXPECT_FALSE(fsys::exists(up / staging));
    EXPECT_EQ(entries(up), 5u);
    EXPECT_EQ(read(up / ".a.txt.part-0123456789abcdef"), "saved");

    ::close(busy);  // its process is gone
    EXPECT_EQ(sweepAbandonedUploads(tmp.string(), up.string()), 1u);
    EXPECT_FALSE(fsys::exists(tmp / "kavelup-s-busy"));
}

TEST_F(UploadPosixHost, ASignalRemovesTheUploadInProgress) {
    const std::string staging = path("up") + "/.kavelup:0000000000000001";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        PosixFileSystem fs(path("tmp"));
        fs.trackForSignals(true);
        signalcleanup::install();
        std::string dir;
        if (!fs.makePrivateDirectory(path("tmp") + "/", "kavelup-sig-", dir).ok) ::_exit(2);
        FileStatus status;
        if (!fs.createSpool(dir + "/body", status)) ::_exit(3);
        fsys::create_directory(staging);
        for (int i = 0; i < 300; ++i)  // more entries than one listing returns
            write(staging + "/" + std::to_string(i) + "-file-with-a-longish-name", "half");
        signalcleanup::setStagingDirectory(staging);
        ::kill(::getpid(), SIGTERM);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);  // still ended by the signal
    EXPECT_EQ(entries(path("tmp")), 0u);
    EXPECT_FALSE(fsys::exists(staging));
}

}  // namespace
