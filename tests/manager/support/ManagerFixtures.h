#pragma once
// Drawing files and directories for the manager's tests.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Form.h"
#include "support/GeneratedDrawing.h"
#include "support/TempDir.h"
#include "text/Gbk.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/report/data/InspectionReport.h"

namespace manager::testing {

inline std::string g(const char* utf8) { return text::utf8ToGbk(utf8); }
inline std::string u(std::string_view gbk) { return text::gbkToUtf8(gbk); }
// A report text as a string, for comparisons.
template <typename T>
std::string txt(const T& t) {
    return std::string(t.view());
}

using tubra::testing::TempDir;

inline void writeFile(const std::filesystem::path& path, std::string_view data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// What a test drawing holds: characteristic table and title values (UTF-8; empty rows stay
// empty), a number of generated objects, and a report to go with it.
struct DrawingRecipe {
    std::vector<std::string> table;   // up to 18 values
    std::vector<std::string> title;   // up to 7 values
    int objects = 0;
    std::uint32_t seed = 1;
    std::function<void(tubra::report::InspectionReport&)> report = nullptr;
};

// The file the drawing program writes for `recipe`.
inline std::string drawingText(const DrawingRecipe& recipe) {
    tubra::model::Drawing d;
    tubra::model::DrawingSettings s;
    if (recipe.objects > 0) {
        tubra::testing::GeneratorOptions o;
        o.objects = recipe.objects;
        o.seed = recipe.seed;
        o.fillTable = false;
        tubra::testing::generateDrawing(d, o);
    }
    for (std::size_t i = 0; i < recipe.table.size() && i < 18; ++i) d.table.values[i] = g(recipe.table[i].c_str());
    for (std::size_t i = 0; i < recipe.title.size() && i < 7; ++i) d.title.values[i] = g(recipe.title[i].c_str());
    tubra::report::InspectionReport report;
    if (recipe.report) recipe.report(report);
    d.report = &report;
    std::string out;
    tubra::model::writeDrawing(d, s, out);
    return out;
}

// What the drawing program reads from a file: its table, title block and report.
struct ReadBack {
    tubra::model::Drawing drawing;
    tubra::model::DrawingSettings settings;
    tubra::report::InspectionReport report;
    explicit ReadBack(std::string_view data) {
        drawing.report = &report;
        tubra::model::readDrawing(data, drawing, settings);
    }
    std::string table(int row) const { return u(drawing.table.values[static_cast<std::size_t>(row)].view()); }
    std::string title(int row) const { return u(drawing.title.values[static_cast<std::size_t>(row)].view()); }
};

// Runs forms with a test's function instead of a dialog.
class ScriptedForms : public platform::FormHost {
public:
    explicit ScriptedForms(std::function<bool(platform::Form&)> answer = {}) : answer_(std::move(answer)) {}
    bool run(platform::Form& form) override {
        shown.push_back(form.caption());
        form.reopen();
        return answer_ ? answer_(form) : false;
    }
    std::vector<std::string> shown;

private:
    std::function<bool(platform::Form&)> answer_;
};

}  // namespace manager::testing
