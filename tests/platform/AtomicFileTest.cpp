#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>
#include <set>
#include <string>
#include <type_traits>

#include "platform/AtomicFile.h"

namespace fs = std::filesystem;
using platform::FileError;
using platform::writeFileAtomically;

namespace {

// A write's result has no truth value: an error code's truth means failure, which callers read
// the wrong way round.
static_assert(!std::is_constructible_v<bool, platform::Result<>>);

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tubra-atomic-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        oldUmask_ = ::umask(022);
    }
    void TearDown() override {
        ::umask(oldUmask_);
        fs::remove_all(dir_);
    }

    fs::path at(const std::string& name) const { return dir_ / name; }

    std::string contents(const fs::path& p) const {
        std::string s;
        (void)platform::readWholeFile(p, s);
        return s;
    }

    std::set<std::string> names() const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_)) out.insert(e.path().filename().string());
        return out;
    }

    // Runs a save in a child process that is killed after the first bytes of data are written.
    void saveKilledMidway(const fs::path& file, bool unnamed) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            platform::AtomicWriteOptions o;
            o.unnamedTemporary = unnamed;
            o.write = [](int fd, const void* p, std::size_t n) -> ssize_t {
                if (::write(fd, p, n / 2) > 0) ::kill(::getpid(), SIGKILL);
                return -1;
            };
            (void)writeFileAtomically(file, std::string(1000, 'k'), o);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
    }

    fs::path dir_;
    mode_t oldUmask_ = 022;
};

TEST_F(AtomicFileTest, AFailedWriteFsyncOrRenameLeavesTheOldFileAndNoTemporaryOne) {
    // The disk full while writing, the data not on the disk, the rename refused: each time
    // the old file stays whole, nothing is left beside it, and the caller hears why.
    struct Failure {
        const char* what;
        int error;
        void (*set)(platform::AtomicWriteOptions&, int error);
    };
    const Failure failures[] = {
        {"write", ENOSPC,
         [](platform::AtomicWriteOptions& o, int e) {
             o.write = [e](int, const void*, std::size_t) -> ssize_t {
                 errno = e;
                 return -1;
             };
         }},
        {"fsync", EIO,
         [](platform::AtomicWriteOptions& o, int e) {
             o.fsync = [e](int) {
                 errno = e;
                 return -1;
             };
         }},
        {"rename", EXDEV,
         [](platform::AtomicWriteOptions& o, int e) {
             o.rename = [e](int, const char*, const char*) {
                 errno = e;
                 return -1;
             };
         }},
    };
    for (bool unnamed : {true, false}) {
        for (const Failure& f : failures) {
            SCOPED_TRACE(std::string(f.what) + (unnamed ? " (unnamed temporary)" : " (named temporary)"));
            const fs::path file = at("drawing.hcd");
            ASSERT_TRUE(writeFileAtomically(file, "old contents").ok());
            platform::AtomicWriteOptions o;
            o.unnamedTemporary = unnamed;
            f.set(o, f.error);
            const platform::Result<> r = writeFileAtomically(file, std::string(5000, 'n'), o);
            ASSERT_TRUE(r.failed());
            EXPECT_EQ(r.error(), std::error_code(f.error, std::generic_category()));
            EXPECT_EQ(contents(file), "old contents");
            EXPECT_EQ(names(), std::set<std::string>{"drawing.hcd"});
        }
    }
    // A first save that fails creates nothing.
    platform::AtomicWriteOptions o;
    o.fsync = [](int) {
        errno = EIO;
        return -1;
    };
    EXPECT_TRUE(writeFileAtomically(at("new.hcd"), "x", o).failed());
    EXPECT_FALSE(fs::exists(at("new.hcd")));
}

TEST_F(AtomicFileTest, RefusesTargetsItMayNotReplace) {
    // Write-protected, even for root: refused, untouched.
    const fs::path ro = at("ro.hcd");
    ASSERT_TRUE(writeFileAtomically(ro, "old\n").ok());
    ::chmod(ro.c_str(), 0444);
    EXPECT_EQ(writeFileAtomically(ro, "new\n").error(), FileError::readOnly);
    EXPECT_EQ(contents(ro), "old\n");
    platform::AtomicWriteOptions anyway;
    anyway.refuseReadOnly = false;
    EXPECT_TRUE(writeFileAtomically(ro, "new\n", anyway).ok());
    EXPECT_EQ(contents(ro), "new\n");
    EXPECT_EQ(fs::status(ro).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    // A FIFO, directly and through a link, stays a FIFO (and nothing blocks on it).
    const fs::path fifo = at("fifo.hcd");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(writeFileAtomically(fifo, "x").error(), FileError::notRegularFile);
    fs::create_symlink(fifo, at("to-fifo.hcd"));
    EXPECT_EQ(writeFileAtomically(at("to-fifo.hcd"), "x").error(), FileError::notRegularFile);
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A device behind a link, and a link to a descriptor of this process.
    fs::create_symlink("/dev/null", at("null.hcd"));
    EXPECT_EQ(writeFileAtomically(at("null.hcd"), "x").error(), FileError::notRegularFile);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    fs::create_symlink("/proc/self/fd/" + std::to_string(pipeFds[1]), at("fd.hcd"));
    EXPECT_TRUE(writeFileAtomically(at("fd.hcd"), "x").failed());
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);

    // A dangling link is neither replaced nor made to point at a new file.
    fs::create_symlink(at("nowhere.hcd"), at("dangling.hcd"));
    EXPECT_EQ(writeFileAtomically(at("dangling.hcd"), "x").error(), FileError::danglingLink);
    EXPECT_TRUE(fs::is_symlink(at("dangling.hcd")));
    EXPECT_FALSE(fs::exists(at("nowhere.hcd")));

    // Every refusal explains itself, and left no temporary file behind.
    EXPECT_EQ(platform::describe(make_error_code(FileError::readOnly)), "文件是只读的");
    EXPECT_EQ(names(), (std::set<std::string>{"ro.hcd", "fifo.hcd", "to-fifo.hcd", "null.hcd",
                                              "fd.hcd", "dangling.hcd"}));
}

TEST_F(AtomicFileTest, NamesUpToTheLongestTheSystemAllows) {
    for (std::size_t length : {240u, 248u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".hcd";
        ASSERT_TRUE(writeFileAtomically(at(name), "first\n").ok()) << length;
        ASSERT_TRUE(writeFileAtomically(at(name), "second\n").ok()) << length;
        EXPECT_EQ(contents(at(name)), "second\n");
        EXPECT_LE(platform::temporaryNamePattern(name).size(), 255u);
        platform::AtomicWriteOptions named;
        named.unnamedTemporary = false;
        ASSERT_TRUE(writeFileAtomically(at(name), "third\n", named).ok()) << length;
        EXPECT_EQ(contents(at(name)), "third\n");
        fs::remove(at(name));
    }
    EXPECT_TRUE(names().empty());
    // A multi-byte name is never cut inside a character.
    const std::string chinese = std::string(240, 'a') + "管道图纸.hcd";
    const std::string pattern = platform::temporaryNamePattern(chinese);
    EXPECT_LE(pattern.size(), 255u);
    EXPECT_EQ(pattern.substr(0, 241), std::string(".").append(240, 'a'));
    EXPECT_EQ(pattern.substr(241), ".tubra-XXXXXX");
}

TEST_F(AtomicFileTest, NewFilesHonourTheUmaskReplacedOnesKeepModeAndOwner) {
    ::umask(027);
    ASSERT_TRUE(writeFileAtomically(at("a.hcd"), "a").ok());
    EXPECT_EQ(fs::status(at("a.hcd")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ::umask(077);
    platform::AtomicWriteOptions named;
    named.unnamedTemporary = false;
    ASSERT_TRUE(writeFileAtomically(at("b.hcd"), "b", named).ok());
    EXPECT_EQ(fs::status(at("b.hcd")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    // A replaced file keeps its mode whatever the umask.
    ::chmod(at("a.hcd").c_str(), 0664);
    ASSERT_TRUE(writeFileAtomically(at("a.hcd"), "aa").ok());
    EXPECT_EQ(fs::status(at("a.hcd")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::group_write | fs::perms::others_read);

    if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another owner needs root";
    ASSERT_EQ(::chown(at("a.hcd").c_str(), 4242, 4343), 0);
    ASSERT_TRUE(writeFileAtomically(at("a.hcd"), "aaa").ok());
    struct stat st {};
    ASSERT_EQ(::stat(at("a.hcd").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4242u);
    EXPECT_EQ(st.st_gid, 4343u);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(contents(at("a.hcd")), "aaa");
}

TEST_F(AtomicFileTest, AKilledSaveLeavesNothingVisibleOrIsSweptByTheNextSave) {
    const fs::path file = at("drawing.hcd");
    ASSERT_TRUE(writeFileAtomically(file, "kept\n").ok());

    // The unnamed temporary file vanishes with the process.
    saveKilledMidway(file, true);
    EXPECT_EQ(names(), std::set<std::string>{"drawing.hcd"});
    EXPECT_EQ(contents(file), "kept\n");

    // Where it must have a name, the next save of the same file removes it...
    saveKilledMidway(file, false);
    std::set<std::string> left = names();
    ASSERT_EQ(left.size(), 2u);
    left.erase("drawing.hcd");
    const std::string leftover = *left.begin();
    EXPECT_TRUE(leftover.starts_with(".drawing.hcd.tubra-")) << leftover;
    EXPECT_EQ(contents(file), "kept\n");

    // ...but not the temporary file of a save still running (it holds a lock), nor files of
    // the user's that merely look alike, nor those of another drawing.
    const std::string live = ".drawing.hcd.tubra-Live00";
    const std::string lookalikes[] = {".drawing.hcd.tubra-abc", ".drawing.hcd.tubra-abcdefg",
                                      ".drawing.hcd.tubra-ab.cd", ".other.hcd.tubra-Abc123",
                                      "drawing.hcd.tubra-Abc123"};
    int liveFd = ::open(at(live).c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(liveFd, 0);
    ASSERT_EQ(::flock(liveFd, LOCK_EX), 0);
    for (const auto& n : lookalikes) ASSERT_TRUE(writeFileAtomically(at(n), "user's").ok());

    ASSERT_TRUE(writeFileAtomically(file, "new\n").ok());
    EXPECT_EQ(contents(file), "new\n");
    std::set<std::string> expected{"drawing.hcd", live};
    expected.insert(std::begin(lookalikes), std::end(lookalikes));
    EXPECT_EQ(names(), expected);

    // Once that save is gone, its file is swept too.
    ::close(liveFd);
    ASSERT_TRUE(writeFileAtomically(file, "newer\n").ok());
    expected.erase(live);
    EXPECT_EQ(names(), expected);
}

// A library that opens its output itself writes through the temporary file's name.
TEST_F(AtomicFileTest, AProducerWritesThroughANameThatReplacesTheTargetOnlyOnSuccess) {
    const fs::path file = at("list.xlsx");
    ASSERT_TRUE(writeFileAtomically(file, "old").ok());
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    auto produce = [this](std::string text) {
        return [this, text](const fs::path& tmp) -> std::error_code {
            // Beside the target, hidden, empty, and not the target itself.
            EXPECT_EQ(tmp.parent_path(), dir_);
            EXPECT_EQ(tmp.filename().string().rfind(".list.xlsx.tubra-", 0), 0u) << tmp;
            EXPECT_EQ(fs::file_size(tmp), 0u);
            FILE* f = std::fopen(tmp.c_str(), "wb");
            if (!f) return {errno, std::generic_category()};
            std::fputs(text.c_str(), f);
            std::fclose(f);
            return {};
        };
    };
    ASSERT_TRUE(platform::writeFileAtomicallyWith(file, produce("new")).ok());
    EXPECT_EQ(contents(file), "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(names(), std::set<std::string>{"list.xlsx"});

    // A failing producer leaves the old file and nothing else, whatever it wrote.
    const auto failing = [&](const fs::path& tmp) -> std::error_code {
        EXPECT_FALSE(produce("half")(tmp));
        return std::make_error_code(std::errc::no_space_on_device);
    };
    EXPECT_EQ(platform::writeFileAtomicallyWith(file, failing).error(), std::errc::no_space_on_device);
    EXPECT_EQ(contents(file), "new");
    EXPECT_EQ(names(), std::set<std::string>{"list.xlsx"});

    // One that puts another file under the name is not trusted with the target.
    const auto swapping = [&](const fs::path& tmp) -> std::error_code {
        fs::remove(tmp);
        FILE* f = std::fopen(tmp.c_str(), "wb");
        std::fputs("other", f);
        std::fclose(f);
        return std::error_code();
    };
    EXPECT_TRUE(platform::writeFileAtomicallyWith(file, swapping).failed());
    EXPECT_EQ(contents(file), "new");
    EXPECT_EQ(names(), std::set<std::string>{"list.xlsx"});

    // Through a link the link stays and its file is replaced; a directory is refused.
    fs::create_symlink("list.xlsx", at("link.xlsx"));
    ASSERT_TRUE(platform::writeFileAtomicallyWith(at("link.xlsx"), produce("linked")).ok());
    EXPECT_TRUE(fs::is_symlink(at("link.xlsx")));
    EXPECT_EQ(contents(file), "linked");
    fs::create_directory(at("dir"));
    EXPECT_EQ(platform::writeFileAtomicallyWith(at("dir"), produce("x")).error(), std::errc::is_a_directory);
}

TEST_F(AtomicFileTest, PiecesMakeTheFileInOrderAndAFailedPieceLeavesTheOldOne) {
    const fs::path file = at("drawing.hcd");
    ASSERT_TRUE(writeFileAtomically(file, "old").ok());
    const auto pieces = [](int count, std::size_t size) {
        return [count, size](const platform::PieceWriter& write) -> std::error_code {
            for (int i = 0; i < count; ++i)
                if (const std::error_code e = write(std::string(size, static_cast<char>('a' + i)))) return e;
            return {};
        };
    };
    ASSERT_TRUE(platform::writeFileAtomicallyInPieces(file, pieces(3, 70000)).ok());
    EXPECT_EQ(contents(file), std::string(70000, 'a') + std::string(70000, 'b') + std::string(70000, 'c'));
    EXPECT_EQ(names(), std::set<std::string>{"drawing.hcd"});

    // The disk fills at the second piece: later pieces are not written, the error comes back
    // however the producer ends, and the file is as it was.
    platform::AtomicWriteOptions full;
    int writes = 0;
    full.write = [&writes](int fd, const void* p, std::size_t n) -> ssize_t {
        if (++writes == 2) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, p, n);
    };
    const auto ignoring = [](const platform::PieceWriter& write) -> std::error_code {
        for (int i = 0; i < 4; ++i) (void)write("piece");
        return {};
    };
    EXPECT_EQ(platform::writeFileAtomicallyInPieces(file, ignoring, full).error(), std::errc::no_space_on_device);
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(contents(file), std::string(70000, 'a') + std::string(70000, 'b') + std::string(70000, 'c'));
    EXPECT_EQ(names(), std::set<std::string>{"drawing.hcd"});

    // Running out of memory half way is an error like any other.
    const auto starving = [](const platform::PieceWriter& write) -> std::error_code {
        (void)write("half");
        throw std::bad_alloc();
    };
    EXPECT_EQ(platform::writeFileAtomicallyInPieces(file, starving).error(), std::errc::not_enough_memory);
    EXPECT_EQ(names(), std::set<std::string>{"drawing.hcd"});
}

TEST_F(AtomicFileTest, ReadingStopsAtItsLimit) {
    ASSERT_TRUE(writeFileAtomically(at("big"), std::string(1000, 'b')).ok());
    std::string s = "stale";
    EXPECT_EQ(platform::readWholeFile(at("big"), s, 999).error(), FileError::tooLarge);
    EXPECT_TRUE(s.empty());
    EXPECT_TRUE(platform::readWholeFile(at("big"), s, 1000).ok());
    EXPECT_EQ(s.size(), 1000u);
    // A device that never ends is cut off as well.
    EXPECT_EQ(platform::readWholeFile("/dev/zero", s, 1 << 20).error(), FileError::tooLarge);
}

// Files are read whole whatever their size says: a large one byte for byte, one that reports
// no size (as the system's own files do) through to its end.
TEST_F(AtomicFileTest, ReadingGetsEveryByte) {
    std::string big(3 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 2654435761u >> 13);
    ASSERT_TRUE(writeFileAtomically(at("big"), big).ok());
    std::string s;
    ASSERT_TRUE(platform::readWholeFile(at("big"), s).ok());
    EXPECT_TRUE(s == big);
    ASSERT_TRUE(platform::readWholeFile("/proc/self/status", s).ok());
    EXPECT_NE(s.find("Name:"), std::string::npos);
    EXPECT_EQ(s.back(), '\n');
}

}  // namespace
