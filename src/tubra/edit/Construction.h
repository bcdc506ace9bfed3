#pragma once
// How the tools build objects, in model units (stored x and y at zoom 1, z in millimetres):
// new segments and their defaults, elbows and tees where segments meet, welds, components
// placed on a pipe, cut lines, continuous drawing, and moving objects. Pure functions of the
// drawing; the view controller decides when to call them.

#include <optional>
#include <string>
#include <vector>

#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/view/Projection.h"

namespace tubra::edit {

// The view's lengths written into `Distanc` of new elbows, tees and components.
struct ObjectLengths {
    double elbow = 200.0;
    double tee = 200.0;
    double component = 200.0;
};

// The shortest segment the tools build (sheet units at zoom 1): a click that would make a
// shorter one is ignored, and a segment is never split into a part shorter than this.
inline constexpr double kMinSegmentLength = 1.0;

// The size (规格), model, material and dates of a new segment.
void applyNewSegmentDefaults(model::PipeObject& segment);
// Gives `to` the size, model, material, dates and wall thickness of `from`: a segment that
// continues or branches off another is the same pipe.
void copyPipeData(model::PipeObject& to, const model::PipeObject& from);
// The same for the further segments of continuous drawing (its size is written with a
// capital Φ).
void applyContinuedSegmentDefaults(model::PipeObject& segment);

// The sheet length of a segment's ports.
double sheetLength(const model::PipeObject& o);

// Whether P lies forward of segment S: beyond its start in its run direction on the sheet.
// Slanted segments have no forward side.
bool isForward(const model::PipeObject& s, const model::Vec3& p);

// The four directions square to a segment's run (for the direction dialog); none for slanted.
std::vector<int> squareDirections(int runDirection);

// The elevation at the end of segment A, as an elbow there takes it.
double elevationAtEnd(const model::PipeObject& a);

// An elbow at the end of A, turning into the direction of B (only B's sheet direction counts):
// its corner `m_wantouR` beyond A's end, its outlet as far from the corner along B.
model::PipeObject makeElbow(const model::PipeObject& a, const model::PipeObject& b, double radius,
                            double length);

// A tee on A at J where B starts: run ends `m_santongChang` either side of J on A, the branch
// end as far along B.
model::PipeObject makeTee(const model::PipeObject& a, const model::Vec3& j,
                          const model::PipeObject& b, double distance, double length);

// The tee the tee tool builds on a segment hit at P ("与中端连接"): the segment joins the tee's
// middle end; the run goes along `pair` (e.g. "上和下", UTF-8).
model::PipeObject makeTeeOnSegment(const model::PipeObject& hit, const model::Vec3& p,
                                   const std::string& pair, double distance, double length,
                                   const view::AxisAngles& axes);

// The creation values of a weld at `p` on a pipe running in `direction`.
model::CreationValues weldValues(const model::Vec3& p, double direction);
// Adds a weld (numbered by the list) and shows its number as its label.
model::PipeObject& addWeld(model::Drawing& drawing, const model::Vec3& p, double direction);

// Puts an object from the discard box back at the end of the list, as it was taken away. A
// weld takes the number it had, or, when another listed weld carries that number now, the next
// number no listed weld carries; a label that showed the old number shows the new one.
model::PipeObject& restoreObject(model::ObjectList& list, const model::PipeObject& kept);
// Appends a copy of `source` ("复制对象"): the same object again, except that a copied weld is
// numbered as a new weld (one more than the welds there are, or the next number no weld
// carries), its label too when it showed the number.
model::PipeObject& duplicateObject(model::ObjectList& list, const model::PipeObject& source);

// The component of symbol `symbol` placed on `hit` at P: from P forward along the hit object
// when P is forward of it, else backward so that it ends at P. The symbol's length is found
// as the view draws it at `zoom`. Not added.
model::PipeObject makeComponent(const model::PipeObject& hit, const model::Vec3& p, int symbol,
                                double length, double outletDirection,
                                const model::DrawingSettings& settings, const view::AxisAngles& axes,
                                double zoom);

// The cut line across `hit` at P.
model::PipeObject makeCutLine(const model::PipeObject& hit, const model::Vec3& p,
                              const model::DrawingSettings& settings, const view::AxisAngles& axes);

// A plane-slanted segment's far end from its plane (`StrtDir` 0..2) and its two offsets
// (`Port3.x`, `Port3.y`): sets `Port2`, `Distanc` and the length text.
void placeSlantedEnd(model::PipeObject& segment, const view::AxisAngles& axes);

// Splits segment A at J into two parts and joins B there: with `useTee`, the tee (already
// listed) stays and B takes A's size and material; without it, the tee is taken out again. B is
// added; welds follow `autoWeld`. Returns B as listed.
struct TeeJoinResult {
    model::PipeObject* first = nullptr;   // A, now ending at J (whole when J is at one of its ends)
    model::PipeObject* second = nullptr;  // the rest of A; none when A was not split
    model::PipeObject* branch = nullptr;  // B
};
TeeJoinResult joinWithTee(model::Drawing& drawing, model::PipeObject& a, model::PipeObject b,
                          model::PipeObject* tee, bool useTee, bool autoWeld);

// The objects continuous drawing adds at each joint.
enum class JointChoice { None, Column, SlidingSupport, FixedSupport, RigidHanger, SpringHanger, Weld };
// The choices as the dialog lists them (UTF-8), in JointChoice order.
const std::vector<std::string>& jointChoiceNames();
// Adds `count` - 1 further segments after `first` (a copy of the dialog's segment), each with
// the object of `choice` at its start. Returns the number of objects added.
int continueSegments(model::Drawing& drawing, const model::PipeObject& first, int count,
                     JointChoice choice);

// Moves an object by d: the ports each kind uses (x and y; z where `withElevation`), and its
// label position.
void translateObject(model::PipeObject& o, const model::Vec3& d, bool withElevation = true);

// Moves every object of the drawing by (dx, dy): ports, tee and elbow points and every
// dimension point.
void moveWholeDrawing(model::ObjectList& objects, double dx, double dy);

// The bounding box of all pipe segments: left, top (greatest y), right, bottom. None without
// segments.
struct SheetBox {
    double left = 0, top = 0, right = 0, bottom = 0;
};
std::optional<SheetBox> segmentBox(const model::ObjectList& objects);

// The five-point frame (closed) around an object's label in view units, or none when the
// object shows no label a user can move.
struct LabelFrame {
    platform::Point points[5];
    platform::Rect bounds() const;
};
std::optional<LabelFrame> findLabelFrame(const model::PipeObject& o, const model::DrawingSettings& s,
                                         double zoom);

// The shortest plain decimal text that reads back as `v` (no exponent, whatever the locale).
std::string shortNumber(double v);

// "atoi" and "atof" of dialog texts.
int textToInt(std::string_view text);
double textToDouble(std::string_view text);

}  // namespace tubra::edit
