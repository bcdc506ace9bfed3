#pragma once
// The commands of the drawing program and where they sit: tool bars, both menu bars and the
// accelerator table. Plain data, so the window builds itself from it and tests check it.
// Texts are UTF-8 (they only ever reach the window system).

#include <optional>
#include <span>
#include <string_view>

#include "tubra/edit/CommandIds.h"

namespace tubra::app {

// The command ids (one header for the whole program).
namespace cmd = tubra::cmd;

// Who carries a command out.
enum class Handler {
    Window,    // the main window itself (files, printing, windows, bars, help, recording)
    Document,  // the command registry, on the active drawing's view (and in replayed sessions)
    Never,     // shown but never available in the drawing program
};

// Pictures drawn by the program itself for commands without a fitting theme icon.
enum class Glyph {
    None,
    Refresh,
    ZoomIn,
    ZoomOut,
    Fit,
    Pan,
    Restore,
    ClearAll,
    PageSetup,
    FrameSwitch,
    Colour,
    LineWidth,
    LineStyle,
    DimensionText,
    Layers,
    Snap,
    Table,
    TitleBlock,
    ElbowTee,
    Select,
    Delete,
    CopyObjects,
    MoveObjects,
    Properties,
    MoveDimension,
    MoveDrawing,
    FullReport,
    OnlineReport,
    ShowReport,
    MainPipe,
    BranchPipe,
    PlaneSlant,
    SpaceSlant,
    ClosedPipe,
    CutLine,
    Weld,
    Elbow,
    Tee,
    TextBlock,
    LetterB,
    LetterT,
    LetterD,
    LetterZ,
    LetterR,
    LetterH,
};

struct IconRef {
    std::string_view theme;  // a freedesktop icon name, tried first
    int symbol = 0;          // a symbol code drawn by the symbol library, 0 for none
    Glyph glyph = Glyph::None;
};

struct CommandInfo {
    int id = 0;
    std::string_view name;    // tool tip (the short name)
    std::string_view prompt;  // the status-bar prompt
    IconRef icon;
    Handler handler = Handler::Document;
    bool checkable = false;
    bool needsDocument = true;  // only available while a drawing is open
};

// Every command, each once.
std::span<const CommandInfo> allCommands();
const CommandInfo* findCommand(int id);

enum class DockSide { Top, Left, Right, Bottom };

// A button of a tool bar; id 0 is a separator.
struct BarButton {
    int id = 0;
};

struct BarInfo {
    std::string_view objectName;  // for saving the layout
    int resource = 0;
    std::string_view title;       // empty for the standard bar
    DockSide dockedAt = DockSide::Top;
    int visibilityCommand = 0;
    std::string_view visibilityText;
    std::span<const BarButton> buttons;
};

// The five tool bars in the order they are created.
std::span<const BarInfo> allBars();

// An entry of a menu: a command, a separator, a submenu, or the places where the window fills
// in the recent files or the open windows.
struct MenuEntry {
    enum class Kind { Command, Separator, Submenu, RecentFiles, WindowList };
    Kind kind = Kind::Command;
    int id = 0;
    std::string_view text;
    std::span<const MenuEntry> children;
};

struct MenuInfo {
    std::string_view title;
    std::span<const MenuEntry> entries;
};

// The menu bar while no drawing is open, and while one is.
std::span<const MenuInfo> noDocumentMenus();
std::span<const MenuInfo> documentMenus();

// One key of the accelerator table, as a portable key sequence text ("Ctrl+Z", "B", "F6").
struct Accelerator {
    std::string_view keys;
    int command = 0;
};
std::span<const Accelerator> accelerators();

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
