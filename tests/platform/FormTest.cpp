#include "platform/Form.h"

#include <gtest/gtest.h>

namespace {

using platform::FormContext;
using platform::FormState;

// A form with one numeric field whose OK refuses 0, and a nested dialog behind "open".
class OffsetForm : public platform::Form {
public:
    std::string caption() const override { return "offset"; }
    std::vector<std::string> fieldNames() const override { return {"offset"}; }
    std::string field(std::string_view name) const override {
        return name == "offset" ? offset : std::string();
    }
    platform::Result<> setField(std::string_view name, std::string_view value) override {
        if (name != "offset") return platform::Error(platform::form::unknownField(caption(), name));
        offset = value;
        return {};
    }
    std::string offset = "0";
    int opened = 0;
    platform::Form* nested = nullptr;

protected:
    platform::ActionResult onAction(std::string_view name, std::string_view argument, FormContext& ctx) override {
        if (name == "ok") {
            if (offset == "0") {
                ctx.prompter.ask({"zero", "", platform::Buttons::Ok});
                return FormState::Open;
            }
            return FormState::Accepted;
        }
        if (name == "cancel") return FormState::Rejected;
        if (name == "open" && nested) {
            opened = std::stoi(std::string(argument));
            ctx.host.run(*nested);
            return FormState::Open;
        }
        return platform::Error(platform::form::unknownAction(caption(), name));
    }
};

class CountingHost : public platform::FormHost {
public:
    bool run(platform::Form& form) override {
        ++runs;
        form.reopen();
        return true;
    }
    int runs = 0;
};

TEST(Form, ActionsValidateOpenNestedDialogsAndReportEveryAction) {
    platform::DefaultAnswerPrompter prompter;
    CountingHost host;
    FormContext ctx{prompter, host};
    OffsetForm outer, inner;
    outer.nested = &inner;
    std::vector<std::string> seen;
    outer.beforeAction = [&](const platform::Form&, std::string_view a) { seen.emplace_back(a); };

    // A refused OK keeps the form open and says why.
    EXPECT_EQ(outer.act("ok", ctx).value(), FormState::Open);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "zero");

    // An action with an argument runs the nested dialog through the host.
    EXPECT_EQ(outer.act("open=3", ctx).value(), FormState::Open);
    EXPECT_EQ(outer.opened, 3);
    EXPECT_EQ(host.runs, 1);

    const platform::ActionResult unknown = outer.act("frobnicate", ctx);
    EXPECT_TRUE(unknown.failed());
    EXPECT_NE(unknown.message().find("frobnicate"), std::string::npos);
    EXPECT_EQ(outer.state(), FormState::Open);

    std::string fieldError;
    fieldError = outer.setField("nope", "1").message();
    EXPECT_FALSE(fieldError.empty());
    EXPECT_TRUE(outer.hasField("offset"));
    EXPECT_FALSE(outer.hasField("open"));
    fieldError = outer.setField("offset", "12").message();
    ASSERT_TRUE(fieldError.empty());
    EXPECT_EQ(outer.snapshot(), (std::vector<std::pair<std::string, std::string>>{{"offset", "12"}}));
    EXPECT_EQ(outer.act("ok", ctx).value(), FormState::Accepted);
    EXPECT_EQ(seen, (std::vector<std::string>{"ok", "open=3", "frobnicate", "ok"}));
}

}  // namespace
