#pragma once
// The commands of a drawing's view: zoom in and out, fit, refresh and the frame switch. They
// work on the view state and the view port of the context, so the window and a replayed
// session zoom and fit alike.

#include "tubra/edit/CommandRegistry.h"

namespace tubra::edit::commands {

// Whether the context has a window to scroll and repaint.
bool hasPort(const CommandContext& c);

void zoomIn(CommandContext& c);
void zoomOut(CommandContext& c);
void fit(CommandContext& c);
void refresh(CommandContext& c);
// "图框显示": the frame, title block and characteristic table on or off.
void frameSwitch(CommandContext& c);
bool frameShown(const CommandContext& c);

}  // namespace tubra::edit::commands
