// Any bytes as a session script: reading it never crashes, and playing what was read never
// crashes or hangs: a line that cannot be carried out ends the play with its line number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tubra/edit/SessionPlayer.h"
#include "tubra/appcore/Commands.h"

using namespace tubra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const edit::ParsedScript script = edit::parseSessionScript(text);
    if (!script.ok && (script.errorLine < 1 || script.error.empty())) std::abort();
    for (const edit::ScriptLine& line : script.lines)
        if (line.number < 1) std::abort();
    // Files are neither written nor read by fuzzing: whatever a path names is not the input.
    for (const edit::ScriptLine& line : script.lines)
        if (line.kind == edit::ScriptLine::Kind::Save || line.kind == edit::ScriptLine::Kind::Open) return 0;
    static edit::CommandRegistry registry = [] {
        edit::CommandRegistry r;
        app::installCommands(r);
        return r;
    }();
    model::AppContext app;
    static const std::vector<edit::KeyBinding> keys = app::keyBindings();
    edit::SessionPlayer player(app, registry, keys);
    const edit::SessionResult r = player.run(script);
    if (!r.ok && r.line < 1) std::abort();
    if (player.document() && player.document()->drawing.Total() !=
                                 static_cast<std::int32_t>(player.document()->drawing.objects.size()))
        std::abort();
    return 0;
}
