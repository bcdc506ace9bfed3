#pragma once
// Object kinds, direction codes and symbol codes of drawing objects, and what each kind and
// each symbol is to the rest of the program: one row per kind and one per symbol (Kinds.cpp),
// read by the file readers, the painters, the tools, the property dialogs, the bill of
// materials, the real-space model and the PCF exchange. A new symbol is one row there (with
// its line table beside it), a name here if code needs to name it, and the command that
// places it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
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
inline constexpr std::size_t kKindCount = 10;

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

// `SubType` values of symbol objects, for the code that names a particular symbol. Which
// codes exist is said by the symbol rows.
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

constexpr int symbolValue(SymbolCode c) { return static_cast<int>(c); }

// The property dialog an object of a kind opens; its caption and fields are the dialog's own.
enum class PropertyDialog : std::uint8_t {
    None,
    Segment,  // "对象属性——管段"
    Tee,      // "对象属性——三通"
    Elbow,    // "对象属性——弯头"
    Weld,     // "对象属性——焊缝"
    Fitting,  // "对象属性——阀门、管件"
    Support,  // "对象属性——附件"
    Text,     // "输入文字"
};

// The dialogs that show a symbol's object name under "名称:".
namespace named {
inline constexpr std::uint8_t kNowhere = 0;
inline constexpr std::uint8_t kFittingDialog = 1;
inline constexpr std::uint8_t kSupportDialog = 2;
}  // namespace named

// The groups of the bill of materials.
enum class MaterialGroup : int { Pipe, Elbow, Tee, Valve, Fitting, Support, Weld };
inline constexpr int kMaterialGroupCount = 7;

// Where an object sits in the pipeline laid out in real space.
enum class RealRole {
    Run,      // a segment with a direction: up, down, the four horizontal ones, plane-slanted
    Closed,   // a closed (space-slanted) pipe: it joins two points of the pipeline
    Fitting,  // elbows and tees, at the intersection of centre lines
    InLine,   // valves and fittings that take a length of their pipe
    Weld,
    Point,  // supports, gauges, thermometers, 45° elbow marks, site marks, cut lines
};

// What a component tool may be placed on.
enum class PlacementRule {
    OrthogonalPipe,  // a pipe along one of the six directions
    AnyObject,
    Pipe,
};

// How a piping component file (PCF) names a component: its block identifier and symbol key
// (SKEY). An empty identifier: the object is left out of the file.
struct PcfKey {
    std::string_view identifier;
    std::string_view skey;
};

// One kind of object.
struct KindRow {
    ObjectKind kind;
    std::string_view name;  // UTF-8
    PropertyDialog dialog;
    std::optional<MaterialGroup> materials;  // none: not listed in the bill of materials
    std::optional<RealRole> role;            // none: not part of the pipeline
    // A pipe whose direction cannot be followed (space-slanted, or a slanted one without its
    // plane) plays `Closed` instead of `Run`.
    PcfKey pcf;  // objects of the kind (symbol kinds: those whose code has no row of the kind)
    bool symbols;  // `SubType` is a symbol code
};

// One symbol: a code placed by one drawing command.
struct SymbolRow {
    SymbolCode code;
    ObjectKind kind;             // the kind the placing tool gives it
    std::string_view name;       // the command's text, used by the lists (UTF-8)
    std::string_view objectName; // the symbol's own name, shown by the property dialogs
    std::uint8_t namedIn;        // `named::` dialogs that show `objectName`
    // The line table: [0] the length along the pipe, [1] the height across it, then x1, y1,
    // x2, y2 of every segment in drawing order, x along the pipe from the anchor, y across.
    std::span<const double> lines;
    std::optional<PlacementRule> placement;  // none: placed by its own procedure (angle valve)
    std::optional<RealRole> role;            // for objects of the row's kind
    PcfKey pcf;                              // for objects of the row's kind
    // Of the rows sharing `pcf.skey`, the one a PCF file's key is read back as.
    bool pcfReadsBack = false;
    // What a new object of the row's kind starts with as its label (none: the kind's rule).
    std::string_view initialLabel = {};
    // Placing and drawing.
    bool endPointsOnly = false;    // its tool catches end points only
    bool dialogWhenPlaced = false; // its property dialog opens on the object just placed
    bool dashDotDot = false;       // drawn with a thin dash-dot-dot pen, not the valve pen
    bool disc = false;             // a filled octagon halfway along its body
    bool keepsDialUp = false;      // drawn backward on every pipe but an upward one
    bool crossesOtherAxis = false; // as a site mark on a horizontal pipe, turned onto the other one
    bool outletLeans = false;      // its outlet leans toward `StrtDir`
};

// A point and a segment of a line table.
struct SymbolPoint {
    double x = 0;
    double y = 0;
    friend constexpr bool operator==(const SymbolPoint&, const SymbolPoint&) = default;
};
struct SymbolSegment {
    SymbolPoint from;
    SymbolPoint to;
};

// Reading a line table.
struct SymbolLines {
    std::span<const double> data;

    constexpr double length() const { return data[0]; }
    constexpr double height() const { return data[1]; }
    constexpr std::size_t segmentCount() const { return (data.size() - 2) / 4; }
    constexpr SymbolSegment segment(std::size_t i) const {
        const double* p = data.data() + 2 + 4 * i;
        return {{p[0], p[1]}, {p[2], p[3]}};
    }
    // The end of the last segment: where the pipe continues.
    constexpr SymbolPoint exit() const { return segment(segmentCount() - 1).to; }
};

// Every kind; every symbol, in code order.
std::span<const KindRow> allKinds();
std::span<const SymbolRow> allSymbols();

// The row of a kind; null for `MainType` values that are no kind.
const KindRow* kindRow(int mainType);
const KindRow& kindRow(ObjectKind kind);
// The row of a symbol code; null for codes that are no symbol.
const SymbolRow* symbolRow(int code);
// The symbol row of an object: its code's row when that row is of the object's kind.
const SymbolRow* symbolRowOf(int mainType, int subType);

// The kind a symbol code is placed as; none for codes that are not symbols.
std::optional<ObjectKind> kindOfSymbol(int code);
// The command text of a symbol code (UTF-8), empty for codes that are not symbols.
std::string_view symbolName(int code);

// What an object is in the other programs' terms, by its kind and symbol.
PcfKey pcfKeyOf(int mainType, int subType);
std::optional<RealRole> realRoleOf(int mainType, int subType);
std::optional<MaterialGroup> materialGroupOf(int mainType);

// A PCF component read back: the kind and `SubType` its key stands for (-1 where the key
// names no symbol); none for keys no row has. Pipes are known by their identifier alone.
struct KindAndCode {
    ObjectKind kind;
    int subType;
    friend constexpr bool operator==(const KindAndCode&, const KindAndCode&) = default;
};
std::optional<KindAndCode> fromPcfKey(std::string_view identifier, std::string_view skey);

}  // namespace tubra::model
