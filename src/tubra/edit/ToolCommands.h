#pragma once
// The editing commands: choosing a tool, the pipe modifiers, the snap and weld switches, undo,
// restore, the discard box and clear-all. Each runs on the controller of the view it is given
// to, and is available only where there is one.

#include <string>

#include "tubra/edit/CommandRegistry.h"
#include "tubra/edit/Tools.h"

namespace tubra::edit::commands {

bool hasController(const CommandContext& c);

// Switches the command's tool on (or off); checked while that tool is chosen.
void choose(CommandContext& c, const ToolCommand& command);
bool chosen(const CommandContext& c, const ToolCommand& command);

void closedPipe(CommandContext& c);
bool closedPipeOn(const CommandContext& c);
void planeSlant(CommandContext& c);
bool planeSlantOn(const CommandContext& c);
void spaceSlant(CommandContext& c);

void undo(CommandContext& c);
// The undo history: back one edit, forward one edit, and whether there is one to take.
void undoEdit(CommandContext& c);
void redoEdit(CommandContext& c);
bool canUndoEdit(const CommandContext& c);
bool canRedoEdit(const CommandContext& c);
// Ends a command that changes the document (a dialog, a report page) as one edit of the history.
void commitCommand(CommandContext& c, std::string_view name);
// The menu texts naming the edit ("撤销 移动对象").
std::string undoEditText(const CommandContext& c);
std::string redoEditText(const CommandContext& c);
void restore(CommandContext& c);
void emptyDiscardBox(CommandContext& c);
void clearAll(CommandContext& c);

void snapEnd(CommandContext& c);
bool snapEndOn(const CommandContext& c);
void snapMid(CommandContext& c);
bool snapMidOn(const CommandContext& c);
void snapAny(CommandContext& c);
bool snapAnyOn(const CommandContext& c);
void snapWeld(CommandContext& c);
bool snapWeldOn(const CommandContext& c);
void autoWeld(CommandContext& c);
bool autoWeldOn(const CommandContext& c);
void autoElevation(CommandContext& c);
bool autoElevationOn(const CommandContext& c);

}  // namespace tubra::edit::commands
