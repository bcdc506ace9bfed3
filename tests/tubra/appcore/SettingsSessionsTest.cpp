// The recorded sessions of the settings dialogs replayed through the player with the program's
// commands, and what each left in the settings, the drawing and the view.

#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "text/Gbk.h"
#include "tubra/appcore/Commands.h"
#include "tubra/appcore/Commands.h"
#include "tubra/appcore/SettingsForms.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/edit/ViewController.h"

using namespace tubra;

namespace {

class SettingsSession : public ::testing::Test {
protected:
    void SetUp() override {
        app::installCommands(registry);
        std::vector<edit::KeyBinding> keys = app::keyBindings();
        player = std::make_unique<edit::SessionPlayer>(context, registry, std::move(keys));
    }
    // Replays tests/sessions/NAME.session; the script's own checks must pass.
    void play(const std::string& name) {
        const std::string path = std::string(TUBRA_SOURCE_DIR) + "/tests/sessions/" + name + ".session";
        std::string script;
        ASSERT_TRUE(platform::readWholeFile(path, script).ok()) << path;
        const edit::SessionResult r = player->run(script);
        ASSERT_TRUE(r.ok) << name << ":" << r.line << ": " << r.message;
        ASSERT_NE(player->document(), nullptr);
    }
    model::Document& doc() { return *player->document(); }
    const model::DrawingSettings& settings() { return context.settings; }

    model::AppContext context;
    edit::CommandRegistry registry;
    std::unique_ptr<edit::SessionPlayer> player;
};

}  // namespace

TEST_F(SettingsSession, Colours) {
    play("settings-colours");
    EXPECT_EQ(player->forms().shown(), (std::vector<std::string>{"设置颜色", "设置颜色"}));
    EXPECT_EQ(settings().BeiJingColor, model::rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(settings().ZhuXianColor, 0u);
    EXPECT_EQ(settings().TextColor, 0u);
    EXPECT_EQ(settings().TractColor, model::rgb(255, 255, 125));
    EXPECT_EQ(settings().PrintIsNoColor, 0);
}

TEST_F(SettingsSession, LineWidthsAfterARefusal) {
    play("settings-line-widths");
    ASSERT_EQ(player->prompter().asked().size(), 1u);
    EXPECT_EQ(player->prompter().asked()[0].caption, "出错信息");
    EXPECT_FLOAT_EQ(settings().ZhuXianKuan, 0.5f);
    EXPECT_FLOAT_EQ(settings().HanFengKuan, 6.0f);
    EXPECT_FLOAT_EQ(settings().ZhiXianKuan, 2.0f);
}

TEST_F(SettingsSession, LineStyles) {
    play("settings-line-styles");
    EXPECT_EQ(settings().ZhuXianStyle, 3);
    EXPECT_EQ(settings().QiTaStyle, 3);
    EXPECT_EQ(settings().ZhiXianStyle, 0);
    EXPECT_EQ(settings().BiaoZhuStyle, 1);
}

TEST_F(SettingsSession, Layers) {
    play("settings-layers");
    EXPECT_EQ(settings().TuKuangLayer, 0);
    EXPECT_EQ(settings().DimTextLayer, 0);
    EXPECT_EQ(settings().ZhuXianLayer, 1);
}

TEST_F(SettingsSession, SnapSettingsOfTheTools) {
    play("settings-snap");
    const edit::SnapSettings& s = player->settings().snap;
    EXPECT_EQ(s.distanceX, 8);
    EXPECT_EQ(s.distanceY, 8);
    EXPECT_EQ(s.markerX, 10);
    EXPECT_TRUE(s.weldsOnly);
    EXPECT_FALSE(s.midPoints);
    EXPECT_TRUE(s.endPoints);
    // The next tool keeps the modes chosen.
    EXPECT_FALSE(player->controller()->savedSnap().mid);
    ASSERT_TRUE(player->run("command 2709\n").ok);
    EXPECT_FALSE(s.midPoints);
}

TEST_F(SettingsSession, DimensionTextAndAutomaticElevation) {
    play("settings-dimension-text");
    EXPECT_EQ(settings().Dim_Size, 40);
    EXPECT_EQ(settings().Dim_High, 20);
    EXPECT_TRUE(player->settings().autoElevation);
    EXPECT_TRUE(player->view().autoElevation);
    // The quick-settings button shows the same switch.
    edit::CommandContext c{doc(), player->view(), player->prompter(), player->forms(), player->controller(), {}};
    EXPECT_TRUE(registry.isChecked(app::cmd::AutoElevation, c));
}

TEST_F(SettingsSession, ElbowAndTeeAfterARefusal) {
    play("settings-elbow-tee");
    EXPECT_EQ(settings().m_wantouR, 20.0);
    EXPECT_EQ(settings().m_santongChang, 24.0);
    EXPECT_EQ(settings().DrawZoom_GJFM, 5.0);
}

TEST_F(SettingsSession, PageSetup) {
    play("settings-page");
    EXPECT_EQ(doc().drawing.PageSize, 1);
    EXPECT_EQ(doc().drawing.AxisSet.labels[0], "UP");
    EXPECT_EQ(doc().drawing.AxisSet.labels[1], "N");
    EXPECT_EQ(doc().drawing.AxisSet.labels[2], "E");
    EXPECT_EQ(player->view().pageExtent, (platform::Size{4100, 2900}));
    EXPECT_TRUE(doc().isModified());
}

TEST_F(SettingsSession, CharacteristicTableWithStatisticsAndASpecialCharacter) {
    play("settings-table");
    EXPECT_EQ(player->forms().shown(),
              (std::vector<std::string>{"对象属性——管段", "对象属性——管段", "设置管道特性表", "特殊字符表"}));
    const auto& t = doc().drawing.table.values;
    EXPECT_EQ(t[0], text::gbk("蒸汽管线"));
    EXPECT_EQ(t[2], "GB1");
    EXPECT_EQ(t[9], "4.00 ");
    EXPECT_EQ(t[14], "2");
    EXPECT_EQ(t[10], "0");
    EXPECT_EQ(t[16], "20G");
    EXPECT_EQ(t[17], text::gbk("DN100Φ"));
    EXPECT_TRUE(doc().isModified());
}

TEST_F(SettingsSession, TitleBlock) {
    play("settings-title");
    const auto& v = doc().drawing.title.values;
    EXPECT_EQ(v[5], text::gbk("某装置蒸汽管线"));
    EXPECT_EQ(v[0], text::gbk("张三"));
    EXPECT_EQ(v[1], text::gbk("李四"));
    EXPECT_EQ(v[2], "S-001");
    EXPECT_EQ(v[3].str(), app::TitleBlockForm::dateText(app::today()));
    EXPECT_EQ(doc().drawing.title.labels[0], text::gbk(" 制 图 "));
}

TEST_F(SettingsSession, PropertyDialogsOfElbowTeeAndFlange) {
    // The script checks the objects itself.
    play("settings-property-dialogs");
    EXPECT_EQ(player->forms().shown().back(), "对象属性——阀门、管件");
}
