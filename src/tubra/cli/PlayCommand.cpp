#include "tubra/cli/PlayCommand.h"

#include <filesystem>
#include <iostream>
#include <string>

#include "platform/AtomicFile.h"
#include "tubra/app/Commands.h"
#include "tubra/app/InstallCommands.h"
#include "tubra/cli/Commands.h"
#include "tubra/edit/SessionPlayer.h"

namespace tubra::cli {

namespace {

constexpr const char* kUsage = "usage: tubra-cli play SCRIPT [IN.hcd] [-o OUT.hcd]\n";

}  // namespace

int runPlay(int argc, char** argv) { return runPlay(argc, argv, std::cout, std::cerr); }

int runPlay(int argc, char** argv, std::ostream&, std::ostream& err) {
    std::string script, input, output;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o") {
            if (i + 1 >= argc || !output.empty()) {
                err << kUsage;
                return 2;
            }
            output = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            err << "tubra-cli play: unknown option '" << a << "'\n" << kUsage;
            return 2;
        } else if (script.empty()) {
            script = a;
        } else if (input.empty()) {
            input = a;
        } else {
            err << kUsage;
            return 2;
        }
    }
    if (script.empty()) {
        err << kUsage;
        return 2;
    }
    std::string text;
    if (const auto ec = platform::readWholeFile(script, text)) {
        err << "tubra-cli play: cannot read " << script << ": " << platform::describe(ec) << "\n";
        return 1;
    }

    edit::CommandRegistry registry;
    app::InstallCommands(registry);
    std::vector<edit::KeyBinding> keys;
    for (const app::Accelerator& a : app::Accelerators()) keys.push_back({std::string(a.keys), a.command});
    edit::SessionPlayer player(appContext(), registry, std::move(keys));
    player.defaultSavePath = output;
    if (!input.empty()) {
        std::string error;
        if (!player.open(input, &error)) {
            err << "tubra-cli play: " << error << "\n";
            return 1;
        }
    }
    const edit::SessionResult result = player.run(text);
    if (!result.ok) {
        err << script << ":" << result.line << ": " << result.message << "\n";
        return 1;
    }
    if (!output.empty()) {
        if (!player.document()) {
            err << "tubra-cli play: the script made no drawing to save\n";
            return 1;
        }
        if (const model::Outcome r = player.document()->saveAs(output); !r) {
            err << "tubra-cli play: " << r.message << "\n";
            return 1;
        }
    }
    return 0;
}

}  // namespace tubra::cli
