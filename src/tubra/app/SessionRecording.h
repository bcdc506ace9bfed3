#pragma once
// Records what the user does in a drawing view as a session script (docs/sessions.md), so a
// bug report can carry its reproduction: `tubra-cli play SCRIPT [DRAWING]` replays it.
// Clicks and drags are written as model points, commands as their definitions say, message-box answers and
// dialogs (the fields changed and the buttons pressed) before the action that brought them up.
// Mouse moves without a button are not written: every click carries its own point.

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include <QPointer>
#include <QString>

#include "tubra/app/DrawingView.h"
#include "tubra/appcore/Commands.h"
#include "tubra/edit/SessionRecorder.h"

namespace tubra::app {

class SessionRecording : public DrawingView::Observer {
public:
    // Starts writing to `path`; null (with `error`) when the file cannot be made.
    static std::unique_ptr<SessionRecording> start(const QString& path, QString* error);
    ~SessionRecording() override;

    // From now on the actions in `view` are recorded: the recording follows the active window
    // ("window N" when it comes back to one it recorded before). A window met for the first
    // time says how it started: "new" once its dialog is answered, "new-window" for another
    // window on a drawing it shows, "open" for a drawing from a file. A drawing that no file
    // holds as it stands (unsaved changes, a recovered or imported drawing) is written beside
    // the recording, REC.N.hcd for window N, and opened from there.
    void attach(DrawingView* view);
    // The window of `view` closed ("close" when the recording knew it).
    void windowClosed(DrawingView* view);
    DrawingView* view() const { return view_; }

    // `doc` was saved to its file. A save of its own command is written by the command; one
    // that closing a window asked for is written here, in a window of that drawing.
    void saved(const model::Document& doc);

    // Commands run by the window, around their work; each is written as its definition says.
    void beforeCommand(const Action& action);
    void afterCommand();

    void mouseBefore(DrawingView&, Mouse, QPointF, Qt::MouseButtons, Qt::KeyboardModifiers) override;
    void mouseAfter(DrawingView&, Mouse, QPointF, Qt::MouseButtons, Qt::KeyboardModifiers) override;
    void escapePressed(DrawingView&) override;
    void newDrawing(DrawingView&, const view::NewDrawingValues&) override;

private:
    explicit SessionRecording(const QString& path);
    void write(const std::string& line);
    void detach();
    // The number of a window the recording met, as the player numbers it.
    std::string numberOf(const DrawingView* view) const;
    // The line that starts window `number` on `view`'s drawing, from a file.
    void startFromFile(DrawingView& view, std::size_t number);
    // The model point of a device point under the view's mapping `t` at zoom `zoom`.
    static std::pair<double, double> modelPoint(const edit::DeviceTransform& t, double zoom, QPointF p);

    std::filesystem::path path_;
    std::ofstream out_;
    edit::SessionRecorder recorder_;
    QPointer<DrawingView> view_;
    // The windows in the order the recording met them, as the player numbers them.
    std::vector<DrawingView*> windows_;
    // A command being recorded: its line, or empty when it is not part of sessions.
    bool commandOpen_ = false;
    std::string commandLine_;
    // A left press waiting for its release.
    bool pressOpen_ = false;
    edit::DeviceTransform pressTransform_;
    double pressZoom_ = 1.0;
    QPointF pressAt_;
    Qt::KeyboardModifiers pressModifiers_;
    double zoomBefore_ = 1.0;
};

}  // namespace tubra::app
