// Session scripts: reading them, the answers and dialog lines they queue, the player's errors
// with their line numbers, and the end-to-end drawing session checked object by object.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"
#include "text/Gbk.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/appcore/Commands.h"
#include "tubra/edit/ToolForms.h"
#include "tubra/model/LineReader.h"

using namespace tubra;
using edit::parseSessionScript;
using edit::ScriptLine;

namespace {

std::vector<edit::KeyBinding> keys() {
    return {{"Del", 474}, {"Ctrl+Z", 57643}, {"T", 485}, {"D", 479},
            {"Z", 480},   {"R", 481},        {"H", 482}, {"B", 478}};
}

struct Player {
    explicit Player(bool withCommands = true) {
        if (withCommands) app::installCommands(registry);
        player = std::make_unique<edit::SessionPlayer>(app, registry, keys());
    }
    model::AppContext app;
    edit::CommandRegistry registry;
    std::unique_ptr<edit::SessionPlayer> player;
};

std::string readFile(const std::filesystem::path& p) {
    std::string s;
    EXPECT_TRUE(platform::readWholeFile(p, s).ok()) << p;
    return s;
}

}  // namespace

TEST(SessionScript, ReadsEveryActionAndKeepsLineNumbers) {
    const auto s = parseSessionScript(
        "# a comment\n"
        "\n"
        "new 1500\n"
        "command 2709\n"
        "click 400 -300.5 shift ctrl\n"
        "  rclick 1 2\n"
        "drag 1 2 3 4\n"
        "key Ctrl+Z\n"
        "answer yes\n"
        "dialog Distanc=1500 \"DistTxt=15 00\" GuiGe=\"φ57\\\"x\" cancel\n"
        "expect-message 请先画正向管。\n"
        "save out.hcd\n");
    ASSERT_TRUE(s.ok) << s.error;
    ASSERT_EQ(s.lines.size(), 10u);
    EXPECT_EQ(s.lines[0].number, 3);
    EXPECT_EQ(s.lines[0].kind, ScriptLine::Kind::New);
    EXPECT_EQ(s.lines[0].numbers, std::vector<double>{1500});
    EXPECT_EQ(s.lines[2].kind, ScriptLine::Kind::Click);
    EXPECT_EQ(s.lines[2].numbers, (std::vector<double>{400, -300.5}));
    EXPECT_TRUE(s.lines[2].shift && s.lines[2].ctrl);
    EXPECT_EQ(s.lines[3].number, 6);
    EXPECT_EQ(s.lines[5].text, "Ctrl+Z");
    EXPECT_EQ(s.lines[7].tokens,
              (std::vector<std::string>{"Distanc=1500", "DistTxt=15 00", "GuiGe=φ57\"x", "cancel"}));
    EXPECT_EQ(s.lines[8].text, "请先画正向管。");
    EXPECT_EQ(s.lines[9].text, "out.hcd");
}

TEST(SessionScript, RefusesWhatIsNoActionWithItsLine) {
    const std::pair<const char*, int> bad[] = {
        {"new\nfly 1 2\n", 2},          {"click 1\n", 1},
        {"\n\ncommand abc\n", 3},       {"command 12.5\n", 1},
        {"answer maybe\n", 1},          {"dialog DistTxt=\"open\n", 1},
        {"click 1 2 alt\n", 1},         {"new 0 30\n", 1},
        {"expect-object x A=1\n", 1},   {"expect-object 0 A\n", 1},
        {"command 2E21\n", 1},          {"expect-count 1e10\n", 1},
        {"open\n", 1},                  {"open \"\"\n", 1},
        {"open a.hcd later\n", 1},      {"open a.hcd unsaved \"\"\n", 1},
        {"new-window 2\n", 1},
    };
    for (const auto& [text, line] : bad) {
        const auto s = parseSessionScript(text);
        EXPECT_FALSE(s.ok) << text;
        EXPECT_EQ(s.errorLine, line) << text;
        EXPECT_FALSE(s.error.empty());
    }
}

TEST(SessionScript, WhatEditorsWriteIsReadAndWhatTheDialogsDoNotOfferIsNot) {
    // A byte-order mark before the first line is no part of it.
    const auto bom = parseSessionScript("\xEF\xBB\xBFnew 0 45 60\ncommand 2709\n");
    ASSERT_TRUE(bom.ok) << bom.error;
    ASSERT_EQ(bom.lines.size(), 2u);
    EXPECT_EQ(bom.lines[0].kind, ScriptLine::Kind::New);
    EXPECT_EQ(bom.lines[0].numbers, (std::vector<double>{0, 45, 60}));
    // Only the first line can carry one.
    EXPECT_FALSE(parseSessionScript("new\n\xEF\xBB\xBF" "command 2709\n").ok);

    // The new-drawing dialog lists 30, 45 and 60 degrees, and takes elevations within reach.
    for (const char* bad : {"new 0 37 12\n", "new 0 30 0\n", "new 0 60 45.5\n", "new 1e300\n",
                            "new -10000001\n", "click 1e12 0\n", "drag 0 0 0 -2e7\n", "move 1 nan\n"}) {
        const auto s = parseSessionScript(bad);
        EXPECT_FALSE(s.ok) << bad;
        EXPECT_EQ(s.errorLine, 1) << bad;
    }
    EXPECT_TRUE(parseSessionScript("new -10000000 60 30\nclick 9999999 -9999999\n").ok);
}

TEST(SessionPlayer, MessagesShowControlCharactersWrittenOut) {
    // A script that quotes terminal escapes or line breaks gets them back written out, never raw.
    Player p;
    const auto r = p.player->run("new\n\x1B]0;title\x07\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(r.message.find('\x1B'), std::string::npos) << r.message;
    EXPECT_EQ(r.message.find('\x07'), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("\\x1B]0;title\\x07"), std::string::npos) << r.message;
    const auto q = p.player->run("new\nkey \"a\\tb\\nc\"\n");
    EXPECT_FALSE(q.ok);
    EXPECT_EQ(q.message.find_first_of("\n\t\r"), std::string::npos) << q.message;
    EXPECT_NE(q.message.find("a\\tb\\nc"), std::string::npos) << q.message;
    EXPECT_EQ(edit::escapeControls("温度\x7F\x01\n"), "温度\\x7F\\x01\\n");
}

TEST(SessionScript, QuotedValuesReadBackAsWritten) {
    for (const std::string v : {"plain", "two words", "", "a\"b\\c", "line\r\nbreak", "#hash", "\ttab"}) {
        const std::string token = edit::sessionFieldToken("F", v);
        const auto split = edit::tokenizeSessionLine("dialog " + token + " ok");
        ASSERT_TRUE(split.ok()) << token;
        const std::vector<std::string>& tokens = split.value();
        ASSERT_EQ(tokens.size(), 3u) << token;
        EXPECT_EQ(tokens[1], "F=" + v);
    }
    for (double v : {0.0, 1500.0, -1350.0, 733.0127018922193, 1e-7, 123456789.125})
        EXPECT_EQ(std::stod(edit::sessionNumber(v)), v) << edit::sessionNumber(v);
    EXPECT_EQ(edit::sessionNumber(-1350), "-1350");
}

TEST(SessionKeys, NamesAreMadeCanonical) {
    EXPECT_EQ(edit::canonicalKeyName("ctrl+z"), "Ctrl+Z");
    EXPECT_EQ(edit::canonicalKeyName("Delete"), "Del");
    EXPECT_EQ(edit::canonicalKeyName("shift+ctrl+ins"), "Ctrl+Shift+Ins");
    EXPECT_EQ(edit::canonicalKeyName("Escape"), "Esc");
    EXPECT_EQ(edit::canonicalKeyName("f2"), "F2");
    EXPECT_EQ(edit::canonicalKeyName("t"), "T");
    EXPECT_EQ(edit::canonicalKeyName("F13"), "");
    EXPECT_EQ(edit::canonicalKeyName("Hyper+X"), "");
    EXPECT_EQ(edit::canonicalKeyName("Enterprise"), "");
}

TEST(ScriptPrompter, AnswersInTurnAndRefusesWhatTheBoxDoesNotOffer) {
    edit::ScriptPrompter p;
    EXPECT_THROW(p.ask({"问", "", platform::Buttons::Ok}), edit::SessionError);
    ASSERT_TRUE(p.last());
    EXPECT_EQ(p.last()->text, "问");
    p.queue(platform::Answer::No, 7);
    p.queue(platform::Answer::Yes, 8);
    EXPECT_EQ(p.ask({"a", "", platform::Buttons::YesNo}), platform::Answer::No);
    try {
        p.ask({"b", "", platform::Buttons::OkCancel});
        FAIL();
    } catch (const edit::SessionError& e) {
        EXPECT_NE(std::string(e.what()).find("第 8 行"), std::string::npos) << e.what();
    }
}

TEST(ScriptFormHost, RefusedOkTakesTheNextLineAndNestedDialogsTheFollowingOnes) {
    edit::ScriptPrompter prompter;
    edit::ScriptFormHost host(prompter);
    // The plane dialog refuses a zero offset: the first line's OK is refused (its message
    // answered), the second line completes it.
    model::PipeObject seg;
    seg.EndDir = 6;
    edit::PlaneForm plane(seg, {});
    prompter.queue(platform::Answer::Ok, 1);
    host.queue({"offsetA=0", "offsetB=100"}, 2);
    host.queue({"offsetA=100"}, 3);
    EXPECT_TRUE(host.run(plane));
    EXPECT_EQ(plane.segment().Port3.x, 100.0);
    EXPECT_EQ(plane.segment().Port3.y, 100.0);
    EXPECT_FALSE(host.pending());
    EXPECT_EQ(prompter.asked().size(), 1u);

    // Cancel closes without writing; an unknown field is an error that names it.
    edit::ContinuousForm more;
    host.queue({"choice=焊缝", "cancel"}, 4);
    EXPECT_FALSE(host.run(more));
    host.queue({"colour=red"}, 5);
    try {
        host.run(more);
        FAIL();
    } catch (const edit::SessionError& e) {
        EXPECT_NE(std::string(e.what()).find("第 5 行的 dialog"), std::string::npos);
    }
    // A dialog without a line names its caption.
    edit::DirectionForm direction(2);
    try {
        host.run(direction);
        FAIL();
    } catch (const edit::SessionError& e) {
        EXPECT_NE(std::string(e.what()).find("指定方向:"), std::string::npos) << e.what();
    }
}

TEST(SessionPlayer, PlaysTheViewCommandsAsTheWindowRunsThem) {
    // Zoom, fit and the frame switch come from the same registry as the window's.
    Player p;
    ASSERT_TRUE(p.player->run("new\n").ok);
    view::ViewState& v = p.player->view();
    const double start = v.ZoomPara;
    const int frame = v.frameSwitch;
    ASSERT_TRUE(p.player->run("command 2700\n").ok);
    EXPECT_GT(v.ZoomPara, start);
    ASSERT_TRUE(p.player->run("command 2701\n").ok);
    EXPECT_DOUBLE_EQ(v.ZoomPara, start);
    ASSERT_TRUE(p.player->run("command 2748\ncommand 2738\n").ok);
    EXPECT_NE(v.frameSwitch, frame);
    ASSERT_TRUE(p.player->run("command 2748\ncommand 2702\n").ok);
    EXPECT_EQ(v.frameSwitch, frame);
    // Without them registered, the same lines are refused rather than skipped.
    Player bare(false);
    ASSERT_TRUE(bare.player->run("new\n").ok);
    const auto r = bare.player->run("command 2700\n");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("不能在会话中重放"), std::string::npos) << r.message;
}

// What a dialog refuses reaches the replay error word for word, after the line that asked it:
// a value its list does not offer, and a button it does not have.
TEST(SessionPlayer, ADialogsRefusalReachesTheReplayErrorUnchanged) {
    // The dialog's line comes before the click that brings the dialog up.
    const auto drawn = [](const std::string& dialog) {
        return "new\ncommand 2709\nclick 300 -1100\n" + dialog + "click 1166 -1600\n";
    };
    Player p;
    auto r = p.player->run(drawn("dialog Distanc=1500 flow=随便 ok\n"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("（第 4 行的 dialog）'随便' 不是 flow 的选项（顺管道方向、逆管道方向、不画）"), std::string::npos) << r.message;

    r = p.player->run(drawn("dialog colour=red\n"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("（第 4 行的 dialog）对话框 \"对象属性——管段\" 没有按钮 'colour'"), std::string::npos)
        << r.message;

    // A refused OK is no error: the dialog stays open for the next line.
    r = p.player->run(drawn("dialog Distanc=0 ok\nanswer ok\ndialog Distanc=1500 ok\n"));
    EXPECT_TRUE(r.ok) << r.line << ": " << r.message;
}

TEST(SessionPlayer, TellsTheLineThatCannotBeCarriedOut) {
    Player p;
    auto r = p.player->run("command 2709\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 1);
    EXPECT_NE(r.message.find("new"), std::string::npos);

    r = p.player->run("new\ncommand 2709\nclick 300 -1100\nclick 1166 -1600\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 4);
    EXPECT_NE(r.message.find("对象属性——管段"), std::string::npos) << r.message;

    r = p.player->run("new\nanswer ok\ncommand 2709\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 2);

    r = p.player->run("new\ncommand 2711\n");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("请先确定是主线管还是支线管。"), std::string::npos);

    r = p.player->run("new\nkey Hyper+Q\n");
    EXPECT_FALSE(r.ok);
    r = p.player->run("new\ncommand 99999\n");
    EXPECT_FALSE(r.ok);
    r = p.player->run("new\nexpect-count 1\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 2);
    // Keys without a command of their own do nothing.
    EXPECT_TRUE(p.player->run("new\nkey F2\nkey Escape\n").ok);
}

TEST(SessionPlayer, StartsFromAFileAndSavesWhereTold) {
    Player p;
    const auto dir = std::filesystem::temp_directory_path() / "tubra-session-test";
    std::filesystem::create_directories(dir);
    const auto first = dir / "first.hcd";
    ASSERT_TRUE(p.player->run("new 250\ncommand 2709\nclick 300 -1100\ndialog Distanc=300\nclick 560 -1250\n"
                              "save " + first.string() + "\n").ok);
    Player q;
    const auto opened = q.player->open(first);
    ASSERT_TRUE(opened.ok()) << opened.message();
    q.player->defaultSavePath = dir / "second.hcd";
    // The segment continues from the loaded one's end: the player starts where the file left.
    const auto r = q.player->run("command 2709\nclick 559.81 -1250\ndialog Distanc=200\nclick 733 -1350\nsave\n");
    ASSERT_TRUE(r.ok) << r.line << ": " << r.message;
    std::string back = readFile(dir / "second.hcd");
    auto docRead = model::Document::open(q.app, dir / "second.hcd");
    ASSERT_TRUE(docRead.ok()) << docRead.message();
    auto doc = std::move(docRead.value());
    ASSERT_EQ(doc->drawing.objects.size(), 2u);
    EXPECT_NEAR(doc->drawing.objects.at(1).Port1.x, 559.8076, 1e-3);
    EXPECT_EQ(doc->drawing.objects.at(1).Port1.z, 250.0);
    std::filesystem::remove_all(dir);
}

// The end-to-end drawing session of tests/sessions, object by object as the saved file holds it.
TEST(SessionPlayer, EndToEndPipelineSession) {
    Player p;
    const auto out = std::filesystem::temp_directory_path() / "tubra-e2e-test.hcd";
    p.player->defaultSavePath = out;
    const auto r = p.player->run(readFile(std::filesystem::path(TUBRA_SESSIONS) / "pipeline-e2e.session"));
    ASSERT_TRUE(r.ok) << r.line << ": " << r.message;
    auto docRead = model::Document::open(p.app, out);
    std::filesystem::remove(out);
    ASSERT_TRUE(docRead.ok()) << docRead.message();
    auto doc = std::move(docRead.value());
    const model::ObjectList& list = doc->drawing.objects;
    ASSERT_EQ(list.size(), 15u);
    EXPECT_EQ(doc->drawing.Total(), 15);

    struct Want {
        int mainType, subType;
        double strt, end;
        double x1, y1, z1, x2, y2, z2;
        const char* text;
        int number;
        double distanc;
    };
    const Want want[] = {
        {2, 0, -1, 2, 300, -1100, 0, 733.0127, -1350, 0, "4000", 0, 500},       // main, up to the tee
        {3, -1, 2, 0, 1166.0254, -1600, 0, 1179.8818, -1592, 0, " ", 0, 200},   // elbow
        {8, -1, -1, 2, 1166.0254, -1600, 0, 1166.0254, -1600, 0, "1", 1, 0},    // weld at the joint
        {8, -1, -1, 0, 1179.8818, -1592, 0, 1179.8818, -1592, 0, "2", 2, 0},    // weld at the elbow
        {2, 0, -1, 0, 1179.8818, -1592, 0, 1179.8818, -992, 4500, "4500", 0, 600},  // up
        {12, -1, 2, 3, 746.8691, -1358, 0, 719.1563, -1342, 0, " ", 0, 200},   // tee
        {2, 0, -1, 2, 733.0127, -1350, 0, 1166.0254, -1600, 0, "4000", 0, 500},  // main, after the tee
        {8, -1, -1, 2, 746.8691, -1358, 0, 746.8691, -1358, 0, "3", 3, 0},      // tee welds
        {8, -1, -1, 2, 719.1563, -1342, 0, 719.1563, -1342, 0, "4", 4, 0},
        {8, -1, -1, 3, 719.1563, -1358, 0, 719.1563, -1358, 0, "5", 5, 0},
        {30, 4, -1, 2, 516.5064, -1225, 0, 528, -1230, 0, " ", 0, 200},         // flange
        {31, 32, -1, 2, 949.5191, -1475, 0, 949, -1474, 0, " ", 0, 200},        // rigid support
        {26, 1, -1, 30, 381.8038, -1552.7705, 0, 392.1962, -1546.7705, 0, " ", 0, -1},  // cut line
        {29, 13, -1, 3, 300, -1600, 0, 252, -1626, 0, " ", 0, 200},             // gate valve
        {2, 1, -1, 3, 733.0127, -1350, 0, 300, -1600, 0, "3600", 0, 500},       // branch
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        const model::PipeObject& o = list.at(i);
        const Want& w = want[i];
        SCOPED_TRACE("object " + std::to_string(i));
        EXPECT_EQ(o.MainType, w.mainType);
        EXPECT_EQ(o.SubType, w.subType);
        EXPECT_EQ(o.StrtDir, w.strt);
        EXPECT_EQ(o.EndDir, w.end);
        EXPECT_NEAR(o.Port1.x, w.x1, 1e-3);
        EXPECT_NEAR(o.Port1.y, w.y1, 1e-3);
        EXPECT_NEAR(o.Port1.z, w.z1, 1e-3);
        EXPECT_NEAR(o.Port2.x, w.x2, 1e-3);
        EXPECT_NEAR(o.Port2.y, w.y2, 1e-3);
        EXPECT_NEAR(o.Port2.z, w.z2, 1e-3);
        EXPECT_EQ(o.DistTxt.str(), w.text);
        EXPECT_EQ(o.Number, w.number);
        EXPECT_NEAR(o.Distanc, w.distanc, 1e-6);
    }
    // Sizes and materials: new pipes their defaults, the branch the main pipe's, fittings theirs.
    for (std::size_t i : {0u, 4u, 6u, 14u}) {
        EXPECT_EQ(list.at(i).GuiGe.str(), text::gbk("φ500×5.0")) << i;
        EXPECT_EQ(list.at(i).CaiLiao.str(), "Cr18Ni9Ti") << i;
        EXPECT_EQ(list.at(i).BiHou, 10.0) << i;
    }
    for (std::size_t i : {1u, 2u, 5u, 10u, 13u}) {
        EXPECT_EQ(list.at(i).GuiGe.str(), text::gbk("φ100×10")) << i;
        EXPECT_EQ(list.at(i).CaiLiao.str(), "1Cr18Ni9Ti") << i;
    }
    // The tee's branch end and crossing point, the elbow's corner.
    EXPECT_NEAR(list.at(5).Port3.x, 719.1563, 1e-3);
    EXPECT_NEAR(list.at(5).Port3.y, -1358, 1e-3);
    EXPECT_NEAR(list.at(5).Port4.x, 733.0127, 1e-3);
    EXPECT_NEAR(list.at(5).Port4.y, -1350, 1e-3);
    EXPECT_NEAR(list.at(1).Port4.x, 1179.8818, 1e-3);
    EXPECT_NEAR(list.at(1).Port4.y, -1608, 1e-3);
    EXPECT_EQ(list.at(1).Port3.x, -1.0);  // the incoming pipe's StrtDir
}

TEST(SessionPlayer, ContinuousDrawingStopsAtTheObjectsADrawingHolds) {
    // A drawing one segment short of the 50,000 objects a file may hold: a new segment asks for
    // 3 in a row, which would pass it; 2 fit, but not with a weld at the joint.
    Player p;
    ASSERT_TRUE(p.player->run("new 0\n").ok);
    model::ObjectList& list = p.player->document()->drawing.objects;
    model::PipeObject note(model::CreationValues{36, 0, 0, {5000, -5000, 0}, {5000, -5000, 0}, 0, -1});
    note.DistTxt = "x";
    while (list.size() < model::kMaxObjects - 2) list.addCopy(note);
    const auto r = p.player->run(
        "command 2709\n"
        "click 300 -1100\n"
        "dialog Distanc=500 count=3\n"
        "answer ok\n"
        "dialog count=2\n"
        "dialog choice=焊缝\n"
        "answer ok\n"
        "dialog choice=无\n"
        "click 733 -1350\n"
        "expect-message 连续根数过大：图中的对象不能超过 50000 个，请重新输入。\n");
    ASSERT_TRUE(r.ok) << r.line << ": " << r.message;
    EXPECT_EQ(list.size(), model::kMaxObjects);
    EXPECT_EQ(list.countOfKind(model::ObjectKind::Pipe), 2);
}

// Windows on files (beside the script, or standing for a drawing with unsaved changes) and a
// second window on one drawing, as the window records them.
TEST(SessionPlayer, OpensFilesBesideTheScriptAndSharesADrawingBetweenWindows) {
    const auto dir = std::filesystem::temp_directory_path() / "tubra-session-open-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto a = dir / "a.hcd";
    const std::string segment = "command 2709\nclick 300 -1100\ndialog Distanc=300\nclick 560 -1250\nrclick 2000 -1900\n";
    ASSERT_TRUE(Player().player->run("new 0\n" + segment + "save " + a.string() + "\n").ok);
    const std::string original = readFile(a);

    {
        // Drawn on in a second window of the file's drawing, then the first window closed: the
        // drawing stays with the window left, and saves to its own file.
        Player p;
        p.player->scriptFolder = dir;
        const auto r = p.player->run("open a.hcd\nexpect-modified no\nnew-window\ncommand 2709\nclick 300 -500\n"
                                     "dialog Distanc=200\nclick 900 -500\nrclick 2000 -1900\nwindow 1\n"
                                     "expect-count 2\nexpect-modified yes\nclose\nexpect-count 2\nsave\n");
        ASSERT_TRUE(r.ok) << r.line << ": " << r.message;
        auto back = model::Document::open(p.app, a);
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back.value()->drawing.objects.size(), 2u);
    }
    ASSERT_TRUE(platform::writeFileAtomically(a, original).ok());
    {
        // A drawing with unsaved changes: read from the copy, saved where its own file is.
        Player p;
        p.player->scriptFolder = dir;
        const auto own = dir / "own.hcd";
        const auto r = p.player->run("open a.hcd unsaved " + edit::quoteSessionValue(own.string()) +
                                     "\nexpect-modified yes\nexpect-count 1\nsave\n");
        ASSERT_TRUE(r.ok) << r.line << ": " << r.message;
        EXPECT_EQ(readFile(own), original);
        EXPECT_EQ(readFile(a), original);
        // Without its file it is untitled: a save needs a name.
        const auto untitled = p.player->run("open a.hcd unsaved\nsave\n");
        EXPECT_FALSE(untitled.ok);
        EXPECT_EQ(untitled.line, 2);
    }
    {
        // A file that is not there is named, at its line, and the window before stays active.
        Player p;
        p.player->scriptFolder = dir;
        for (const char* line : {"open missing.hcd\n", "open missing.hcd unsaved\n"}) {
            const auto r = p.player->run(std::string("new 0\n") + line);
            EXPECT_FALSE(r.ok) << line;
            EXPECT_EQ(r.line, 2);
            EXPECT_NE(r.message.find((dir / "missing.hcd").string()), std::string::npos) << r.message;
        }
        EXPECT_TRUE(p.player->run("expect-count 0\n").ok);
        const auto r = p.player->run("open " + edit::quoteSessionValue((dir / "missing.hcd").string()) + "\n");
        EXPECT_NE(r.message.find("missing.hcd"), std::string::npos) << r.message;
        EXPECT_FALSE(Player().player->run("new-window\n").ok);
    }
    std::filesystem::remove_all(dir);
}
