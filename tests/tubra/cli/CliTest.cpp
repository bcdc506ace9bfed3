#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"
#include "support/GeneratedDrawing.h"
#include "tubra/cli/Commands.h"
#include "tubra/cli/DrawingJson.h"
#include "tubra/cli/SpatialCommands.h"
#include "tubra/report/Install.h"

namespace fs = std::filesystem;
using namespace tubra::model;

namespace {

struct ProcessResult {
    int status = -1;
    std::string out;
};

// Runs the real program (with `env`, "NAME=value ...", added to its environment) and collects
// its standard output and exit status.
ProcessResult run(const std::string& args, const std::string& env = {}) {
    ProcessResult r;
    FILE* p = ::popen((env + " " + TUBRA_CLI + " " + args + " 2>/dev/null").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

struct Finished {
    int exitCode = -1;  // -1 when killed by a signal
    int signal = 0;
    std::string err;
};

// Runs the real program with its address space limited to `addressSpace` bytes (0: no limit),
// its standard output thrown away, and collects its standard error.
Finished runLimited(const std::vector<std::string>& args, rlim_t addressSpace = 0) {
    char errName[] = "/tmp/tubra-cli-err-XXXXXX";
    const int errFd = ::mkstemp(errName);
    Finished f;
    if (errFd < 0) return f;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (addressSpace) {
            const rlimit limit{addressSpace, addressSpace};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, 1);
        ::dup2(errFd, 2);
        std::vector<char*> argv{const_cast<char*>(TUBRA_CLI)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) f.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) f.signal = WTERMSIG(status);
    (void)platform::readWholeFile(errName, f.err);
    ::close(errFd);
    ::unlink(errName);
    return f;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tubra-cli-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        AppContext app;
        tubra::report::installInspectionReport(app);
        Document doc(app);
        tubra::testing::generateDrawing(doc.drawing, {.objects = 40, .seed = 5});
        ASSERT_TRUE(doc.saveAs(file()).ok());
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string file() const { return (dir_ / "p.hcd").string(); }
    fs::path dir_;
};

TEST_F(CliTest, JsonFollowsTheDocumentedSchema) {
    auto doc = tubra::cli::openOrReport(file().c_str());
    ASSERT_TRUE(doc);
    const auto j = tubra::cli::documentJson(*doc);
    std::vector<std::string> top;
    for (const auto& [k, v] : j.items()) top.push_back(k);
    EXPECT_EQ(top, (std::vector<std::string>{"drawing", "settings", "objects", "characteristic", "title", "report"}));
    EXPECT_EQ(j["drawing"]["AxisSet"][1], "上");
    EXPECT_EQ(j["drawing"]["IsShowReport"].size(), 2u);
    EXPECT_EQ(j["settings"].size(), 39u);  // ZhuXianLayer .. m_santongChang
    EXPECT_EQ(j["settings"]["TextColor"], 4278190080u);
    EXPECT_EQ(j["objects"].size(), doc->drawing.objects.size());
    EXPECT_EQ(j["objects"][0].size(), 28u);
    EXPECT_EQ(j["objects"][0]["Port1"].size(), 3u);
    EXPECT_EQ(j["characteristic"][0], "丙烯进料线");
    EXPECT_EQ(j["title"]["labels"][0], " 制 图 ");
    EXPECT_TRUE(j["report"].contains("PrintSet_ReportData"));
    EXPECT_EQ(j["report"]["PrintSet_ReportData"]["start"], 1);
}

TEST_F(CliTest, CommandsAndExitCodes) {
    const ProcessResult info = run("info " + file());
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("管  线  名  称: 丙烯进料线"), std::string::npos);
    EXPECT_NE(info.out.find("管长:"), std::string::npos);

    const ProcessResult json = run("json " + file());
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.front(), '{');

    const std::string copy = (dir_ / "copy.hcd").string();
    EXPECT_EQ(run("resave " + file() + " " + copy).status, 0);
    EXPECT_EQ(run("resave " + copy + " " + (dir_ / "again.hcd").string()).status, 0);
    std::string a, b;
    (void)platform::readWholeFile(copy, a);
    (void)platform::readWholeFile(dir_ / "again.hcd", b);
    EXPECT_EQ(a, b);

    EXPECT_EQ(run("info " + (dir_ / "missing.hcd").string()).status, 1);
    EXPECT_EQ(run("resave " + file() + " " + (dir_ / "no" / "x.hcd").string()).status, 1);
    EXPECT_EQ(run("json").status, 2);
    EXPECT_EQ(run("frobnicate x").status, 2);
}

TEST_F(CliTest, JsonIsWrittenAsItGoesWithTheSameText) {
    auto doc = tubra::cli::openOrReport(file().c_str());
    ASSERT_TRUE(doc);
    std::ostringstream streamed;
    tubra::cli::writeDocumentJson(*doc, streamed);
    const auto dump = [](const nlohmann::ordered_json& j) {
        return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    };
    EXPECT_EQ(streamed.str(), dump(tubra::cli::documentJson(*doc)));

    // No objects and an empty report: the empty array and object in their short forms.
    AppContext app;
    Document empty(app);
    std::ostringstream none;
    tubra::cli::writeDocumentJson(empty, none);
    EXPECT_EQ(none.str(), dump(tubra::cli::documentJson(empty)));
    EXPECT_NE(none.str().find("\"objects\": [],"), std::string::npos);
}

TEST_F(CliTest, RefusedTargetsAreErrorsAndStayAsTheyWere) {
    const std::string ro = (dir_ / "ro.hcd").string();
    ASSERT_TRUE(platform::writeFileAtomically(ro, "mine\n").ok());
    ::chmod(ro.c_str(), 0444);
    Finished f = runLimited({"resave", file(), ro});
    EXPECT_EQ(f.exitCode, 1);
    EXPECT_NE(f.err.find("只读"), std::string::npos) << f.err;
    std::string kept;
    (void)platform::readWholeFile(ro, kept);
    EXPECT_EQ(kept, "mine\n");

    const fs::path fifo = dir_ / "fifo.hcd";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(dir_ / "nowhere.hcd", dir_ / "dangling.hcd");
    for (const fs::path& target : {fifo, dir_ / "dangling.hcd"}) {
        f = runLimited({"resave", file(), target.string()});
        EXPECT_EQ(f.exitCode, 1) << target;
        EXPECT_FALSE(f.err.empty());
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.hcd"));
    EXPECT_FALSE(fs::exists(dir_ / "nowhere.hcd"));
}

// Runs the program with its standard output into a pipe; gives everything it wrote, standard
// error first, and its exit status.
ProcessResult runPiped(const std::string& args) {
    ProcessResult r;
    FILE* p = ::popen(("{ " + std::string(TUBRA_CLI) + " " + args + " 2>&1; echo \"EXIT:$?\"; } | cat").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    ::pclose(p);
    const auto at = r.out.rfind("EXIT:");
    if (at != std::string::npos) {
        r.status = std::atoi(r.out.c_str() + at + 5);
        r.out.erase(at);
    }
    return r;
}

std::string contents(const fs::path& p) {
    std::string s;
    (void)platform::readWholeFile(p, s);
    return s;
}

TEST_F(CliTest, OutputsNeverReplaceADrawingOrAnInput) {
    if (run("--help").out.find("render") == std::string::npos) GTEST_SKIP() << "built without Qt";
    const std::string drawing = contents(file());
    const fs::path other = dir_ / "other.hcd";
    ASSERT_TRUE(fs::copy_file(file(), other));
    fs::create_symlink(file(), dir_ / "input.pdf");
    fs::create_symlink(other, dir_ / "drawing.png");
    fs::create_symlink(other, dir_ / "drawing.pdf");
    const std::string script = (dir_ / "s.session").string();
    ASSERT_TRUE(platform::writeFileAtomically(script, "new\n").ok());
    struct Case {
        std::string args;
        const char* says;
    };
    const Case cases[] = {
        // print writes a PDF, under a name that says so.
        {"print " + file() + " -o " + file(), ".pdf"},
        {"print " + file() + " -o " + (dir_ / "x.png").string(), ".pdf"},
        {"print " + file() + " -o " + (dir_ / "x.HCD").string(), ".pdf"},
        // Neither command writes over its input or over a drawing, through a link or not.
        {"print " + file() + " -o " + (dir_ / "input.pdf").string(), "输入文件"},
        {"print " + file() + " -o " + (dir_ / "drawing.pdf").string(), "图形文件"},
        {"render " + file() + " " + (dir_ / "input.pdf").string(), "输入文件"},
        {"render " + file() + " " + (dir_ / "drawing.png").string(), "图形文件"},
        {"render " + file() + " " + file(), ".png"},
        // A replayed session never saves over its script.
        {"play " + script + " -o " + script, "脚本"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = runPiped(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_EQ(contents(file()), drawing);
    EXPECT_EQ(contents(other), drawing);
    EXPECT_EQ(contents(script), "new\n");
    EXPECT_FALSE(fs::exists(dir_ / "x.png"));
    // A PDF or picture of another name is written as before, in any letter case.
    EXPECT_EQ(run("print " + file() + " -o " + (dir_ / "out.PDF").string()).status, 0);
    EXPECT_EQ(run("render " + file() + " " + (dir_ / "out.png").string()).status, 0);
    EXPECT_GT(fs::file_size(dir_ / "out.PDF"), 1000u);
}

TEST_F(CliTest, MessagesAreChineseAndSayWhatIsWrong) {
    if (run("--help").out.find("render") == std::string::npos) GTEST_SKIP() << "built without Qt";
    // Standard output into a pipe: no file this program replaces, and said so.
    const ProcessResult piped = runPiped("resave " + file() + " /dev/stdout");
    EXPECT_EQ(piped.status, 1);
    EXPECT_NE(piped.out.find("不是普通文件"), std::string::npos) << piped.out;
    EXPECT_EQ(piped.out.find("符号链接"), std::string::npos) << piped.out;

    for (const std::string& args : {std::string("frobnicate"), std::string("json"),
                                    "render " + file(), "render " + file() + " x.png --zoom 99",
                                    "print " + file() + " --report full -o " + (dir_ / "r.pdf").string(),
                                    std::string("play"), std::string("play /nonexistent.session")}) {
        const ProcessResult r = runPiped(args);
        EXPECT_NE(r.status, 0) << args;
        // Every line the program wrote holds Chinese, none is English alone.
        std::istringstream lines(r.out);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.empty() || line.rfind("  ", 0) == 0) continue;  // the commands under a usage line
            EXPECT_TRUE(std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE4; }))
                << args << ": " << line;
        }
    }
}

TEST_F(CliTest, DrawingsAreStableFromTheirFirstSave) {
    // An object without its DistTxt line, as a cut file or a swallowed line leaves it.
    std::string data = contents(file());
    std::size_t at = data.find("\tDistTxt");
    ASSERT_NE(at, std::string::npos);
    data.erase(at, data.find('\n', at) + 1 - at);
    const fs::path cut = dir_ / "cut.hcd";
    ASSERT_TRUE(platform::writeFileAtomically(cut, data).ok());
    const fs::path once = dir_ / "once.hcd", twice = dir_ / "twice.hcd";
    ASSERT_EQ(run("resave " + cut.string() + " " + once.string()).status, 0);
    ASSERT_EQ(run("resave " + once.string() + " " + twice.string()).status, 0);
    EXPECT_EQ(contents(once), contents(twice));

    // The bundled examples are what the program writes for them.
    for (const char* name : {"pipeline.hcd", "symbol-atlas.hcd", "report.hcd", "report-long.hcd"}) {
        const fs::path example = fs::path(TUBRA_SOURCE_DIR) / "examples" / name;
        const fs::path saved = dir_ / name;
        ASSERT_EQ(run("resave " + example.string() + " " + saved.string()).status, 0) << name;
        EXPECT_EQ(contents(saved), contents(example)) << name << " changes on its first save";
    }
}

TEST_F(CliTest, HostileSizesAndMemoryExhaustionEndWithAMessage) {
    // 2 MB of empty objects: far more objects than the program keeps.
    const std::string flood = (dir_ / "flood.hcd").string();
    std::string data;
    for (int i = 0; i < 233000; ++i) data += "Object\n}\n";
    ASSERT_TRUE(platform::writeFileAtomically(flood, data).ok());
    Finished f = runLimited({"json", flood});
    EXPECT_EQ(f.exitCode, 1);
    EXPECT_NE(f.err.find("50000"), std::string::npos) << f.err;

#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer needs an address space that cannot be limited";
#else
    // Within the limits, but more than the memory the process may have: an error, not an abort,
    // and the output file is left as it was.
    const std::string many = (dir_ / "many.hcd").string();
    data = "2dDrawing {\n}\n";
    for (std::size_t i = 0; i < 40000; ++i) data += "Object\n}\n";
    ASSERT_TRUE(platform::writeFileAtomically(many, data).ok());
    const std::string out = (dir_ / "out.hcd").string();
    ASSERT_TRUE(platform::writeFileAtomically(out, "previous\n").ok());
    // A small drawing is read in under 20 MB; the 40,000 objects need about 65 MB.
    constexpr rlim_t kLimit = rlim_t{40} << 20;
    ASSERT_EQ(runLimited({"info", file()}, kLimit).exitCode, 0);  // the limit lets it run at all
    for (const char* command : {"json", "resave"}) {
        std::vector<std::string> args{command, many};
        if (std::string(command) == "resave") args.push_back(out);
        f = runLimited(args, kLimit);
        EXPECT_EQ(f.signal, 0) << command;
        EXPECT_EQ(f.exitCode, 1) << command;
        EXPECT_NE(f.err.find("内存不足"), std::string::npos) << command << ": " << f.err;
    }
    std::string kept;
    (void)platform::readWholeFile(out, kept);
    EXPECT_EQ(kept, "previous\n");
    EXPECT_EQ(runLimited({"json", many}).exitCode, 0);  // fine without the limit
#endif
}

}  // namespace

// Everything written carries the one clock's date: with SOURCE_DATE_EPOCH set, the same drawing
// gives the same bytes in every time zone and every run (Qt's hash order included), and another
// date gives other bytes, so the date really comes from the clock.
TEST_F(CliTest, OutputsAreTheSameBytesWhereverAndWheneverTheClockIsPinned) {
#ifdef TUBRA_CLI_HAS_RENDER
    const std::string sample = std::string(TUBRA_SOURCE_DIR) + "/examples/report.hcd";
    struct Output {
        const char* name;
        std::string args;
    };
    const Output outputs[] = {
        {"print.pdf", "print " + sample + " --report full -o "},
        {"render.pdf", "render " + sample + " "},
        {"sheet.svg", "render " + file() + " "},
        {"materials.xlsx", "materials " + file() + " --xlsx "},
    };
    const auto produce = [&](const char* epoch, const char* zone, const std::string& tag) {
        std::vector<std::string> bytes;
        for (const Output& o : outputs) {
            const fs::path out = dir_ / (tag + o.name);
            const std::string env = std::string("SOURCE_DATE_EPOCH=") + epoch + " TZ=" + zone;
            EXPECT_EQ(run(o.args + out.string(), env).status, 0) << o.args;
            std::string b;
            EXPECT_TRUE(platform::readWholeFile(out, b).ok());
            bytes.push_back(b);
        }
        return bytes;
    };
    const auto utc = produce("1700000000", "UTC", "a-");
    const auto shanghai = produce("1700000000", "Asia/Shanghai", "b-");
    const auto later = produce("1900000000", "UTC", "c-");
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
        EXPECT_TRUE(utc[i] == shanghai[i]) << outputs[i].name;
        EXPECT_FALSE(utc[i].empty()) << outputs[i].name;
    }
    EXPECT_NE(utc[0].find("/CreationDate (D:20231114221320Z)"), std::string::npos);
    EXPECT_NE(utc[1].find("/CreationDate (D:20231114221320Z)"), std::string::npos);
    EXPECT_TRUE(utc[0] != later[0]);
    EXPECT_TRUE(utc[3] != later[3]);  // the workbook's creation date
#else
    GTEST_SKIP() << "tubra-cli is built without its Qt canvas";
#endif
}

TEST(ModelJson, IsWrittenAsItGoesWithTheSameText) {
    const auto dump = [](const nlohmann::ordered_json& j) {
        return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    };
    Drawing drawing;
    tubra::testing::generateDrawing(drawing, {.objects = 300, .seed = 3});
    for (const tubra::spatial::RealModel& m :
         {tubra::spatial::buildRealModel(drawing), tubra::spatial::RealModel{}}) {
        std::ostringstream streamed;
        tubra::cli::writeRealModelJson(m, streamed);
        EXPECT_EQ(streamed.str(), dump(tubra::cli::realModelJson(m)));
    }
}

TEST_F(CliTest, ADoubtfulFileIsReadAndSaidSo) {
    // A drawing an editor saved as UTF-8: read as GBK without a word, and a resave over itself
    // cut a character. Now standard error says so and names the command that converts it, and
    // the file is not written over itself without --force.
    std::string utf8File = contents(file());
    utf8File.insert(utf8File.find("\tGuiGe"), text::gbk("\tCaiLiao    原料油管线不锈钢\n"));
    utf8File = text::gbkToUtf8(utf8File);  // as an editor saves it in UTF-8
    const fs::path utf8 = dir_ / "utf8.hcd";
    ASSERT_TRUE(platform::writeFileAtomically(utf8, utf8File).ok());
    const ProcessResult info = runPiped("info " + utf8.string());
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("文件似乎是 UTF-8 编码，不是 GBK"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("iconv -f UTF-8 -t GBK '" + utf8.string() + "'"), std::string::npos) << info.out;
    const ProcessResult over = runPiped("resave " + utf8.string() + " " + utf8.string());
    EXPECT_EQ(over.status, 1);
    EXPECT_NE(over.out.find("--force"), std::string::npos) << over.out;
    EXPECT_EQ(contents(utf8), utf8File);
    EXPECT_EQ(runPiped("resave --force " + utf8.string() + " " + utf8.string()).status, 0);
    EXPECT_NE(contents(utf8), utf8File);
    // A GBK drawing says nothing of the kind.
    EXPECT_EQ(runPiped("info " + file()).out.find("UTF-8"), std::string::npos);

    // A file that is no drawing at all reads as an empty one, and is said to be none.
    for (const std::string& what : {std::string("本文件说明\nObject types and titles are listed here.\n"),
                                    std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)}) {
        const fs::path other = dir_ / "README.txt";
        ASSERT_TRUE(platform::writeFileAtomically(other, what).ok());
        const ProcessResult r = runPiped("info " + other.string());
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("未找到图形内容"), std::string::npos) << r.out;
    }
    EXPECT_EQ(runPiped("info " + file()).out.find("未找到图形内容"), std::string::npos);
}

TEST_F(CliTest, APlayedDrawingIsSavedAtTheEndWithWhatCameAfterTheScriptsSave) {
    const auto objects = [](const std::string& data) {
        std::size_t n = 0;
        for (std::size_t at = data.find("Object{"); at != std::string::npos; at = data.find("Object{", at + 1)) ++n;
        return n;
    };
    const auto play = [&](const std::string& name, const std::string& script, const std::string& in) {
        const fs::path s = dir_ / (name + ".session"), out = dir_ / (name + ".hcd");
        std::ofstream(s) << script;
        EXPECT_EQ(run("play " + s.string() + " " + in + " -o " + out.string()).status, 0) << name;
        return contents(out);
    };
    const std::string pipe = "command 2709\nclick 300 -1100\ndialog Distanc=300\nclick 560 -1250\n";
    const std::string second = "command 2709\nclick 300 -900\ndialog Distanc=300\nclick 560 -750\n";
    // A pipe drawn after the script's save is in the file the end writes.
    const std::string saved = play("saved-before", "new 0\n" + pipe + "save\n" + second, "");
    EXPECT_EQ(objects(saved), objects(play("unsaved", "new 0\n" + pipe + second, "")));
    EXPECT_GT(objects(saved), objects(play("one", "new 0\n" + pipe, "")));
    // A save as the last line leaves the file as a save at the end alone would.
    EXPECT_EQ(play("save-last", "save\n", file()), play("no-save", "", file()));
}
