#pragma once
// What a drawing view holds between paints, and the zoom, fit, initial-update and page-setup
// computations. The desktop view only applies the results (scroll sizes, scroll position,
// repaint); everything that decides them lives here, free of any window system.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "tubra/model/Document.h"
#include "tubra/view/Projection.h"

namespace tubra::view {

// Logical page extent of a page-size code: 0 A4 (2900 x 2050), 1 A3 (4100 x 2900); other
// codes are treated as A4.
platform::Size pageExtent(int pageSize);

// A pipe length drawn away from the place its layout gives it: the object's index and the
// shift of its text (logical units at the view's zoom).
struct LabelShift {
    std::size_t index = 0;
    double dx = 0, dy = 0;
};

// The last layout of one pipe or elbow annotation: the fields it read and the fields it
// wrote, as they were afterwards. While all of them still hold, laying it out again would
// write the same values, so it is skipped.
struct LaidOutAnnotation {
    bool valid = false;
    std::int32_t mainType = 0;
    double strtDir = 0.0, endDir = 0.0;
    model::Vec3 port1, port2, dimL_st, dimL_ed, dimTxt_st;
    std::int32_t dimAngle = 0;
    std::uint8_t textSize = 0;
    std::array<char, 32> text{};
};

// What the label placement keeps from one placement to the next: the obstacles each object's
// paint makes (LabelPlacement.h). A copy of a view state starts without it.
struct ObstacleCache;
class KeptObstacles {
public:
    KeptObstacles();
    ~KeptObstacles();
    KeptObstacles(const KeptObstacles&);
    KeptObstacles& operator=(const KeptObstacles&);
    KeptObstacles(KeptObstacles&&) noexcept;
    KeptObstacles& operator=(KeptObstacles&&) noexcept;
    ObstacleCache& get() { return *cache_; }

private:
    std::unique_ptr<ObstacleCache> cache_;
};

// The crossing gaps the paint keeps from one paint to the next (LineWork.h). A copy of a view
// state starts without them.
class KeptCrossings;
class KeptCrossingGaps {
public:
    KeptCrossingGaps();
    ~KeptCrossingGaps();
    KeptCrossingGaps(const KeptCrossingGaps&);
    KeptCrossingGaps& operator=(const KeptCrossingGaps&);
    KeptCrossingGaps(KeptCrossingGaps&&) noexcept;
    KeptCrossingGaps& operator=(KeptCrossingGaps&&) noexcept;
    KeptCrossings& get() { return *gaps_; }
    const KeptCrossings& get() const { return *gaps_; }

private:
    std::unique_ptr<KeptCrossings> gaps_;
};

// The reach of every object at any zoom, kept from paint to paint (see PaintReach.h).
class KeptReach;
class KeptPaintReach {
public:
    KeptPaintReach();
    ~KeptPaintReach();
    KeptPaintReach(const KeptPaintReach&);
    KeptPaintReach& operator=(const KeptPaintReach&);
    KeptPaintReach(KeptPaintReach&&) noexcept;
    KeptPaintReach& operator=(KeptPaintReach&&) noexcept;
    KeptReach& get() { return *reach_; }
    const KeptReach& get() const { return *reach_; }

private:
    std::unique_ptr<KeptReach> reach_;
};

// Layouts by list position, and what every layout depends on besides its object.
struct AnnotationMemo {
    double zoom = 0.0, a = 0.0, b = 0.0, alpha = 0.0, beta = 0.0, elbowRadius = 0.0;
    std::int32_t dimSize = 0;
    std::vector<LaidOutAnnotation> entries;
    // The objects changed since the last pass are the ones to look at again, while nothing
    // else a layout reads changed.
    model::ListCursor cursor;
    model::DrawingSettings settings;
    bool autoElevation = false;
};

struct ViewState {
    double ZoomPara = 1.0;
    double X_AxisAngle = 30.0;  // α
    double Y_AxisAngle = 30.0;  // β
    double firstPointElevation = 0.0;  // mm, for the first segment of a new drawing; not saved
    platform::Size pageExtent{2900, 2050};
    platform::Size scrollExtent{2900, 2050};
    model::AxisSettings axis;  // indicator switch and labels
    int frameSwitch = 1;       // frame, title block and characteristic table
    std::array<int, 2> reportDisplay = {0, -1};  // shown?, page index
    // The report dialogs' mode radio, 0 "编辑报告" or 1 "显示报告"; kept between openings.
    int reportDialogMode = 0;
    // Labels of elbows get their elevation automatically; program-wide, off for a new view.
    bool autoElevation = false;

    // Working copies of the title block and table the frame painter shows; exchanged with the
    // document at every paint.
    model::TitleBlock title;
    model::CharacteristicTable table;

    // Paint bookkeeping.
    bool painting = false;               // re-entrancy guard
    // Pipe lengths the last paint drew away from their laid-out place, in list order, so that
    // the tools find them where they are seen.
    std::vector<LabelShift> lengthShifts;
    // The text angle of every object's annotation at this paint (tenths of a degree), in list
    // order; set by prepareView.
    std::vector<int> annotationAngles;
    platform::Point lastAxisOrigin{};    // where the axis indicator stands at this paint
    platform::Point axisErase{};         // where it stood at the paint before (erased first)
    // Layouts kept from one layout pass to the next (prepareAnnotations).
    AnnotationMemo annotationMemo;
    KeptObstacles obstacles;
    KeptCrossingGaps crossingGaps;
    KeptPaintReach paintReach;
    // Where the paint that keeps the objects' numbers as the file keeps them stands.
    model::ListCursor fileNumbers;

    AxisAngles axes() const { return {X_AxisAngle, Y_AxisAngle}; }
};

// How the desktop view applies a computation: new scroll sizes and position, and a repaint.
struct ScrollChange {
    bool setScrollSizes = false;  // apply `extent` (logical units) as the scroll sizes
    platform::Size extent;
    // The top-left corner of the scroll area (logical, y up): the sheet's corner (0, 0), or up
    // and to the left of it where a drawing reaches beyond the sheet's top or left edge. The
    // area is `extent` from there.
    platform::Point origin;
    bool scroll = false;          // scroll to `position` (logical, y up; the view clamps it)
    platform::Point position;
    bool invalidate = false;      // repaint the whole view
};

// Initial update: page extent from the drawing's page size, scroll extent equal to it (without
// zoom), scroll to one sixth in. The view also takes the drawing's axis angles, axis settings,
// title block and table, so a further window on a document starts with its data.
ScrollChange initialUpdate(ViewState& view, const model::Drawing& drawing);

// "放大" and "缩小": ±0.05 around the bounding box of the pipes (or the client rectangle,
// device pixels, of an empty drawing). At the limits 0.1 and 11.0 the zoom is clamped and
// nothing else happens.
ScrollChange zoomIn(ViewState& view, model::Drawing& drawing, const platform::Rect& clientDevice);
ScrollChange zoomOut(ViewState& view, model::Drawing& drawing, const platform::Rect& clientDevice);

// "满屏": for an empty drawing zoom 1.0 and a centred page; otherwise the zoom at which
// everything drawn (the pipeline, free texts, cut lines) fits the window with a margin on every
// side, wherever it lies, and the drawing centred: the scroll area is the sheet at that zoom,
// widened (beyond the sheet's edges too, negative coordinates included) as far as the centred
// window reaches.
ScrollChange fitToWindow(ViewState& view, model::Drawing& drawing, platform::Size clientPixels,
                         double pixelsPerUnit);

// Page setup confirmed: new page size, axis indicator switch and labels.
ScrollChange pageSetup(ViewState& view, model::Document& doc, int pageSize,
                       const model::AxisSettings& axis);

struct NewDrawingValues {
    double alpha = 30.0;
    double beta = 30.0;
    double firstPointElevation = 0.0;
};

// The new-drawing hand-over at the first paint of a new document: `values` are the dialog's
// answer, none when cancelled.
void applyNewDrawing(ViewState& view, model::Document& doc,
                     const std::optional<NewDrawingValues>& values);

// The open hand-over at the next paint after a file was opened: the view takes the file's
// table, title block and report display (and its axis angles and settings).
void applyOpenedDocument(ViewState& view, model::Document& doc);

// ZoomPara, α, β and the object count into the drawing, as every paint and zoom does.
void storeViewInDrawing(const ViewState& view, model::Drawing& drawing);

// Status-bar readouts of the mouse tools (GBK). `logicalCursor` is the cursor converted to
// logical units.
std::string positionReadout(const ViewState& view, platform::Point logicalCursor, int objects,
                            int discarded, int selected);
std::string dragReadout(const ViewState& view, const model::Vec3& start, const model::Vec3& cursor);

// The bounding box of all pipe segments (stored coordinates): left = min x, top = max y,
// right = max x, bottom = min y. None when the drawing has no pipes.
struct Box {
    double left = 0, top = 0, right = 0, bottom = 0;
};
std::optional<Box> pipeBounds(const model::ObjectList& objects);
// The same over everything the pipeline is made of: pipes, elbows, tees, welds and the
// symbols on them (free texts and cut lines aside).
std::optional<Box> pipelineBounds(const model::ObjectList& objects);
// Everything drawn: the pipeline, cut lines and the anchors of free texts.
std::optional<Box> drawnBounds(const model::ObjectList& objects);

}  // namespace tubra::view
