// `tubra-cli model` and `tubra-cli export --pcf` as a user runs them: the JSON they print, the
// file they write from a drawing made with the tools, and the outputs they refuse.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/AtomicFile.h"
#include "tubra/exchange/PcfReader.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out;
};

// Runs the real program with `args` (already quoted as the shell needs), standard error into
// `errFile` when given.
Result run(const std::string& args, const fs::path& errFile = "/dev/null") {
    Result r;
    FILE* p = ::popen(
        (std::string(TUBRA_CLI) + " " + args + " 2>'" + errFile.string() + "'").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string readAll(const fs::path& p) {
    std::string s;
    (void)platform::readWholeFile(p, s);
    return s;
}

struct Scratch {
    fs::path dir = fs::temp_directory_path() / ("tubra-spatial-cli-" + std::to_string(::getpid()));
    Scratch() { fs::create_directories(dir); }
    ~Scratch() { fs::remove_all(dir); }
};

const fs::path kSample = fs::path(TUBRA_SOURCE_DIR) / "examples" / "pipeline.hcd";

}  // namespace

TEST(ModelCommand, PrintsTheRealPipelineAsJson) {
    const Result r = run("model '" + kSample.string() + "'");
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);
    std::vector<std::string> keys;
    for (auto it = j.begin(); it != j.end(); ++it) keys.push_back(it.key());
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"axes", "objects", "problems", "units"}));
    EXPECT_EQ(j["units"], "mm");
    EXPECT_EQ(j["axes"], "x east, y north, z up");
    EXPECT_TRUE(j["problems"].is_array() && j["problems"].empty());
    // Objects by their place in the file; the sample's four notes are text, not pipeline.
    const auto& objects = j["objects"];
    ASSERT_EQ(objects.size(), 53u);
    for (std::size_t k = 0; k < objects.size(); ++k) {
        EXPECT_EQ(objects[k]["index"], k);
        for (const char* key : {"MainType", "SubType", "start", "end", "estimated"})
            EXPECT_TRUE(objects[k].contains(key)) << key;
    }
    EXPECT_EQ(objects[1]["MainType"], 2);
    EXPECT_EQ(objects[1]["start"], nlohmann::json::array({0.0, 0.0, 1200.0}));
    EXPECT_EQ(objects[1]["end"], nlohmann::json::array({3600.0, 0.0, 1200.0}));
    EXPECT_EQ(objects[1]["estimated"], false);
}

TEST(ModelCommand, ProblemsCarryKindObjectsMessageAndSize) {
    Scratch s;
    // The sample with one elevation mark that does not hold: the first elbow is at 1.2 m.
    const fs::path drawing = s.dir / "wrong-mark.hcd";
    // The first elbow's text, in the file's own line: "DistTxt" of object 7.
    std::string hcd = readAll(kSample);
    std::size_t at = 0;
    for (int object = 0; object <= 7; ++object) at = hcd.find("Object{", at + 1);
    const std::size_t key = hcd.find("\tDistTxt", at);
    const std::size_t eol = hcd.find('\n', key);
    hcd.replace(key, eol - key,
                "\tDistTxt    \xA8\x8C"
                "1.50m");
    ASSERT_TRUE(platform::writeFileAtomically(drawing, hcd).ok());

    const Result r = run("model '" + drawing.string() + "'");
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["problems"].size(), 1u) << j["problems"].dump(2);
    const auto& p = j["problems"][0];
    std::vector<std::string> keys;
    for (auto it = p.begin(); it != p.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"kind", "message", "mm", "objects"}));
    EXPECT_EQ(p["kind"], "elevation");
    EXPECT_EQ(p["objects"], nlohmann::json::array({7}));
    EXPECT_EQ(p["mm"], 300.0);
    EXPECT_NE(p["message"].get<std::string>().find("1.500 m"), std::string::npos) << p["message"];
}

TEST(ExportCommand, RouteDrawnWithTheToolsComesOutAtItsPoints) {
    Scratch s;
    const fs::path drawing = s.dir / "route.hcd", out = s.dir / "route.pcf",
                   err = s.dir / "err.txt";
    const fs::path script =
        fs::path(TUBRA_SOURCE_DIR) / "tests/sessions/route-east-up-north.session";
    ASSERT_EQ(run("play '" + script.string() + "' -o '" + drawing.string() + "'").status, 0);
    const Result r = run("export '" + drawing.string() + "' --pcf '" + out.string() + "'", err);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(readAll(err), "");  // nothing to say: the drawing agrees with itself
    const pcf::File f = pcf::read(readAll(out));
    EXPECT_EQ(f.header.find("PIPELINE-REFERENCE")->second, "route");  // no table: the file's name
    std::vector<std::array<double, 6>> pipes;
    for (const pcf::Block& b : f.blocks)
        if (b.identifier == "PIPE")
            pipes.push_back(
                {b.ends[0].x, b.ends[0].y, b.ends[0].z, b.ends[1].x, b.ends[1].y, b.ends[1].z});
    // The elbows have no size of their own and take the line's φ500 (bore 500): legs of
    // 750 mm, so the two of them take up the whole 1500 mm riser and no pipe is left there.
    const std::vector<std::array<double, 6>> expected = {{0, 0, 0, 2250, 0, 0},
                                                         {3000, 750, 1500, 3000, 2000, 1500}};
    EXPECT_EQ(pipes, expected);
}

TEST(ExportCommand, RefusesOutputsItMustNotWrite) {
    Scratch s;
    const fs::path drawing = s.dir / "line.hcd";
    fs::copy_file(kSample, drawing);
    const std::string before = readAll(drawing);

    // Not a .pcf name: a drawing, or anything else, is never written over.
    EXPECT_EQ(run("export '" + kSample.string() + "' --pcf '" + drawing.string() + "'").status, 2);
    EXPECT_EQ(readAll(drawing), before);
    EXPECT_EQ(run("export '" + kSample.string() + "' --pcf '" + (s.dir / "line.txt").string() + "'")
                  .status,
              2);
    EXPECT_FALSE(fs::exists(s.dir / "line.txt"));
    // The input itself, even under a .pcf name.
    const fs::path odd = s.dir / "odd.pcf";
    fs::copy_file(kSample, odd);
    EXPECT_EQ(run("export '" + odd.string() + "' --pcf '" + odd.string() + "'").status, 2);
    EXPECT_EQ(readAll(odd), before);
    fs::create_symlink(odd, s.dir / "link.pcf");
    EXPECT_EQ(
        run("export '" + odd.string() + "' --pcf '" + (s.dir / "link.pcf").string() + "'").status,
        2);
    EXPECT_EQ(readAll(odd), before);
    // A .pcf name that leads to a drawing.
    fs::create_symlink(drawing, s.dir / "drawing.pcf");
    EXPECT_EQ(
        run("export '" + kSample.string() + "' --pcf '" + (s.dir / "drawing.pcf").string() + "'")
            .status,
        2);
    EXPECT_EQ(readAll(drawing), before);
    // Wrong command lines.
    EXPECT_EQ(run("export").status, 2);
    EXPECT_EQ(run("export '" + kSample.string() + "'").status, 2);
    EXPECT_EQ(run("export '" + kSample.string() + "' --pcf").status, 2);
    EXPECT_EQ(run("export '" + kSample.string() + "' --step x.step").status, 2);  // no such format
    EXPECT_EQ(run("model").status, 2);
    // Inputs that cannot be read, outputs that cannot be written.
    EXPECT_EQ(run("export '" + (s.dir / "none.hcd").string() + "' --pcf '" +
                  (s.dir / "a.pcf").string() + "'")
                  .status,
              1);
    EXPECT_EQ(run("model '" + (s.dir / "none.hcd").string() + "'").status, 1);
    EXPECT_EQ(
        run("export '" + kSample.string() + "' --pcf '" + (s.dir / "no" / "a.pcf").string() + "'")
            .status,
        1);
    EXPECT_FALSE(fs::exists(s.dir / "a.pcf"));
    // And a good one, over an older file of the same name.
    const fs::path out = s.dir / "line.pcf";
    ASSERT_TRUE(platform::writeFileAtomically(out, "old").ok());
    EXPECT_EQ(run("export '" + drawing.string() + "' --pcf '" + out.string() + "'").status, 0);
    EXPECT_EQ(readAll(out).rfind("ISOGEN-FILES ISOGEN.FLS\r\n", 0), 0u);
}

TEST(ImportCommand, WritesTheDrawingAndRefusesWhatItMustNotReplace) {
    Scratch s;
    const fs::path pcf = fs::path(TUBRA_TEST_DATA) / "pcf" / "feed-line.pcf";
    const fs::path out = s.dir / "feed.hcd", err = s.dir / "err.txt";
    const std::string in = "'" + pcf.string() + "'";
    ASSERT_EQ(run("import " + in + " -o '" + out.string() + "'", err).status, 0);
    const std::string drawing = readAll(out);
    EXPECT_NE(drawing.find("P-1102-150-B1A"), std::string::npos);
    // What to know goes to standard error.
    EXPECT_NE(readAll(err).find("tubra-cli import: 注意：跳过了不认识的属性"), std::string::npos);
    // The model of the drawing is the file's pipeline: its first pipe from the vessel's nozzle.
    const auto model = nlohmann::json::parse(run("model '" + out.string() + "'").out);
    EXPECT_TRUE(model["problems"].empty());
    EXPECT_EQ(model["objects"][0]["length"], 127.0);

    // An existing drawing stays unless --replace says otherwise.
    EXPECT_EQ(run("import " + in + " -o '" + out.string() + "' --sheet A3", err).status, 2);
    EXPECT_EQ(readAll(out), drawing);
    EXPECT_NE(readAll(err).find("--replace"), std::string::npos);
    ASSERT_EQ(
        run("import " + in + " -o '" + out.string() + "' --sheet A3 --alpha 45 --replace").status,
        0);
    const auto json = nlohmann::json::parse(run("json '" + out.string() + "'").out);
    EXPECT_EQ(json["drawing"]["PageSize"], 1);
    EXPECT_EQ(json["drawing"]["X_AxisAngle"], 45.0);

    // Never over the input, only into a drawing, only sheets and angles it knows.
    const fs::path copy = s.dir / "copy.hcd";
    fs::copy_file(pcf, copy);
    EXPECT_EQ(run("import '" + copy.string() + "' -o '" + copy.string() + "' --replace").status, 2);
    EXPECT_EQ(run("import " + in + " -o '" + (s.dir / "x.pcf").string() + "'").status, 2);
    EXPECT_EQ(run("import " + in + " -o '" + (s.dir / "y.hcd").string() + "' --sheet A2").status,
              2);
    EXPECT_EQ(run("import " + in + " -o '" + (s.dir / "y.hcd").string() + "' --alpha 40").status,
              2);
    EXPECT_EQ(run("import " + in).status, 2);
    EXPECT_FALSE(fs::exists(s.dir / "y.hcd"));

    // A file that is no PCF: the reason, exit code 1, nothing written.
    const fs::path bad = s.dir / "bad.pcf";
    ASSERT_TRUE(platform::writeFileAtomically(
                    bad, "PIPE\n    END-POINT 0 0 nan 100\n    END-POINT 1 0 0 100\n")
                    .ok());
    EXPECT_EQ(
        run("import '" + bad.string() + "' -o '" + (s.dir / "z.hcd").string() + "'", err).status,
        1);
    EXPECT_NE(readAll(err).find("第 2 行"), std::string::npos);
    EXPECT_FALSE(fs::exists(s.dir / "z.hcd"));
}
