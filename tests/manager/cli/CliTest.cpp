// vesko-cli run as a program: output, files written, exit codes, and a batch killed midway.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include <nlohmann/json.hpp>

#include "manager/core/Exports.h"
#include "manager/core/Listing.h"
#include "support/ManagerFixtures.h"

extern char** environ;

using namespace manager;
using namespace manager::testing;

namespace {

struct Result {
    int code = -1;
    std::string out, err;
};

pid_t spawn(const std::vector<std::string>& args, int outFd, int errFd) {
    std::vector<char*> argv;
    std::string program = VESKO_CLI;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    if (errFd >= 0) posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    pid_t pid = -1;
    posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

Result run(const std::vector<std::string>& args) {
    TempDir tmp;
    const auto outPath = tmp / "out", errPath = tmp / "err";
    FILE* out = std::fopen(outPath.c_str(), "w");
    FILE* err = std::fopen(errPath.c_str(), "w");
    const pid_t pid = spawn(args, fileno(out), fileno(err));
    std::fclose(out);
    std::fclose(err);
    Result r;
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
}

// The same, in a process whose address space is limited to `addressSpace` bytes; a signal
// gives the code -1. (Not with the sanitizer, whose address space cannot be limited.)
[[maybe_unused]] Result runLimited(const std::vector<std::string>& args, rlim_t addressSpace) {
    TempDir tmp;
    const auto outPath = tmp / "out", errPath = tmp / "err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit limit{addressSpace, addressSpace};
        ::setrlimit(RLIMIT_AS, &limit);
        FILE* out = std::fopen(outPath.c_str(), "w");
        FILE* err = std::fopen(errPath.c_str(), "w");
        ::dup2(fileno(out), 1);
        ::dup2(fileno(err), 2);
        std::vector<char*> argv{const_cast<char*>(VESKO_CLI)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    Result r;
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
}

// Three drawings with lengths 1.5, 2 and 2.5 and pipes drawn for the first only.
struct Drawings {
    TempDir dir;
    Drawings() {
        const char* numbers[] = {"P-101-1", "P-101-2", "P-102"};
        const char* lengths[] = {"1.5", "2", "2.5"};
        for (int i = 0; i < 3; ++i) {
            std::string text = drawingText({{"丙烯线", numbers[i], "GC2", "", "", "", "罐区至装置", "", "", lengths[i],
                                             "", "", "", "", "", "", "20#", "φ57×3.5"},
                                            {"张工"}});
            if (i == 0) text = "Object{\n\tMainType   2\n\tDistTxt    1500\n}\n\n" + text;
            writeFile(dir / ("d" + std::to_string(i) + ".hcd"), text);
        }
    }
    std::string path() const { return dir.path().string(); }
    PipelineList list(bool reportMode = false) const {
        PipelineList l;
        l.reportMode = reportMode;
        EXPECT_TRUE(listDirectory(l, dir.path()).ok());
        return l;
    }
};

}  // namespace

TEST(VeskoCli, ListsInTextTsvAndJson) {
    Drawings d;
    Result r = run({"list", d.path()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("列表序号\t管线名称\t管线编号\t", 0), 0u);
    EXPECT_NE(r.out.find("\n1\t丙烯线\tP-101-1\tGC2\t"), std::string::npos);
    EXPECT_NE(r.out.find(d.dir.path().filename().string() + "目录下，管线=3根, 总长=  6.00米\n"), std::string::npos);

    r = run({"list", d.path(), "--tsv"});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.out, textExport(d.list()));

    r = run({"list", d.path(), "--report", "--json"});
    ASSERT_EQ(r.code, 0);
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["columns"].size(), 39u);
    ASSERT_EQ(j["rows"].size(), 3u);
    EXPECT_EQ(j["rows"][2][2], "P-102");
    EXPECT_EQ(j["rows"][0][11], "φ57×3.5");
    EXPECT_DOUBLE_EQ(j["totalLength"].get<double>(), 6.0);
}

TEST(VeskoCli, ExportsWriteExactlyTheNamedFile) {
    Drawings d;
    TempDir out;
    ASSERT_EQ(run({"export-tsv", d.path(), (out / "list.txt").string()}).code, 0);
    EXPECT_EQ(readFile(out / "list.txt"), textExport(d.list()));
    EXPECT_FALSE(std::filesystem::exists(out / "list.txt.txt"));
    ASSERT_EQ(run({"export-tsv", d.path(), (out / "report.txt").string(), "--report"}).code, 0);
    EXPECT_EQ(readFile(out / "report.txt"), textExport(d.list(true)));

    ASSERT_EQ(run({"export-census", d.path(), (out / "c.csv").string(), "--device", "常减压"}).code, 0);
    EXPECT_EQ(readFile(out / "c.csv"), censusExport(d.list(), g("常减压")));
    // Without a device name the directory's name stands in, as the window's tree node would.
    ASSERT_EQ(run({"export-census", d.path(), (out / "d.csv").string()}).code, 0);
    EXPECT_EQ(readFile(out / "d.csv"), censusExport(d.list(), d.dir.path().filename().string()));

    // Workbooks by command, or for the census by the extension; a workbook's name ends in
    // .xlsx, as tubra-cli asks, and a wrong one is a wrong command line that writes nothing.
    EXPECT_EQ(run({"export-xlsx", d.path(), (out / "list").string()}).code, 2);
    EXPECT_FALSE(std::filesystem::exists(out / "list"));
    ASSERT_EQ(run({"export-xlsx", d.path(), (out / "list.xlsx").string()}).code, 0);
    EXPECT_EQ(readFile(out / "list.xlsx").substr(0, 2), "PK");
    ASSERT_EQ(run({"export-census", d.path(), (out / "c.xlsx").string()}).code, 0);
    EXPECT_EQ(readFile(out / "c.xlsx").substr(0, 2), "PK");
    EXPECT_EQ(run({"export-xlsx", d.path()}).code, 2);
    EXPECT_EQ(run({"check-lengths", d.path(), "--xlsx"}).code, 2);

    const Result bad = run({"export-tsv", d.path(), (out / "missing" / "x.txt").string()});
    EXPECT_EQ(bad.code, 1);
    // In the words tubra-cli uses.
    EXPECT_EQ(bad.err, "vesko-cli: 无法保存文件 " + (out / "missing" / "x.txt").string() + ": 文件或目录不存在\n");
}

TEST(VeskoCli, ExportsNeverReplaceADrawingAndAnEmptyCensusWritesNothing) {
    Drawings d;
    const std::string drawing = readFile(d.dir / "d0.hcd");
    Result r = run({"export-tsv", d.path(), (d.dir / "d0.hcd").string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "vesko-cli: 输出文件 " + (d.dir / "d0.hcd").string() + " 是图形文件，导出操作取消！\n");
    EXPECT_EQ(readFile(d.dir / "d0.hcd"), drawing);
    r = run({"export-census", d.path(), (d.dir / "report.HCD").string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(std::filesystem::exists(d.dir / "report.HCD"));
    // A file of the list under another name is refused as well.
    std::filesystem::create_symlink(d.dir / "d1.hcd", d.dir / "list.txt");
    EXPECT_EQ(run({"export-tsv", d.path(), (d.dir / "list.txt").string()}).code, 1);
    EXPECT_EQ(ReadBack(readFile(d.dir / "d1.hcd")).table(1), "P-101-2");

    TempDir empty, out;
    r = run({"export-census", empty.path().string(), (out / "c.csv").string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "vesko-cli: 列表中无管道信息，导出操作取消！\n");
    EXPECT_FALSE(std::filesystem::exists(out / "c.csv"));
}

// A FIFO, links to endless devices and a file beyond the limit under drawing names: every
// command passes them with a reason, does the other files, and sums up at the end.
TEST(VeskoCli, SpecialFilesArePassedWithTheirReasons) {
    Drawings d;
    const std::string fifo = (d.dir / "fifo.hcd").string(), zero = (d.dir / "zero.hcd").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", zero);
    writeFile(d.dir / "huge.hcd", "");
    std::filesystem::resize_file(d.dir / "huge.hcd", std::uintmax_t{300} << 20);

    Result r = run({"list", d.path(), "--tsv"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, textExport(d.list()));
    EXPECT_EQ(d.list().size(), 3);
    EXPECT_EQ(r.err, "vesko-cli: 无法打开文件 " + fifo + ": 不是普通文件\n"
                     "vesko-cli: 无法打开文件 " + (d.dir / "huge.hcd").string() + ": 文件超过 256 MB\n"
                     "vesko-cli: 无法打开文件 " + zero + ": 不是普通文件\n"
                     "vesko-cli: 有 3 个文件无法读取，未列出\n");
    EXPECT_EQ(run({"check-lengths", d.path()}).code, 1);

    const std::string good = (d.dir / "d2.hcd").string();
    r = run({"set-table", fifo, zero, "/dev/full", good, "--row", "10", "--value", "9"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(ReadBack(readFile(good)).table(9), "9");
    EXPECT_NE(r.err.find("vesko-cli: 无法打开文件 /dev/full: 不是普通文件\n"), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.ends_with("vesko-cli: 4 个文件中有 3 个未能修改\n")) << r.err;
    // A directory stands for its drawings: the same three are passed, the three drawings done.
    r = run({"set-title", d.path(), "--row", "1", "--value", "王工"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.ends_with("vesko-cli: 6 个文件中有 3 个未能修改\n")) << r.err;
    EXPECT_EQ(ReadBack(readFile(d.dir / "d0.hcd")).title(0), "王工");

    r = run({"copy-report", "/dev/zero", good});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "vesko-cli: 无法打开样板文件 /dev/zero: 不是普通文件\n");
    r = run({"copy-report", (d.dir / "d0.hcd").string(), zero, good});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.ends_with("vesko-cli: 2 个目标文件中有 1 个未能复制报告\n")) << r.err;
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(zero));
}

TEST(VeskoCli, MemoryThatRunsOutFailsTheFileNotTheProgram) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer needs an address space that cannot be limited";
#else
    // A 31 MB drawing and a small one, with 40 MB of address space: the big one cannot be
    // rewritten, the small one is.
    TempDir dir;
    std::string big = drawingText({{"大"}, {}});
    const std::string object = "Object{\n\tMainType   2\n\tDistTxt    1500\n}\n\n";
    big.reserve(big.size() + (31u << 20));
    while (big.size() < (31u << 20)) big += object;
    writeFile(dir / "big.hcd", big);
    writeFile(dir / "small.hcd", drawingText({{"小"}, {}}));
    constexpr rlim_t kLimit = rlim_t{40} << 20;
    Result r = runLimited({"set-table", (dir / "big.hcd").string(), (dir / "small.hcd").string(), "--row", "1",
                           "--value", "新"},
                          kLimit);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("/big.hcd: 内存不足\n"), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.ends_with("2 个文件中有 1 个未能修改\n")) << r.err;
    EXPECT_EQ(readFile(dir / "big.hcd"), big);
    EXPECT_EQ(ReadBack(readFile(dir / "small.hcd")).table(0), "新");

    // Listing a directory with a file of 200 MB (within the limit of the drawing files, beyond
    // the memory): that file gives no row, the others do.
    writeFile(dir / "large.hcd", "");
    std::filesystem::resize_file(dir / "large.hcd", std::uintmax_t{200} << 20);
    std::filesystem::remove(dir / "big.hcd");
    r = runLimited({"list", dir.path().string()}, kLimit);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.err, "vesko-cli: 无法打开文件 " + (dir / "large.hcd").string() + ": 内存不足\n"
                     "vesko-cli: 有 1 个文件无法读取，未列出\n");
    EXPECT_NE(r.out.find("\t新\t"), std::string::npos) << r.out;
#endif
}

TEST(VeskoCli, CheckLengthsReportsTheRowsThatDisagree) {
    Drawings d;
    Result r = run({"check-lengths", d.path()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "2\t2\t0.000000\n3\t2.5\t0.000000\n列表中有 2 根管道的长度与图纸不符\n");
    // With a workbook as well, the same lines on standard output.
    TempDir out;
    const Result saved = run({"check-lengths", d.path(), "--xlsx", (out / "k.xlsx").string()});
    EXPECT_EQ(saved.code, 0) << saved.err;
    EXPECT_EQ(saved.out, r.out);
    EXPECT_EQ(readFile(out / "k.xlsx").substr(0, 2), "PK");
}

TEST(VeskoCli, ChangesValuesInFilesAndDirectories) {
    Drawings d;
    Result r = run({"set-table", d.path(), "--row", "10", "--value", "7.25"});
    ASSERT_EQ(r.code, 0) << r.err;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadBack(readFile(d.dir / ("d" + std::to_string(i) + ".hcd"))).table(9), "7.25");

    // A file that cannot be read is named; the others are still done.
    r = run({"set-title", (d.dir / "d0.hcd").string(), (d.dir / "none.hcd").string(), (d.dir / "d2.hcd").string(),
             "--row", "1", "--value", "王工"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("none.hcd"), std::string::npos);
    EXPECT_EQ(ReadBack(readFile(d.dir / "d0.hcd")).title(0), "王工");
    EXPECT_EQ(ReadBack(readFile(d.dir / "d1.hcd")).title(0), "张工");
    EXPECT_EQ(ReadBack(readFile(d.dir / "d2.hcd")).title(0), "王工");

    EXPECT_EQ(run({"set-title", d.path(), "--row", "8", "--value", "x"}).code, 2);
    EXPECT_EQ(run({"set-table", d.path(), "--row", "0", "--value", "x"}).code, 2);
    EXPECT_EQ(run({"set-table", d.path(), "--value", "x"}).code, 2);
    EXPECT_EQ(run({"set-table", d.path(), "--row", "1", "--value", "x", "--bogus"}).code, 2);
    EXPECT_EQ(run({"frobnicate"}).code, 2);
    EXPECT_EQ(run({}).code, 2);
}

TEST(VeskoCli, MergesAndDeletesRowsOfTheList) {
    Drawings d;
    Result r = run({"merge-rows", d.path(), "1", "2", "3", "--tsv"});
    ASSERT_EQ(r.code, 0) << r.err;
    PipelineList expected = d.list();
    expected.mergeRows({0, 1, 2}, "P-101", "6.00");
    EXPECT_EQ(r.out, textExport(expected));

    r = run({"merge-rows", d.path(), "1", "2", "--number", "Q-1", "--page-number-position", "2", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["rows"].size(), 2u);
    EXPECT_EQ(j["rows"][0][2], "Q-1");
    EXPECT_EQ(j["rows"][0][12], "3.50");

    EXPECT_EQ(run({"merge-rows", d.path(), "1"}).code, 2);
    EXPECT_EQ(run({"merge-rows", d.path(), "1", "9"}).code, 2);

    r = run({"delete-rows", d.path(), "2", "--tsv"});
    ASSERT_EQ(r.code, 0);
    expected = d.list();
    expected.removeRows({1});
    EXPECT_EQ(r.out, textExport(expected));
}

TEST(VeskoCli, CopiesTheReportOfATemplate) {
    Drawings d;
    writeFile(d.dir / "t.hcd", drawingText({{"样板"}, {}, 0, 1, [](tubra::report::InspectionReport& rep) {
        rep.Face_ReportData.texts[5] = "TEMPLATE-NO";
        rep.Face_ReportData.texts[8] = "UNIT";
    }}));
    writeFile(d.dir / "own.hcd", drawingText({{"own"}, {}, 0, 1, [](tubra::report::InspectionReport& rep) {
        rep.Face_ReportData.texts[5] = "OWN-NO";
    }}));
    ASSERT_EQ(run({"copy-report", (d.dir / "t.hcd").string(), (d.dir / "own.hcd").string()}).code, 0);
    ReadBack kept(readFile(d.dir / "own.hcd"));
    EXPECT_EQ(txt(kept.report.Face_ReportData.texts[5]), "OWN-NO");
    EXPECT_EQ(txt(kept.report.Face_ReportData.texts[8]), "UNIT");

    ASSERT_EQ(run({"copy-report", (d.dir / "t.hcd").string(), (d.dir / "own.hcd").string(), "--keep", "none"}).code, 0);
    EXPECT_EQ(txt(ReadBack(readFile(d.dir / "own.hcd")).report.Face_ReportData.texts[5]), "TEMPLATE-NO");
    // One line ending in the whole file.
    EXPECT_EQ(readFile(d.dir / "own.hcd").find('\r'), std::string::npos);

    EXPECT_EQ(run({"copy-report", (d.dir / "none.hcd").string(), (d.dir / "own.hcd").string()}).code, 1);
    EXPECT_EQ(run({"copy-report", (d.dir / "t.hcd").string(), (d.dir / "own.hcd").string(), "--keep", "colour"}).code, 2);
}

// The program killed at random moments of a batch of 200 files: every file stays whole, the
// old one or the new one.
TEST(VeskoCli, KilledBatchLeavesEveryFileOldOrNew) {
    TempDir dir;
    std::vector<std::string> oldText;
    for (int i = 0; i < 200; ++i) {
        oldText.push_back(drawingText({{"线", "P-" + std::to_string(i)}, {"张工"}, 10 + i % 30, static_cast<std::uint32_t>(i)}));
        writeFile(dir / ("p" + std::to_string(1000 + i) + ".hcd"), oldText.back());
    }
    auto whole = [&](int i, const std::string& now) {
        if (now == oldText[static_cast<std::size_t>(i)]) return 0;
        ReadBack back(now);
        if (back.table(9) != "99.9" || back.table(1) != "P-" + std::to_string(i)) return -1;
        return 1;
    };
    // How long a whole batch takes here.
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(run({"set-table", dir.path().string(), "--row", "10", "--value", "99.9"}).code, 0);
    const auto full = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();
    std::mt19937 rng(7);
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 200; ++i) writeFile(dir / ("p" + std::to_string(1000 + i) + ".hcd"), oldText[static_cast<std::size_t>(i)]);
        const pid_t pid = spawn({"set-table", dir.path().string(), "--row", "10", "--value", "99.9"}, -1, -1);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % static_cast<unsigned>(std::max<long long>(full, 1000))));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        for (int i = 0; i < 200; ++i) {
            const auto path = dir / ("p" + std::to_string(1000 + i) + ".hcd");
            ASSERT_TRUE(std::filesystem::exists(path)) << path;
            EXPECT_GE(whole(i, readFile(path)), 0) << path;
        }
    }
}
