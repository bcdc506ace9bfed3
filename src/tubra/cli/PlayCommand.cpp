#include "tubra/cli/PlayCommand.h"

#include <filesystem>
#include <iostream>
#include <string>

#include "platform/AtomicFile.h"
#include "tubra/appcore/Commands.h"
#include "tubra/appcore/Commands.h"
#include "tubra/cli/Commands.h"
#include "tubra/edit/SessionPlayer.h"

namespace tubra::cli {

namespace {

constexpr const char* kUsage = "用法: tubra-cli play SCRIPT [IN.hcd] [-o OUT.hcd]\n";

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
            err << "tubra-cli play: 不认识的选项 '" << a << "'\n" << kUsage;
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
    if (const auto ec = platform::readWholeFile(script, text).error()) {
        err << "tubra-cli play: 无法读取 " << script << "：" << platform::describe(ec) << "\n";
        return 1;
    }

    edit::CommandRegistry registry;
    app::installCommands(registry);
    std::vector<edit::KeyBinding> keys = app::keyBindings();
    // The drawing is saved where the script says; never over the script itself.
    if (!output.empty()) {
        std::error_code ec;
        if (std::filesystem::exists(output, ec) && std::filesystem::equivalent(output, script, ec)) {
            err << "tubra-cli play: 输出文件就是脚本文件，不能覆盖：" << output << "\n";
            return 2;
        }
    }
    edit::SessionPlayer player(appContext(), registry, std::move(keys));
    player.defaultSavePath = output;
    player.protectedPath = script;
    player.scriptFolder = std::filesystem::path(script).parent_path();
    if (!input.empty()) {
        if (const platform::Result<> opened = player.open(input); opened.failed()) {
            err << "tubra-cli play: " << opened.message() << "\n";
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
            err << "tubra-cli play: 脚本没有建立可保存的图形\n";
            return 1;
        }
        // The script's own save often wrote these very bytes there already: the file is
        // written (and waited for on the disk) again only when it would change.
        model::Document& doc = *player.document();
        std::error_code ec;
        const bool savedThere = !doc.path().empty() && std::filesystem::equivalent(doc.path(), output, ec);
        if (savedThere && doc.fileHoldsSave(output)) return 0;
        if (const auto r = doc.saveAs(output); r.failed()) {
            err << "tubra-cli play: " << r.message() << "\n";
            return 1;
        }
    }
    return 0;
}

}  // namespace tubra::cli
