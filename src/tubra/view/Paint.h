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

// Paints the document into the canvas. A paint that starts while one is running returns at
// once. `host` may be null (no dialogs).
void OnDraw(model::Document& doc, ViewState& view, platform::Canvas& canvas,
            ViewHost* host = nullptr, CrossingPass crossings = CrossingPass::Indexed);

// Everything OnDraw does to the document and the view, without drawing the drawing: the
// file's zoom and the hand-over after "new" or "open", the view stored in the drawing, labels
// placed and annotations laid out. For a view nobody sees, such as a replayed session, and
// for saving, which must not wait for a paint. `canvas` only converts the window corner to
// logical units, unless the view shows a report page: that is painted into it, as showing one
// moves its lists to their pages.
void OnLayout(model::Document& doc, ViewState& view, platform::Canvas& canvas,
              ViewHost* host = nullptr);

// The background: the visible area filled with `BeiJingColor`.
void OnEraseBkgnd(const model::DrawingSettings& settings, platform::Canvas& canvas);

// The three-axis symbol with its labels, when the axis indicator is on.
void DrawAxisIndicator(ViewState& view, const model::DrawingSettings& settings,
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

// Prints page `page` (from 1): the window origin moves to the page, then the view paints.
// `printLeft` is the left edge of the printable area in logical units.
void OnPrint(model::Document& doc, ViewState& view, platform::Canvas& canvas, int page,
             int printLeft = 0);

}  // namespace tubra::view
