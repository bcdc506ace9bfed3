#include "tubra/edit/CommandRegistry.h"

namespace tubra::edit {

void CommandRegistry::add(int id, CommandEntry entry) { entries_[id] = std::move(entry); }

const CommandEntry* CommandRegistry::find(int id) const {
    const auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : &it->second;
}

bool CommandRegistry::isEnabled(int id, const CommandContext& context) const {
    const CommandEntry* e = find(id);
    return e && e->run && (!e->enabled || e->enabled(context));
}

bool CommandRegistry::isChecked(int id, const CommandContext& context) const {
    const CommandEntry* e = find(id);
    return e && e->checked && e->checked(context);
}

bool CommandRegistry::run(int id, CommandContext& context) const {
    if (!isEnabled(id, context)) return false;
    find(id)->run(context);
    // A command may change objects it held on to across its dialogs (while the view was
    // painted): whatever was worked out from the objects is worked out again. A command of
    // the view only (a zoom) keeps it: a large drawing would be worked out anew at every click.
    if (!find(id)->viewOnly) context.doc.drawing.objects.touchAll();
    return true;
}

std::vector<int> CommandRegistry::ids() const {
    std::vector<int> out;
    out.reserve(entries_.size());
    for (const auto& [id, entry] : entries_) out.push_back(id);
    return out;
}

}  // namespace tubra::edit
