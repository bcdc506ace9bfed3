#pragma once
// Where the runs of a pipeline network go on the sheet.
//
// Every run keeps its direction: along one of the six axes of the isometric, in one of the three
// planes (a plane-slanted segment), or in space (a space-slanted segment). Its drawn length is
// not to scale: a run of plain pipe is drawn k·L^0.65 long (L in millimetres), at least a
// readable minimum; a stretch where valves and fittings follow each other is drawn at the scale
// that gives each symbol its room. k is the largest that lets the whole pipeline, its parts side
// by side, fit the free area of the sheet. Runs whose drawing comes near another run that they do
// not cross in space are then made longer or shorter until they keep clear.
//
// The drawing's length texts state the real lengths. So that the pipeline the program rebuilds
// from the drawing lands on the file's points, every length is measured from where the rebuilt
// pipeline stands, not from the file's own previous point: rounding never adds up.

#include <string>
#include <vector>

#include "tubra/layout/PcfNetwork.h"
#include "tubra/view/Projection.h"

namespace tubra::exchange {
struct PcfFile;
}

namespace tubra::layout {

struct ImportOptions;

struct Sheet {
    double x = 0.0;
    double y = 0.0;
};

// The sheet area the pipeline may take, in sheet units (y up, so top > bottom).
struct SheetArea {
    double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
};

struct SheetOptions {
    view::AxisAngles axes;
    double symbolZoom = 4.0;    // DrawZoom_GJFM
    double elbowOffset = 16.0;  // m_wantouR
    SheetArea area;
    // The changes the search against runs drawn too near may make besides changing one run at a
    // time (switched off to see what each brings).
    bool twoChanges = true;  // two runs changed at once, the second clearing what the first caused
    bool slides = true;      // a stretch of the pipeline moved between two parallel runs
    bool kicks = true;       // when every pair is stuck, a change that leaves more for a while
    // After the search, a second one from its best drawing, where a slide may also move a U
    // (two parallel runs running opposite ways, made longer or shorter together).
    bool secondSearch = true;
    // Then the lengths nearest the best drawing that keep every pair of runs on the side of each
    // other they have in the true projection, found by a linear program.
    bool untangle = true;
};

enum class RunShape {
    Axis,     // along an axis: `code` 0..5
    Plane,    // a plane-slanted segment: `plane` 0 (up, east), 1 (up, north), 2 (east, north)
    Space,    // a space-slanted segment
    Closing,  // closes a loop: drawn between the points both its ends have
};

// One drawn piece of a run: a pipe segment of the drawing.
struct RunSegment {
    double s0 = 0.0, s1 = 0.0;  // real millimetres along the run
    bool components = false;    // drawn at the scale its valves and fittings need
    std::string lengthText;     // the real length, a plain decimal in millimetres
    double length = 0.0;        // what the text states
    double d0 = 0.0, d1 = 0.0;  // drawn distance from the run's first point along `dir`
};

struct RunLayout {
    RunShape shape = RunShape::Axis;
    int code = 0;  // direction code: 0..5, 6 plane-slanted, 7 space-slanted and closing
    int plane = -1;
    Point3 axis;  // Axis: its unit vector in space
    // Plane: the two offsets (millimetres) along the plane's first and second axis, as a
    // plane-slanted segment holds them in Port3.
    double offsetA = 0.0, offsetB = 0.0;
    std::vector<RunSegment> segments;
    double rFrom = 0.0, rTo = 0.0;  // where the pipe starts and ends beside an elbow's corner
    Sheet dir;                      // unit drawn direction
    double drawn = 0.0;             // from the first junction's drawn point to the last's
    // Where the program will rebuild its ends (real millimetres, from the part's first point).
    Point3 modelFrom, modelTo;
};

struct SheetLayout {
    std::vector<Sheet> junctions;  // drawn points
    std::vector<RunLayout> runs;   // as the network's spans
    double symbolZoom = 4.0;       // DrawZoom_GJFM the symbols were given room for
    double elbowOffset = 16.0;     // m_wantouR of the drawn elbows
    int crossingsLeft = 0;         // runs still drawn across or onto others they miss in space
    int joinsLeft = 0;             // of those, ends drawn onto other runs: the drawing joins them
    bool squeezed = false;         // everything drawn smaller than readable, to fit
    // The gap (millimetres) between each part after the first and the parts before it.
    std::vector<double> partGaps;
};

// The drawn length of each symbol along an axis direction (for the room of components).
double symbolLength(int symbol, int code, double symbolZoom, const view::AxisAngles& axes);

// A real length as its text: a plain decimal in millimetres to 0.1 mm ("2850", "1234.5").
std::string lengthText(double mm);

SheetLayout layOutSheet(const Network& network, const SheetOptions& options);

// What the pipeline of `file` is laid out for on the page of `options` (PcfImport.h): the angles,
// the symbol size and the free area of the sheet.
SheetOptions sheetOptions(const exchange::PcfFile& file, const ImportOptions& options);

// Whether the pipeline fits the area with full-size symbols and runs no shorter than readable,
// as layOutSheet() would draw it at its most compressed. Cheap: no search against crossings.
bool fitsAtFullSize(const Network& network, const SheetOptions& options);

// Whether the sheet segments p1-p2 and q1-q2 cross at a point inside both. Ends that meet, and
// an end lying on the other segment within rounding, are no crossing.
bool crossesInside(Sheet p1, Sheet p2, Sheet q1, Sheet q2);

// One straight run of a pipeline: where it is drawn, and its real ends in the true isometric
// projection (the drawing's angles, real millimetres).
struct RunPicture {
    Sheet drawn1, drawn2;
    Sheet true1, true2;
};

// Whether two runs show a crossing the pipeline does not have: drawn across each other while
// their true projections do not cross. Two runs that do cross in the true projection may cross
// anywhere on the sheet (the painter gaps the one behind).
bool falseCrossing(const RunPicture& a, const RunPicture& b);

// A real point in the true isometric projection with the given angles.
Sheet trueProjection(Point3 p, const view::AxisAngles& axes);

}  // namespace tubra::layout
