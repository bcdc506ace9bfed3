#pragma once
// Every command id of the drawing program, each defined once. They are the program's resource
// ids: the menus, tool bars and keys refer to them, session scripts name them ("command 2709"),
// files never see them. Who carries a command out is said in the command table
// (appcore/Commands.cpp): the window itself, or the command registry on the active view.

namespace tubra::cmd {

// --- window: files, printing, windows, help, bars, recording ---
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
inline constexpr int NewWindow = 57648;
inline constexpr int ArrangeIcons = 57649;
inline constexpr int Cascade = 57650;
inline constexpr int Tile = 57651;
inline constexpr int NextPane = 57680;
inline constexpr int PrevPane = 57681;
inline constexpr int About = 57664;
inline constexpr int Help = 452;
inline constexpr int HelpKey = 57670;  // the F1 help request
inline constexpr int ToolBar = 59392;
inline constexpr int StatusBar = 59393;
inline constexpr int ValveBar = 475;
inline constexpr int AccessoryBar = 476;
inline constexpr int FittingBar = 477;
inline constexpr int QuickBar = 483;
inline constexpr int RecordSession = 3100;
inline constexpr int StopRecording = 3101;
// When recovery copies of unsaved drawings are written.
inline constexpr int RecoverySettings = 3102;
// The drawing in other forms: exports, its material list and its 3D view.
inline constexpr int ExportPcf = 2749;
inline constexpr int ExportDxf = 2750;
inline constexpr int Materials = 2751;
inline constexpr int View3D = 2752;
// A piping component file laid out as a new drawing.
inline constexpr int ImportPcf = 2753;

// --- the view of a drawing ---
inline constexpr int ZoomIn = 2700;
inline constexpr int ZoomOut = 2701;
inline constexpr int Fit = 2702;
inline constexpr int Refresh = 2738;
inline constexpr int FrameSwitch = 2748;

// --- edit ---
inline constexpr int Undo = 57643;  // the object stack, as 2704 (older recordings name it)
inline constexpr int UndoEdit = 2760;   // the undo history
inline constexpr int RedoEdit = 2761;
inline constexpr int UndoObject = 2704;
inline constexpr int Restore = 2705;
inline constexpr int Paste = 57637;
inline constexpr int CopyObjects = 57634;  // the copy tool (Ctrl+C)
inline constexpr int Cut = 57635;          // no action of its own: clicks select
inline constexpr int Select = 470;
inline constexpr int DeleteSelection = 474;
inline constexpr int DeleteTool = 2745;
inline constexpr int ClearAll = 2741;
inline constexpr int EmptyDiscardBox = 2992;
inline constexpr int MoveObjects = 2743;
inline constexpr int MoveDimension = 2746;
inline constexpr int MoveDrawing = 402;
inline constexpr int Properties = 2744;
inline constexpr int Pan = 2703;

// --- pipes and the tools without a symbol ---
inline constexpr int MainPipe = 2709;
inline constexpr int BranchPipe = 2710;
inline constexpr int PlaneSlant = 2711;
inline constexpr int SpaceSlant = 2712;
inline constexpr int ClosedPipe = 2713;
inline constexpr int CutLine = 2714;
inline constexpr int Weld = 2715;
inline constexpr int Tee = 2717;
inline constexpr int Elbow = 2718;
inline constexpr int TextBlock = 2721;

// --- fittings, valves, accessories and site marks: each places the symbol of its name ---
inline constexpr int Flange = 2716;
inline constexpr int ReducerLargeSmall = 2719;
inline constexpr int ReducerSmallLarge = 2720;
inline constexpr int SightGlass = 2740;
inline constexpr int FlowMeter = 2722;
inline constexpr int Thermometer = 2723;
inline constexpr int PressureGauge = 2724;
inline constexpr int GateValve = 2726;
inline constexpr int GlobeValve = 2727;
inline constexpr int PlugValve = 2728;
inline constexpr int DiaphragmValve = 2729;
inline constexpr int ButterflyValve = 2730;
inline constexpr int BallValve = 2731;
inline constexpr int ThrottleValve = 2732;
inline constexpr int YValve = 2733;
inline constexpr int CheckValve = 2734;
inline constexpr int NeedleValve = 2735;
inline constexpr int PneumaticValve = 2736;
inline constexpr int SafetyValve = 2737;
inline constexpr int AngleValve = 497;
inline constexpr int Elbow45 = 487;
inline constexpr int PipeCap = 488;
inline constexpr int Plug = 489;
inline constexpr int BellowsJoint = 490;
inline constexpr int BallJoint = 491;
inline constexpr int BlindPlate = 492;
inline constexpr int SpectacleBlind = 493;
inline constexpr int FlameArrester = 495;
inline constexpr int Filter = 496;
inline constexpr int RigidSupport = 444;
inline constexpr int SpringSupport = 445;
inline constexpr int FixedSupport = 446;
inline constexpr int SlidingSupport = 447;
inline constexpr int Column = 459;
inline constexpr int Vessel = 453;
inline constexpr int AcrossRiver = 454;
inline constexpr int IntoGround = 457;
inline constexpr int IntoWall = 458;
inline constexpr int RoadCrossing = 461;
inline constexpr int RailwayCrossing = 462;
// The valve menu's gate and globe valve: shown, never available (the valve bar places them).
inline constexpr int GateValveMenu = 422;
inline constexpr int GlobeValveMenu = 423;

// --- quick settings: switches of the editing tools ---
inline constexpr int AutoElevation = 478;
inline constexpr int SnapEnd = 479;
inline constexpr int SnapMid = 480;
inline constexpr int SnapAny = 481;
inline constexpr int SnapWeld = 482;
inline constexpr int AutoWeld = 485;

// --- settings dialogs ---
inline constexpr int Colours = 2707;
inline constexpr int LineWidths = 2725;
inline constexpr int LineStyles = 2708;
inline constexpr int DimensionText = 2747;
inline constexpr int Layers = 2739;
inline constexpr int Snap = 2742;
inline constexpr int CharacteristicTable = 403;
inline constexpr int TitleBlock = 404;
inline constexpr int ElbowTee = 400;
inline constexpr int PageSetup = 466;

// --- reports ---
inline constexpr int FullReport = 448;
inline constexpr int OnlineReport = 473;
inline constexpr int ShowReport = 465;

}  // namespace tubra::cmd

namespace tubra::edit {
namespace cmd = tubra::cmd;
}  // namespace tubra::edit
