#include "tubra/app/SessionRecording.h"

#include <algorithm>
#include <cmath>

#include <QFile>

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "tubra/appcore/Commands.h"
#include "tubra/edit/SessionScript.h"

namespace tubra::app {

std::unique_ptr<SessionRecording> SessionRecording::start(const QString& path, QString* error) {
    std::unique_ptr<SessionRecording> r(new SessionRecording(path));
    if (!r->out_) {
        if (error) *error = QStringLiteral("无法写入会话脚本 %1").arg(path);
        return nullptr;
    }
    r->write("# tubra session, recorded " + platform::isoDateTime(platform::calendarNow()));
    return r;
}

SessionRecording::SessionRecording(const QString& path)
    : path_(QFile::encodeName(path).toStdString()),
      out_(path_, std::ios::out | std::ios::trunc),
      recorder_([this](const std::string& line) { write(line); }) {}

SessionRecording::~SessionRecording() {
    detach();
    write("# end of recording");
}

void SessionRecording::write(const std::string& line) {
    if (!out_) return;
    // Each line at once: a recording that ends in a crash still holds what led to it.
    out_ << line << '\n';
    out_.flush();
}

void SessionRecording::detach() {
    if (!view_) return;
    view_->setObserver(nullptr);
    view_->setInteractionFilter(nullptr, nullptr);
    view_ = nullptr;
}

std::string SessionRecording::numberOf(const DrawingView* view) const {
    return std::to_string(std::find(windows_.begin(), windows_.end(), view) - windows_.begin() + 1);
}

void SessionRecording::windowClosed(DrawingView* view) {
    const auto it = std::find(windows_.begin(), windows_.end(), view);
    if (it == windows_.end()) return;
    // The window closing may no longer be the active one (the next one took over first).
    const bool active = view == view_;
    if (!active) write("window " + numberOf(view));
    write("close");
    *it = nullptr;  // its number stays taken
    if (active)
        detach();
    else if (view_)
        write("window " + numberOf(view_));
}

void SessionRecording::attach(DrawingView* view) {
    if (view == view_) return;
    const DrawingView* previous = view_;
    detach();
    view_ = view;
    if (!view_) return;
    view_->setObserver(this);
    view_->setInteractionFilter(&recorder_.prompter(view_->ownPrompter()), &recorder_.forms(view_->qtForms()));
    const auto known = std::find(windows_.begin(), windows_.end(), view);
    if (known != windows_.end()) {
        write("window " + numberOf(view));
        return;
    }
    windows_.push_back(view);
    const model::Document& doc = view_->document();
    if (doc.newDrawingFlag) return;  // "new" follows when its dialog is answered
    // Another window on a drawing recorded already (新建窗口): made from the one that was
    // active, or else from any window of that drawing.
    const DrawingView* source = nullptr;
    for (DrawingView* w : windows_)
        if (w && w != view && &w->document() == &doc && (!source || w == previous)) source = w;
    if (source) {
        if (source != previous)
            write("window " + numberOf(source));
        write("new-window");
        return;
    }
    startFromFile(*view_, windows_.size());
}

void SessionRecording::startFromFile(DrawingView& view, std::size_t number) {
    model::Document& doc = view.document();
    if (!doc.path().empty() && !doc.isModified()) {
        std::error_code ec;
        std::filesystem::path file = std::filesystem::absolute(doc.path(), ec);
        if (ec) file = doc.path();
        // The first window may be the drawing given to play: older recordings start so.
        if (number == 1)
            write("# starting from the drawing " + file.string() + ": play it with that file");
        else
            write("open " + edit::quoteSessionValue(file.string()));
        return;
    }
    // No file holds this drawing as it stands: it is written beside the recording. The count
    // of objects a save writes comes from writing, which must leave it as it was.
    std::filesystem::path copy = path_;
    copy += "." + std::to_string(number) + ".hcd";
    const std::int32_t total = doc.drawing.Total();
    const std::string data = doc.serialize();
    doc.drawing.Total() = total;
    if (platform::writeFileAtomically(copy, data).failed()) {
        write("# window " + std::to_string(number) + " starts on a drawing with unsaved changes that could not be "
              "written to " + copy.string() + ": what is done in it does not replay");
        return;
    }
    std::string line = "open " + edit::quoteSessionValue(copy.filename().string()) + " unsaved";
    if (!doc.path().empty()) {
        std::error_code ec;
        const std::filesystem::path original = std::filesystem::absolute(doc.path(), ec);
        line += " " + edit::quoteSessionValue((ec ? doc.path() : original).string());
    }
    write("# the drawing as it stood, with its unsaved changes, is " + copy.filename().string() +
          (number == 1 ? ": play this without a drawing" : ""));
    write(line);
}

void SessionRecording::saved(const model::Document& doc) {
    if (commandOpen_ && commandLine_ == "save") return;
    if (view_ && &view_->document() == &doc) {
        write("save");
        return;
    }
    for (DrawingView* w : windows_)
        if (w && &w->document() == &doc) {
            write("window " + numberOf(w));
            write("save");
            if (view_) write("window " + numberOf(view_));
            return;
        }
}

std::pair<double, double> SessionRecording::modelPoint(const edit::DeviceTransform& t, double zoom, QPointF p) {
    const platform::Point l = t.toLogical({p.x(), p.y()});
    const double z = zoom > 0 ? zoom : 1.0;
    return {l.x / z, l.y / z};
}

void SessionRecording::beforeCommand(const Action& action) {
    commandOpen_ = true;
    commandLine_ = recordedLine(action);
    recorder_.beginAction();
}

void SessionRecording::afterCommand() {
    if (!commandOpen_) return;
    commandOpen_ = false;
    recorder_.endAction(commandLine_);
}

void SessionRecording::mouseBefore(DrawingView& view, Mouse kind, QPointF p, Qt::MouseButtons buttons,
                                   Qt::KeyboardModifiers modifiers) {
    switch (kind) {
        case Mouse::LeftDown:
            recorder_.beginAction();
            pressOpen_ = true;
            pressTransform_ = view.deviceTransform();
            pressZoom_ = view.state().ZoomPara;
            pressAt_ = p;
            pressModifiers_ = modifiers;
            break;
        case Mouse::RightDown:
            recorder_.beginAction();
            break;
        case Mouse::Move:
            zoomBefore_ = view.state().ZoomPara;
            (void)buttons;
            break;
        default: break;
    }
}

void SessionRecording::mouseAfter(DrawingView& view, Mouse kind, QPointF p, Qt::MouseButtons buttons,
                                  Qt::KeyboardModifiers) {
    switch (kind) {
        case Mouse::LeftDown: {
            // A press that brought up a message or a dialog is a click of its own: its release
            // goes to no one.
            if (!recorder_.actionAsked()) break;
            const auto [x, y] = modelPoint(pressTransform_, pressZoom_, pressAt_);
            pressOpen_ = false;
            recorder_.endAction(edit::SessionRecorder::clickLine(x, y, pressModifiers_ & Qt::ShiftModifier,
                                                                 pressModifiers_ & Qt::ControlModifier));
            break;
        }
        case Mouse::LeftUp: {
            if (!pressOpen_) break;
            pressOpen_ = false;
            const auto [x1, y1] = modelPoint(pressTransform_, pressZoom_, pressAt_);
            const bool moved = std::abs(p.x() - pressAt_.x()) >= 1.0 || std::abs(p.y() - pressAt_.y()) >= 1.0;
            if (!moved) {
                recorder_.endAction(edit::SessionRecorder::clickLine(
                    x1, y1, pressModifiers_ & Qt::ShiftModifier, pressModifiers_ & Qt::ControlModifier));
                break;
            }
            // Both ends under the mapping of the press: a pan scrolls the view on the way.
            const auto [x2, y2] = modelPoint(pressTransform_, pressZoom_, p);
            recorder_.endAction(edit::SessionRecorder::dragLine("drag", x1, y1, x2, y2));
            break;
        }
        case Mouse::RightDown: {
            const auto [x, y] = modelPoint(view.deviceTransform(), view.state().ZoomPara, p);
            recorder_.endAction(edit::SessionRecorder::pointLine("rclick", x, y));
            zoomBefore_ = view.state().ZoomPara;
            break;
        }
        case Mouse::Move:
            // Zooming with the right button: one zoom command per step.
            if ((buttons & Qt::RightButton) && view.state().ZoomPara != zoomBefore_)
                recorder_.line(recordedLine(*findAction(view.state().ZoomPara < zoomBefore_ ? cmd::ZoomOut : cmd::ZoomIn)));
            break;
        default: break;
    }
}

void SessionRecording::escapePressed(DrawingView&) { recorder_.line("key Escape"); }

void SessionRecording::newDrawing(DrawingView&, const view::NewDrawingValues& v) {
    std::string line = "new " + edit::sessionNumber(v.firstPointElevation);
    if (v.alpha != 30.0 || v.beta != 30.0)
        line += " " + edit::sessionNumber(v.alpha) + " " + edit::sessionNumber(v.beta);
    recorder_.line(line);
}

}  // namespace tubra::app
