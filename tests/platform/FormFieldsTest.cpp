#include "platform/FormFields.h"

#include <gtest/gtest.h>

#include "text/Gbk.h"

namespace {

using platform::FieldBinding;
using platform::FormContext;
using platform::FormState;
namespace bind = platform::bind;

// Values go through the binding as typed: what it keeps, what it shows, what it refuses.
TEST(FieldBindings, CutTextsOnWholeCharactersAndRefuseWhatTheValueCannotHold) {
    std::string utf8 = "x";
    FieldBinding text = bind::text(utf8, 5);
    ASSERT_TRUE(text.set("管道ab").ok());
    EXPECT_EQ(utf8, "管道a");  // 2 + 2 + 1 GBK bytes
    ASSERT_TRUE(text.set("ab管道").ok());
    EXPECT_EQ(utf8, "ab管");  // never half a character
    EXPECT_EQ(text.get(), "ab管");

    std::string gbk;
    FieldBinding g = bind::gbk(gbk, 3);
    ASSERT_TRUE(g.set("压力表").ok());
    EXPECT_EQ(gbk, text::utf8ToGbk("压"));
    EXPECT_EQ(g.get(), "压");

    bool on = false;
    FieldBinding check = bind::check(on, "snap");
    EXPECT_TRUE(check.set("1").ok());
    EXPECT_TRUE(on);
    EXPECT_TRUE(check.set("off").ok());
    EXPECT_FALSE(on);
    const platform::Result<> refused = check.set("2");
    EXPECT_TRUE(refused.failed());
    EXPECT_FALSE(on);
    EXPECT_NE(refused.message().find("snap"), std::string::npos);
    EXPECT_EQ(check.get(), "0");

    int index = -1;
    FieldBinding choice = bind::choice(index, {"实线", "虚线"}, "style");
    EXPECT_EQ(choice.get(), "");  // nothing chosen shows nothing
    EXPECT_TRUE(choice.set("虚线").ok());
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(choice.set("点线").failed());
    EXPECT_EQ(index, 1);
    EXPECT_EQ(choice.get(), "虚线");

    int n = 99;
    FieldBinding number = bind::number(n, 2, 20, "size");
    EXPECT_EQ(n, 20);  // a value a slider cannot show is taken at its end
    EXPECT_TRUE(number.set("-5").ok());
    EXPECT_EQ(n, 2);
    EXPECT_TRUE(number.set("7x").failed());
    EXPECT_TRUE(number.set("").failed());
    EXPECT_EQ(n, 2);

    FieldBinding shown = bind::shown([] { return std::string("焊缝"); });
    EXPECT_EQ(shown.get(), "焊缝");
    EXPECT_FALSE(shown.set);
}

// A form declaring a text, a shown value, a check that enables a field, and a list.
class PipeForm : public platform::DeclaredForm<> {
public:
    PipeForm() {
        declareText("name", "名称:", bind::text(name, 10), 10);
        declareText("kind", "类型:", bind::shown([] { return std::string("管段"); })).sameRow = true;
        declareCheck("hasLength", "长度已知", bind::check(hasLength, "hasLength"));
        auto& l = declareText("length", "长度:", bind::text(length, 0));
        l.unit = "毫米";
        l.enabled = [this] { return hasLength; };
        declareChoice("material", "材料:", {"碳钢", "不锈钢"}, bind::choice(material, {"碳钢", "不锈钢"}, "material"));
        declareNote("注：长度为零时不画。");
        declareAction({"defaults", "默认值", {}, {}, false, {}});
        declareAction({"cancel", "退出", {}, {}, false, {}});
    }
    std::string caption() const override { return "管段"; }

    std::string name, length;
    bool hasLength = false;
    int material = 0;
    std::vector<std::string> changed;

protected:
    void fieldChanged(std::string_view n) override { changed.emplace_back(n); }
    platform::ActionResult onAction(std::string_view n, std::string_view, FormContext&) override {
        return platform::form::okOrCancel(*this, n);
    }
};

TEST(DeclaredForm, AnswersByNameRefusesWhatItMustAndTellsOnlyRealChanges) {
    PipeForm f;
    EXPECT_EQ(f.fieldNames(), (std::vector<std::string>{"name", "kind", "hasLength", "length", "material"}));
    EXPECT_EQ(f.field("kind"), "管段");
    EXPECT_EQ(f.field("material"), "碳钢");
    EXPECT_EQ(f.field("nothing"), "");

    std::string error;
    error = f.setField("nothing", "1").message();
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.find("nothing"), std::string::npos);
    error = f.setField("kind", "弯头").message();
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(f.field("kind"), "管段");
    EXPECT_FALSE(f.fieldEnabled("kind"));

    // Disabled until the check allows it, for a script as for the widget.
    EXPECT_FALSE(f.fieldEnabled("length"));
    error = f.setField("length", "100").message();
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(f.length.empty());
    EXPECT_TRUE(f.setField("hasLength", "1").ok());
    EXPECT_TRUE(f.fieldEnabled("length"));
    EXPECT_TRUE(f.setField("length", "100").ok());
    EXPECT_EQ(f.length, "100");

    EXPECT_TRUE(f.setField("material", "铜").failed());
    EXPECT_TRUE(f.setField("name", "主管线一号线").ok());
    EXPECT_EQ(f.name, "主管线一号");
    EXPECT_EQ(f.changed, (std::vector<std::string>{"hasLength", "length", "name"}));
}

TEST(DeclaredForm, DescribesRowsUnitsNotesAndButtonsAsDeclared) {
    PipeForm f;
    const platform::FormLayout& layout = f.layout();
    ASSERT_EQ(layout.groups.size(), 1u);
    struct Seen {
        platform::LayoutCell::Kind kind;
        std::string what;
        int row, col;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> cells;
    for (const platform::LayoutCell& c : layout.groups[0].cells)
        cells.push_back({c.kind, c.ref.empty() ? c.text : c.ref, c.row, c.col});
    using K = platform::LayoutCell::Kind;
    const std::vector<Seen> expected = {
        {K::Label, "名称:", 0, 0},     {K::Field, "name", 0, 1},
        {K::Label, "类型:", 0, 3},     {K::Field, "kind", 0, 4},  // on the row before
        {K::Field, "hasLength", 1, 1},                            // a check box has no label
        {K::Label, "长度:", 2, 0},     {K::Field, "length", 2, 1}, {K::Label, "毫米", 2, 2},
        {K::Label, "材料:", 3, 0},     {K::Field, "material", 3, 1},
        {K::Label, "注：长度为零时不画。", 4, 0},
    };
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(layout.groups[0].cells.back().colSpan, 3);

    // The form's own buttons, then OK; its Cancel is declared with its own caption.
    EXPECT_EQ(layout.buttons, (std::vector<std::string>{"defaults", "cancel", "ok"}));
    ASSERT_NE(f.actionDef("ok"), nullptr);
    EXPECT_EQ(f.actionDef("ok")->caption, "确定");
    EXPECT_EQ(f.actionDef("cancel")->caption, "退出");
    EXPECT_EQ(f.actionDef("open"), nullptr);
    EXPECT_EQ(f.fieldDef("hasLength")->text, "长度已知");
    EXPECT_EQ(f.fieldDef("material")->choices, (std::vector<std::string>{"碳钢", "不锈钢"}));
    EXPECT_EQ(f.fieldDef("name")->maxBytes, 10u);
}

// A form that lays out its own dialog still has its declared fields and OK and Cancel described.
class OwnLayoutForm : public PipeForm {
public:
    OwnLayoutForm() { own.buttons = {"ok"}; }
    const platform::FormLayout& layout() const override { return own; }
    platform::FormLayout own;
};

TEST(DeclaredForm, KeepsDescribingActionsWhenItLaysOutItsOwnDialog) {
    OwnLayoutForm f;
    EXPECT_EQ(f.layout().buttons, (std::vector<std::string>{"ok"}));
    ASSERT_NE(f.actionDef("ok"), nullptr);
    EXPECT_EQ(f.actionDef("ok")->caption, "确定");
    EXPECT_EQ(f.actionDef("defaults")->caption, "默认值");
    EXPECT_NE(f.fieldDef("material"), nullptr);
}

}  // namespace
