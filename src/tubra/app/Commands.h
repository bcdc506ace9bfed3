#pragma once
// The commands of the drawing program and where they sit: tool bars, both menu bars and the
// accelerator table. Plain data, so the window builds itself from it and tests check it.
// Texts are UTF-8 (they only ever reach the window system).

#include <optional>
#include <span>
#include <string_view>

namespace tubra::app {

// Command ids. They are the program's resource ids; files and peers never see them, but they
// keep the numbering the rest of the program refers to.
namespace cmd {
// file
inline constexpr int New = 57600;
inline constexpr int Open = 57601;
inline constexpr int Close = 57602;
inline constexpr int Save = 57603;
inline constexpr int SaveAs = 57604;
inline constexpr int PrintSetup = 57606;
inline constexpr int Print = 57607;
inline constexpr int PrintPreview = 57609;
inline constexpr int Mru1 = 57616;  // 57616..57619: the four recent files
inline constexpr int Exit = 57665;
inline constexpr int BatchPrint = 464;
// edit
inline constexpr int Copy = 57634;
inline constexpr int Cut = 57635;
inline constexpr int Paste = 57637;
inline constexpr int Undo = 57643;
// window
inline constexpr int NewWindow = 57648;
inline constexpr int ArrangeIcons = 57649;
inline constexpr int Cascade = 57650;
inline constexpr int Tile = 57651;
inline constexpr int NextPane = 57680;
inline constexpr int PrevPane = 57681;
// help
inline constexpr int About = 57664;
inline constexpr int Help = 452;
inline constexpr int HelpKey = 57670;  // the F1 help request
// bars
inline constexpr int ToolBar = 59392;
inline constexpr int StatusBar = 59393;
inline constexpr int ValveBar = 475;
inline constexpr int AccessoryBar = 476;
inline constexpr int FittingBar = 477;
inline constexpr int QuickBar = 483;
// view
inline constexpr int ZoomIn = 2700;
inline constexpr int ZoomOut = 2701;
inline constexpr int Fit = 2702;
inline constexpr int Pan = 2703;
inline constexpr int UndoObject = 2704;
inline constexpr int Restore = 2705;
inline constexpr int Refresh = 2738;
inline constexpr int ClearAll = 2741;
inline constexpr int FrameSwitch = 2748;
inline constexpr int PageSetup = 466;
// quick settings
inline constexpr int AutoElevation = 478;
inline constexpr int SnapEnd = 479;
inline constexpr int SnapMid = 480;
inline constexpr int SnapAny = 481;
inline constexpr int SnapWeld = 482;
inline constexpr int AutoWeld = 485;
// delete
inline constexpr int DeleteSelection = 474;
// recorded sessions
inline constexpr int RecordSession = 3100;
inline constexpr int StopRecording = 3101;
}  // namespace cmd

// Who carries a command out.
enum class Handler {
    Shell,    // this program's shell and view do it
    Pending,  // an editing, settings or report feature does it; disabled until it is present
    Never,    // shown but never available in the drawing program
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
    Handler handler = Handler::Pending;
    bool checkable = false;
    bool needsDocument = true;  // only available while a drawing is open
};

// Every command, each once.
std::span<const CommandInfo> AllCommands();
const CommandInfo* FindCommand(int id);

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
std::span<const BarInfo> AllBars();

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
std::span<const MenuInfo> NoDocumentMenus();
std::span<const MenuInfo> DocumentMenus();

// One key of the accelerator table, as a portable key sequence text ("Ctrl+Z", "B", "F6").
struct Accelerator {
    std::string_view keys;
    int command = 0;
};
std::span<const Accelerator> Accelerators();

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
