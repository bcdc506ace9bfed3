#pragma once
// Dimensions of pipes, elevation marks of elbows and the labels of welds, valves, fittings,
// tees, supports and site marks.
//
// An annotation is laid out when first painted and the layout is stored in the object: the
// dimension line (`dimL_st`, `dimL_ed`), the text position (`dimTxt_st`, the top-left of the
// text) and its angle (`dimAngle`, tenths of a degree). Pipes and elbows are laid out again at
// every paint, so they follow their ports; every other kind marks its layout done by setting
// `dimYX1_st` and keeps it, so a label the user moved stays where it was put.

#include <string>
#include <string_view>
#include <utility>

#include "platform/Canvas.h"
#include "tubra/model/ObjectList.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/model/PipeObject.h"
#include "tubra/view/PaintContext.h"
#include "tubra/view/ViewState.h"

namespace tubra::view {

// The two offsets of a layout: `a` from the pipe to the dimension line, `b` from there to the
// text. Without dimension lines the text sits `Dim_Size` + `Dim_High` + `ZhuXianKuan` away.
struct AnnotationOffsets {
    double a = 0;
    double b = 0;
};
AnnotationOffsets annotationOffsetsFor(const model::DrawingSettings& settings);

// The sheet angle of an elbow (degrees) from its incoming and outgoing directions: α when it
// turns between the vertical and the east-west axis, -β between the vertical and the
// north-south axis, -999 for any other pair.
double elbowAngle(int from, int to, const AxisAngles& axes);

// The text angle (tenths of a degree) of an annotation not laid out yet, by kind; a laid-out
// one keeps `dimAngle`. Valves, fittings, supports and site marks store the angle in
// `dimAngle`.
int annotationTextAngle(model::PipeObject& object, const AxisAngles& axes);

// "▽%-7.2fm" of an elevation in millimetres, shown in metres with the blanks removed (GBK).
std::string elevationMark(double elevationMm);

// Removes every blank after the first character of a text; a leading blank stays.
void removeInnerBlanks(model::ObjectText& text);

// Computes and stores the annotation fields of one object (pipes, elbows, welds, tees,
// valves, fittings, supports and site marks), with the offsets `a` and `b`. Empty pipe and
// elbow texts get their default first: the length of a pipe, the elevation of an elbow (when
// `view.autoElevation` is on, else a hidden blank).
void LayoutAnnotation(model::PipeObject& object, const model::DrawingSettings& settings,
                      const ViewState& view, double a, double b);

// The font of dimension and label texts at text angle `angle`.
platform::Font annotationFont(const model::DrawingSettings& settings, int angle, bool underline);

// What paintAnnotation does to the object, without drawing: the text angle a label without a
// layout stores, and the layout while there is none. Returns the text angle (tenths of a
// degree) the annotation is drawn at; 0 for a kind without annotation.
int prepareAnnotation(model::PipeObject& object, const model::DrawingSettings& settings,
                      const ViewState& view);

// Draws the annotation of a prepared object at text angle `angle` (see paintAnnotation).
void paintPreparedAnnotation(const model::PipeObject& object, const PaintContext& ctx, int angle);

// What laying out an annotation may write in its object (LayoutAnnotation and
// annotationTextAngle): taken before a layout and compared after, it tells the list which
// objects the view's layout passes changed.
struct AnnotationFields {
    explicit AnnotationFields(const model::PipeObject& o)
        : dimL_st(o.dimL_st), dimL_ed(o.dimL_ed), dimTxt_st(o.dimTxt_st), dimYX1_st(o.dimYX1_st),
          dimAngle(o.dimAngle), text(o.DistTxt) {}
    model::Vec3 dimL_st, dimL_ed, dimTxt_st, dimYX1_st;
    std::int32_t dimAngle;
    model::ObjectText text;
    // Bit for bit: a layout that writes -0 for 0 changed the object too.
    bool sameAs(const model::PipeObject& o) const;
};

// Runs `layout` on object `i` of the list, which stamps the object when its annotation fields
// changed; returns what `layout` returns.
template <typename Layout>
decltype(auto) layOutTracked(model::ObjectList& list, std::size_t i, Layout&& layout) {
    model::PipeObject& o = list.untracked(i);
    const AnnotationFields before(o);
    struct Stamp {
        model::ObjectList& list;
        std::size_t i;
        const AnnotationFields& before;
        ~Stamp() {
            if (!before.sameAs(std::as_const(list).at(i))) list.touch(i);
        }
    } stamp{list, i, before};
    return layout(o);
}

// prepareAnnotation for every object of the list but tees and break lines, in list order.
// Pipes and elbows whose layout inputs and results are unchanged since the last call with the
// same view are not laid out again, so the pass costs a comparison per unchanged object.
void prepareAnnotations(model::ObjectList& objects, const model::DrawingSettings& settings,
                        ViewState& view);

// Lays out (when needed) and draws the annotation of one object of MainType 2, 3, 8, 12, 29,
// 30, 31 or 37; other kinds draw nothing. Dimension lines, extension lines and arrowheads
// show when `DimLineLayer` is on, texts when `DimTextLayer` is on. A text beginning with "^"
// (pipes and elbows), "0" (pipes) or a blank (every kind but pipes) stays in the object but is
// not shown. A pipe with a flow mark in `Port4.z` gets its flow arrow. The canvas state is
// restored afterwards. prepareAnnotation, then paintPreparedAnnotation.
void paintAnnotation(model::PipeObject& object, const PaintContext& ctx);

}  // namespace tubra::view
