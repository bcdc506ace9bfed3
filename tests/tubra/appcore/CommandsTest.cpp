// What the command definitions give the program: menus that hold only what works, keys that
// each mean one thing, tools that come on and go off as their commands say, symbols placed by
// the command whose icon they are, and sessions that replay what the recorder writes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tubra/appcore/Commands.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/edit/SessionScript.h"
#include "tubra/model/Kinds.h"

using namespace tubra;
using app::Action;
using app::Handler;

namespace {

// Every command entry of a menu tree, with the separators as 0.
void collect(const std::vector<app::MenuEntry>& entries, std::vector<int>& ids, bool& separatorsSound) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const app::MenuEntry& e = entries[i];
        if (e.kind == app::MenuEntry::Kind::Separator) {
            // Never first, last or doubled.
            const bool inside = i > 0 && i + 1 < entries.size() &&
                                entries[i - 1].kind != app::MenuEntry::Kind::Separator;
            separatorsSound = separatorsSound && inside;
        }
        if (e.kind == app::MenuEntry::Kind::Command) ids.push_back(e.id);
        if (e.kind == app::MenuEntry::Kind::Submenu) {
            EXPECT_FALSE(e.children.empty()) << e.text;
            collect(e.children, ids, separatorsSound);
        }
    }
}

std::vector<int> menuCommands(const std::vector<app::MenuInfo>& menus, bool& separatorsSound) {
    std::vector<int> ids;
    for (const app::MenuInfo& m : menus) collect(m.entries, ids, separatorsSound);
    return ids;
}

// A headless view on a new drawing, as a replayed session has it.
struct Session {
    model::AppContext context;
    edit::SessionPlayer player{context, app::commandRegistry(), app::keyBindings()};
    Session() { EXPECT_TRUE(player.run("new\n").ok); }
    edit::Tool tool() { return player.controller()->tool(); }
    bool run(int id) { return player.run(app::recordedLine(*app::findAction(id)) + "\n").ok; }
};

std::vector<model::PipeObject> copied(const model::ObjectList& list) {
    std::vector<model::PipeObject> out;
    for (const model::PipeObject& o : list) out.push_back(o);
    return out;
}

}  // namespace

TEST(Commands, TheMenusWithoutADrawingHoldOnlyWhatWorksWithoutOne) {
    bool sound = true;
    const std::vector<int> bare = menuCommands(app::noDocumentMenus(), sound);
    const std::vector<int> full = menuCommands(app::documentMenus(), sound);
    EXPECT_TRUE(sound) << "a separator first, last or twice in a row";
    ASSERT_FALSE(bare.empty());
    for (int id : bare) {
        const Action* a = app::findAction(id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_FALSE(a->needsDocument) << id << " " << a->name;
        // ... and they are in the full menus as well, in the same order.
        EXPECT_NE(std::find(full.begin(), full.end(), id), full.end()) << id;
    }
    EXPECT_TRUE(std::is_sorted(bare.begin(), bare.end(), [&](int a, int b) {
        return std::find(full.begin(), full.end(), a) < std::find(full.begin(), full.end(), b);
    }));
    // No command shows up twice in the menus of a drawing.
    EXPECT_EQ(std::set<int>(full.begin(), full.end()).size(), full.size());
}

TEST(Commands, EveryKeyGivesOneCommandAndNamesTheSameOneInSessions) {
    std::map<std::string, int> seen;
    for (const edit::KeyBinding& k : app::keyBindings()) {
        const std::string canonical = edit::canonicalKeyName(k.key);
        ASSERT_FALSE(canonical.empty()) << k.key << ": no key a session script can name";
        const auto [it, fresh] = seen.emplace(canonical, k.command);
        EXPECT_TRUE(fresh) << k.key << " gives " << it->second << " and " << k.command;
    }
    // The letters of the quick-setting bar are the keys of its switches.
    for (const Action& a : app::allActions()) {
        if (a.bar.bar != app::BarId::QuickSettings) continue;
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(a.name[a.name.size() - 2])));
        EXPECT_EQ(a.keys[0], std::string(1, letter)) << a.name;
    }
}

TEST(Commands, EverySymbolIsPlacedByOneCommandThatShowsIt) {
    std::map<int, int> placedBy;
    for (const Action& a : app::allActions()) {
        if (a.handler.kind != Handler::Kind::Tool || a.handler.tool.tool.symbol == 0) continue;
        const int symbol = a.handler.tool.tool.symbol;
        EXPECT_EQ(a.icon.symbol, symbol) << a.name << " shows another symbol than it places";
        EXPECT_TRUE(placedBy.emplace(symbol, a.id).second) << symbol << " placed by two commands";
        const model::SymbolRow* row = model::symbolRow(symbol);
        ASSERT_NE(row, nullptr) << a.name;
        // The valve, instrument and flange tools keep their tool when pressed again; the others
        // go off (the command the drawings are made of decides how a user works).
        if (row->placement == model::PlacementRule::OrthogonalPipe)
            EXPECT_FALSE(a.handler.tool.toggles) << a.name;
        else
            EXPECT_TRUE(a.handler.tool.toggles) << a.name;
    }
    for (const model::SymbolRow& s : model::allSymbols())
        EXPECT_TRUE(placedBy.count(model::symbolValue(s.code))) << s.name << " has no command";
}

TEST(Commands, ToolCommandsSwitchTheirToolsOnAndTogglingOnesOff) {
    for (const Action& a : app::allActions()) {
        if (a.handler.kind != Handler::Kind::Tool) continue;
        const edit::ToolCommand& t = a.handler.tool;
        // Moving and copying want a selection; deleting deletes it.
        if (t.tool.kind == edit::ToolKind::Move || t.tool.kind == edit::ToolKind::Copy) continue;
        Session s;
        ASSERT_TRUE(s.run(a.id)) << a.id;
        EXPECT_EQ(s.tool(), t.tool) << a.name;
        ASSERT_TRUE(s.run(a.id)) << a.id;
        EXPECT_EQ(s.tool(), t.toggles ? edit::Tool() : t.tool) << a.name << " pressed again";
    }
}

TEST(Commands, MovingWithoutASelectionIsRefusedAndChoosesNoTool) {
    Session s;
    ASSERT_TRUE(s.run(app::cmd::Pan));
    ASSERT_TRUE(s.player.run("answer ok\ncommand " + std::to_string(app::cmd::MoveObjects) + "\n").ok);
    EXPECT_EQ(s.tool(), edit::Tool());
    ASSERT_TRUE(s.player.prompter().last());
    EXPECT_EQ(s.player.prompter().last()->text, "请先选择对象!");
}

TEST(Commands, WhatTheRecorderWritesThePlayerCarriesOut) {
    for (const Action& a : app::allActions()) {
        const std::string line = app::recordedLine(a);
        switch (a.recorded) {
            case app::Recorded::No: EXPECT_TRUE(line.empty()) << a.id; break;
            case app::Recorded::Save: EXPECT_EQ(line, "save") << a.id; break;
            case app::Recorded::Command: {
                const edit::ParsedScript script = edit::parseSessionScript(line + "\n");
                ASSERT_TRUE(script.ok) << line;
                ASSERT_EQ(script.lines.size(), 1u);
                EXPECT_EQ(script.lines[0].kind, edit::ScriptLine::Kind::Command) << line;
                EXPECT_TRUE(app::commandRegistry().has(a.id)) << line;
                break;
            }
        }
    }
    // A command the window keeps to itself is refused by the player.
    Session s;
    const edit::SessionResult r = s.player.run("command " + std::to_string(app::cmd::ExportPcf) + "\n");
    EXPECT_FALSE(r.ok);
}

TEST(Commands, ACommandLeftOutOfTheUndoHistoryChangesNothingTheDrawingHolds) {
    // What a command not marked as changing the document does must not need taking back: the
    // objects, the settings, the characteristic table and the title block stay as they were
    // (whatever it shows of the view or the report page).
    Session s;
    ASSERT_TRUE(s.player.run("command 2709\nclick 300 -1100\ndialog\nclick 1166 -1600\n").ok);
    model::Document& doc = *s.player.document();
    struct Cancel : platform::FormHost {
        bool run(platform::Form&) override { return false; }
    } cancel;
    platform::DefaultAnswerPrompter prompter;
    for (const Action& a : app::allActions()) {
        // The history's own commands take steps back and forth: that is what they are for.
        if (!a.registered() || a.undoable || a.id == app::cmd::UndoEdit || a.id == app::cmd::RedoEdit) continue;
        SCOPED_TRACE(std::string(a.name));
        const std::vector<model::PipeObject> objects = copied(doc.drawing.objects);
        const model::DrawingSettings settings = doc.settings();
        const model::CharacteristicTable table = doc.drawing.table;
        const model::TitleBlock title = doc.drawing.title;
        edit::CommandContext c{doc, s.player.view(), prompter, cancel, s.player.controller(), {}, &s.player.port()};
        // The tools ask through the session's prompter; a command that stops at a message box
        // (moving without a selection) must have changed nothing either.
        try {
            app::commandRegistry().run(a.id, c);
        } catch (const edit::SessionError&) {
        }
        s.player.prompter().clear();
        EXPECT_EQ(copied(doc.drawing.objects), objects);
        EXPECT_TRUE(doc.settings() == settings);
        EXPECT_TRUE(doc.drawing.table == table);
        EXPECT_TRUE(doc.drawing.title == title);
        s.player.controller()->cancel();
    }
}
