#include "tubra/edit/ToolCommands.h"

#include "tubra/edit/Tools.h"
#include "tubra/edit/ViewController.h"

namespace tubra::edit {

std::vector<int> ToolCommandIds() {
    std::vector<int> ids;
    for (const ToolCommand& t : ToolCommands()) ids.push_back(t.command);
    for (int id : {cmd::ClosedPipe, cmd::PlaneSlant, cmd::SpaceSlant, cmd::UndoObject, cmd::Undo,
                   cmd::Restore, cmd::EmptyDiscardBox, cmd::ClearAll, cmd::AutoElevation,
                   cmd::SnapEnd, cmd::SnapMid, cmd::SnapAny, cmd::SnapWeld, cmd::AutoWeld})
        ids.push_back(id);
    return ids;
}

void InstallToolCommands(CommandRegistry& registry) {
    for (int id : ToolCommandIds()) {
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
}

}  // namespace tubra::edit
