#include "tubra/edit/Tools.h"

#include <algorithm>
#include <iterator>

#include "tubra/model/Kinds.h"

namespace tubra::edit {

namespace {

using model::SymbolCode;

constexpr int code(SymbolCode s) { return static_cast<int>(s); }

constexpr ToolCommand select(int command, ToolKind kind) { return {command, {kind, 0}, false}; }
constexpr ToolCommand toggle(int command, ToolKind kind, int symbol = 0) {
    return {command, {kind, symbol}, true};
}
constexpr ToolCommand component(int command, SymbolCode symbol, bool toggles) {
    return {command, {ToolKind::Component, code(symbol)}, toggles};
}

constexpr ToolCommand kToolCommands[] = {
    select(cmd::MainPipe, ToolKind::MainPipe),
    select(cmd::BranchPipe, ToolKind::BranchPipe),
    select(cmd::CutLine, ToolKind::CutLine),
    select(cmd::Weld, ToolKind::Weld),
    select(cmd::Tee, ToolKind::Tee),
    select(cmd::Elbow, ToolKind::Elbow),
    toggle(cmd::AngleValve, ToolKind::AngleValve, code(SymbolCode::AngleValve)),
    // flange, reducers, sight glass, flow meter, thermometer, pressure gauge
    component(cmd::Flange, SymbolCode::Flange, false),
    component(cmd::ReducerLargeSmall, SymbolCode::ReducerLargeSmall, false),
    component(cmd::ReducerSmallLarge, SymbolCode::ReducerSmallLarge, false),
    component(cmd::SightGlass, SymbolCode::SightGlass, false),
    component(cmd::FlowMeter, SymbolCode::FlowMeter, false),
    component(cmd::Thermometer, SymbolCode::Thermometer, false),
    component(cmd::PressureGauge, SymbolCode::PressureGauge, false),
    // the twelve valves
    component(cmd::GateValve, SymbolCode::GateValve, false),
    component(cmd::GlobeValve, SymbolCode::GlobeValve, false),
    component(cmd::PlugValve, SymbolCode::PlugValve, false),
    component(cmd::DiaphragmValve, SymbolCode::DiaphragmValve, false),
    component(cmd::ButterflyValve, SymbolCode::ButterflyValve, false),
    component(cmd::BallValve, SymbolCode::BallValve, false),
    component(cmd::ThrottleValve, SymbolCode::ThrottleValve, false),
    component(cmd::YValve, SymbolCode::YValve, false),
    component(cmd::CheckValve, SymbolCode::CheckValve, false),
    component(cmd::NeedleValve, SymbolCode::NeedleValve, false),
    component(cmd::PneumaticValve, SymbolCode::PneumaticValve, false),
    component(cmd::SafetyValve, SymbolCode::SafetyValve, false),
    // 45° elbow, cap, plug, compensators, blinds, flame arrester, filter
    component(cmd::Elbow45, SymbolCode::Elbow45, true),
    component(cmd::PipeCap, SymbolCode::PipeCap, true),
    component(cmd::Plug, SymbolCode::Plug, true),
    component(cmd::BellowsJoint, SymbolCode::BellowsJoint, true),
    component(cmd::BallJoint, SymbolCode::BallJoint, true),
    component(cmd::BlindPlate, SymbolCode::BlindPlate, true),
    component(cmd::SpectacleBlind, SymbolCode::SpectacleBlind, true),
    component(cmd::FlameArrester, SymbolCode::FlameArrester, true),
    component(cmd::Filter, SymbolCode::Filter, true),
    // supports and the column
    component(cmd::RigidSupport, SymbolCode::RigidSupport, true),
    component(cmd::SpringSupport, SymbolCode::SpringSupport, true),
    component(cmd::FixedSupport, SymbolCode::FixedSupport, true),
    component(cmd::SlidingSupport, SymbolCode::SlidingSupport, true),
    component(cmd::Column, SymbolCode::Column, true),
    // vessel and crossings
    component(cmd::Vessel, SymbolCode::Vessel, true),
    component(cmd::AcrossRiver, SymbolCode::AcrossRiver, true),
    component(cmd::IntoGround, SymbolCode::IntoGround, true),
    component(cmd::IntoWall, SymbolCode::IntoWall, true),
    component(cmd::RoadCrossing, SymbolCode::RoadCrossing, true),
    component(cmd::RailwayCrossing, SymbolCode::RailwayCrossing, true),
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

std::span<const ToolCommand> toolCommands() { return kToolCommands; }

const ToolCommand* findToolCommand(int command) {
    const auto it = std::find_if(std::begin(kToolCommands), std::end(kToolCommands),
                                 [command](const ToolCommand& t) { return t.command == command; });
    return it == std::end(kToolCommands) ? nullptr : &*it;
}

std::optional<PlacementRule> placementRuleOf(int symbol) {
    switch (static_cast<SymbolCode>(symbol)) {
        case SymbolCode::Flange: case SymbolCode::ReducerLargeSmall: case SymbolCode::ReducerSmallLarge:
        case SymbolCode::PressureGauge: case SymbolCode::Thermometer: case SymbolCode::FlowMeter:
        case SymbolCode::SightGlass:
        case SymbolCode::GateValve: case SymbolCode::GlobeValve: case SymbolCode::PlugValve:
        case SymbolCode::DiaphragmValve: case SymbolCode::ButterflyValve: case SymbolCode::BallValve:
        case SymbolCode::ThrottleValve: case SymbolCode::YValve: case SymbolCode::CheckValve:
        case SymbolCode::NeedleValve: case SymbolCode::PneumaticValve: case SymbolCode::SafetyValve:
            return PlacementRule::OrthogonalPipe;
        case SymbolCode::IntoWall: case SymbolCode::AcrossRiver: case SymbolCode::IntoGround:
        case SymbolCode::Vessel: case SymbolCode::RoadCrossing: case SymbolCode::RailwayCrossing:
        case SymbolCode::Elbow45: case SymbolCode::PipeCap: case SymbolCode::Plug:
        case SymbolCode::BellowsJoint: case SymbolCode::BallJoint: case SymbolCode::BlindPlate:
        case SymbolCode::SpectacleBlind: case SymbolCode::FlameArrester: case SymbolCode::Filter:
            return PlacementRule::AnyObject;
        case SymbolCode::RigidSupport: case SymbolCode::SpringSupport: case SymbolCode::FixedSupport:
        case SymbolCode::SlidingSupport: case SymbolCode::Column:
            return PlacementRule::Pipe;
        case SymbolCode::AngleValve:
            break;
    }
    return std::nullopt;
}

bool isPipeTool(ToolKind kind) { return kind == ToolKind::MainPipe || kind == ToolKind::BranchPipe; }

bool isDrawingTool(ToolKind kind) {
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
