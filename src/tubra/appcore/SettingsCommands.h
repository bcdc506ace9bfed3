#pragma once
// The commands of the settings menu and tool bar: each opens its dialog on a copy of the
// values and writes them back only when the dialog is accepted.

#include "tubra/edit/CommandRegistry.h"

namespace tubra::app::commands {

void colours(edit::CommandContext& c);
void lineWidths(edit::CommandContext& c);
void lineStyles(edit::CommandContext& c);
void layers(edit::CommandContext& c);
void dimensionText(edit::CommandContext& c);
// The snap settings belong to the view's tools: only where there is a view.
void snap(edit::CommandContext& c);
void pageSetup(edit::CommandContext& c);
void elbowTee(edit::CommandContext& c);
void characteristicTable(edit::CommandContext& c);
void titleBlock(edit::CommandContext& c);

}  // namespace tubra::app::commands
