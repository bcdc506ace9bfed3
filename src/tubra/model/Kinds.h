#pragma once
// Object kinds, direction codes and symbol codes of drawing objects.

#include <optional>
#include <string_view>

#include "tubra/model/Vec3.h"

namespace tubra::model {

// Values of `MainType`.
enum class ObjectKind : int {
    Pipe = 2,
    Elbow = 3,
    Weld = 8,
    Tee = 12,
    CutLine = 26,
    Valve = 29,
    Fitting = 30,
    Accessory = 31,
    TextBlock = 36,
    SiteMark = 37,
};

constexpr int kindValue(ObjectKind k) { return static_cast<int>(k); }

// Direction codes of `StrtDir` / `EndDir` (stored as doubles, compared after truncation).
enum class Direction : int {
    None = -1,
    Up = 0,
    Down = 1,
    East = 2,
    South = 3,
    West = 4,
    North = 5,
    PlaneSlanted = 6,
    SpaceSlanted = 7,
};

// Truncates a stored direction to its integer code.
constexpr int directionCode(double stored) { return truncToInt(stored); }

// Display name of a direction code 0..7 (UTF-8), empty for others.
std::string_view directionName(int code);

// Planes of a plane-slanted pipe (`StrtDir` of a pipe whose `EndDir` is 6).
enum class SlantPlane : int { UpEastWest = 0, UpNorthSouth = 1, Horizontal = 2 };

// `SubType` values of symbol objects.
enum class SymbolCode : int {
    Flange = 4,
    ReducerLargeSmall = 6,
    ReducerSmallLarge = 7,
    PressureGauge = 9,
    Thermometer = 10,
    FlowMeter = 11,
    GateValve = 13,
    GlobeValve = 14,
    PlugValve = 15,
    DiaphragmValve = 16,
    ButterflyValve = 17,
    BallValve = 18,
    ThrottleValve = 19,
    YValve = 20,
    CheckValve = 21,
    NeedleValve = 22,
    PneumaticValve = 23,
    SafetyValve = 24,
    SightGlass = 25,
    RigidSupport = 32,
    SpringSupport = 33,
    FixedSupport = 34,
    SlidingSupport = 35,
    IntoWall = 38,
    AcrossRiver = 39,
    IntoGround = 40,
    Vessel = 41,
    Column = 42,
    RoadCrossing = 43,
    RailwayCrossing = 44,
    Elbow45 = 45,
    PipeCap = 46,
    Plug = 47,
    BellowsJoint = 48,
    BallJoint = 49,
    BlindPlate = 50,
    SpectacleBlind = 51,
    FlameArrester = 52,
    Filter = 53,
    AngleValve = 54,
};

// Every symbol code, in code order.
inline constexpr SymbolCode kAllSymbols[] = {
    SymbolCode::Flange, SymbolCode::ReducerLargeSmall, SymbolCode::ReducerSmallLarge,
    SymbolCode::PressureGauge, SymbolCode::Thermometer, SymbolCode::FlowMeter,
    SymbolCode::GateValve, SymbolCode::GlobeValve, SymbolCode::PlugValve,
    SymbolCode::DiaphragmValve, SymbolCode::ButterflyValve, SymbolCode::BallValve,
    SymbolCode::ThrottleValve, SymbolCode::YValve, SymbolCode::CheckValve,
    SymbolCode::NeedleValve, SymbolCode::PneumaticValve, SymbolCode::SafetyValve,
    SymbolCode::SightGlass, SymbolCode::RigidSupport, SymbolCode::SpringSupport,
    SymbolCode::FixedSupport, SymbolCode::SlidingSupport, SymbolCode::IntoWall,
    SymbolCode::AcrossRiver, SymbolCode::IntoGround, SymbolCode::Vessel, SymbolCode::Column,
    SymbolCode::RoadCrossing, SymbolCode::RailwayCrossing, SymbolCode::Elbow45,
    SymbolCode::PipeCap, SymbolCode::Plug, SymbolCode::BellowsJoint, SymbolCode::BallJoint,
    SymbolCode::BlindPlate, SymbolCode::SpectacleBlind, SymbolCode::FlameArrester,
    SymbolCode::Filter, SymbolCode::AngleValve};

// The kind a symbol code is placed as; none for codes that are not symbols.
std::optional<ObjectKind> kindOfSymbol(int code);

// The command text of a symbol code (UTF-8), empty for codes that are not symbols.
std::string_view symbolName(int code);

// The property-dialog title of a kind (UTF-8), empty for kinds without one.
std::string_view kindDialogTitle(ObjectKind kind);

}  // namespace tubra::model
