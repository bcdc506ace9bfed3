// Reading files that only look like drawings: FIFOs, devices, files beyond the limit, files
// that grow while read, and memory that runs out; large files mapped, and cut short under the
// mapping.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

namespace fs = std::filesystem;
using platform::FileError;
using platform::readRegularFile;

namespace {

class RegularFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tubra-regular-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path at(const std::string& name) const { return dir_ / name; }
    void write(const std::string& name, const std::string& data) const {
        std::ofstream(at(name), std::ios::binary) << data;
    }

    fs::path dir_;
};

constexpr std::size_t kMax = std::size_t{256} << 20;

}  // namespace

TEST_F(RegularFileTest, SpecialFilesAreRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(at("fifo.hcd").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", at("zero.hcd"));
    fs::create_symlink(at("fifo.hcd"), at("to-fifo.hcd"));
    fs::create_directory(at("dir.hcd"));
    std::string out = "old";
    const auto start = std::chrono::steady_clock::now();
    // No writer ever comes to the FIFO, and the device would give bytes without end.
    for (const char* name : {"fifo.hcd", "zero.hcd", "to-fifo.hcd"}) {
        EXPECT_EQ(readRegularFile(at(name), out, kMax).error(), FileError::notRegularFile) << name;
        EXPECT_TRUE(out.empty());
    }
    EXPECT_EQ(readRegularFile("/dev/full", out, kMax).error(), FileError::notRegularFile);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(readRegularFile(at("dir.hcd"), out, kMax).error(), std::errc::is_a_directory);
    EXPECT_EQ(readRegularFile(at("none.hcd"), out, kMax).error(), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(fs::is_fifo(at("fifo.hcd")));
}

TEST_F(RegularFileTest, SizeLimitHoldsAlsoForFilesThatGrowWhileRead) {
    write("ten.hcd", "0123456789");
    std::string out;
    ASSERT_TRUE(readRegularFile(at("ten.hcd"), out, 10).ok());
    EXPECT_EQ(out, "0123456789");
    EXPECT_EQ(readRegularFile(at("ten.hcd"), out, 9).error(), FileError::tooLarge);
    EXPECT_TRUE(out.empty());
    // A sparse file beyond the limit is refused by its size, without reading a byte of it.
    { std::ofstream(at("huge.hcd")); }
    fs::resize_file(at("huge.hcd"), kMax + 1);
    EXPECT_EQ(readRegularFile(at("huge.hcd"), out, kMax).error(), FileError::tooLarge);
    // Files whose size says 0 but that hold text: read to their end, within the limit.
    ASSERT_TRUE(readRegularFile("/proc/self/status", out, kMax).ok());
    EXPECT_NE(out.find("VmSize"), std::string::npos);
    EXPECT_EQ(readRegularFile("/proc/self/status", out, 16).error(), FileError::tooLarge);
}

TEST_F(RegularFileTest, StorageIsReusedWithoutStaleBytes) {
    write("big.hcd", std::string(100000, 'x'));
    write("small.hcd", "abc");
    write("empty.hcd", "");
    std::string out;
    ASSERT_TRUE(readRegularFile(at("big.hcd"), out, kMax).ok());
    EXPECT_EQ(out.size(), 100000u);
    ASSERT_TRUE(readRegularFile(at("small.hcd"), out, kMax).ok());
    EXPECT_EQ(out, "abc");
    ASSERT_TRUE(readRegularFile(at("empty.hcd"), out, kMax).ok());
    EXPECT_EQ(out, "");
}

TEST_F(RegularFileTest, MemoryThatRunsOutIsAnError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer needs an address space that cannot be limited";
#else
    // 64 MB of a sparse file, read by a process that may grow by 16 MB only.
    { std::ofstream(at("large.hcd")); }
    fs::resize_file(at("large.hcd"), 64 << 20);
    const pid_t pid = ::fork();
    if (pid == 0) {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t now = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
        const rlimit limit{now + (16 << 20), now + (16 << 20)};
        ::setrlimit(RLIMIT_AS, &limit);
        std::string out;
        const std::error_code e = readRegularFile(at("large.hcd"), out, kMax).error();
        ::_exit(e == std::errc::not_enough_memory && out.empty() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

TEST(TemporaryName, OnlyTheSavesOwnNamesAreTemporary) {
    std::string name = platform::temporaryNamePattern("管线.hcd");
    name.replace(name.size() - 6, 6, "Ab12Cd");
    EXPECT_TRUE(platform::isTemporaryName(name)) << name;
    // Cut to fit a short name limit, still recognised.
    std::string cut = platform::temporaryNamePattern(std::string(300, 'a') + ".hcd", 64);
    cut.replace(cut.size() - 6, 6, "zzzzzz");
    EXPECT_TRUE(platform::isTemporaryName(cut));
    for (const char* user : {"a.hcd", ".a.hcd", "a.hcd.tubra-Ab12Cd", ".a.hcd.tubra-Ab1", ".a.hcd.tubra-Ab12C!",
                             ".a.hcd.tubra-Ab12Cde", ".tubra-"})
        EXPECT_FALSE(platform::isTemporaryName(user)) << user;
}

TEST_F(RegularFileTest, AComparisonHoldsOnlyTheSameBytesToTheEnd) {
    const std::string bytes = std::string(3000, 'a') + "middle" + std::string(5000, 'z');
    write("same.hcd", bytes);
    const auto compare = [&](const fs::path& path, std::initializer_list<std::string_view> pieces) {
        platform::FileComparison c(path);
        for (std::string_view p : pieces) c.next(p);
        return c.same();
    };
    const std::string_view all(bytes);
    EXPECT_TRUE(compare(at("same.hcd"), {all.substr(0, 1000), all.substr(1000, 2003), "", all.substr(3003)}));
    // Shorter, longer, or one byte changed in a later piece: not the same.
    EXPECT_FALSE(compare(at("same.hcd"), {all.substr(0, 1000)}));
    EXPECT_FALSE(compare(at("same.hcd"), {all, "x"}));
    std::string changed = bytes;
    changed[3002] = 'M';
    EXPECT_FALSE(compare(at("same.hcd"), {std::string_view(changed).substr(0, 3000), std::string_view(changed).substr(3000)}));
    // Nothing that is not a regular file holds anything, not even nothing.
    ASSERT_EQ(::mkfifo(at("fifo.hcd").c_str(), 0600), 0);
    write("empty.hcd", "");
    EXPECT_TRUE(compare(at("empty.hcd"), {}));
    EXPECT_FALSE(compare(at("fifo.hcd"), {}));
    EXPECT_FALSE(compare(at("none.hcd"), {}));
    EXPECT_FALSE(compare(dir_, {}));
}

// --- a large file mapped instead of copied ---

TEST_F(RegularFileTest, AMappedFileGivesTheBytesAndErrorsACopyGives) {
    using platform::FileBytes;
    std::string big(300000, 'x');
    for (std::size_t i = 0; i < big.size(); i += 997) big[i] = static_cast<char>('a' + i % 26);
    write("big.hcd", big);
    write("small.hcd", "abc");
    write("empty.hcd", "");
    FileBytes out;
    ASSERT_TRUE(readRegularFile(at("big.hcd"), out, kMax).ok());
    EXPECT_TRUE(out.mapped());
    EXPECT_TRUE(out.view() == big);
    EXPECT_FALSE(out.damaged());
    // Moved, the bytes go with it; read into again, the old mapping is given back.
    FileBytes moved = std::move(out);
    EXPECT_TRUE(moved.view() == big);
    EXPECT_TRUE(out.view().empty());
    ASSERT_TRUE(readRegularFile(at("small.hcd"), moved, kMax).ok());
    EXPECT_FALSE(moved.mapped());
    EXPECT_EQ(moved.view(), "abc");
    // Mapped when asked for, whatever its size; an empty file and one whose size says 0 are read.
    ASSERT_TRUE(readRegularFile(at("small.hcd"), out, kMax, 1).ok());
    EXPECT_TRUE(out.mapped());
    EXPECT_EQ(out.view(), "abc");
    ASSERT_TRUE(readRegularFile(at("empty.hcd"), out, kMax, 1).ok());
    EXPECT_EQ(out.view(), "");
    ASSERT_TRUE(readRegularFile("/proc/self/status", out, kMax, 1).ok());
    EXPECT_NE(out.view().find("VmSize"), std::string_view::npos);
    // More mappings alive at once than there are guards for: the rest are read, all correct.
    std::vector<FileBytes> many(40);
    for (FileBytes& m : many) ASSERT_TRUE(readRegularFile(at("big.hcd"), m, kMax).ok());
    EXPECT_TRUE(many.front().mapped());
    EXPECT_FALSE(many.back().mapped());
    for (const FileBytes& m : many) EXPECT_TRUE(m.view() == big);
    many.clear();

    // The same refusals as a copy, with nothing left behind.
    ASSERT_EQ(::mkfifo(at("fifo.hcd").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", at("zero.hcd"));
    fs::create_directory(at("dir.hcd"));
    ASSERT_TRUE(readRegularFile(at("big.hcd"), out, kMax).ok());
    EXPECT_EQ(readRegularFile(at("fifo.hcd"), out, kMax, 1).error(), FileError::notRegularFile);
    EXPECT_TRUE(out.view().empty());
    EXPECT_EQ(readRegularFile(at("zero.hcd"), out, kMax, 1).error(), FileError::notRegularFile);
    EXPECT_EQ(readRegularFile(at("dir.hcd"), out, kMax, 1).error(), std::errc::is_a_directory);
    EXPECT_EQ(readRegularFile(at("none.hcd"), out, kMax, 1).error(), std::errc::no_such_file_or_directory);
    EXPECT_EQ(readRegularFile(at("big.hcd"), out, big.size() - 1).error(), FileError::tooLarge);
    EXPECT_TRUE(out.view().empty());
}

TEST_F(RegularFileTest, AFileCutShortUnderItsMappingReadsAsZerosAndSaysSo) {
    // Another program truncates the file while its bytes are looked at: the pages past the new
    // end would raise SIGBUS. The reader must go on, see zeros there, and be told.
    const std::string bytes(400000, 'q');
    write("cut.hcd", bytes);
    EXPECT_EXIT(
        {
            platform::FileBytes out;
            if (!readRegularFile(at("cut.hcd"), out, kMax).ok() || !out.mapped()) ::_exit(2);
            if (::truncate(at("cut.hcd").c_str(), 5000) != 0) ::_exit(3);
            const std::string_view v = out.view();
            if (v[4999] != 'q' || out.damaged()) ::_exit(4);  // still in the file
            std::size_t zeros = 0;
            for (std::size_t i = 8192; i < v.size(); i += 1000) zeros += v[i] == '\0';
            if (zeros != (v.size() - 8192 + 999) / 1000 || !out.damaged()) ::_exit(5);
            // The next mapping of the same guard starts undamaged.
            write("cut.hcd", bytes);
            if (!readRegularFile(at("cut.hcd"), out, kMax).ok() || out.damaged() || out.view() != bytes) ::_exit(6);
            ::_exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(RegularFileTest, ABusErrorThatIsNotAMappedFilesStillEndsTheProgram) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's handler was there before the reader's: the fault must reach it.
    const auto endedByTheFault = [](int status) { return WIFSIGNALED(status); };
    const char* const said = "AddressSanitizer: BUS";
#else
    const auto endedByTheFault = ::testing::KilledBySignal(SIGBUS);
    const char* const said = "";
#endif
    write("big.hcd", std::string(300000, 'b'));
    write("other.bin", std::string(300000, 'o'));
    // A fault in a mapping the reader did not make, while one of its own is alive. (A handler
    // that swallowed it would fault again without end: the alarm ends that.)
    EXPECT_EXIT(
        {
            ::alarm(10);
            platform::FileBytes out;
            if (!readRegularFile(at("big.hcd"), out, kMax).ok()) ::_exit(2);
            const int fd = ::open(at("other.bin").c_str(), O_RDONLY);
            auto* p = static_cast<volatile const char*>(::mmap(nullptr, 300000, PROT_READ, MAP_SHARED, fd, 0));
            if (::ftruncate(::open(at("other.bin").c_str(), O_WRONLY), 0) != 0) ::_exit(3);
            (void)p[200000];
            ::_exit(0);
        },
        endedByTheFault, said);
    // One sent by another program.
    EXPECT_EXIT(
        {
            ::alarm(10);
            platform::FileBytes out;
            if (!readRegularFile(at("big.hcd"), out, kMax).ok()) ::_exit(2);
            ::kill(::getpid(), SIGBUS);
            ::_exit(0);
        },
        endedByTheFault, said);
}
