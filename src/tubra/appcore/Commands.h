#pragma once
// The commands of the drawing program, each defined once (Commands.cpp): its id, the names it
// shows, its keys and icon, its place in the menus and on the tool bars, whether a session
// script records it and whether what it does can be taken back, and who carries it out. The
// menus, the tool bars, the key map, the command registry of the document commands, the
// session recorder and player are all derived from these definitions.
// Texts are UTF-8 (they only ever reach the window system).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tubra/appcore/Shell.h"
#include "tubra/edit/CommandIds.h"
#include "tubra/edit/CommandRegistry.h"
#include "tubra/edit/Tools.h"

namespace tubra::app {

// The command ids (one header for the whole program).
namespace cmd = tubra::cmd;

// The five tool bars.
enum class BarId : std::uint8_t { None, Standard, Fittings, Valves, Accessories, QuickSettings };

// The menus and submenus of the menu bar shown while a drawing is open; the menus shown while
// none is are those of their entries that work without a drawing.
enum class MenuId : std::uint8_t {
    None,
    File,
    FileExport,
    Edit,
    EditClean,
    EditMove,
    View,
    Settings,
    Add,
    AddPipes,
    AddValves,
    AddFittings,
    Window,
    Help,
};

// A place in a menu or on a tool bar: entries are ordered by their positions, and a separator
// may come before one.
struct MenuPlace {
    MenuId menu = MenuId::None;
    int position = 0;
    bool separated = false;
    bool withoutDrawing = false;  // also in the menus shown while no drawing is open
};
struct BarPlace {
    BarId bar = BarId::None;
    int position = 0;
    bool separated = false;
};

// The picture of a command: a symbol drawn by the symbol library, else a freedesktop theme
// icon, else a picture the program ships (data/icons/<file>.svg).
struct IconRef {
    int symbol = 0;
    std::string_view theme;
    std::string_view file;
};

// How a session script writes the command.
enum class Recorded : std::uint8_t {
    No,       // not part of sessions (it asks for files or opens windows)
    Command,  // "command <id>": the player runs it through the registry
    Save,     // "save"
};

// Who carries a command out.
struct Handler {
    enum class Kind : std::uint8_t {
        Never,     // shown but never available in the drawing program
        Window,    // the window itself (`Shell`)
        Bar,       // shows or hides the tool bar it is the visibility command of
        Document,  // a function of the active view's document (the registry)
        Tool,      // switches a tool of the active view (the registry)
    };
    Kind kind = Kind::Never;
    void (Shell::*window)() = nullptr;
    bool (Shell::*windowEnabled)() const = nullptr;
    bool (Shell::*windowChecked)() const = nullptr;
    void (*run)(edit::CommandContext&) = nullptr;
    bool (*enabled)(const edit::CommandContext&) = nullptr;
    bool (*checked)(const edit::CommandContext&) = nullptr;
    edit::ToolCommand tool{};
    // The menu text as it stands now (the history names its next step); null: the fixed text.
    std::string (*label)(const edit::CommandContext&) = nullptr;
};

struct Action {
    int id = 0;
    std::string_view name;      // the tool tip: the short name
    std::string_view prompt;    // the status-bar prompt
    std::string_view menuText;  // the text of its menu entry; empty: the name
    IconRef icon;
    std::array<std::string_view, 2> keys{};  // portable key texts ("Ctrl+Z", "B", "F6")
    MenuPlace menu;
    BarPlace bar;
    Recorded recorded = Recorded::No;
    // What it does to the document is one change that can be taken back.
    bool undoable = false;
    bool checkable = false;
    bool needsDocument = true;  // only available while a drawing is open
    bool viewOnly = false;      // changes the view only, never an object (a zoom)
    Handler handler;

    std::string_view text() const { return menuText.empty() ? name : menuText; }
    // Whether the command registry carries it out (on a view's document, in sessions too).
    constexpr bool registered() const {
        return handler.kind == Handler::Kind::Document || handler.kind == Handler::Kind::Tool;
    }

    // --- building a definition ---
    constexpr Action inMenu(MenuId m, int position, std::string_view text = {}) const {
        Action a = *this;
        a.menu = {m, position, false, false};
        a.menuText = text;
        return a;
    }
    constexpr Action separatedInMenu() const {
        Action a = *this;
        a.menu.separated = true;
        return a;
    }
    constexpr Action alsoWithoutDrawing() const {
        Action a = *this;
        a.menu.withoutDrawing = true;
        return a;
    }
    constexpr Action onBar(BarId b, int position, bool separated = false) const {
        Action a = *this;
        a.bar = {b, position, separated};
        return a;
    }
    constexpr Action withKeys(std::string_view first, std::string_view second = {}) const {
        Action a = *this;
        a.keys = {first, second};
        return a;
    }
    constexpr Action symbol(int code) const {
        Action a = *this;
        a.icon.symbol = code;
        return a;
    }
    constexpr Action theme(std::string_view name) const {
        Action a = *this;
        a.icon.theme = name;
        return a;
    }
    constexpr Action picture(std::string_view file) const {
        Action a = *this;
        a.icon.file = file;
        return a;
    }
    constexpr Action recordedAs(Recorded r) const {
        Action a = *this;
        a.recorded = r;
        return a;
    }
    constexpr Action changesDocument() const {
        Action a = *this;
        a.undoable = true;
        return a;
    }
    constexpr Action labelledBy(std::string (*label)(const edit::CommandContext&)) const {
        Action a = *this;
        a.handler.label = label;
        return a;
    }
    constexpr Action checks() const {
        Action a = *this;
        a.checkable = true;
        return a;
    }
    constexpr Action anytime() const {
        Action a = *this;
        a.needsDocument = false;
        return a;
    }
    constexpr Action changesViewOnly() const {
        Action a = *this;
        a.viewOnly = true;
        return a;
    }
    constexpr Action enabledWhen(bool (*enabled)(const edit::CommandContext&)) const {
        Action a = *this;
        a.handler.enabled = enabled;
        return a;
    }
    constexpr Action checkedWhen(bool (*checked)(const edit::CommandContext&)) const {
        Action a = *this;
        a.handler.checked = checked;
        a.checkable = true;
        return a;
    }
    constexpr Action enabledWhen(bool (Shell::*enabled)() const) const {
        Action a = *this;
        a.handler.windowEnabled = enabled;
        return a;
    }
    constexpr Action checkedWhen(bool (Shell::*checked)() const) const {
        Action a = *this;
        a.handler.windowChecked = checked;
        a.checkable = true;
        return a;
    }
};

// Every command, each once.
std::span<const Action> allActions();
const Action* findAction(int id);

// What a session script writes for a command; empty when it is not recorded.
std::string recordedLine(const Action& action);

// The command registry: every command the registry carries out, from its definition. The
// program has one, made at its first use.
void installCommands(edit::CommandRegistry& registry);
const edit::CommandRegistry& commandRegistry();

// The key map: every key and the command it gives.
std::vector<edit::KeyBinding> keyBindings();

enum class DockSide { Top, Left, Right, Bottom };

// A tool bar: where it starts docked and the command that shows and hides it.
struct BarInfo {
    BarId id = BarId::None;
    std::string_view objectName;  // for saving the layout
    int resource = 0;
    std::string_view title;       // empty for the standard bar
    DockSide dockedAt = DockSide::Top;
    int visibilityCommand = 0;
};

// The five tool bars in the order they are created.
std::span<const BarInfo> allBars();
// The buttons of a bar in order; id 0 is a separator.
std::vector<int> barButtons(BarId bar);

// An entry of a menu: a command, a separator, a submenu, or the places where the window fills
// in the recent files or the open windows.
struct MenuEntry {
    enum class Kind { Command, Separator, Submenu, RecentFiles, WindowList };
    Kind kind = Kind::Command;
    int id = 0;
    std::string_view text;
    std::vector<MenuEntry> children;
};

struct MenuInfo {
    std::string_view title;
    std::vector<MenuEntry> entries;
};

// The menu bar while no drawing is open, and while one is.
const std::vector<MenuInfo>& noDocumentMenus();
const std::vector<MenuInfo>& documentMenus();

// Fixed texts of the shell.
inline constexpr std::string_view kAppTitle = "化工管道绘图辅助程序";
inline constexpr std::string_view kDocumentBaseName = "Tubra";
inline constexpr std::string_view kFileFilter = "Tubra 文件 (*.hcd)";
inline constexpr std::string_view kFileExtension = ".hcd";
inline constexpr std::string_view kSettingsOrganisation = "Local AppWizard-Generated Applications";
inline constexpr std::string_view kSettingsApplication = "Tubra";
inline constexpr int kRecentFileCount = 4;
inline constexpr std::string_view kAboutCaption = "关于压力管道绘图软件Tubra";
inline constexpr std::string_view kAboutButton = "按   回   车   键   返   回";
inline constexpr std::string_view kReadyText = "就绪";
inline constexpr std::string_view kRecentPlaceholder = "最近文件";

}  // namespace tubra::app
