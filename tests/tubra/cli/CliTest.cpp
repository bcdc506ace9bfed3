#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/AtomicFile.h"
#include "support/GeneratedDrawing.h"
#include "tubra/cli/Commands.h"
#include "tubra/cli/DrawingJson.h"
#include "tubra/report/Install.h"

namespace fs = std::filesystem;
using namespace tubra::model;

namespace {

struct ProcessResult {
    int status = -1;
    std::string out;
};

// Runs the real program and collects its standard output and exit status.
ProcessResult run(const std::string& args) {
    ProcessResult r;
    FILE* p = ::popen((std::string(TUBRA_CLI) + " " + args + " 2>/dev/null").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
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
        ASSERT_TRUE(doc.saveAs(file()));
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
    EXPECT_NE(info.out.find("pipe length:"), std::string::npos);

    const ProcessResult json = run("json " + file());
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.front(), '{');

    const std::string copy = (dir_ / "copy.hcd").string();
    EXPECT_EQ(run("resave " + file() + " " + copy).status, 0);
    EXPECT_EQ(run("resave " + copy + " " + (dir_ / "again.hcd").string()).status, 0);
    std::string a, b;
    platform::readWholeFile(copy, a);
    platform::readWholeFile(dir_ / "again.hcd", b);
    EXPECT_EQ(a, b);

    EXPECT_EQ(run("info " + (dir_ / "missing.hcd").string()).status, 1);
    EXPECT_EQ(run("resave " + file() + " " + (dir_ / "no" / "x.hcd").string()).status, 1);
    EXPECT_EQ(run("json").status, 2);
    EXPECT_EQ(run("frobnicate x").status, 2);
}

}  // namespace
