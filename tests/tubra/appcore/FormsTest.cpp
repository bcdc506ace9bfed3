#include <gtest/gtest.h>

#include "text/Gbk.h"
#include "platform/Prompter.h"
#include "tubra/appcore/Forms.h"
#include "tubra/model/DrawingFile.h"

using namespace tubra;
using app::NewDrawingForm;
using app::PageSetupForm;

TEST(NewDrawingForm, PreselectsCurrentAnglesAndReadsTheElevation) {
    view::ViewState view;
    view.X_AxisAngle = 45;
    view.Y_AxisAngle = 50;  // not offered: the first entry is preselected
    view.firstPointElevation = 1250.5;
    NewDrawingForm form(view);
    EXPECT_EQ(NewDrawingForm::angleEntries(), (std::vector<std::string>{"30", "45", "60"}));
    EXPECT_EQ(form.alphaIndex, 1);
    EXPECT_EQ(form.betaIndex, 0);
    EXPECT_EQ(form.elevationText, "1250.5");

    // As a session or the dialog fills it in.
    EXPECT_EQ(form.field("alpha"), "45");
    std::string error;
    error = form.setField("alpha", "50").message();
    EXPECT_FALSE(error.empty());
    error = form.setField("alpha", "60").message();
    ASSERT_TRUE(error.empty()) << error;
    error = form.setField("beta", "45").message();
    ASSERT_TRUE(error.empty()) << error;
    error = form.setField("elevation", " -3500 ").message();
    ASSERT_TRUE(error.empty()) << error;
    platform::ScriptedPrompter prompter{{}};
    struct NoDialogs : platform::FormHost {
        bool run(platform::Form&) override { return false; }
    } host;
    platform::FormContext context{prompter, host};
    EXPECT_EQ(form.act("ok", context).value(), platform::FormState::Accepted);
    const auto values = form.values();
    ASSERT_TRUE(values);
    EXPECT_EQ(values->alpha, 60);
    EXPECT_EQ(values->beta, 45);
    EXPECT_EQ(values->firstPointElevation, -3500);

    form.elevationText = "";
    ASSERT_TRUE(form.values());
    EXPECT_EQ(form.values()->firstPointElevation, 0);

    // An elevation that is no number is told and keeps the dialog open.
    for (const char* bad : {"12m", "abc", "1e999", "nan"}) {
        form.reopen();
        form.elevationText = bad;
        EXPECT_FALSE(form.values()) << bad;
        EXPECT_EQ(form.act("ok", context).value(), platform::FormState::Open) << bad;
        ASSERT_FALSE(prompter.asked.empty());
        EXPECT_EQ(prompter.asked.back().text, "请输入一个数字。") << bad;
        EXPECT_EQ(prompter.asked.back().caption, "新建图形");
    }
}

TEST(PageSetupForm, SheetSizeAxisSwitchAndLabels) {
    model::Drawing drawing;
    drawing.PageSize = 1;
    drawing.AxisSet.labels[0] = text::gbk("上");
    drawing.AxisSet.labels[1] = text::gbk("北");
    drawing.AxisSet.labels[2] = text::gbk("东");
    PageSetupForm form(drawing);
    EXPECT_EQ(form.pageSize, 1);
    EXPECT_TRUE(form.showAxes);
    // X is the east-west axis, Y south-north, Z the vertical.
    EXPECT_EQ(form.labels, (std::array<std::string, 3>{"东", "北", "上"}));
    EXPECT_EQ(PageSetupForm::kPageSizes[0], "A4(2900mm×2100mm)");
    EXPECT_EQ(PageSetupForm::kPageSizes[1], "A3(4200mm×2900mm)");

    // A label keeps 4 bytes of whole characters.
    EXPECT_EQ(form.setLabel(0, "东方向"), "东方");
    EXPECT_EQ(form.setLabel(1, "N北京"), "N北");
    EXPECT_EQ(form.setLabel(2, "Up"), "Up");
    form.showAxes = false;
    EXPECT_FALSE(form.labelsEnabled());
    const model::AxisSettings axis = form.axisSettings();
    EXPECT_EQ(axis.visible, 0);
    EXPECT_EQ(axis.labels[0], "Up");
    EXPECT_EQ(axis.labels[1], text::gbk("N北"));
    EXPECT_EQ(axis.labels[2], text::gbk("东方"));

    // Blanks and '}' cannot stand on the label line; an empty label before a filled one would
    // let the later labels move up on reading. Each is replaced so they keep their places.
    EXPECT_EQ(form.setLabel(0, "a b"), "a_b");
    EXPECT_EQ(form.setLabel(1, "}"), "]");
    EXPECT_EQ(form.setLabel(2, ""), "");
    form.showAxes = true;
    model::Drawing edited;
    edited.AxisSet = form.axisSettings();
    EXPECT_EQ(edited.AxisSet.labels[0], model::kEmptyAxisLabel);
    std::string file;
    model::writeDrawing(edited, {}, file);
    model::Drawing reread;
    model::DrawingSettings settings;
    model::readDrawing(file, reread, settings);
    const PageSetupForm again(reread);
    EXPECT_EQ(again.labels, (std::array<std::string, 3>{"a_b", "]", ""}));

    drawing.PageSize = 7;  // unknown sizes show as A4
    drawing.AxisSet.visible = 0;
    const PageSetupForm other(drawing);
    EXPECT_EQ(other.pageSize, 0);
    EXPECT_FALSE(other.showAxes);
}

TEST(PageSetupForm, NamedFieldsAsTheDialogAndSessionsSetThem) {
    model::Drawing drawing;
    PageSetupForm form(drawing);
    EXPECT_EQ(form.caption(), "页面设置");
    EXPECT_EQ(form.field("pageSize"), "A4(2900mm×2100mm)");
    EXPECT_EQ(form.field("labelX"), "东");
    std::string error;
    error = form.setField("pageSize", "A3(4200mm×2900mm)").message();
    ASSERT_TRUE(error.empty()) << error;
    error = form.setField("labelY", "North").message();
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_EQ(form.pageSize, 1);
    EXPECT_EQ(form.field("labelY"), "Nort");
    // Without the axis indicator the labels cannot be typed.
    error = form.setField("showAxes", "0").message();
    ASSERT_TRUE(error.empty()) << error;
    error = form.setField("labelZ", "Z").message();
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.find("disabled"), std::string::npos);
    EXPECT_EQ(form.axisSettings().visible, 0);
}
