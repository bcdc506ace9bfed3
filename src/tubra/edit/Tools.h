#pragma once
// The editing tools of a drawing view and the commands that switch them.
//
// Exactly one tool (or none) is active. Component tools (valves, fittings, supports, site
// marks) share one kind and differ by the symbol code they place. Closed-pipe and plane-slant
// mode are modifiers beside the tool, not tools themselves.

#include <optional>
#include <span>

namespace tubra::edit {

// Command ids of the editing features (the program's menu and tool-bar ids).
namespace cmd {
inline constexpr int MainPipe = 2709;
inline constexpr int BranchPipe = 2710;
inline constexpr int PlaneSlant = 2711;
inline constexpr int SpaceSlant = 2712;
inline constexpr int ClosedPipe = 2713;
inline constexpr int CutLine = 2714;
inline constexpr int Weld = 2715;
inline constexpr int Tee = 2717;
inline constexpr int Elbow = 2718;
inline constexpr int AngleValve = 497;
inline constexpr int GateValve = 2726;
inline constexpr int TextBlock = 2721;
inline constexpr int Select = 470;
inline constexpr int DeleteSelection = 474;
inline constexpr int DeleteTool = 2745;
inline constexpr int MoveObjects = 2743;
inline constexpr int CopyObjects = 57634;
inline constexpr int Cut = 57635;
inline constexpr int MoveDimension = 2746;
inline constexpr int MoveDrawing = 402;
inline constexpr int Properties = 2744;
inline constexpr int Pan = 2703;
inline constexpr int UndoObject = 2704;
inline constexpr int Undo = 57643;
inline constexpr int Restore = 2705;
inline constexpr int EmptyDiscardBox = 2992;
inline constexpr int ClearAll = 2741;
inline constexpr int AutoElevation = 478;
inline constexpr int SnapEnd = 479;
inline constexpr int SnapMid = 480;
inline constexpr int SnapAny = 481;
inline constexpr int SnapWeld = 482;
inline constexpr int AutoWeld = 485;
// View commands the mouse uses (right-button drag zooms).
inline constexpr int ZoomIn = 2700;
inline constexpr int ZoomOut = 2701;
inline constexpr int Fit = 2702;
}  // namespace cmd

enum class ToolKind {
    None,
    MainPipe,
    BranchPipe,
    CutLine,
    Weld,
    Tee,
    Elbow,
    AngleValve,
    Component,  // places the symbol of `Tool::symbol`
    TextBlock,
    Select,
    Delete,
    Move,
    Copy,
    MoveDimension,
    MoveDrawing,
    Properties,
    Pan,
    Cut,  // no action of its own: clicks select
};

struct Tool {
    ToolKind kind = ToolKind::None;
    int symbol = 0;  // symbol code of a component tool (and 54 for the angle valve)
    friend constexpr bool operator==(const Tool&, const Tool&) = default;
};

// What a component tool may be placed on.
enum class PlacementRule {
    OrthogonalPipe,  // valves, flange, reducers, sight glass, instruments
    AnyObject,       // vessel, crossings, 45° elbow, cap, plug, compensators, blinds, arrester, filter
    Pipe,            // supports and the column
};

// One command that switches a tool.
struct ToolCommand {
    int command = 0;
    Tool tool;
    // Pressed again while its tool is on, it switches the tool off instead of restarting it.
    bool toggles = false;
};

// Every tool command.
std::span<const ToolCommand> ToolCommands();
const ToolCommand* FindToolCommand(int command);

// The placement rule and `MainType` of a component symbol; none for codes no tool places.
std::optional<PlacementRule> PlacementRuleOf(int symbol);

// Whether the tool draws or places something on the pipeline (the drawing cursor).
bool IsDrawingTool(ToolKind kind);
bool IsPipeTool(ToolKind kind);

}  // namespace tubra::edit
