#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

#include <gtest/gtest.h>

#include "text/Gbk.h"
#include "tubra/appcore/Commands.h"
#include "tubra/appcore/SettingsForms.h"
#include "tubra/model/DrawingFile.h"

using namespace tubra;
using app::CharacteristicTableForm;
using app::ColourForm;
using platform::Answer;
using platform::FormContext;
using platform::FormState;

namespace {

// Shows dialogs to a function of the test, which fills them in and says whether to press OK
// (true) or Cancel; the host then presses it as a user would.
class TestHost : public platform::FormHost {
public:
    std::function<bool(platform::Form&)> answer;
    std::vector<std::string> shown;
    platform::DefaultAnswerPrompter prompter;
    bool run(platform::Form& form) override {
        shown.push_back(form.caption());
        form.reopen();
        const bool ok = answer && answer(form);
        platform::FormContext context{prompter, *this};
        return form.act(ok ? "ok" : "cancel", context).value() == FormState::Accepted;
    }
};

struct Fixture {
    platform::ScriptedPrompter prompter{{}};
    TestHost host;
    FormContext context{prompter, host};

    explicit Fixture(std::vector<Answer> answers = {}) : prompter(std::move(answers)) {}
};

void set(platform::Form& form, std::string_view name, std::string_view value) {
    std::string error;
    error = form.setField(name, value).message();
    ASSERT_TRUE(error.empty()) << name << ": " << error;
}

std::string tempFile(const std::string& name, const std::string& content) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("settings-forms-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

model::PipeObject pipe(std::string_view lengthText) {
    model::PipeObject o;
    o.MainType = 2;
    o.DistTxt = lengthText;
    return o;
}

}  // namespace

TEST(ColourForm, FieldsAreRgbTextsAndOkWritesAllThirteenAndTheSwitch) {
    model::DrawingSettings s;
    ColourForm form(s);
    EXPECT_EQ(form.caption(), "设置颜色");
    ASSERT_EQ(form.fieldNames().size(), 14u);
    // Stored with red in the low byte: the default main-pipe colour is blue.
    EXPECT_EQ(form.field("ZhuXianColor"), "#0000FF");
    EXPECT_EQ(form.field("DangQianColor"), "#FF0000");
    EXPECT_EQ(form.field("TextColor"), "#000000");
    EXPECT_EQ(form.field("PrintIsNoColor"), "1");

    set(form, "BeiJingColor", "#102030");
    set(form, "PrintIsNoColor", "0");
    std::string error;
    error = form.setField("ZhiXianColor", "red").message();
    EXPECT_FALSE(error.empty());
    error = form.setField("ZhiXianColor", "#12345G").message();
    EXPECT_FALSE(error.empty());
    // Choosing what the swatch shows keeps the stored high byte of the text colour.
    set(form, "TextColor", "#000000");

    Fixture f;
    EXPECT_EQ(form.act("ok", f.context).value(), FormState::Accepted);
    form.apply(s);
    EXPECT_EQ(s.BeiJingColor, model::rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(s.TextColor, 0xFF000000u);
    EXPECT_EQ(s.PrintIsNoColor, 0);
}

TEST(ColourForm, AllBlackAndRestoreDefaults) {
    model::DrawingSettings s;
    s.BeiJingColor = 0;  // a black background
    s.TextColor = 0xFFFFFF;
    ColourForm form(s);
    Fixture f;
    EXPECT_EQ(form.act("allBlack", f.context).value(), FormState::Open);
    EXPECT_EQ(form.act("ok", f.context).value(), FormState::Accepted);
    form.apply(s);
    // Everything is black except background and rubber band, so on a black background only
    // the rubber band can be seen.
    for (const auto& row : ColourForm::rows()) {
        if (row.key == "BeiJingColor" || row.key == "TractColor") continue;
        EXPECT_EQ(s.*row.member, 0u) << row.key;
    }
    EXPECT_EQ(s.BeiJingColor, 0u);
    EXPECT_EQ(s.TractColor, model::rgb(255, 255, 125));

    ColourForm again(s);
    EXPECT_TRUE(again.act("defaults", f.context).ok());
    EXPECT_TRUE(again.act("ok", f.context).ok());
    again.apply(s);
    model::DrawingSettings defaults;
    for (const auto& row : ColourForm::rows()) EXPECT_EQ(s.*row.member, defaults.*row.member) << row.key;
    // The text is the complement of the restored white background: black, readable.
    EXPECT_EQ(s.TextColor & 0xFFFFFF, 0u);
}

TEST(LineWidthForm, ShowsTwoDecimalsRefusesZeroLettersAndNegativesAcceptsFractions) {
    model::DrawingSettings s;
    s.QiTaKuan = 12.5f;
    app::LineWidthForm form(s);
    EXPECT_EQ(form.field("ZhuXianKuan"), "4.00");
    EXPECT_EQ(form.field("QiTaKuan"), "12.50");
    EXPECT_EQ(form.fieldDef("ZhiXianKuan")->choices,
              (std::vector<std::string>{"1", "2", "4", "6", "8", "10", "12", "14"}));

    for (const char* bad : {"abc", "", "0", "-2"}) {
        Fixture f;
        set(form, "BiaoZhuKuan", bad);
        EXPECT_EQ(form.act("ok", f.context).value(), FormState::Open) << bad;
        ASSERT_EQ(f.prompter.asked.size(), 1u) << bad;
        EXPECT_EQ(f.prompter.asked[0].text, "选择区域不能出现0或者空项, \n\n请重新选择!");
        EXPECT_EQ(f.prompter.asked[0].caption, "出错信息");
    }
    Fixture f;
    set(form, "BiaoZhuKuan", "0.5");
    set(form, "FaMenKuan", "6");
    // At most five characters are kept.
    set(form, "HanFengKuan", "1.23456");
    EXPECT_EQ(form.field("HanFengKuan"), "1.234");
    ASSERT_EQ(form.act("ok", f.context).value(), FormState::Accepted);
    form.apply(s);
    EXPECT_FLOAT_EQ(s.BiaoZhuKuan, 0.5f);
    EXPECT_FLOAT_EQ(s.FaMenKuan, 6.0f);
    EXPECT_FLOAT_EQ(s.HanFengKuan, 1.234f);
    EXPECT_FLOAT_EQ(s.QiTaKuan, 12.5f);
    EXPECT_FLOAT_EQ(s.ZhuXianKuan, 4.0f);
}

TEST(LineStyleForm, PickingGivesTheStyleToCheckedSettingsOnly) {
    model::DrawingSettings s;
    s.FaMenStyle = 3;
    app::LineStyleForm form(s);
    EXPECT_EQ(form.field("FaMenStyle"), "点划线");
    EXPECT_EQ(form.field("ZhuXianStyle"), "实线");
    Fixture f;
    // Nothing checked: picking changes nothing.
    form.act("pick=虚线", f.context).value();
    EXPECT_EQ(form.styles, (std::array<int, 5>{0, 0, 0, 3, 0}));
    set(form, "checkZhuXian", "1");
    set(form, "checkQiTa", "1");
    EXPECT_TRUE(form.act("pick=双点划线", f.context).ok());
    EXPECT_EQ(form.styles, (std::array<int, 5>{4, 0, 0, 3, 4}));
    set(form, "ZhiXianStyle", "点线");
    std::string error;
    error = form.setField("ZhiXianStyle", "波浪线").message();
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(form.act("ok", f.context).ok());
    form.apply(s);
    EXPECT_EQ(s.ZhuXianStyle, 4);
    EXPECT_EQ(s.ZhiXianStyle, 2);
    EXPECT_EQ(s.BiaoZhuStyle, 0);
    EXPECT_EQ(s.FaMenStyle, 3);
    EXPECT_EQ(s.QiTaStyle, 4);
}

TEST(LayerForm, EightSwitchesAndTheDimensionLineLayerKeepsItsValue) {
    model::DrawingSettings s;
    s.DimLineLayer = 1;
    s.TuKuangLayer = 0;
    app::LayerForm form(s);
    EXPECT_EQ(form.fieldNames().size(), 8u);
    EXPECT_FALSE(form.hasField("DimLineLayer"));
    EXPECT_EQ(form.field("TuKuangLayer"), "0");
    set(form, "TuKuangLayer", "1");
    set(form, "QiTaLayer", "0");
    Fixture f;
    EXPECT_TRUE(form.act("ok", f.context).ok());
    form.apply(s);
    EXPECT_EQ(s.TuKuangLayer, 1);
    EXPECT_EQ(s.QiTaLayer, 0);
    EXPECT_EQ(s.DimLineLayer, 1);
}

TEST(ElbowTeeForm, RefusesValuesNotAboveZeroAndStoresTheThreeFactors) {
    model::DrawingSettings s;
    app::ElbowTeeForm form(s);
    EXPECT_EQ(form.field("m_wantouR"), "16.00");
    EXPECT_EQ(form.field("DrawZoom_GJFM"), "4.00 ");
    for (const char* bad : {"0", "x", "-1", "inf"}) {
        Fixture f;
        set(form, "m_santongChang", bad);
        EXPECT_EQ(form.act("ok", f.context).value(), FormState::Open) << bad;
        ASSERT_EQ(f.prompter.asked.size(), 1u);
        EXPECT_EQ(f.prompter.asked[0].text, "参数设置不正确，请重新设置。");
        EXPECT_EQ(f.prompter.asked[0].caption, "错误:");
    }
    set(form, "m_santongChang", "20.5");
    set(form, "m_wantouR", "8");
    {
        // A scale of the view that is not above 0 is refused too.
        app::ElbowTeeForm broken(s, {200.0, 0.0, 200.0});
        Fixture f;
        EXPECT_EQ(broken.act("ok", f.context).value(), FormState::Open);
    }
    Fixture f;
    ASSERT_EQ(form.act("ok", f.context).value(), FormState::Accepted);
    form.apply(s);
    EXPECT_EQ(s.m_wantouR, 8.0);
    EXPECT_EQ(s.m_santongChang, 20.5);
    EXPECT_EQ(s.DrawZoom_GJFM, 4.0);
}

TEST(DimensionTextForm, SlidersKeepToTheirRanges) {
    model::DrawingSettings s;
    s.Dim_Size = 250;  // from a file: the slider can show at most 100
    app::DimensionTextForm form(s, true);
    EXPECT_EQ(form.field("Dim_High"), "15");
    EXPECT_EQ(form.field("Dim_Size"), "100");
    EXPECT_EQ(form.field("autoElevation"), "1");
    set(form, "Dim_Size", "1");
    EXPECT_EQ(form.field("Dim_Size"), "3");
    std::string error;
    error = form.setField("Dim_High", "high").message();
    EXPECT_FALSE(error.empty());
    set(form, "Dim_High", "40");
    set(form, "autoElevation", "0");
    bool autoElevation = true;
    form.apply(s, autoElevation);
    EXPECT_EQ(s.Dim_High, 40);
    EXPECT_EQ(s.Dim_Size, 3);
    EXPECT_FALSE(autoElevation);
    EXPECT_EQ(app::DimensionTextForm::echo(7), "7");
}

TEST(CharacteristicTableForm, RowsClassListAndStatistics) {
    model::CharacteristicTable table;
    table.values[0] = text::gbk("蒸汽管线");
    table.values[15] = "3";
    model::ObjectList objects;
    objects.append(std::make_unique<model::PipeObject>(pipe("1500")));
    objects.append(std::make_unique<model::PipeObject>(pipe("2500.5")));
    model::PipeObject elbow;
    elbow.MainType = 3;
    objects.append(std::make_unique<model::PipeObject>(elbow));
    model::PipeObject fitting;
    fitting.MainType = 30;
    objects.append(std::make_unique<model::PipeObject>(fitting));

    CharacteristicTableForm form(table, objects);
    EXPECT_EQ(form.fieldNames().front(), "row1");
    EXPECT_EQ(form.fieldNames().back(), "row18");
    EXPECT_EQ(form.field("row1"), "蒸汽管线");
    // An empty class shows the usual one.
    EXPECT_EQ(form.field("row3"), "GC2");
    EXPECT_EQ(form.fieldDef("row3")->choices.front(), "");
    std::string error;
    error = form.setField("row3", "GD9").message();
    EXPECT_FALSE(error.empty());
    set(form, "row3", "GB1");
    // A row holds 40 bytes, the size (规格) row 39.
    set(form, "row2", std::string(45, 'a'));
    EXPECT_EQ(form.field("row2").size(), 40u);
    set(form, "row18", std::string(45, 'a'));
    EXPECT_EQ(form.field("row18").size(), 39u);

    EXPECT_EQ(form.statistics().length, "4.00 ");
    EXPECT_EQ(form.statistics().segments, 2);
    EXPECT_EQ(form.statistics().otherFittings, 1);

    // Cancel in the confirmation keeps the rows; OK fills rows 10 to 15 but not 16.
    set(form, "row10", "typed");
    Fixture cancel({Answer::Cancel});
    EXPECT_TRUE(form.act("autoCount", cancel.context).ok());
    ASSERT_EQ(cancel.prompter.asked.size(), 1u);
    EXPECT_EQ(cancel.prompter.asked[0].text, "确定要用自动统计来更新各统计项吗？");
    EXPECT_EQ(cancel.prompter.asked[0].caption, "请确认");
    EXPECT_EQ(cancel.prompter.asked[0].buttons, platform::Buttons::OkCancel);
    EXPECT_EQ(cancel.prompter.asked[0].defaultAnswer, Answer::Cancel);
    EXPECT_EQ(form.field("row10"), "typed");
    Fixture ok({Answer::Ok});
    EXPECT_TRUE(form.act("autoCount", ok.context).ok());
    EXPECT_EQ(form.field("row10"), "4.00 ");
    EXPECT_EQ(form.field("row11"), "1");
    EXPECT_EQ(form.field("row12"), "0");
    EXPECT_EQ(form.field("row15"), "2");
    EXPECT_EQ(form.field("row16"), "3");
    EXPECT_EQ(form.field("row1"), "蒸汽管线");

    EXPECT_EQ(form.act("ok", ok.context).value(), FormState::Accepted);
    model::CharacteristicTable out;
    form.apply(out);
    EXPECT_EQ(out.values[0], text::gbk("蒸汽管线"));
    EXPECT_EQ(out.values[2], "GB1");
    EXPECT_EQ(out.values[9], "4.00 ");
}

TEST(CharacteristicTableForm, ImportFromAnotherDrawingFile) {
    model::CharacteristicTable table;
    table.values[0] = "mine";
    model::ObjectList none;
    Fixture f;

    // A file without a table changes nothing.
    const std::string plain = tempFile("plain.hcd", "2dDrawing {\nTotal 0\n}\n\nTitle{\nA\n}\n");
    CharacteristicTableForm form(table, none);
    set(form, "row5", "typed");
    EXPECT_TRUE(form.act("import=" + plain, f.context).ok());
    EXPECT_TRUE(f.prompter.asked.empty());
    EXPECT_EQ(form.field("row1"), "mine");
    EXPECT_EQ(form.field("row5"), "typed");

    // A file with one: its rows in order, also the rows it leaves empty.
    model::Drawing other;
    other.table.values[0] = text::gbk("来自别的图");
    other.table.values[2] = "GA1";
    other.table.values[17] = text::gbk("Φ100×10");
    std::string data;
    model::DrawingSettings settings;
    model::writeDrawing(other, settings, data);
    const std::string withTable = tempFile("table.hcd", data);
    EXPECT_TRUE(form.act("import=" + withTable, f.context).ok());
    EXPECT_TRUE(f.prompter.asked.empty());
    EXPECT_EQ(form.field("row1"), "来自别的图");
    EXPECT_EQ(form.field("row3"), "GA1");
    EXPECT_EQ(form.field("row5"), "");
    EXPECT_EQ(form.field("row18"), "Φ100×10");

    // A file that cannot be read says so and keeps the rows.
    const std::string missing = plain + ".gone";
    EXPECT_TRUE(form.act("import=" + missing, f.context).ok());
    ASSERT_EQ(f.prompter.asked.size(), 1u);
    EXPECT_EQ(f.prompter.asked[0].text,
              "错误：在打开文件" + missing + "时出错，\n该文件不存在或有其他原因！");
    EXPECT_EQ(f.prompter.asked[0].caption, "打开文件错误");
    EXPECT_EQ(form.field("row1"), "来自别的图");
    // So does a directory.
    form.act("import=" + std::filesystem::temp_directory_path().string(), f.context).value();
    EXPECT_EQ(f.prompter.asked.size(), 2u);
    std::filesystem::remove(plain);
    std::filesystem::remove(withTable);
}

TEST(CharacteristicTableForm, SpecialCharactersGoToTheSizeRowWhileThereIsRoom) {
    model::CharacteristicTable table;
    table.values[17] = "DN100";
    model::ObjectList none;
    CharacteristicTableForm form(table, none);
    Fixture f;
    f.host.answer = [](platform::Form& picker) {
        EXPECT_EQ(picker.caption(), "特殊字符表");
        EXPECT_EQ(picker.field("char"), "▽");  // the first is preselected
        std::string error;
        error = picker.setField("char", "Φ").message();
        EXPECT_TRUE(error.empty());
        return true;
    };
    EXPECT_TRUE(form.act("special", f.context).ok());
    EXPECT_EQ(form.field("row18"), "DN100Φ");

    // Cancelled: nothing appended.
    f.host.answer = [](platform::Form&) { return false; };
    EXPECT_TRUE(form.act("special", f.context).ok());
    EXPECT_EQ(form.field("row18"), "DN100Φ");

    // 36 bytes take one more character, 37 do not.
    set(form, "row18", std::string(36, 'x'));
    EXPECT_TRUE(form.appendSpecial("°"));
    EXPECT_EQ(form.field("row18"), std::string(36, 'x') + "°");
    set(form, "row18", std::string(37, 'x'));
    EXPECT_FALSE(form.appendSpecial("°"));
    EXPECT_EQ(form.field("row18"), std::string(37, 'x'));
}

TEST(TitleBlockForm, DialogOrderTodayForEmptyDatesAndLabelsOnApply) {
    model::TitleBlock title;
    title.values[0] = text::gbk("张三");
    title.values[4] = "2001.02.03";
    title.values[5] = text::gbk("某装置蒸汽管线");
    app::TitleBlockForm form(title, {2024, 3, 9});
    EXPECT_EQ(form.field("row1"), "某装置蒸汽管线");
    EXPECT_EQ(form.field("row2"), "张三");
    EXPECT_EQ(form.field("row3"), "2024.03.09");  // empty: today
    EXPECT_EQ(form.field("row5"), "2001.02.03");
    set(form, "row4", "李四");
    set(form, "row7", std::string(45, '9'));
    EXPECT_EQ(form.field("row7").size(), 39u);

    model::TitleBlock out;
    form.apply(out);
    EXPECT_EQ(out.values[1], text::gbk("李四"));
    EXPECT_EQ(out.values[3], "2024.03.09");
    EXPECT_EQ(out.values[6], std::string(39, '9'));
    EXPECT_EQ(out.labels[0], text::gbk(" 制 图 "));
    EXPECT_EQ(out.labels[5], text::gbk(" 图纸名称:"));
    EXPECT_EQ(out.labels[6], text::gbk(" 旧图号 "));
}

// --- the commands ---

namespace {

struct CommandFixture {
    model::AppContext app;
    model::Document doc{app};
    view::ViewState view;
    platform::ScriptedPrompter prompter{{}};
    TestHost host;
    edit::CommandRegistry registry;
    int changes = 0;

    CommandFixture() { app::installCommands(registry); }
    bool run(int id) {
        edit::CommandContext c{doc, view, prompter, host, nullptr, [this] { ++changes; }};
        return registry.run(id, c);
    }
};

}  // namespace

TEST(SettingsCommands, WriteBackOnlyOnOkAndRepaint) {
    CommandFixture f;
    for (int id : {2707, 2725, 2708, 2739, 2747, 400, 403, 404}) EXPECT_TRUE(f.registry.has(id)) << id;

    // Cancelled colours change nothing and need no repaint.
    f.host.answer = [](platform::Form& form) {
        std::string e;
        e = form.setField("ZhuXianColor", "#000000").message();
        return false;
    };
    ASSERT_TRUE(f.run(2707));
    EXPECT_EQ(f.app.settings, model::DrawingSettings());
    EXPECT_EQ(f.changes, 0);
    EXPECT_EQ(f.host.shown.back(), "设置颜色");

    f.host.answer = [](platform::Form& form) {
        std::string e;
        e = form.setField("ZhuXianKuan", "8").message();
        return true;
    };
    f.run(2725);
    EXPECT_EQ(f.app.settings.ZhuXianKuan, 8.0f);
    EXPECT_EQ(f.changes, 1);
    // The file keeps the settings: a change to them is a change to the drawing.
    EXPECT_TRUE(f.doc.isModified());
    // The same value again changes nothing.
    f.doc.setModifiedFlag(false);
    f.run(2725);
    EXPECT_FALSE(f.doc.isModified());

    // The dimension-text dialog repaints even when cancelled.
    f.host.answer = [](platform::Form& form) {
        std::string e;
        e = form.setField("Dim_Size", "50").message();
        e = form.setField("autoElevation", "1").message();
        return false;
    };
    f.run(2747);
    EXPECT_EQ(f.app.settings.Dim_Size, 30);
    EXPECT_FALSE(f.view.autoElevation);
    EXPECT_EQ(f.changes, 3);
    f.host.answer = [](platform::Form& form) {
        std::string e;
        e = form.setField("autoElevation", "1").message();
        return true;
    };
    f.run(2747);
    EXPECT_TRUE(f.view.autoElevation);
    // The switch of automatic elevation marks is the program's, not the drawing's.
    EXPECT_FALSE(f.doc.isModified());
}

TEST(SettingsCommands, TableAndTitleBlockMarkTheDocumentModified) {
    CommandFixture f;
    f.host.answer = [](platform::Form&) { return false; };
    f.run(403);
    f.run(404);
    EXPECT_FALSE(f.doc.isModified());
    EXPECT_TRUE(f.doc.drawing.title.valuesEmpty());

    f.host.answer = [](platform::Form& form) {
        std::string e;
        e = form.setField("row1", "管线A").message();
        return true;
    };
    f.run(403);
    EXPECT_TRUE(f.doc.isModified());
    EXPECT_EQ(f.doc.drawing.table.values[0], text::gbk("管线A"));
    EXPECT_EQ(f.doc.drawing.table.values[2], "GC2");
    EXPECT_EQ(f.view.table, f.doc.drawing.table);

    f.doc.setModifiedFlag(false);
    f.run(404);
    EXPECT_TRUE(f.doc.isModified());
    EXPECT_EQ(f.doc.drawing.title.values[5], text::gbk("管线A"));
    EXPECT_FALSE(f.doc.drawing.title.values[3].empty());  // today's date
    EXPECT_EQ(f.doc.drawing.title.labels[1], text::gbk(" 审 核 "));
    EXPECT_EQ(f.changes, 2);
}

TEST(SnapForm, SlidersFromTwoToFifteenEchoedWithWidthTwo) {
    edit::SnapSettings v;
    v.distanceX = 1;  // below what the slider offers
    app::SnapForm form(v);
    EXPECT_EQ(form.caption(), "设置捕捉");
    EXPECT_EQ(form.field("distance"), "2");
    EXPECT_EQ(form.field("markerSize"), "6");
    EXPECT_EQ(app::SnapForm::echo(3), " 3");
    EXPECT_EQ(app::SnapForm::echo(15), "15");
    set(form, "markerSize", "40");
    set(form, "snapWeld", "1");
    set(form, "snapMid", "0");
    edit::SnapSettings out;
    form.apply(out);
    EXPECT_EQ(out.markerX, 15);
    EXPECT_EQ(out.markerY, 15);
    EXPECT_EQ(out.distanceY, 2);
    EXPECT_TRUE(out.weldsOnly);
    EXPECT_FALSE(out.midPoints);
    EXPECT_TRUE(out.endPoints);
}

