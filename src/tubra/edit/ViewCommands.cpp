#include "tubra/edit/ViewCommands.h"

#include "tubra/edit/CommandIds.h"
#include "tubra/edit/ViewPort.h"

namespace tubra::edit {

namespace {

platform::Rect clientRect(const ViewPort& port) {
    const platform::Size c = port.clientSize();
    return {0, 0, c.cx, c.cy};
}

bool hasPort(const CommandContext& c) { return c.port != nullptr; }

}  // namespace

void installViewCommands(CommandRegistry& registry) {
    registry.add(cmd::ZoomIn, {[](CommandContext& c) {
                                   c.port->apply(view::zoomIn(c.view, c.doc.drawing, clientRect(*c.port)));
                               },
                               hasPort, {}});
    registry.add(cmd::ZoomOut, {[](CommandContext& c) {
                                    c.port->apply(view::zoomOut(c.view, c.doc.drawing, clientRect(*c.port)));
                                },
                                hasPort, {}});
    registry.add(cmd::Fit, {[](CommandContext& c) {
                                c.port->apply(view::fitToWindow(c.view, c.doc.drawing, c.port->clientSize(),
                                                                c.port->transform().pixelsPerUnit));
                            },
                            hasPort, {}});
    registry.add(cmd::Refresh, {[](CommandContext& c) { c.port->repaint(); }, hasPort, {}});
    registry.add(cmd::FrameSwitch, {[](CommandContext& c) {
                                        c.view.frameSwitch = c.view.frameSwitch ? 0 : 1;
                                        c.port->repaint();
                                    },
                                    hasPort, [](const CommandContext& c) { return c.view.frameSwitch != 0; }});
}

}  // namespace tubra::edit
