#include <gtest/gtest.h>

#include "text/Gbk.h"
#include "tubra/edit/FittingPropertyForms.h"
#include "tubra/edit/PropertyDialogs.h"
#include "tubra/model/Document.h"

using namespace tubra;
using platform::FormState;

namespace {

struct Session {
    platform::DefaultAnswerPrompter prompter;
    struct NoHost : platform::FormHost {
        bool run(platform::Form&) override { return false; }
    } host;
    platform::FormContext context{prompter, host};
};

void set(platform::Form& form, std::string_view name, std::string_view value) {
    std::string error;
    error = form.setField(name, value).message();
    ASSERT_TRUE(error.empty()) << name << ": " << error;
}

model::PipeObject tee() {
    model::PipeObject o;
    o.MainType = 12;
    o.SubType = -1;
    o.StrtDir = 2;
    o.EndDir = 5;
    o.Port1 = {100, -200, 1500};
    o.Port2 = {113.856, -208, 1500};
    o.Port3 = {120.5, -190.25, 1500};
    o.Port4 = {106.928, -204, 1500};
    o.Distanc = 16;
    o.dimAngle = 300;
    o.DistTxt = "T1";
    o.BiHou = 10;
    o.CaiLiao = "1Cr18Ni9Ti";
    o.GuiGe = text::gbk("φ100×10");
    return o;
}

model::PipeObject symbol(int mainType, int subType) {
    model::PipeObject o;
    o.MainType = mainType;
    o.SubType = subType;
    o.StrtDir = -1;
    o.EndDir = 2;
    o.Port1 = {10, -20, 0};
    o.Port2 = {30.126, -31.5, 0};
    o.dimAngle = 300;
    o.DistTxt = "DN100";
    return o;
}

}  // namespace

TEST(TeePropertyForm, ShowsWhatTheTeeIsAndStoresTheEditedBoxes) {
    edit::TeePropertyForm form(tee());
    EXPECT_EQ(form.caption(), "对象属性——三通");
    EXPECT_EQ(form.field("name"), "三通");
    EXPECT_EQ(form.field("from"), "东");
    EXPECT_EQ(form.field("to"), "北");
    EXPECT_EQ(form.field("Port1.x"), "100.000");
    EXPECT_EQ(form.field("Port2.x"), "113.856");
    EXPECT_EQ(form.field("Port3.y"), "-190.250");
    EXPECT_EQ(form.field("Port4.z"), "1500.000");
    EXPECT_EQ(form.field("Distanc"), "16.00");
    EXPECT_EQ(form.field("angle"), "30.00");
    EXPECT_EQ(form.field("BiHou"), "10.00");
    EXPECT_EQ(form.field("GuiGe"), "φ100×10");
    std::string error;
    error = form.setField("Port1.x", "1").message();
    EXPECT_FALSE(error.empty());

    set(form, "DistTxt", " hidden?");
    set(form, "angle", "32.7");
    set(form, "StartUse", "2001/01/01");
    Session r;
    // A box holds a number or is refused: "20.5mm" and "abc" once read as 20.5 and 0.
    for (const auto& [box, bad] : {std::pair{"Distanc", "20.5mm"}, {"Distanc", "0"}, {"BiHou", "abc"}, {"BiHou", "-1"}}) {
        set(form, box, bad);
        EXPECT_EQ(form.act("ok", r.context).value(), FormState::Open) << box << "=" << bad;
        set(form, "Distanc", "20.5");
        set(form, "BiHou", "");
    }
    ASSERT_EQ(form.act("ok", r.context).value(), FormState::Accepted);
    const model::PipeObject& o = form.result();
    // A tee keeps a leading blank as typed and its angle carries no hand mark.
    EXPECT_EQ(o.DistTxt, " hidden?");
    EXPECT_EQ(o.Distanc, 20.5);
    EXPECT_EQ(o.dimAngle, 327);
    EXPECT_EQ(o.dimYX1_st.x, 0.0);
    EXPECT_EQ(o.BiHou, 0.0);
    EXPECT_EQ(o.StartUse, "2001/01/01");
    EXPECT_EQ(o.Port1.x, 100.0);
}

TEST(LabelAngle, ChangesOfOneDegreeOrLessAreNotStored) {
    for (const char* same : {"30.5", "29.1", "31"}) {
        edit::ValvePropertyForm form(symbol(29, 13));
        set(form, "angle", same);
        Session r;
        EXPECT_TRUE(form.act("ok", r.context).ok());
        EXPECT_EQ(form.result().dimAngle, 300) << same;
        EXPECT_EQ(form.result().dimYX1_st.x, 0.0) << same;
    }
    EXPECT_TRUE(edit::labelangle::changed(31.1, 300));
    EXPECT_FALSE(edit::labelangle::changed(-31.0, -300));
    EXPECT_EQ(edit::labelangle::shown(-905), "-90.50");
}

TEST(ElbowPropertyForm, LeadingBlankHidesTheLabelAndTheAngleIsMarkedAsSetByHand) {
    model::PipeObject elbow = tee();
    elbow.MainType = 3;
    elbow.StrtDir = 2;
    elbow.EndDir = 0;
    elbow.DistTxt = text::gbk("▽3.25m");
    edit::ElbowPropertyForm form(elbow);
    EXPECT_EQ(form.caption(), "对象属性——弯头");
    EXPECT_EQ(form.field("name"), "弯头");
    EXPECT_EQ(form.field("to"), "上");
    EXPECT_EQ(form.field("Port1.x"), "100.00");
    EXPECT_EQ(form.field("DistTxt"), "▽3.25m");
    EXPECT_FALSE(form.hasField("Port3.x"));

    set(form, "DistTxt", " ");
    set(form, "Distanc", "32");
    set(form, "angle", "-45");
    Session r;
    EXPECT_TRUE(form.act("ok", r.context).ok());
    const model::PipeObject& o = form.result();
    EXPECT_EQ(o.DistTxt, "^");
    EXPECT_EQ(o.Distanc, 32.0);
    EXPECT_EQ(o.dimAngle, -450);
    EXPECT_EQ(o.dimYX1_st, (model::Vec3{1, 1, 1}));
}

TEST(ValvePropertyForm, NamesTheSymbolStoresTheAngleInTenthsAndReadsAtMost39Bytes) {
    EXPECT_EQ(edit::ValvePropertyForm::symbolName(20), "Y型阀");
    EXPECT_EQ(edit::ValvePropertyForm::symbolName(41), "装置");
    EXPECT_EQ(edit::ValvePropertyForm::symbolName(45), "45°弯头");
    EXPECT_EQ(edit::ValvePropertyForm::symbolName(32), "");  // supports have their own dialog

    model::PipeObject valve = symbol(29, 13);
    const std::string longText(60, 'L');
    valve.CaiLiao = longText;
    edit::ValvePropertyForm form(valve);
    EXPECT_EQ(form.caption(), "对象属性——阀门、管件");
    EXPECT_EQ(form.field("name"), "闸阀");
    EXPECT_EQ(form.field("direction"), "东");
    EXPECT_EQ(form.field("Port2.x"), "30.13");
    EXPECT_EQ(form.field("Port2.y"), "-31.50");
    set(form, "angle", "32.7");
    set(form, "GuiGe", std::string(50, 'g'));
    EXPECT_EQ(form.field("GuiGe").size(), 39u);
    Session r;
    EXPECT_TRUE(form.act("ok", r.context).ok());
    const model::PipeObject& o = form.result();
    EXPECT_EQ(o.dimAngle, 327);
    EXPECT_EQ(o.dimYX1_st.x, 1.0);
    EXPECT_EQ(o.GuiGe, std::string(39, 'g'));
    // A text nobody touched stays whole.
    EXPECT_EQ(o.CaiLiao, longText);
    EXPECT_EQ(o.DistTxt, "DN100");

    // A site mark without a name in the list shows none; cancel leaves the copy alone.
    edit::ValvePropertyForm road(symbol(37, 43));
    EXPECT_EQ(road.field("name"), "");
    set(road, "DistTxt", "changed");
    EXPECT_EQ(road.act("cancel", r.context).value(), FormState::Rejected);
    EXPECT_EQ(road.result().DistTxt, "DN100");
}

TEST(FittingPropertyDispatch, TeesElbowsValvesFittingsAndSiteMarksOpenTheirDialogs) {
    const edit::PropertyContext context{};
    for (const auto& [mainType, caption] :
         {std::pair{12, "对象属性——三通"}, {3, "对象属性——弯头"}, {29, "对象属性——阀门、管件"},
          {30, "对象属性——阀门、管件"}, {37, "对象属性——阀门、管件"}}) {
        const auto form = edit::makePropertyForm(symbol(mainType, 4), context);
        ASSERT_TRUE(form) << mainType;
        EXPECT_EQ(form->caption(), caption);
    }

    // OK puts the edited copy in place of the listed object.
    model::AppContext app;
    model::Document doc(app);
    const model::PipeObject& listed = doc.drawing.objects.addCopy(tee());
    struct AngleHost : platform::FormHost {
        bool run(platform::Form& form) override {
            std::string error;
            error = form.setField("angle", "-60").message();
            platform::DefaultAnswerPrompter p;
            platform::FormContext c{p, *this};
            return form.act("ok", c).value() == FormState::Accepted;
        }
    } host;
    EXPECT_TRUE(edit::editProperties(doc, &listed, context, host));
    EXPECT_EQ(listed.dimAngle, -600);
}
