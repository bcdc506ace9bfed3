#pragma once
// The commands of the settings menu and tool bar: each opens its dialog on a copy of the
// values and writes them back only when the dialog is accepted. The window runs page setup
// with its own handler (it updates every window of the drawing); sessions run this one.

#include "tubra/edit/CommandRegistry.h"

namespace tubra::app {

namespace settingscmd {
inline constexpr int Colours = 2707;
inline constexpr int LineWidths = 2725;
inline constexpr int LineStyles = 2708;
inline constexpr int Layers = 2739;
inline constexpr int Snap = 2742;
inline constexpr int DimensionText = 2747;
inline constexpr int ElbowTee = 400;
inline constexpr int CharacteristicTable = 403;
inline constexpr int TitleBlock = 404;
inline constexpr int PageSetup = 466;
}  // namespace settingscmd

void InstallSettingsCommands(edit::CommandRegistry& registry);

}  // namespace tubra::app
