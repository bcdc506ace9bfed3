#pragma once
// The pictures of the commands: valves, fittings, supports and crossings drawn by the symbol
// library itself, so the buttons look like the drawing; theme icons for the usual file and
// edit commands; the program's own SVG pictures (data/icons) for the rest.

#include <QIcon>
#include <QImage>

#include "tubra/appcore/Commands.h"

namespace tubra::app {

// The icon of a command, with a disabled look of its own (grey and faint) at every size: the
// style's own greying leaves black symbols black.
QIcon commandIcon(const Action& command);

// Makes the program's bundled files (icons, the about picture's drawing) available.
void initResources();

QIcon applicationIcon();
QIcon documentIcon();

}  // namespace tubra::app
