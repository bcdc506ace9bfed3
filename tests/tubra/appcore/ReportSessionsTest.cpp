// The recorded sessions of the report dialogs (tests/sessions/report-*.session) replay and
// leave the report their "# expect-report PATH=VALUE" lines say. PATH walks the report's JSON
// (section, member, index...), or is IsShowReport.N of the drawing, view.reportDisplay.N or
// view.ZoomPara of the view, or subPage.P, the sheet (0-based) page P shows of its list. Each
// group of expect-report lines is checked where it stands, after the lines above it have run.

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "text/Gbk.h"
#include "tubra/appcore/Commands.h"
#include "tubra/appcore/Commands.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/edit/SessionScript.h"
#include "tubra/report/Install.h"
#include "tubra/report/ReportJson.h"
#include "tubra/report/ReportPaging.h"

namespace tubra::app {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExpect = "# expect-report ";

std::vector<std::string> linesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The value at `path` as text: strings as they are, numbers as JSON writes them.
std::optional<std::string> valueAt(edit::SessionPlayer& player, const std::string& path) {
    const model::Document& doc = *player.document();
    std::vector<std::string> parts;
    std::stringstream s(path);
    for (std::string part; std::getline(s, part, '.');) parts.push_back(part);
    if (parts.size() == 2 && parts[0] == "IsShowReport") {
        const int i = std::stoi(parts[1]);
        if (i < 0 || i > 1) return std::nullopt;
        return std::to_string(doc.drawing.IsShowReport[static_cast<std::size_t>(i)]);
    }
    const view::ViewState& view = player.view();
    if (parts.size() == 3 && parts[0] == "view" && parts[1] == "reportDisplay") {
        const int i = std::stoi(parts[2]);
        if (i < 0 || i > 1) return std::nullopt;
        return std::to_string(view.reportDisplay[static_cast<std::size_t>(i)]);
    }
    if (parts.size() == 2 && parts[0] == "view" && parts[1] == "ZoomPara") {
        std::ostringstream zoom;
        zoom << view.ZoomPara;
        return zoom.str();
    }
    const report::InspectionReport* r = report::inspectionReport(doc);
    if (!r) return std::nullopt;
    if (parts.size() == 2 && parts[0] == "subPage") {
        const int page = std::stoi(parts[1]);
        if (!report::isSplitListPage(page)) return std::nullopt;
        return std::to_string(report::currentSubPage(*r, page));
    }
    const nlohmann::ordered_json json = report::reportToJson(*r);
    const nlohmann::ordered_json* at = &json;
    for (const std::string& p : parts) {
        if (at->is_array()) {
            const std::size_t i = std::stoul(p);
            if (i >= at->size()) return std::nullopt;
            at = &(*at)[i];
        } else if (at->is_object() && at->contains(p)) {
            at = &(*at)[p];
        } else {
            return std::nullopt;
        }
    }
    return at->is_string() ? at->get<std::string>() : at->dump();
}

std::vector<fs::path> reportSessions() {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(TUBRA_SESSIONS)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("report", 0) == 0 && e.path().extension() == ".session") out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(ReportSessions, EveryPageDialogHasASessionThatLeavesTheReportItSays) {
    const auto sessions = reportSessions();
    ASSERT_GE(sessions.size(), 22u) << "one session per page dialog and the masters";
    edit::CommandRegistry registry;
    installCommands(registry);
    std::vector<edit::KeyBinding> keys = keyBindings();

    // Files a script names (pictures) are found from the scripts' directory, as when they are
    // played there.
    struct InDirectory {
        fs::path old = fs::current_path();
        InDirectory() { fs::current_path(TUBRA_SESSIONS); }
        ~InDirectory() { fs::current_path(old); }
    } inSessions;
    for (const fs::path& path : sessions) {
        SCOPED_TRACE(path.filename().string());
        model::AppContext app;
        report::installInspectionReport(app);
        edit::SessionPlayer player(app, registry, keys);
        const std::vector<std::string> lines = linesOf(path);
        int checks = 0;
        std::size_t next = 0;  // first line not yet run
        for (std::size_t i = 0; i <= lines.size(); ++i) {
            const bool expect = i < lines.size() && lines[i].rfind(kExpect, 0) == 0;
            if (!expect && i < lines.size()) continue;
            if (next < i) {
                // Lines from `next` to `i`, the others blank, so line numbers stay those of
                // the file.
                std::string chunk;
                for (std::size_t k = 0; k < i; ++k) chunk += (k >= next ? lines[k] : "") + "\n";
                const edit::SessionResult result = player.run(chunk);
                ASSERT_TRUE(result.ok) << "line " << result.line << ": " << result.message;
                next = i;
            }
            if (!expect) break;
            const auto split = edit::tokenizeSessionLine(lines[i].substr(kExpect.size()));
            ASSERT_TRUE(split.ok()) << "line " << i + 1 << ": " << split.message();
            const std::vector<std::string>& tokens = split.value();
            for (const std::string& token : tokens) {
                const auto eq = token.find('=');
                ASSERT_NE(eq, std::string::npos) << "line " << i + 1;
                ASSERT_TRUE(player.document());
                const auto v = valueAt(player, token.substr(0, eq));
                ASSERT_TRUE(v) << "line " << i + 1 << ": no " << token.substr(0, eq);
                EXPECT_EQ(*v, token.substr(eq + 1)) << "line " << i + 1;
                ++checks;
            }
            next = i + 1;
        }
        EXPECT_GT(checks, 0) << "a session that checks nothing";
    }
}

}  // namespace
}  // namespace tubra::app
