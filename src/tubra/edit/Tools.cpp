#include "tubra/edit/Tools.h"

#include <algorithm>
#include <iterator>

namespace tubra::edit {

namespace {

constexpr ToolCommand select(int command, ToolKind kind, int symbol = 0) {
    return {command, {kind, symbol}, false};
}
constexpr ToolCommand toggle(int command, ToolKind kind, int symbol = 0) {
    return {command, {kind, symbol}, true};
}
constexpr ToolCommand component(int command, int symbol, bool toggles) {
    return {command, {ToolKind::Component, symbol}, toggles};
}

constexpr ToolCommand kToolCommands[] = {
    select(cmd::MainPipe, ToolKind::MainPipe),
    select(cmd::BranchPipe, ToolKind::BranchPipe),
    select(cmd::CutLine, ToolKind::CutLine),
    select(cmd::Weld, ToolKind::Weld),
    select(cmd::Tee, ToolKind::Tee),
    select(cmd::Elbow, ToolKind::Elbow),
    toggle(cmd::AngleValve, ToolKind::AngleValve, 54),
    // flange, reducers, sight glass, flow meter, thermometer, pressure gauge
    component(2716, 4, false),
    component(2719, 6, false),
    component(2720, 7, false),
    component(2740, 25, false),
    component(2722, 11, false),
    component(2723, 10, false),
    component(2724, 9, false),
    // the twelve valves
    component(2726, 13, false),
    component(2727, 14, false),
    component(2728, 15, false),
    component(2729, 16, false),
    component(2730, 17, false),
    component(2731, 18, false),
    component(2732, 19, false),
    component(2733, 20, false),
    component(2734, 21, false),
    component(2735, 22, false),
    component(2736, 23, false),
    component(2737, 24, false),
    // 45° elbow, cap, plug, compensators, blinds, flame arrester, filter
    component(487, 45, true),
    component(488, 46, true),
    component(489, 47, true),
    component(490, 48, true),
    component(491, 49, true),
    component(492, 50, true),
    component(493, 51, true),
    component(495, 52, true),
    component(496, 53, true),
    // supports and the column
    component(444, 32, true),
    component(445, 33, true),
    component(446, 34, true),
    component(447, 35, true),
    component(459, 42, true),
    // vessel and crossings
    component(453, 41, true),
    component(454, 39, true),
    component(457, 40, true),
    component(458, 38, true),
    component(461, 43, true),
    component(462, 44, true),
    toggle(cmd::TextBlock, ToolKind::TextBlock),
    toggle(cmd::Select, ToolKind::Select),
    toggle(cmd::MoveDimension, ToolKind::MoveDimension),
    select(cmd::DeleteSelection, ToolKind::Delete),
    select(cmd::DeleteTool, ToolKind::Delete),
    select(cmd::MoveObjects, ToolKind::Move),
    select(cmd::CopyObjects, ToolKind::Copy),
    select(cmd::MoveDrawing, ToolKind::MoveDrawing),
    select(cmd::Properties, ToolKind::Properties),
    select(cmd::Pan, ToolKind::Pan),
    select(cmd::Cut, ToolKind::Cut),
};

}  // namespace

std::span<const ToolCommand> ToolCommands() { return kToolCommands; }

const ToolCommand* FindToolCommand(int command) {
    const auto it = std::find_if(std::begin(kToolCommands), std::end(kToolCommands),
                                 [command](const ToolCommand& t) { return t.command == command; });
    return it == std::end(kToolCommands) ? nullptr : &*it;
}

std::optional<PlacementRule> PlacementRuleOf(int symbol) {
    switch (symbol) {
        case 4: case 6: case 7: case 9: case 10: case 11: case 25:
        case 13: case 14: case 15: case 16: case 17: case 18:
        case 19: case 20: case 21: case 22: case 23: case 24:
            return PlacementRule::OrthogonalPipe;
        case 38: case 39: case 40: case 41: case 43: case 44:
        case 45: case 46: case 47: case 48: case 49: case 50: case 51: case 52: case 53:
            return PlacementRule::AnyObject;
        case 32: case 33: case 34: case 35: case 42:
            return PlacementRule::Pipe;
        default:
            return std::nullopt;
    }
}

bool IsPipeTool(ToolKind kind) { return kind == ToolKind::MainPipe || kind == ToolKind::BranchPipe; }

bool IsDrawingTool(ToolKind kind) {
    switch (kind) {
        case ToolKind::MainPipe:
        case ToolKind::BranchPipe:
        case ToolKind::CutLine:
        case ToolKind::Weld:
        case ToolKind::Tee:
        case ToolKind::Elbow:
        case ToolKind::AngleValve:
        case ToolKind::Component:
        case ToolKind::TextBlock:
            return true;
        default:
            return false;
    }
}

}  // namespace tubra::edit
