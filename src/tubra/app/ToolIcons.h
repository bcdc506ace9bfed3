#pragma once
// The pictures of the commands: valves, fittings, supports and crossings drawn by the symbol
// library itself, so the buttons look like the drawing; theme icons for the usual file and
// edit commands; small drawn pictures for the rest.

#include <QIcon>
#include <QImage>

#include "tubra/appcore/Commands.h"

namespace tubra::app {

// The icon of a command, with a disabled look of its own (grey and faint) at every size: the
// style's own greying leaves black symbols black.
QIcon commandIcon(const CommandInfo& command);

// A drawn picture of `glyph` in a square of `size` pixels.
QImage glyphImage(Glyph glyph, int size);

// Makes the program's bundled files (icons, the about picture's drawing) available.
void initResources();

QIcon applicationIcon();
QIcon documentIcon();

}  // namespace tubra::app
