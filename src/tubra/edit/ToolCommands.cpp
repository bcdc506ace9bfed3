#include "tubra/edit/ToolCommands.h"

#include "tubra/edit/Tools.h"
#include "tubra/edit/ViewController.h"

namespace tubra::edit {

namespace {

// The commands of the controller that switch no tool.
constexpr int kControllerCommands[] = {
    cmd::ClosedPipe, cmd::PlaneSlant, cmd::SpaceSlant, cmd::UndoObject, cmd::Undo,
    cmd::Restore,    cmd::EmptyDiscardBox, cmd::ClearAll, cmd::AutoElevation, cmd::SnapEnd,
    cmd::SnapMid,    cmd::SnapAny, cmd::SnapWeld, cmd::AutoWeld};

void addControllerCommand(CommandRegistry& registry, int id) {
    CommandEntry entry;
    entry.run = [id](CommandContext& c) {
        if (c.controller) c.controller->command(id);
    };
    entry.enabled = [](const CommandContext& c) { return c.controller != nullptr; };
    entry.checked = [id](const CommandContext& c) {
        return c.controller != nullptr && c.controller->isChecked(id);
    };
    registry.add(id, std::move(entry));
}

}  // namespace

void installToolCommands(CommandRegistry& registry) {
    for (const ToolCommand& t : toolCommands()) addControllerCommand(registry, t.command);
    for (int id : kControllerCommands) addControllerCommand(registry, id);
}

}  // namespace tubra::edit
