#include "tubra/edit/ToolCommands.h"

#include "tubra/edit/ViewController.h"

namespace tubra::edit::commands {

using Snap = ViewController::SnapSwitch;

bool hasController(const CommandContext& c) { return c.controller != nullptr; }

void choose(CommandContext& c, const ToolCommand& command) { c.controller->choose(command); }
bool chosen(const CommandContext& c, const ToolCommand& command) {
    return c.controller && c.controller->chosen(command.tool);
}

void closedPipe(CommandContext& c) { c.controller->toggleClosedPipe(); }
bool closedPipeOn(const CommandContext& c) { return c.controller && c.controller->closedPipe(); }
void planeSlant(CommandContext& c) { c.controller->togglePlaneSlant(); }
bool planeSlantOn(const CommandContext& c) { return c.controller && c.controller->planeSlant(); }
void spaceSlant(CommandContext& c) { c.controller->spaceSlant(); }

void undo(CommandContext& c) { c.controller->undo(); }
void restore(CommandContext& c) { c.controller->restore(); }

void undoEdit(CommandContext& c) {
    if (c.controller) {
        c.controller->undoEdit();
    } else if (c.doc.undo()) {
        c.notifyChanged();
    }
}

void redoEdit(CommandContext& c) {
    if (c.controller) {
        c.controller->redoEdit();
    } else if (c.doc.redo()) {
        c.notifyChanged();
    }
}

void commitCommand(CommandContext& c, std::string_view name) {
    if (c.doc.commit(name, model::Document::Reach::Everything, c.prompter)) return;
    // Refused and taken back: the view shows the drawing as it was.
    if (c.controller) c.controller->followDocument();
    c.notifyChanged();
}

bool canUndoEdit(const CommandContext& c) { return c.doc.canUndo(); }
bool canRedoEdit(const CommandContext& c) { return c.doc.canRedo(); }

std::string undoEditText(const CommandContext& c) {
    return c.doc.canUndo() ? "撤销 " + c.doc.undoName() : std::string("撤销");
}

std::string redoEditText(const CommandContext& c) {
    return c.doc.canRedo() ? "重做 " + c.doc.redoName() : std::string("重做");
}
void emptyDiscardBox(CommandContext& c) { c.controller->emptyDiscardBox(); }
void clearAll(CommandContext& c) { c.controller->clearAll(); }

void snapEnd(CommandContext& c) { c.controller->toggleSnap(Snap::EndPoints); }
bool snapEndOn(const CommandContext& c) { return c.controller && c.controller->settings().snap.endPoints; }
void snapMid(CommandContext& c) { c.controller->toggleSnap(Snap::MidPoints); }
bool snapMidOn(const CommandContext& c) { return c.controller && c.controller->settings().snap.midPoints; }
void snapAny(CommandContext& c) { c.controller->toggleSnap(Snap::AnyPoint); }
bool snapAnyOn(const CommandContext& c) { return c.controller && c.controller->settings().snap.anyPoint; }
void snapWeld(CommandContext& c) { c.controller->toggleSnap(Snap::WeldsOnly); }
bool snapWeldOn(const CommandContext& c) { return c.controller && c.controller->settings().snap.weldsOnly; }
void autoWeld(CommandContext& c) { c.controller->toggleAutoWeld(); }
bool autoWeldOn(const CommandContext& c) { return c.controller && c.controller->settings().autoWeld; }
void autoElevation(CommandContext& c) { c.controller->toggleAutoElevation(); }
bool autoElevationOn(const CommandContext& c) { return c.controller && c.controller->settings().autoElevation; }

}  // namespace tubra::edit::commands
