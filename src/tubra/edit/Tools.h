#pragma once
// The editing tools of a drawing view and the commands that switch them.
//
// Exactly one tool (or none) is active. Component tools (valves, fittings, supports, site
// marks) share one kind and differ by the symbol code they place. Closed-pipe and plane-slant
// mode are modifiers beside the tool, not tools themselves.

#include <optional>
#include <span>

#include "tubra/edit/CommandIds.h"

namespace tubra::edit {

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
    int symbol = 0;  // symbol code of a component tool and of the angle valve
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
std::span<const ToolCommand> toolCommands();
const ToolCommand* findToolCommand(int command);

// The placement rule and `MainType` of a component symbol; none for codes no tool places.
std::optional<PlacementRule> placementRuleOf(int symbol);

// Whether the tool draws or places something on the pipeline (the drawing cursor).
bool isDrawingTool(ToolKind kind);
bool isPipeTool(ToolKind kind);

}  // namespace tubra::edit
