#include <gtest/gtest.h>

#include "tubra/appcore/CommandLine.h"

using namespace tubra::app;
using Kind = StartRequest::Kind;

namespace {
StartRequest parse(std::initializer_list<const char*> args) {
    std::vector<std::string> v(args.begin(), args.end());
    return parseCommandLine(v);
}
}  // namespace

TEST(CommandLine, NewOpenAndPrint) {
    EXPECT_EQ(parse({}).kind, Kind::NewDrawing);

    const StartRequest open = parse({"管线 1.hcd"});
    EXPECT_EQ(open.kind, Kind::Open);
    EXPECT_EQ(open.path, "管线 1.hcd");

    for (const char* flag : {"/p", "/P", "-p"}) {
        const StartRequest print = parse({flag, "a.hcd"});
        EXPECT_EQ(print.kind, Kind::Print) << flag;
        EXPECT_EQ(print.path, "a.hcd");
    }
    // The flag may follow the file, and only the first file counts.
    const StartRequest after = parse({"a.hcd", "b.hcd", "/p"});
    EXPECT_EQ(after.kind, Kind::Print);
    EXPECT_EQ(after.path, "a.hcd");
    EXPECT_EQ(parse({"a.hcd", "b.hcd"}).path, "a.hcd");
}

TEST(CommandLine, RequestsThatCannotBeCarriedOut) {
    const StartRequest noFile = parse({"/p"});
    EXPECT_EQ(noFile.kind, Kind::Invalid);
    EXPECT_FALSE(noFile.error.empty());
    const StartRequest unknown = parse({"/x", "a.hcd"});
    EXPECT_EQ(unknown.kind, Kind::Invalid);
    EXPECT_NE(unknown.error.find("/x"), std::string::npos);
    // Absolute paths are files, not flags.
    EXPECT_EQ(parse({"/"}).kind, Kind::Open);
    const StartRequest absolute = parse({"/p", "/home/user/a.hcd"});
    EXPECT_EQ(absolute.kind, Kind::Print);
    EXPECT_EQ(absolute.path, "/home/user/a.hcd");
    EXPECT_EQ(parse({"/tmp"}).kind, Kind::Open);  // exists: a file name
}

TEST(CommandLine, RecordsASessionBesideTheRequest) {
    const StartRequest r = parse({"--record", "s.session", "a.hcd"});
    EXPECT_EQ(r.kind, Kind::Open);
    EXPECT_EQ(r.path, "a.hcd");
    EXPECT_EQ(r.recordPath, "s.session");
    EXPECT_EQ(parse({"--record", "s.session"}).kind, Kind::NewDrawing);
    EXPECT_EQ(parse({"a.hcd", "--record"}).kind, Kind::Invalid);
}

TEST(CommandLine, HelpWinsOverEverythingElseAndListsEveryOption) {
    for (const char* flag : {"--help", "-h"}) {
        EXPECT_EQ(parse({flag}).kind, Kind::Help) << flag;
        EXPECT_EQ(parse({"a.hcd", "/p", flag}).kind, Kind::Help) << flag;
    }
    // A file of that name is still reachable by a path.
    EXPECT_EQ(parse({"./--help"}).kind, Kind::Open);
    const std::string usage(usageText());
    for (const char* option : {"/p", "-p", "--record", "--help", "-h"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}
