#pragma once
// Drawings made for the tests of the pipeline in real space: through the program's own drawing
// tools (the session player: clicks, dialogs, answers, as a user draws), or object by object for
// shapes the tools cannot make.

#include <memory>
#include <string>
#include <string_view>

#include "tubra/edit/CommandRegistry.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/model/Document.h"
#include "tubra/view/Projection.h"

namespace tubra::testing {

constexpr int kUp = 0, kDown = 1, kEast = 2, kSouth = 3, kWest = 4, kNorth = 5;

class Sketch {
  public:
    // A new drawing at first-point elevation `elevation`, α = β = 30°; automatic welds on.
    explicit Sketch(double elevation = 0.0, bool autoWelds = true);
    ~Sketch();

    // Plays session lines; a line that cannot be carried out fails the test.
    void play(const std::string& lines);

    model::Drawing& drawing();
    const model::DrawingSettings& settings() const { return app_.settings; }
    // Adds a component of symbol `symbol` on `pipe` at `fraction` of its drawn length, as the
    // placing tools build it; returns its index.
    std::size_t place(const model::PipeObject& pipe, double fraction, int symbol);
    // Adds a weld on `pipe` at `fraction` of its drawn length; returns its index.
    std::size_t weld(const model::PipeObject& pipe, double fraction);
    const view::AxisAngles& axes() const { return axes_; }
    model::Vec3 step(const model::Vec3& from, int dir, double sheet) const;

    // A segment of the current pipe tool from `from` in `dir`, `sheet` units long on the
    // drawing and `text` in its length box. The first click catches what lies at `from`.
    // `before` goes between the two clicks (answers the first click asks for).
    const model::PipeObject& segment(const model::Vec3& from, int dir, double sheet,
                                     std::string_view text, std::string_view before = {});
    // The next segment from the end of the last one.
    const model::PipeObject& then(int dir, double sheet, std::string_view text);
    // The end of the last segment drawn.
    model::Vec3 end() const;
    // Gives every pipe the size text `utf8` (new segments get the program's φ500×5.0).
    void sizePipes(std::string_view utf8);
    const model::PipeObject& lastPipe() const;
    // The index of the last object of a kind.
    std::size_t lastIndex(model::ObjectKind kind) const;

  private:
    model::AppContext app_;
    edit::CommandRegistry registry_;
    std::unique_ptr<edit::SessionPlayer> player_;
    view::AxisAngles axes_;
};

// The midpoint of a segment's drawn ports (where clicks are caught on its middle).
model::Vec3 middle(const model::PipeObject& p);

}  // namespace tubra::testing
