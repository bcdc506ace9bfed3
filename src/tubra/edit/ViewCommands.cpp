#include "tubra/edit/ViewCommands.h"

#include "tubra/edit/ViewPort.h"

namespace tubra::edit::commands {

namespace {

platform::Rect clientRect(const ViewPort& port) {
    const platform::Size c = port.clientSize();
    return {0, 0, c.cx, c.cy};
}

}  // namespace

bool hasPort(const CommandContext& c) { return c.port != nullptr; }

void zoomIn(CommandContext& c) { c.port->apply(view::zoomIn(c.view, c.doc.drawing, clientRect(*c.port))); }

void zoomOut(CommandContext& c) { c.port->apply(view::zoomOut(c.view, c.doc.drawing, clientRect(*c.port))); }

void fit(CommandContext& c) {
    c.port->apply(view::fitToWindow(c.view, c.doc.drawing, c.port->clientSize(), c.port->transform().pixelsPerUnit));
}

void refresh(CommandContext& c) { c.port->repaint(); }

void frameSwitch(CommandContext& c) {
    c.view.frameSwitch = c.view.frameSwitch ? 0 : 1;
    c.port->repaint();
}

bool frameShown(const CommandContext& c) { return c.view.frameSwitch != 0; }

}  // namespace tubra::edit::commands
