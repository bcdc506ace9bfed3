#pragma once

#include <string>
// The editing tools of a drawing view and how a command switches one on.
//
// Exactly one tool (or none) is active. Component tools (valves, fittings, supports, site
// marks) share one kind and differ by the symbol code they place. Closed-pipe and plane-slant
// mode are modifiers beside the tool, not tools themselves. Which command switches which tool
// is said by the command's own definition (the program's command table); what a tool does when
// it is switched on is said by the tool (`MouseTool::activate`).

#include <cstddef>

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
inline constexpr std::size_t kToolKindCount = static_cast<std::size_t>(ToolKind::Cut) + 1;

struct Tool {
    ToolKind kind = ToolKind::None;
    int symbol = 0;  // symbol code of a component tool and of the angle valve
    friend constexpr bool operator==(const Tool&, const Tool&) = default;
};

// The name the program's commands give a tool ("移动对象"), which names the edits made with it
// in the undo history. Whoever defines the commands installs it; without, edits are "编辑".
using ToolNamer = std::string (*)(const Tool& tool);
void setToolNamer(ToolNamer namer);
std::string toolName(const Tool& tool);

// How a command switches a tool on.
struct ToolCommand {
    Tool tool;
    // Pressed again while its tool is on, it switches the tool off instead of restarting it.
    bool toggles = false;
    // It acts on the selection first ("删除对象(Del)" deletes what is selected).
    bool onSelection = false;
};

constexpr bool isPipeTool(ToolKind kind) { return kind == ToolKind::MainPipe || kind == ToolKind::BranchPipe; }

}  // namespace tubra::edit
