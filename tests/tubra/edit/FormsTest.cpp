// The dialogs of the tools and the property dialogs: what they show, what OK writes back and
// what they refuse.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "text/Gbk.h"
#include "tubra/edit/FittingPropertyForms.h"
#include "tubra/edit/NumberInput.h"
#include "tubra/edit/PropertyDialogs.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/edit/ToolForms.h"

using namespace tubra;
using model::PipeObject;
using model::Vec3;
using platform::FormState;

namespace {

const view::AxisAngles kAxes{30, 30};
const edit::PropertyContext kContext{kAxes, 1.0};

struct Ui {
    platform::ScriptedPrompter prompter{{}};
    edit::ScriptFormHost host{prompter};
    platform::FormContext context{prompter, host};
};

PipeObject eastSegment(double length) {
    const Vec3 a(1000, -1000, 300);
    Vec3 b = view::StepAlong(kAxes, a, 2, length);
    b.z = 300;
    PipeObject o(model::CreationValues{2, 0, 2.0, a, b, length, -1});
    o.DistTxt = "1000";
    o.dimAngle = 300;
    return o;
}

FormState set(platform::Form& f, std::initializer_list<std::pair<const char*, const char*>> values,
              platform::FormContext& c, const char* action = "ok") {
    for (const auto& [name, value] : values) {
        std::string error;
        error = f.setField(name, value).message();
        EXPECT_TRUE(error.empty()) << name << ": " << error;
    }
    return f.act(action, c).value();
}

}  // namespace

TEST(SegmentForm, ShowsTheSegmentAndMovesItsEndWithTheLength) {
    Ui ui;
    edit::SegmentForm f(eastSegment(1000), kContext);
    EXPECT_EQ(f.caption(), "对象属性——管段");
    EXPECT_EQ(f.field("name"), "主线管");
    EXPECT_EQ(f.field("direction"), "东");
    EXPECT_EQ(f.field("Distanc"), "1000 ");
    EXPECT_EQ(f.field("angle"), "30.00");
    EXPECT_EQ(f.field("count"), "1");
    EXPECT_EQ(f.field("plane"), "无");
    EXPECT_EQ(f.field("Port3.x"), "无");
    EXPECT_EQ(f.field("Port1.z"), "300.00");
    EXPECT_EQ(f.field("flow"), "不画");
    std::string error;
    error = f.setField("Port1.x", "5").message();
    EXPECT_FALSE(error.empty());
    error = f.setField("flow", "随便").message();
    EXPECT_FALSE(error.empty());
    error = f.setField("colour", "red").message();
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.find("colour"), std::string::npos);

    EXPECT_EQ(set(f, {{"Distanc", "1500"}, {"DistTxt", " 1500"}, {"angle", "30.5"}, {"count", "3"}}, ui.context),
              FormState::Accepted);
    const PipeObject& r = f.result();
    const Vec3 end = view::StepAlong(kAxes, r.Port1, 2, 1500);
    EXPECT_EQ(r.Distanc, 1500);
    EXPECT_NEAR(r.Port2.x, end.x, 1e-9);
    EXPECT_NEAR(r.Port2.y, end.y, 1e-9);
    EXPECT_EQ(r.Port2.z, 300);
    EXPECT_EQ(r.DistTxt.str(), "^");
    // 30 to 30.5 degrees is no change; the hand mark stays off.
    EXPECT_EQ(r.dimAngle, 300);
    EXPECT_EQ(r.dimYX1_st.x, 0);
    EXPECT_EQ(f.count(), 3);
}

TEST(SegmentForm, AngleChangesOfMoreThanADegreeAreStoredInWholeDegrees) {
    Ui ui;
    edit::SegmentForm f(eastSegment(1000), kContext);
    set(f, {{"angle", "32.7"}}, ui.context);
    EXPECT_EQ(f.result().dimAngle, 320);
    EXPECT_EQ(f.result().dimYX1_st, Vec3(1, 1, 1));
}

TEST(SegmentForm, FlowArrowIsWrittenAtOnceAndAnchoredInTheMiddle) {
    Ui ui;
    edit::SegmentForm f(eastSegment(1000), kContext);
    ASSERT_TRUE(f.setField("flow", "逆管道方向").ok());
    EXPECT_EQ(f.result().Port4.z, -1);
    set(f, {}, ui.context);
    EXPECT_NEAR(f.result().Port4.x, (f.result().Port1.x + f.result().Port2.x) / 2, 1e-9);
}

TEST(SegmentForm, EndElevationFollowsTheLengthText) {
    Ui ui;
    PipeObject up(model::CreationValues{2, 1, 0.0, {0, 0, 1000}, {0, 300, 1300}, 300, -1});
    edit::SegmentForm f(up, kContext);
    EXPECT_EQ(f.field("name"), "支线管");
    set(f, {{"DistTxt", "2500"}}, ui.context);
    EXPECT_EQ(f.result().Port2.z, 3500);
    EXPECT_EQ(f.result().Port2.y, 300);
}

TEST(SegmentForm, SlantedSegmentsMoveOnlyForRealLengthChanges) {
    Ui ui;
    PipeObject s(model::CreationValues{2, 0, 6.0, {0, 0, 0}, {300, 400, 200}, 500, 1});
    s.Port3 = {200, 100, 0};
    edit::SegmentForm f(s, kContext);
    EXPECT_EQ(f.field("plane"), "上下南北");
    EXPECT_EQ(f.field("axisB"), "北");
    EXPECT_EQ(f.field("Port3.x"), "200.00");
    set(f, {{"Distanc", "500.9"}}, ui.context);
    EXPECT_EQ(f.result().Port2, Vec3(300, 400, 200));
    edit::SegmentForm g(s, kContext);
    set(g, {{"Distanc", "1000"}, {"Port3.x", "50"}}, ui.context);
    EXPECT_NEAR(g.result().Port2.x, 600, 1e-9);
    EXPECT_NEAR(g.result().Port2.y, 800, 1e-9);
    EXPECT_NEAR(g.result().Distanc, 1000, 1e-9);
    EXPECT_EQ(g.result().Port3.x, 50);
    EXPECT_EQ(g.result().Port2.z, 50);  // the elevation follows the plane's rise
}

TEST(WeldForm, NumberAngleAndRecords) {
    Ui ui;
    PipeObject w(model::CreationValues{8, -1, 2.0, {10, 20, 30}, {10, 20, 30}, 0, -1});
    w.Number = 7;
    w.dimAngle = -300;
    w.FirstCase = text::gbk("日期:1980/01/01\r\n当时壁厚:10 mm");
    edit::WeldForm f(w);
    EXPECT_EQ(f.field("Number"), "7");
    EXPECT_EQ(f.field("angle"), "-30");
    EXPECT_EQ(f.field("Port1.z"), "30.000");
    EXPECT_EQ(f.field("FirstCase"), "日期:1980/01/01\n当时壁厚:10 mm");
    // Whole numbers: "12a" and "45.9" are not (once read as 12 and 45).
    EXPECT_EQ(set(f, {{"Number", "12a"}}, ui.context), FormState::Open);
    EXPECT_EQ(set(f, {{"Number", "12"}, {"angle", "45.9"}}, ui.context), FormState::Open);
    set(f, {{"angle", "45"}, {"FirstCase", "a\nb"}, {"CaiLiao", "焊条"}}, ui.context);
    EXPECT_EQ(f.result().Number, 12);
    EXPECT_EQ(f.result().dimAngle, 450);
    EXPECT_EQ(f.result().FirstCase.str(), "a\r\nb");
    EXPECT_EQ(f.result().CaiLiao.str(), text::gbk("焊条"));
}

TEST(Forms, TextsTheFileCannotCarryAreReplacedNamedAndShownBeforeOk) {
    Ui ui;
    PipeObject w(model::CreationValues{8, -1, 2.0, {10, 20, 30}, {10, 20, 30}, 0, -1});
    edit::WeldForm f(w);
    // 二, 三 and 件 hold the bytes the weld records' line breaks are written as.
    EXPECT_EQ(set(f, {{"FirstCase", "返修二次，三件\n合格"}, {"MidCase", "无"}}, ui.context), FormState::Open);
    ASSERT_EQ(ui.prompter.asked.size(), 1u);
    EXPECT_NE(ui.prompter.asked[0].text.find("“二”→“?”  “三”→“?”  “件”→“?”"), std::string::npos)
        << ui.prompter.asked[0].text;
    EXPECT_EQ(f.field("FirstCase"), "返修?次，??\n合格");
    EXPECT_EQ(f.act("ok", ui.context).value(), FormState::Accepted);
    EXPECT_EQ(f.result().FirstCase.str(), text::gbk("返修?次，??\r\n合格"));
    EXPECT_EQ(f.result().MidCase.str(), text::gbk("无"));
    // In a line's text the same characters are carried; 倉 (whose second byte is '}') and '}' are
    // not, nor a character GBK has not.
    edit::SegmentForm s(eastSegment(1000), kContext);
    EXPECT_EQ(set(s, {{"GuiGe", "二三"}, {"CaiLiao", "倉}😀"}}, ui.context), FormState::Open);
    EXPECT_EQ(s.field("CaiLiao"), "?]?");
    EXPECT_EQ(s.field("GuiGe"), "二三");
    EXPECT_EQ(s.act("ok", ui.context).value(), FormState::Accepted);
    model::PipeObject valve(model::CreationValues{29, 13, 2.0, {0, 0, 0}, {40, -23, 0}, 200, -1});
    edit::ValvePropertyForm v(valve);
    EXPECT_EQ(set(v, {{"DistTxt", "V-倉}"}}, ui.context), FormState::Open);
    EXPECT_EQ(v.act("ok", ui.context).value(), FormState::Accepted);
    EXPECT_EQ(v.result().DistTxt.str(), "V-?]");
}

TEST(SupportForm, StoresOnlyItsLabelAndAngle) {
    Ui ui;
    PipeObject s(model::CreationValues{31, 42, 2.0, {0, 0, 0}, {0, 0, 0}, 200, -1});
    s.DistTxt = "<0001>";
    s.CaiLiao = "A3";
    edit::SupportForm f(s);
    EXPECT_EQ(f.field("name"), "立柱");
    std::string error;
    error = f.setField("CaiLiao", "x").message();
    EXPECT_FALSE(error.empty());
    set(f, {{"DistTxt", "<0002>"}, {"angle", "32.7"}}, ui.context);
    EXPECT_EQ(f.result().DistTxt.str(), "<0002>");
    EXPECT_EQ(f.result().dimAngle, 327);
    EXPECT_EQ(f.result().CaiLiao.str(), "A3");
    EXPECT_EQ(edit::SupportForm::nameOf(34), "固支架");
    EXPECT_EQ(edit::SupportForm::nameOf(99), "");
}

TEST(TextForm, RefusesPositionsOffTheSheetAndReadsTheAngleList) {
    Ui ui;
    edit::TextForm f(edit::TextForm::newBlock({500, -300, 0}), kContext);
    EXPECT_EQ(f.caption(), "输入文字");
    EXPECT_EQ(f.field("x"), "500.0");
    EXPECT_EQ(f.field("zoomWithDrawing"), "1");
    EXPECT_EQ(set(f, {{"text", "温度"}, {"x", "0"}}, ui.context), FormState::Open);
    ASSERT_EQ(ui.prompter.asked.size(), 1u);
    EXPECT_EQ(ui.prompter.asked[0].text, "横坐标输入数据错误(应为正数)，请重新输入");
    EXPECT_EQ(set(f, {{"x", "1234567.901"}, {"y", "5"}}, ui.context), FormState::Open);
    EXPECT_EQ(ui.prompter.asked[1].text, "纵坐标输入数据错误(应为负数)，请重新输入");
    // Eight characters are read: "1234567.".
    EXPECT_EQ(f.field("x"), "1234567.");
    EXPECT_EQ(f.act("insert=℃", ui.context).value(), FormState::Open);
    EXPECT_EQ(set(f, {{"y", "-40"}, {"angle", "南北"}, {"italic", "1"}}, ui.context), FormState::Accepted);
    const PipeObject& r = f.result();
    EXPECT_EQ(r.DistTxt.str(), text::gbk("温度℃"));
    EXPECT_EQ(r.dimAngle, -300);
    EXPECT_EQ(r.Port1, Vec3(1234567, -40, 0));
    EXPECT_EQ(r.dimTxt_st, r.Port1);
    EXPECT_EQ(r.Number, 1);
    for (const auto& [angle, stored] : {std::pair{"东西", 300}, {"上下", -900}, {"12.5", 125}}) {
        edit::TextForm g(r, kContext);
        set(g, {{"angle", angle}}, ui.context);
        EXPECT_EQ(g.result().dimAngle, stored) << angle;
    }
    std::string error;
    error = f.setField("zoomWithDrawing", "yes").message();
    EXPECT_FALSE(error.empty());
}

TEST(PlaneForm, RefusesAZeroOffsetAndComputesTheEnd) {
    Ui ui;
    PipeObject s(model::CreationValues{2, 0, 6.0, {100, -100, 50}, {-999, -999, 0}, 0, 0});
    edit::PlaneForm f(s, kAxes);
    EXPECT_EQ(set(f, {{"plane", "上下东西"}, {"offsetA", "0"}, {"offsetB", "10"}}, ui.context), FormState::Open);
    ASSERT_EQ(ui.prompter.asked.size(), 1u);
    EXPECT_EQ(ui.prompter.asked[0].text, "数据输入错误，请重新输入。");
    EXPECT_EQ(ui.prompter.asked[0].caption, "应用错误");
    EXPECT_EQ(set(f, {{"offsetA", "-100"}}, ui.context), FormState::Accepted);
    EXPECT_EQ(f.segment().StrtDir, 0);
    EXPECT_EQ(f.segment().Port2.z, -50);
    EXPECT_NEAR(f.segment().Port2.y, -100 - 5 - 100, 1e-6);
    std::string error;
    error = f.setField("plane", "天地").message();
    EXPECT_FALSE(error.empty());
}

TEST(DirectionAndTeeForms, OfferTheDirectionsOfTheSegment) {
    Ui ui;
    edit::DirectionForm d(0);
    ASSERT_NE(d.fieldDef("direction"), nullptr);
    EXPECT_EQ(d.fieldDef("direction")->choices, (std::vector<std::string>{"东", "西", "南", "北"}));
    EXPECT_EQ(d.direction(), 2);
    set(d, {{"direction", "北"}}, ui.context);
    EXPECT_EQ(d.direction(), 5);

    using T = edit::TeeConnectionForm;
    EXPECT_EQ(T::pairs(T::kMiddle, 5), (std::vector<std::string>{"上和下", "东和西"}));
    EXPECT_EQ(T::pairs(T::kMiddle, 4), (std::vector<std::string>{"上和下", "南和北"}));
    EXPECT_EQ(T::pairs(T::kEnds, 3), (std::vector<std::string>{"南和东", "南和西", "南和上", "南和下"}));
    EXPECT_EQ(T::pairs(T::kEnds, 2), (std::vector<std::string>{"东和北", "东和南", "东和上", "东和下"}));
    EXPECT_EQ(T::pairs(T::kEnds, 1), (std::vector<std::string>{"下和东", "下和西", "下和南", "下和北"}));

    T t(eastSegment(500), {1100, -1057.7, 300}, kAxes, 16, 200);
    EXPECT_EQ(t.field("method"), T::kMiddle);
    EXPECT_EQ(t.field("pair"), "上和下");
    ASSERT_TRUE(t.setField("method", T::kEnds).ok());
    EXPECT_EQ(t.field("pair"), "东和北");
    set(t, {}, ui.context);
    EXPECT_FALSE(t.tee());
    T t2(eastSegment(500), {1100, -1057.7, 300}, kAxes, 16, 200);
    set(t2, {{"pair", "南和北"}}, ui.context);
    ASSERT_TRUE(t2.tee());
    EXPECT_EQ(t2.tee()->Port3, Vec3(1100, -1057.7, 300));

    edit::ContinuousForm c;
    EXPECT_EQ(c.choice(), edit::JointChoice::None);
    set(c, {{"choice", "弹性吊架"}}, ui.context);
    EXPECT_EQ(c.choice(), edit::JointChoice::SpringHanger);
}

TEST(PropertyDialogs, OneDialogPerKindAndOkReplacesTheObject) {
    for (const auto& [mainType, caption] :
         {std::pair{2, "对象属性——管段"}, {8, "对象属性——焊缝"}, {31, "对象属性——附件"}, {36, "输入文字"}}) {
        PipeObject o;
        o.MainType = mainType;
        const auto f = edit::makePropertyForm(o, kContext);
        ASSERT_TRUE(f) << mainType;
        EXPECT_EQ(f->caption(), caption);
    }
    EXPECT_FALSE(edit::makePropertyForm(PipeObject(model::CreationValues{26, 0, 0, {}, {}, -1, -1}), kContext));

    model::AppContext app;
    model::Document doc(app);
    const PipeObject& listed = doc.drawing.objects.addCopy(eastSegment(1000));
    Ui ui;
    ui.host.queue({"DistTxt=2000", "cancel"}, 1);
    EXPECT_FALSE(edit::editProperties(doc, &listed, kContext, ui.host));
    EXPECT_EQ(listed.DistTxt.str(), "1000");
    EXPECT_FALSE(doc.isModified());
    ui.host.queue({"DistTxt=2000"}, 2);
    EXPECT_TRUE(edit::editProperties(doc, &listed, kContext, ui.host));
    EXPECT_EQ(listed.DistTxt.str(), "2000");
    // The edit's commit marks the drawing modified, not the dialog.
    EXPECT_FALSE(doc.isModified());
    // An object that is no longer listed is left alone.
    PipeObject stray = listed;
    EXPECT_FALSE(edit::editProperties(doc, &stray, kContext, ui.host));
}

TEST(NumberInput, OneRuleForEveryBoxADecimalNumberWithinItsRange) {
    using edit::readNumber;
    using edit::readWholeNumber;
    namespace n = edit::numbers;
    // A decimal number, blanks around it allowed; an empty box is 0.
    EXPECT_EQ(readNumber(" 1500 ", n::kLength), 1500.0);
    EXPECT_EQ(readNumber("1e3", n::kLength), 1000.0);
    EXPECT_EQ(readNumber("-.5", n::kLength), -0.5);
    EXPECT_EQ(readNumber("+2.", n::kLength), 2.0);
    EXPECT_EQ(readNumber("", n::kLength), 0.0);
    EXPECT_EQ(readNumber("-10000000", n::kLength), -1e7);
    // What atof once read silently as some number is no number: words, units, hexadecimal.
    for (const char* bad : {"abc", "1500mm", "12 34", "0x10", "1e", "--1", "nan", "NAN", "inf", "-inf", "infinity",
                            "1e300", "10000000.5", "-1e8", "0x1p99"})
        EXPECT_FALSE(readNumber(bad, n::kLength)) << bad;
    // Widths and factors lie above 0 and within what can be drawn; lengths of segments, elbows
    // and tees above 0; a wall thickness is never negative.
    EXPECT_FALSE(readNumber("0", n::kLineWidth));
    EXPECT_FALSE(readNumber("99999", n::kLineWidth));
    EXPECT_EQ(readNumber("0.5", n::kLineWidth), 0.5);
    EXPECT_EQ(readNumber("100", n::kLineWidth), 100.0);
    EXPECT_FALSE(readNumber("1e300", n::kJointFactor));
    EXPECT_FALSE(readNumber("101", n::kSymbolFactor));
    EXPECT_FALSE(readNumber("0", n::kPositiveLength));
    EXPECT_FALSE(readNumber("-5", n::kPositiveLength));
    EXPECT_FALSE(readNumber("-1", n::kWallThickness));
    EXPECT_EQ(readNumber("0", n::kWallThickness), 0.0);
    // Whole numbers: digits after a sign, refused past the range; "1e300" is no whole number.
    EXPECT_EQ(readWholeNumber(" -12 ", n::kWeldNumber), -12);
    EXPECT_EQ(readWholeNumber("", n::kWeldNumber), 0);
    for (const char* bad : {"x", "-12a", "nan", "inf", "1e300", "2.5", "-", "2147483647"})
        EXPECT_FALSE(readWholeNumber(bad, n::kWeldNumber)) << bad;
    EXPECT_FALSE(readWholeNumber(std::string(400, '9'), n::kWeldNumber));
}

// Every number box of the tools' and property dialogs refuses what is not a finite number
// within reach, with the dialog's input-error message, and stays open without changing the
// object; the same dialog then takes a good value.
TEST(Forms, NumberBoxesRefuseEndlessAndAbsurdValuesAndStayOpen) {
    model::PipeObject weld(model::CreationValues{8, -1, 2.0, {10, 20, 30}, {10, 20, 30}, 0, -1});
    model::PipeObject support(model::CreationValues{31, 32, 2.0, {0, 0, 0}, {0, 0, 0}, 200, -1});
    model::PipeObject valve(model::CreationValues{29, 13, 2.0, {0, 0, 0}, {40, -23, 0}, 200, -1});
    model::PipeObject elbow(model::CreationValues{3, -1, 0.0, {0, 0, 0}, {14, -8, 0}, 200, 2});
    model::PipeObject tee(model::CreationValues{12, -1, 5.0, {0, 0, 0}, {14, -8, 0}, 200, 2});
    model::PipeObject slanted(model::CreationValues{2, 0, 6.0, {0, 0, 0}, {300, 400, 200}, 500, 1});
    const auto makers = std::vector<std::pair<std::string, std::function<std::unique_ptr<platform::Form>()>>>{
        {"segment", [] { return std::make_unique<edit::SegmentForm>(eastSegment(1000), kContext); }},
        {"slanted", [&] { return std::make_unique<edit::SegmentForm>(slanted, kContext); }},
        {"weld", [&] { return std::make_unique<edit::WeldForm>(weld); }},
        {"support", [&] { return std::make_unique<edit::SupportForm>(support); }},
        {"valve", [&] { return std::make_unique<edit::ValvePropertyForm>(valve); }},
        {"elbow", [&] { return std::make_unique<edit::ElbowPropertyForm>(elbow); }},
        {"tee", [&] { return std::make_unique<edit::TeePropertyForm>(tee); }},
        {"text", [] { return std::make_unique<edit::TextForm>(edit::TextForm::newBlock({500, -300, 0}), kContext); }},
        {"plane", [] {
             return std::make_unique<edit::PlaneForm>(
                 PipeObject(model::CreationValues{2, 0, 6.0, {100, -100, 50}, {-999, -999, 0}, 0, 0}), kAxes);
         }},
    };
    struct Case {
        const char* form;
        const char* field;
        const char* good;
        const char* message;
    };
    const char* kInput = "数据输入错误，请重新输入。";
    const Case cases[] = {
        {"segment", "Distanc", "1500", kInput},    {"segment", "angle", "45", kInput},
        {"segment", "BiHou", "8", kInput},         {"slanted", "Port3.x", "200", kInput},
        {"slanted", "Port3.y", "100", kInput},     {"slanted", "Distanc", "600", kInput},
        {"weld", "Number", "12", kInput},          {"weld", "angle", "30", kInput},
        {"weld", "BiHou", "6.5", kInput},          {"support", "angle", "32.7", kInput},
        {"valve", "angle", "-90", kInput},         {"elbow", "Distanc", "16", kInput},
        {"elbow", "BiHou", "9", kInput},           {"elbow", "angle", "30", kInput},
        {"tee", "Distanc", "16", kInput},          {"tee", "angle", "30", kInput},
        {"text", "height", "40", kInput},          {"text", "angle", "30", kInput},
        {"text", "x", "500", "横坐标输入数据错误(应为正数)，请重新输入"},
        {"text", "y", "-300", "纵坐标输入数据错误(应为负数)，请重新输入"},
        {"plane", "offsetA", "500", kInput},       {"plane", "offsetB", "100", kInput},
    };
    for (const Case& c : cases) {
        for (const char* bad : {"nan", "inf", "-inf", "1e300", "12abc"}) {
            const std::string bad_value = bad;
            const std::string what = std::string(c.form) + "." + c.field + "=" + bad_value;
            Ui ui;
            std::unique_ptr<platform::Form> f;
            for (const auto& [name, make] : makers)
                if (name == c.form) f = make();
            ASSERT_TRUE(f) << c.form;
            std::string error;
            if (std::string(c.form) == "text") error = f->setField("text", "T").message();
            if (std::string(c.form) == "plane") {
                error = f->setField("offsetA", "500").message();
                error = f->setField("offsetB", "100").message();
            }
            error = f->setField(c.field, bad_value).message();
            ASSERT_TRUE(error.empty()) << what << ": " << error;
            EXPECT_EQ(f->act("ok", ui.context).value(), FormState::Open) << what;
            ASSERT_EQ(ui.prompter.asked.size(), 1u) << what;
            EXPECT_EQ(ui.prompter.asked[0].text, c.message) << what;
            if (auto* p = dynamic_cast<edit::PropertyForm*>(f.get())) {
                // Nothing of the refused OK reached the copy.
                const model::PipeObject& r = p->result();
                for (const model::Vec3* v : {&r.Port1, &r.Port2, &r.Port3})
                    EXPECT_TRUE(std::isfinite(v->x) && std::isfinite(v->y) && std::isfinite(v->z)) << what;
                EXPECT_TRUE(std::isfinite(r.Distanc) && std::isfinite(r.BiHou)) << what;
                EXPECT_LT(std::abs(r.dimAngle), 36000) << what;
            }
            error = f->setField(c.field, c.good).message();
            ASSERT_TRUE(error.empty()) << what;
            EXPECT_EQ(f->act("ok", ui.context).value(), FormState::Accepted) << what;
        }
    }
}

TEST(SegmentForm, NoLengthAndNoEndlessCount) {
    Ui ui;
    edit::SegmentForm f(eastSegment(1000), kContext);
    // A segment keeps a length: its end never lands on its start.
    EXPECT_EQ(set(f, {{"Distanc", "0"}}, ui.context), FormState::Open);
    EXPECT_EQ(set(f, {{"Distanc", "abc"}}, ui.context), FormState::Open);
    EXPECT_EQ(set(f, {{"Distanc", "0.9"}}, ui.context), FormState::Open);
    ASSERT_EQ(ui.prompter.asked.size(), 3u);
    EXPECT_EQ(ui.prompter.asked[2].text, "数据输入错误，请重新输入。");
    // As many segments in a row as the drawing has room for, and not one more.
    f.setMaxCount(10);
    EXPECT_EQ(set(f, {{"Distanc", "1000"}, {"count", "11"}}, ui.context), FormState::Open);
    EXPECT_EQ(ui.prompter.asked.back().text, edit::SegmentForm::kTooMany);
    for (const char* endless : {"2147483647", "99999999999999999999", " 99999"}) {
        EXPECT_EQ(set(f, {{"count", endless}}, ui.context), FormState::Open) << endless;
        EXPECT_EQ(ui.prompter.asked.back().text, edit::SegmentForm::kTooMany) << endless;
    }
    EXPECT_EQ(set(f, {{"count", "10"}}, ui.context), FormState::Accepted);
    EXPECT_EQ(f.count(), 10);
    // Without being told the drawing's room, the most a drawing can hold.
    edit::SegmentForm g(eastSegment(1000), kContext);
    EXPECT_EQ(set(g, {{"count", "50001"}}, ui.context), FormState::Open);
    EXPECT_EQ(set(g, {{"count", "50000"}}, ui.context), FormState::Accepted);

    // Objects at every joint count too: 9 segments with a weld each need 18 places.
    edit::ContinuousForm c;
    c.setRoom(9, 17);
    EXPECT_EQ(set(c, {{"choice", "焊缝"}}, ui.context), FormState::Open);
    EXPECT_EQ(ui.prompter.asked.back().text, edit::SegmentForm::kTooMany);
    EXPECT_EQ(set(c, {{"choice", "无"}}, ui.context), FormState::Accepted);
    c.setRoom(9, 18);
    EXPECT_EQ(set(c, {{"choice", "焊缝"}}, ui.context), FormState::Accepted);
}
