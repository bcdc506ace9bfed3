#pragma once
// The paint of a drawing view: axis indicator, frame, every object with its annotation, body
// and crossing gaps, tees, break lines and welds, then the selection overlay; or a report page
// when the view shows one. The same paint serves the screen, printers and files.

#include <array>
#include <optional>

#include "platform/Canvas.h"
#include "tubra/model/Document.h"
#include "tubra/view/ViewState.h"

namespace tubra::view {

// What the paint asks of the window it paints for.
class ViewHost {
public:
    virtual ~ViewHost() = default;
    // The new-drawing dialog (α, β, first-point elevation); none when cancelled.
    virtual std::optional<NewDrawingValues> askNewDrawing(const ViewState&) { return std::nullopt; }
    // The current mouse tool goes back to its idle state (a report page is shown).
    virtual void resetTool() {}
};

enum class CrossingPass {
    Indexed,   // through a grid over the pipes
    AllPairs,  // every object against every earlier one
};

// Whether a paint shows the selection: a window does; prints and files never show it.
enum class Overlay { Selection, None };

// A paint is two steps. prepareView makes every change a paint brings to the document and the
// view: a file's zoom and the hand-over after "new" or "open" (which may ask `host` for the
// new-drawing values), the view stored in the drawing, labels placed, annotations laid out,
// the pipe lengths that slide for this paint, the report brought to the page shown. `canvas`
// only gives the window corner in logical units. Paint then draws the prepared view and
// changes nothing, so an export or a second view can draw the same document.
void prepareView(model::Document& doc, ViewState& view, const platform::Canvas& canvas,
                 ViewHost* host = nullptr);
void paint(const model::Document& doc, const ViewState& view, platform::Canvas& canvas,
           CrossingPass crossings = CrossingPass::Indexed, Overlay overlay = Overlay::Selection);

// The paint of a prepared view for a CAD file, which keeps what the layer switches hide on
// layers of their own: drawn with `settings` instead of the document's (the exporter's, with
// the layer switches on), every pipe's dimension line also where its switch is off, and no
// selection.
void paintForCad(const model::Document& doc, const ViewState& view,
                 const model::DrawingSettings& settings, platform::Canvas& canvas);

// The paint of a window: prepareView, then paint; the mouse tool of `host` rests while a
// report page is shown. A paint that starts while one is being prepared returns at once.
// `host` may be null (no dialogs).
void OnDraw(model::Document& doc, ViewState& view, platform::Canvas& canvas,
            ViewHost* host = nullptr, CrossingPass crossings = CrossingPass::Indexed,
            Overlay overlay = Overlay::Selection);

// OnDraw in two steps, for a window that paints the prepared view itself (in parts that may
// be painted at the same time, since paint changes nothing): beginDraw prepares the view on
// `whole`, the window's canvas, and is false when a paint is being prepared already (nothing
// is to be drawn); endDraw lets the mouse tool of `host` rest while a report page is shown.
bool beginDraw(model::Document& doc, ViewState& view, const platform::Canvas& whole,
               ViewHost* host = nullptr);
void endDraw(const ViewState& view, ViewHost* host);

// prepareView for a view nobody sees, such as a replayed session, and for saving, which must
// not wait for a paint: every annotation is laid out at its place, none slides.
void onLayout(model::Document& doc, ViewState& view, platform::Canvas& canvas,
              ViewHost* host = nullptr);

// The background: the visible area filled with `BeiJingColor`.
void OnEraseBkgnd(const model::DrawingSettings& settings, platform::Canvas& canvas);

// The three-axis symbol with its labels, when the axis indicator is on: placeAxisIndicator
// decides where it stands at this paint (below the frame's corner, or near the window's
// corner), DrawAxisIndicator erases its previous place and draws it there.
void placeAxisIndicator(ViewState& view, const platform::Canvas& canvas);
void DrawAxisIndicator(const ViewState& view, const model::DrawingSettings& settings,
                       platform::Canvas& canvas);

// Black-on-white printing: `OnPreparePrinting` keeps the colours and sets the background white
// and every line and text colour black when `PrintIsNoColor` is set; `OnEndPrinting` brings the
// kept colours back.
struct SavedColours {
    bool saved = false;
    std::array<platform::Colour, 14> colours{};
};
SavedColours OnPreparePrinting(model::DrawingSettings& settings);
void OnEndPrinting(model::DrawingSettings& settings, const SavedColours& saved);

// Prints page `page` (from 1): the window origin moves to the page, then the view paints,
// without the selection. `printLeft` is the left edge of the printable area in logical units.
void OnPrint(model::Document& doc, ViewState& view, platform::Canvas& canvas, int page,
             int printLeft = 0);

}  // namespace tubra::view
