#include <gtest/gtest.h>

#include <set>

#include "manager/core/Exports.h"
#include "manager/core/Forms.h"
#include "manager/core/Listing.h"
#include "manager/core/Manager.h"
#include "support/ManagerFixtures.h"

using namespace manager;
using namespace manager::testing;
using platform::Answer;

namespace {

class RecordingStarter : public ProgramStarter {
public:
    bool start(const std::vector<std::string>& arguments, const std::filesystem::path& dir) override {
        started.push_back(arguments);
        directories.push_back(dir);
        return succeed.empty() ? true : succeed[(started.size() - 1) % succeed.size()];
    }
    std::vector<std::vector<std::string>> started;
    std::vector<std::filesystem::path> directories;
    std::vector<bool> succeed;
};

struct Fixture {
    TempDir dir;
    platform::ScriptedPrompter prompter{{}};
    ScriptedForms forms;
    RecordingStarter starter;
    Manager manager{prompter, forms, starter};

    explicit Fixture(std::vector<Answer> answers = {}, std::function<bool(platform::Form&)> dialog = {})
        : prompter(std::move(answers)), forms(std::move(dialog)) {
        const char* numbers[] = {"P-1", "P-2", "P-3"};
        const char* lengths[] = {"1.5", "2", "2.5"};
        for (int i = 0; i < 3; ++i)
            writeFile(dir / ("d" + std::to_string(i) + ".hcd"),
                      drawingText({{"管线", numbers[i], "GC2", "", "", "", "", "", "", lengths[i]}, {"张工"}}));
        EXPECT_TRUE(listDirectory(manager.list, dir.path()).ok());
    }
};

platform::Form* accept(platform::Form& form, std::initializer_list<std::pair<const char*, const char*>> fields) {
    for (const auto& [name, value] : fields) {
        std::string error;
        error = form.setField(name, value).message();
        EXPECT_TRUE(error.empty()) << error;
    }
    return &form;
}

}  // namespace

TEST(SectionEditForm, RefusesOkWithoutARowAndShowsTheChosenValue) {
    std::vector<std::string> values(18);
    values[9] = "12.5";
    values[16] = g("20#钢");
    SectionEditForm form(SectionKind::Table, values);
    platform::ScriptedPrompter prompter({});
    ScriptedForms host;
    platform::FormContext context{prompter, host};
    EXPECT_EQ(form.act("ok", context).value(), platform::FormState::Open);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "请选定修改的项目！");
    EXPECT_EQ(prompter.asked[0].caption, "消息");

    EXPECT_TRUE(form.setField("row", "管线材料").ok());
    EXPECT_EQ(form.chosenRow(), 16);
    EXPECT_EQ(form.field("original"), "20#钢");
    EXPECT_EQ(form.field("value"), "20#钢");
    EXPECT_TRUE(form.setField("original", "x").failed());
    EXPECT_TRUE(form.setField("row", "弯头总数").failed());  // the counts are not offered
    EXPECT_TRUE(form.setField("value", std::string(45, '9')).ok());
    EXPECT_EQ(form.newValue(), std::string(39, '9'));
    EXPECT_EQ(form.act("ok", context).value(), platform::FormState::Accepted);

    SectionEditForm title(SectionKind::Title, {});
    EXPECT_EQ(title.caption(), "修改标题框");
    EXPECT_TRUE(title.setField("row", "旧图号").ok());
    EXPECT_EQ(title.chosenRow(), 6);
    EXPECT_TRUE(title.setField("value", std::string(45, '9')).ok());
    EXPECT_EQ(title.newValue(), std::string(40, '9'));
}

TEST(MergeRowsForm, ProposesTheNumberWithoutItsPageNumber) {
    EXPECT_EQ(MergeRowsForm::proposeNumber("P-101-2", 1), "P-101");
    EXPECT_EQ(MergeRowsForm::proposeNumber("P-101/2", 2), "P");
    EXPECT_EQ(MergeRowsForm::proposeNumber("A_B-C/D", 3), "A");
    EXPECT_EQ(MergeRowsForm::proposeNumber("P101", 1), "P101");
    EXPECT_EQ(MergeRowsForm::proposeNumber("P-1", 2), "P-1");
    // '_' as the second byte of a character is no separator: "媈" is 8B 5F.
    EXPECT_EQ(MergeRowsForm::proposeNumber("P\x8B_1", 1), "P\x8B_1");

    MergeRowsForm form("P-101-2", 1.5f + 2.0f + 2.5f);
    EXPECT_EQ(form.field("length"), "6.00");
    EXPECT_EQ(form.field("number"), "P-101");
    EXPECT_TRUE(form.setField("pageNumberPosition", "2").ok());
    EXPECT_EQ(form.field("number"), "P");
    EXPECT_TRUE(form.setField("pageNumberPosition", "4").failed());
}

TEST(ManagerOpen, DoubleClickWithoutSelectionOffersANewDrawing) {
    Fixture no({Answer::No});
    no.manager.openOrNew({});
    EXPECT_FALSE(std::filesystem::exists(no.dir / "$$tmp.hcd"));
    EXPECT_TRUE(no.starter.started.empty());
    ASSERT_EQ(no.prompter.asked.size(), 1u);
    EXPECT_EQ(no.prompter.asked[0].caption, "增加新图形");

    Fixture yes({Answer::Yes});
    writeFile(yes.dir / "$$tmp.hcd", "old content");
    yes.manager.openOrNew({});
    EXPECT_EQ(readFile(yes.dir / "$$tmp.hcd"), "");
    ASSERT_EQ(yes.starter.started.size(), 1u);
    EXPECT_EQ(yes.starter.started[0], std::vector<std::string>{(yes.dir / "$$tmp.hcd").string()});
    EXPECT_EQ(std::filesystem::current_path(), yes.dir.path());
    std::filesystem::current_path("/");

    Fixture open;
    open.manager.openOrNew({1});
    EXPECT_EQ(open.starter.started[0], std::vector<std::string>{(open.dir / "d1.hcd").string()});
    EXPECT_EQ(open.starter.directories[0], open.dir.path());
}

TEST(ManagerOpen, BatchOpenAsksWhetherToGoOnAfterAFailure) {
    Fixture f({Answer::Yes, Answer::No});
    f.starter.succeed = {false};
    f.manager.batchOpen({0, 1, 2});
    EXPECT_EQ(f.starter.started.size(), 2u);
    ASSERT_EQ(f.prompter.asked.size(), 2u);
    EXPECT_EQ(f.prompter.asked[0].text, "打开文件出错！\n\n还要继续打开下一个文件吗？");
}

TEST(ManagerPrint, PrintsEachFileOnceConfirmed) {
    Fixture no({Answer::No});
    no.manager.batchPrint({0, 1});
    EXPECT_TRUE(no.starter.started.empty());

    Fixture f({Answer::Yes});
    f.manager.batchPrint({0, 2});
    ASSERT_EQ(f.starter.started.size(), 2u);
    EXPECT_EQ(f.starter.started[1], (std::vector<std::string>{"/p", (f.dir / "d2.hcd").string()}));
    EXPECT_FALSE(f.manager.printing());

    // A failure asks; while that question is open a second batch print is refused.
    Fixture again({Answer::Yes});
    again.starter.succeed = {false};
    struct Nested : platform::Prompter {
        Manager* manager = nullptr;
        std::vector<platform::Message> asked;
        Answer ask(const platform::Message& m) override {
            asked.push_back(m);
            if (m.text.rfind("打印文件出错", 0) == 0) manager->batchPrint({0});
            return Answer::Yes;
        }
    } nested;
    Manager m(nested, again.forms, again.starter);
    nested.manager = &m;
    m.list = again.manager.list;
    m.batchPrint({0});
    ASSERT_GE(nested.asked.size(), 4u);
    EXPECT_EQ(nested.asked[3].text, "前次打印还未结束，请稍等...");
    EXPECT_EQ(nested.asked[3].caption, "打印还未结束");
}

TEST(ManagerFiles, DeleteAsksThenDeletesTheSelectedFiles) {
    Fixture no({Answer::No});
    EXPECT_FALSE(no.manager.deleteFiles({0}));
    EXPECT_TRUE(std::filesystem::exists(no.dir / "d0.hcd"));

    Fixture yes({Answer::Yes});
    EXPECT_TRUE(yes.manager.deleteFiles({0, 2}));
    EXPECT_EQ(yes.prompter.asked[0].caption, "删除确认");
    EXPECT_FALSE(std::filesystem::exists(yes.dir / "d0.hcd"));
    EXPECT_TRUE(std::filesystem::exists(yes.dir / "d1.hcd"));
    EXPECT_FALSE(std::filesystem::exists(yes.dir / "d2.hcd"));
}

TEST(ManagerFiles, FileInformationLinesUpTheCells) {
    Fixture f;
    f.manager.fileInformation({1});
    ASSERT_EQ(f.prompter.asked.size(), 1u);
    const std::string& t = f.prompter.asked[0].text;
    EXPECT_EQ(f.prompter.asked[0].caption, "管线一览表");
    EXPECT_EQ(t.rfind("路　径:\t\t" + f.dir.path().string() + "\n文件名:\t\td1.hcd\n——", 0), 0u);
    std::string dashes;
    for (int i = 0; i < 24; ++i) dashes += "—";
    EXPECT_NE(t.find("\n" + dashes + "\n\n管线名"), std::string::npos);
    EXPECT_NE(t.find("\n\n管线名:\t\t管线\n\n管线编号:\tP-2\n\n管线类别:\tGC2\n\n"), std::string::npos);
    EXPECT_EQ(t.substr(t.size() - 17), "管线长度m:\t2\n");

    // The whole text stays within 999 bytes (GBK).
    PipelineList big;
    big.directory = std::string(900, 'd');
    ListRow row;
    for (int c = 1; c <= 12; ++c) row.setCell(c, std::string(59, 'x'));
    big.rows.push_back(row);
    EXPECT_EQ(g(fileInformationText(big, 0).c_str()).size(), 999u);
}

TEST(ManagerEdit, ChangesTheChosenValueInEverySelectedFile) {
    Fixture f({}, [](platform::Form& form) {
        accept(form, {{"row", "管线长度(m)"}, {"value", "7.25"}});
        return true;
    });
    const auto outcome = f.manager.changeSection(SectionKind::Table, {0, 2});
    EXPECT_TRUE(outcome.confirmed);
    EXPECT_EQ(outcome.rememberedNumber, "1");
    EXPECT_EQ(f.forms.shown, std::vector<std::string>{"修改特性表内容"});
    EXPECT_EQ(ReadBack(readFile(f.dir / "d0.hcd")).table(9), "7.25");
    EXPECT_EQ(ReadBack(readFile(f.dir / "d1.hcd")).table(9), "2");
    EXPECT_EQ(ReadBack(readFile(f.dir / "d2.hcd")).table(9), "7.25");
    EXPECT_EQ(ReadBack(readFile(f.dir / "d2.hcd")).table(1), "P-3");

    Fixture cancelled({}, [](platform::Form&) { return false; });
    const std::string before = readFile(cancelled.dir / "d0.hcd");
    EXPECT_FALSE(cancelled.manager.changeSection(SectionKind::Title, {0}).confirmed);
    EXPECT_EQ(readFile(cancelled.dir / "d0.hcd"), before);
}

TEST(ManagerEdit, AFailedFileEndsTheBatchWithItsMessage) {
    Fixture f({}, [](platform::Form& form) {
        accept(form, {{"row", "制图"}, {"value", "王工"}});
        return true;
    });
    std::filesystem::remove(f.dir / "d1.hcd");
    f.manager.changeSection(SectionKind::Title, {0, 1, 2});
    ASSERT_EQ(f.prompter.asked.size(), 1u);
    EXPECT_EQ(f.prompter.asked[0].text, "打开源文件时出错!");
    EXPECT_EQ(f.prompter.asked[0].caption, (f.dir / "d1.hcd").string());
    EXPECT_EQ(ReadBack(readFile(f.dir / "d0.hcd")).title(0), "王工");
    EXPECT_EQ(ReadBack(readFile(f.dir / "d2.hcd")).title(0), "张工");
}

TEST(ManagerList, MergeChangesOnlyTheList) {
    Fixture f({}, [](platform::Form& form) {
        EXPECT_EQ(form.field("length"), "6.00");
        EXPECT_EQ(form.field("before"), "P-1");
        return true;
    });
    const std::string before = readFile(f.dir / "d0.hcd");
    EXPECT_FALSE(f.manager.mergeRows({0}));
    EXPECT_TRUE(f.manager.mergeRows({0, 1, 2}));
    ASSERT_EQ(f.manager.list.size(), 1);
    EXPECT_EQ(f.manager.list.row(0).cell(kColLength), "6.00");
    EXPECT_EQ(f.manager.list.row(0).cell(kColPipeNumber), "P");
    EXPECT_EQ(readFile(f.dir / "d0.hcd"), before);

    Fixture n({}, [](platform::Form& form) { return form.setField("number", "Q-9").ok(); });
    EXPECT_TRUE(n.manager.changeNumber({1}));
    EXPECT_EQ(n.manager.list.row(1).cell(kColPipeNumber), "Q-9");
    EXPECT_EQ(n.forms.shown, std::vector<std::string>{"修改管道编号"});
    EXPECT_TRUE(n.manager.deleteRows({0, 2}));
    EXPECT_EQ(n.manager.list.size(), 1);
}

TEST(ManagerReportCopy, PicksTemplateAndTargetsFromTheList) {
    Fixture f;
    ReportCopyForm& form = f.manager.reportCopy();
    f.manager.openReportCopy({0});
    EXPECT_EQ(form.field("templateNumber"), "P-1");
    EXPECT_EQ(form.field("templateFile"), "d0.hcd");
    f.manager.openReportCopy({1, 2});
    EXPECT_EQ(form.targets().size(), 2u);
    // Clicks do nothing until a button chooses what they pick.
    f.manager.reportCopyClicked({0});
    EXPECT_EQ(form.targets().size(), 2u);
    platform::FormContext context{f.prompter, f.forms};
    EXPECT_TRUE(form.act("pickTargets", context).ok());
    f.manager.reportCopyClicked({0, 1});
    ASSERT_EQ(form.targets().size(), 3u);
    EXPECT_EQ(form.targets()[2].path, f.dir / "d0.hcd");
    EXPECT_TRUE(form.act("pickTemplate", context).ok());
    f.manager.reportCopyClicked({2});
    EXPECT_EQ(form.field("templateFile"), "d2.hcd");
    for (const auto& [name, label] : ReportCopyForm::keepBoxes()) EXPECT_EQ(form.field(name), "1");

    // A template that cannot be read copies nothing and keeps the dialog open.
    std::filesystem::rename(f.dir / "d2.hcd", f.dir / "gone");
    EXPECT_EQ(form.act("ok", context).value(), platform::FormState::Open);
    EXPECT_EQ(f.prompter.asked.back().text, "打开样板文件时出错!!");
    std::filesystem::rename(f.dir / "gone", f.dir / "d2.hcd");
    std::vector<std::filesystem::path> copied;
    form.onCopied = [&](const auto& files) { copied = files; };
    EXPECT_EQ(form.act("ok", context).value(), platform::FormState::Accepted);
    EXPECT_EQ(copied.size(), 3u);
}

TEST(ManagerExport, TextExportAppendsTxtAndReports) {
    Fixture f;
    EXPECT_TRUE(f.manager.exportText((f.dir / "list.txt").string()));
    EXPECT_EQ(readFile(f.dir / "list.txt.txt"), textExport(f.manager.list));
    EXPECT_EQ(f.prompter.asked.back().caption, "数据导出");
    EXPECT_FALSE(f.manager.exportText((f.dir / "no-such-dir" / "x").string()));
    EXPECT_EQ(f.prompter.asked.back().text, "打开文件时出错!");
    EXPECT_EQ(f.prompter.asked.back().caption, "运行错误");
}

TEST(ManagerExport, CensusExportWithItsDialog) {
    Fixture f({}, [](platform::Form& form) {
        EXPECT_EQ(form.caption(), "转化到普查登记软件的数据导入格式");
        return form.setField("device", "常减压").ok();
    });
    EXPECT_TRUE(f.manager.exportCensus("data", f.dir.path()));
    const auto out = f.dir / "普查登记导入数据.csv";
    EXPECT_EQ(readFile(out), censusExport(f.manager.list, g("常减压")));
    EXPECT_NE(f.prompter.asked.back().text.find(out.string()), std::string::npos);

    Fixture empty;
    empty.manager.list.rows.clear();
    EXPECT_FALSE(empty.manager.exportCensus("data", empty.dir.path()));
    EXPECT_EQ(empty.prompter.asked.back().caption, "导出错误");
    EXPECT_TRUE(empty.forms.shown.empty());
}

TEST(ManagerExport, ExportsNeverReplaceADrawing) {
    std::string output;
    Fixture f({}, [&](platform::Form& form) { return form.setField("output", output).ok(); });
    const std::string drawing = readFile(f.dir / "d0.hcd");
    std::filesystem::create_symlink(f.dir / "d0.hcd", f.dir / "list.txt");
    // The text export's ".txt" is appended to a link to a drawing here.
    EXPECT_FALSE(f.manager.exportText((f.dir / "list").string()));
    EXPECT_EQ(f.prompter.asked.back().text, "输出文件是图形文件，导出操作取消！");
    EXPECT_EQ(f.prompter.asked.back().caption, "导出错误");
    for (const char* name : {"d0.hcd", "NEW.HCD"}) {
        output = (f.dir / name).string();
        EXPECT_FALSE(f.manager.exportCensus("data", f.dir.path())) << name;
        EXPECT_EQ(f.prompter.asked.back().text, "输出文件是图形文件，导出操作取消！");
    }
    EXPECT_EQ(readFile(f.dir / "d0.hcd"), drawing);
    EXPECT_FALSE(std::filesystem::exists(f.dir / "NEW.HCD"));
}

TEST(ManagerExport, WorkbooksGoExactlyWhereChosenAndNeverOverADrawing) {
    std::string output;
    Fixture f({}, [&](platform::Form& form) {
        // The census workbook is proposed beside the import file's name.
        EXPECT_EQ(form.field("output"), (std::filesystem::path("/data") / "普查登记导入数据.xlsx").string());
        return form.setField("output", output).ok();
    });
    auto isZip = [](const std::filesystem::path& p) { return readFile(p).substr(0, 2) == "PK"; };

    EXPECT_TRUE(f.manager.exportWorkbook(f.dir / "list.xlsx"));
    EXPECT_TRUE(isZip(f.dir / "list.xlsx"));
    EXPECT_EQ(f.prompter.asked.back().text,
              "数据导出成功!\n\nExcel 工作簿已保存在下列文件中\n\n" + (f.dir / "list.xlsx").string());
    EXPECT_EQ(f.prompter.asked.back().caption, "数据导出");

    // The census goes by the output's extension, whichever command proposed it.
    output = (f.dir / "c.XLSX").string();
    EXPECT_TRUE(f.manager.exportCensus("data", "/data", true));
    EXPECT_TRUE(isZip(f.dir / "c.XLSX"));
    EXPECT_EQ(f.prompter.asked.back().caption, "导出数据完成");
    output = (f.dir / "c.csv").string();
    EXPECT_TRUE(f.manager.exportCensus("data", "/data", true));
    EXPECT_EQ(readFile(f.dir / "c.csv"), censusExport(f.manager.list, "data"));

    const auto result = checkLengths(f.manager.list);
    EXPECT_TRUE(f.manager.exportLengthCheck(result, f.dir / "lengths.xlsx"));
    EXPECT_TRUE(isZip(f.dir / "lengths.xlsx"));

    // Refusals and failures, in the text export's words; nothing is left behind.
    const std::string drawing = readFile(f.dir / "d1.hcd");
    EXPECT_FALSE(f.manager.exportWorkbook(f.dir / "d1.hcd"));
    EXPECT_EQ(f.prompter.asked.back().text, "输出文件是图形文件，导出操作取消！");
    EXPECT_FALSE(f.manager.exportLengthCheck(result, f.dir / "x.Hcd"));
    EXPECT_EQ(f.prompter.asked.back().text, "输出文件是图形文件，导出操作取消！");
    output = (f.dir / "d2.hcd").string();
    EXPECT_FALSE(f.manager.exportCensus("data", "/data", true));
    EXPECT_EQ(f.prompter.asked.back().text, "输出文件是图形文件，导出操作取消！");
    EXPECT_EQ(readFile(f.dir / "d1.hcd"), drawing);
    EXPECT_FALSE(f.manager.exportWorkbook(f.dir / "missing" / "list.xlsx"));
    EXPECT_EQ(f.prompter.asked.back().text, "打开文件时出错!");
    EXPECT_EQ(f.prompter.asked.back().caption, "运行错误");
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(f.dir.path())) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"d0.hcd", "d1.hcd", "d2.hcd", "list.xlsx", "c.XLSX", "c.csv",
                                            "lengths.xlsx"}));
}

TEST(LengthCheck, ReportsDifferencesAbove009) {
    TempDir dir;
    auto pipes = [](std::initializer_list<const char*> lengths) {
        std::string s;
        for (const char* l : lengths)
            s += std::string("Object{\n\tMainType   2\n\tDistTxt    ") + l + "\n}\n\n";
        return s;
    };
    writeFile(dir / "a.hcd", pipes({"6000", "6050"}) + "TeXingBiao{\n\n\n\n\n\n\n\n\n\n12.00\n}\n");
    writeFile(dir / "b.hcd", pipes({"12100"}) + "TeXingBiao{\n\n\n\n\n\n\n\n\n\n12.00\n}\n");
    writeFile(dir / "c.hcd", "TeXingBiao{\n\n\n\n\n\n\n\n\n\n3\n}\n");
    writeFile(dir / "d.hcd", "");
    PipelineList list;
    ASSERT_TRUE(listDirectory(list, dir.path()).ok());
    std::filesystem::remove(dir / "d.hcd");
    std::vector<int> progress;
    const auto result = checkLengths(list, [&](int i) { progress.push_back(i); });
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[0].number, "2");
    EXPECT_EQ(result[0].listLength, "12.00");
    EXPECT_EQ(drawnLengthText(result[0]), "12.100000");
    EXPECT_EQ(drawnLengthText(result[1]), "0.000000");
    EXPECT_EQ(drawnLengthText(result[2]), "无法读取");
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(lengthCheckTitle(result.size()), "列表中有 3 根管道的长度与图纸不符");
}

TEST(DrawingProgram, LookedForInTheStartDirectoryThenBesideTheManager) {
    TempDir dir;
    const auto start = dir / "start", bin = dir / "build/src/manager/app", sibling = dir / "build/src/tubra/app";
    for (const auto& d : {start, bin, sibling}) std::filesystem::create_directories(d);
    const auto candidates = drawingProgramCandidates(start, bin);
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[2], sibling / "tubra");
    EXPECT_EQ(findDrawingProgram(candidates), std::filesystem::path());
    auto makeProgram = [](const std::filesystem::path& p) {
        writeFile(p, "#!/bin/sh\n");
        std::filesystem::permissions(p, std::filesystem::perms::owner_all);
    };
    makeProgram(sibling / "tubra");
    EXPECT_EQ(findDrawingProgram(candidates), sibling / "tubra");
    makeProgram(bin / "tubra");
    EXPECT_EQ(findDrawingProgram(candidates), bin / "tubra");
    makeProgram(start / "tubra");
    EXPECT_EQ(findDrawingProgram(candidates), start / "tubra");
}
