// "显示当前报告" through the command registry, as the window and replayed sessions run it.

#include <gtest/gtest.h>

#include "tubra/appcore/Commands.h"
#include "tubra/appcore/ReportModeCommand.h"

using namespace tubra;

TEST(ReportModeCommand, TogglesTheViewAndTellsTheProgram) {
    edit::CommandRegistry registry;
    app::installCommands(registry);
    ASSERT_TRUE(registry.has(app::cmd::ShowReport));

    model::AppContext context;
    model::Document doc(context);
    view::ViewState view;
    view.ZoomPara = 1.5;
    platform::DefaultAnswerPrompter prompter;
    struct NoForms : platform::FormHost {
        bool run(platform::Form&) override { return false; }
    } forms;
    int changes = 0;
    edit::CommandContext c{doc, view, prompter, forms, nullptr, [&] { ++changes; }};

    EXPECT_TRUE(registry.isEnabled(app::cmd::ShowReport, c));
    EXPECT_FALSE(registry.isChecked(app::cmd::ShowReport, c));
    EXPECT_TRUE(registry.run(app::cmd::ShowReport, c));
    EXPECT_EQ(view.reportDisplay, (std::array<int, 2>{1, 0}));
    EXPECT_EQ(view.ZoomPara, 1.0);
    EXPECT_TRUE(registry.isChecked(app::cmd::ShowReport, c));
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(changes, 1);

    EXPECT_TRUE(registry.run(app::cmd::ShowReport, c));
    EXPECT_EQ(view.reportDisplay[0], 0);
    EXPECT_FALSE(registry.isChecked(app::cmd::ShowReport, c));
    EXPECT_EQ(doc.drawing.IsShowReport, (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_EQ(changes, 2);
}
