// Report pages through tubra-cli: PDF pages per printed page with searchable text holding every
// value of the filled sample, the --report argument, and the render of a file saved in report
// mode.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <QImage>

#include "platform/qt/PdfText.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/cli/Commands.h"
#include "tubra/cli/PrintCommand.h"
#include "tubra/cli/RenderCommand.h"
#include "tubra/report/Install.h"
#include "tubra/report/ReportJson.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/report/data/InspectionReport.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSample = fs::path(TUBRA_SOURCE_DIR) / "examples" / "report.hcd";

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("tubra_report_print_" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

int call(int (*command)(int, char**), std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return command(static_cast<int>(argv.size()), argv.data());
}

std::string output(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

int pdfPages(const fs::path& pdf) {
    const std::string info = output("pdfinfo '" + pdf.string() + "' 2>/dev/null");
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::string withoutBlanks(std::string s) {
    s.erase(std::remove_if(s.begin(), s.end(), [](unsigned char c) { return std::isspace(c); }), s.end());
    return s;
}

// Every text and measured value of the report's JSON, as the pages print it.
void collectValues(const nlohmann::ordered_json& j, std::vector<std::string>& out) {
    if (j.is_string()) {
        if (!j.get<std::string>().empty()) out.push_back(withoutBlanks(j.get<std::string>()));
    } else if (j.is_number_float()) {
        out.push_back(text::format("%.2f", j.get<double>()));
    } else if (j.is_array() || j.is_object()) {
        for (const auto& e : j) collectValues(e, out);
    }
}

}  // namespace

TEST(ReportPrint, ArgumentsNameTheSetsOrOnePage) {
    using tubra::cli::reportPageArgument;
    EXPECT_EQ(reportPageArgument("full"), 22);
    EXPECT_EQ(reportPageArgument("online"), 28);
    EXPECT_EQ(reportPageArgument("17"), 17);
    EXPECT_EQ(reportPageArgument("0"), 0);
    EXPECT_EQ(reportPageArgument("26"), 26);
    for (const char* bad : {"18", "27", "-1", "6x", "", "Full", "29"}) EXPECT_FALSE(reportPageArgument(bad)) << bad;
}

TEST(ReportPrint, EveryValueOfTheSampleIsSearchableText) {
    ASSERT_TRUE(fs::exists(kSample)) << kSample;
    TempDir tmp;
    std::string all;
    const struct {
        const char* set;
        int pages;
    } prints[] = {{"full", 19}, {"17", 1}, {"online", 4}};
    for (const auto& print : prints) {
        const fs::path pdf = tmp.path / (std::string(print.set) + ".pdf");
        ASSERT_EQ(call(tubra::cli::runPrint, {kSample.string(), "--report", print.set, "-o", pdf.string()}), 0);
        // One A4 portrait page per printed page: 17 pages, (5) and (8) on two sheets each.
        EXPECT_EQ(pdfPages(pdf), print.pages) << print.set;
        all += output("pdftotext -raw '" + pdf.string() + "' - 2>/dev/null");
    }
    ASSERT_FALSE(all.empty()) << "pdftotext gave no text";
    const std::string text = withoutBlanks(all);

    auto doc = tubra::cli::openOrReport(kSample.c_str());
    ASSERT_TRUE(doc);
    const auto* report = tubra::report::inspectionReport(*doc);
    ASSERT_TRUE(report);
    auto json = tubra::report::reportToJson(*report);
    std::vector<std::string> values;
    collectValues(json, values);
    ASSERT_GT(values.size(), 600u);
    for (const std::string& v : values) EXPECT_NE(text.find(v), std::string::npos) << "not in the PDF text: " << v;
    // Words of the forms come back as the characters drawn (no radical look-alikes).
    for (const char* word : {"检验日期", "在用工业管道测厚报告", "使用单位", "页号", "国家质量监督检验检疫总局印制"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
}

TEST(ReportPrint, PrintsWhatTheFileShowsAndRefusesEmptySets) {
    TempDir tmp;
    const fs::path pdf = tmp.path / "shown.pdf";
    // The sample was saved showing every page of the full set.
    ASSERT_EQ(call(tubra::cli::runPrint, {kSample.string(), "-o", pdf.string()}), 0);
    EXPECT_EQ(pdfPages(pdf), 19);

    EXPECT_EQ(call(tubra::cli::runPrint, {kSample.string(), "--report", "nine", "-o", pdf.string()}), 2);
    EXPECT_EQ(call(tubra::cli::runPrint, {kSample.string(), "--report"}), 2);

    // A drawing whose report shows no page: nothing to print, said so, old PDF kept.
    auto& app = tubra::cli::appContext();
    tubra::model::Document empty(app);
    const fs::path file = tmp.path / "none.hcd";
    ASSERT_TRUE(empty.saveAs(file).ok());
    EXPECT_EQ(call(tubra::cli::runPrint, {file.string(), "--report", "full", "-o", pdf.string()}), 1);
    EXPECT_EQ(pdfPages(pdf), 19);
    // A single page is drawn even when empty: the blank form.
    EXPECT_EQ(call(tubra::cli::runPrint, {file.string(), "--report", "6", "-o", pdf.string()}), 0);
    EXPECT_EQ(pdfPages(pdf), 1);
    EXPECT_NE(output("pdftotext -raw '" + pdf.string() + "' -").find("测点编号"), std::string::npos);
}

TEST(ReportPrint, RenderOfAFileInReportModeDrawsItsPage) {
    TempDir tmp;
    const fs::path png = tmp.path / "page.png";
    ASSERT_EQ(call(tubra::cli::runRender, {kSample.string(), png.string(), "--report", "6"}), 0);
    QImage page(QString::fromStdString(png.string()));
    ASSERT_FALSE(page.isNull());
    // A4 portrait at 300 dpi: 2100 x 2900 units.
    EXPECT_EQ(page.size(), QSize(2481, 3426));
    // The outline of the page on the screen look: the margin rectangle 50 units in.
    int darkest = 255;
    for (int y = 55; y <= 63; ++y) darkest = std::min(darkest, page.pixelColor(1240, y).lightness());
    EXPECT_LT(darkest, 160);
    EXPECT_EQ(page.pixelColor(1240, 30), QColor(255, 255, 255));

    // Saved showing the whole set: every page one under the other, on fewer pixels per unit.
    ASSERT_EQ(call(tubra::cli::runRender, {kSample.string(), png.string()}), 0);
    QImage stack(QString::fromStdString(png.string()));
    ASSERT_FALSE(stack.isNull());
    EXPECT_EQ(stack.height(), 16000);
    EXPECT_NEAR(static_cast<double>(stack.height()) / stack.width(), 19 * 2900 / 2100.0, 0.05);
    EXPECT_EQ(call(tubra::cli::runRender, {kSample.string(), png.string(), "--report", "x"}), 2);
}

TEST(ReportPrint, RenderedPdfsAreAsSearchableAsPrintedOnes) {
    ASSERT_TRUE(fs::exists(kSample)) << kSample;
    TempDir tmp;
    std::string all;
    for (const char* set : {"full", "17", "online"}) {
        const fs::path pdf = tmp.path / ("render-" + std::string(set) + ".pdf");
        ASSERT_EQ(call(tubra::cli::runRender, {kSample.string(), pdf.string(), "--report", set}), 0) << set;
        all += output("pdftotext -raw '" + pdf.string() + "' - 2>/dev/null");
    }
    ASSERT_FALSE(all.empty()) << "pdftotext gave no text";
    const std::string text = withoutBlanks(all);
    auto doc = tubra::cli::openOrReport(kSample.c_str());
    ASSERT_TRUE(doc);
    std::vector<std::string> values;
    collectValues(tubra::report::reportToJson(*tubra::report::inspectionReport(*doc)), values);
    ASSERT_GT(values.size(), 600u);
    int missing = 0;
    for (const std::string& v : values)
        if (text.find(v) == std::string::npos) {
            ++missing;
            ADD_FAILURE() << "not in the rendered PDF text: " << v;
        }
    EXPECT_EQ(missing, 0);
    for (const char* word : {"在用工业管道测厚报告", "使用单位", "检验日期"})
        EXPECT_NE(text.find(word), std::string::npos) << word;

    // The drawing sheet too: the table's labels are found as they read.
    const fs::path sheet = tmp.path / "sheet.pdf";
    const fs::path pipeline = fs::path(TUBRA_SOURCE_DIR) / "examples" / "pipeline.hcd";
    ASSERT_EQ(call(tubra::cli::runRender, {pipeline.string(), sheet.string()}), 0);
    const std::string sheetText = withoutBlanks(output("pdftotext -raw '" + sheet.string() + "' - 2>/dev/null"));
    for (const char* word : {"工作", "管线名称", "制图"}) EXPECT_NE(sheetText.find(word), std::string::npos) << word;
    EXPECT_EQ(sheetText.find("⼯"), std::string::npos);  // the Kangxi radical look-alike of 工
}

TEST(ReportPrint, PicturesKeepBothCapsExactly) {
    using tubra::cli::imagePixelsPerUnit;
    const auto pixels = [](int units, double ppu) { return std::max(1.0, std::ceil(units * ppu)); };
    std::vector<platform::Size> sheets;
    for (double zoom : {1.0, 2.0, 3.0, 6.5, 11.0}) {
        sheets.push_back({static_cast<int>(2900 * zoom), static_cast<int>(2050 * zoom)});
        sheets.push_back({static_cast<int>(4100 * zoom), static_cast<int>(2900 * zoom)});
    }
    sheets.push_back({2100, 2900 * 19});  // every page of a full report, one under the other
    sheets.push_back({2100, 2900 * 60});
    sheets.push_back({1, 1});
    for (const platform::Size& s : sheets) {
        const double ppu = imagePixelsPerUnit(s);
        const double w = pixels(s.cx, ppu), h = pixels(s.cy, ppu);
        SCOPED_TRACE(std::to_string(s.cx) + " x " + std::to_string(s.cy));
        EXPECT_LE(w * h, tubra::cli::kMaxImagePixels);
        EXPECT_LE(std::max(w, h), tubra::cli::kLongestImageSide);
        EXPECT_LE(ppu, 300.0 / 254.0);
        // Never fewer pixels than the caps leave room for, but for a pixel's rounding.
        const double room = std::min({300.0 / 254.0, std::sqrt(tubra::cli::kMaxImagePixels / (double(s.cx) * s.cy)),
                                      tubra::cli::kLongestImageSide / std::max(s.cx, s.cy)});
        EXPECT_GT(ppu, room * (1.0 - 2.0 / std::max(1.0, std::min(s.cx, s.cy) * room)) - 1e-9);
    }
    // The pipeline at zoom 3, as the renderer makes it.
    const double ppu = imagePixelsPerUnit({8700, 6150});
    EXPECT_LE(pixels(8700, ppu) * pixels(6150, ppu), 64.0 * 1024 * 1024);
}

namespace {

const fs::path kLong = fs::path(TUBRA_SOURCE_DIR) / "examples" / "report-long.hcd";

// The page each section is printed on.
const std::map<std::string, int> kSectionPage = {
    {"Face_ReportData", 0},     {"JieLun_ReportData", 2},   {"HuiZong_ReportData", 3},
    {"ShengCha_ReportData", 4}, {"HongGuan_ReportData", 5}, {"CeHou_ReportData", 6},
    {"CiFeng_ReportData", 7},   {"ShenTou_ReportData", 8},  {"SheXian_ReportData", 9},
    {"ChaoShen_ReportData", 10}, {"FengXi_ReportData", 11}, {"YingDu_ReportData", 12},
    {"JinXiang_ReportData", 13}, {"NaiYa_ReportData", 14},  {"QiMi_ReportData", 15},
    {"FuShu_ReportData", 16},   {"JianXiu_ReportData", 17}, {"Face_IReportData", 23},
    {"DengJi_IReportData", 24}, {"CeHou_IReportData", 25},  {"JianYan_IReportData", 26}};

// What standard error received while `f` ran.
template <typename F>
std::string standardError(F&& f) {
    std::fflush(stderr);
    char name[] = "/tmp/tubra_stderr_XXXXXX";
    const int fd = ::mkstemp(name);
    const int saved = ::dup(2);
    ::dup2(fd, 2);
    f();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    ::close(fd);
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    ::unlink(name);
    return s.str();
}

// Whether `value` (blank-free UTF-8) is printed in `text` (a form and its continuation sheets,
// blank-free): whole, or its beginning with the continued mark and the rest after it (the rest
// may start again at the beginning of a word the form cut short).
bool printedWholeOrContinued(const std::string& text, const std::string& value) {
    if (text.find(value) != std::string::npos) return true;
    const std::string mark = "…(见续页)";
    for (std::size_t shown = value.size() - 1; shown > 0; --shown) {
        if ((static_cast<unsigned char>(value[shown]) & 0xC0) == 0x80) continue;  // inside a character
        const std::size_t at = text.find(value.substr(0, shown) + mark);
        if (at != std::string::npos) return text.find(value.substr(shown), at + shown + mark.size()) != std::string::npos;
    }
    return false;
}

}  // namespace

TEST(ReportPrint, EveryValueOfTheLongReportIsPrintedWholeOnItsForm) {
    // Every text at its capacity, every several-line text at its line limit: the full set, the
    // repair record and the online set read back from the PDF hold every value (blanks aside),
    // each on its own form, or begun there and continued on that form's continuation sheets.
    ASSERT_TRUE(fs::exists(kLong)) << kLong;
    TempDir tmp;
    auto doc = tubra::cli::openOrReport(kLong.c_str());
    ASSERT_TRUE(doc);
    const auto* report = tubra::report::inspectionReport(*doc);
    ASSERT_TRUE(report);
    std::map<int, std::string> formText;  // blank-free text of each form's sheets
    std::string all;
    const struct {
        const char* set;
        int index;
    } prints[] = {{"full", 22}, {"17", 17}, {"online", 28}};
    for (const auto& print : prints) {
        const fs::path pdf = tmp.path / (std::string(print.set) + ".pdf");
        std::string err = standardError([&] {
            EXPECT_EQ(call(tubra::cli::runPrint, {kLong.string(), "--report", print.set, "-o", pdf.string()}), 0);
        });
        // Everything continues on continuation sheets: nothing is named as cut.
        EXPECT_EQ(err, "") << print.set;
        const auto sheets = tubra::report::sheetsOf(*report, print.index, doc->drawing.table);
        ASSERT_EQ(pdfPages(pdf), static_cast<int>(sheets.size())) << print.set;
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            const std::string page =
                withoutBlanks(output("pdftotext -raw -f " + n + " -l " + n + " '" + pdf.string() + "' - 2>/dev/null"));
            formText[sheets[i].pageIndex] += page;
            all += page;
        }
    }
    ASSERT_FALSE(all.empty()) << "pdftotext gave no text";
    const auto json = tubra::report::reportToJson(*report);
    int checked = 0;
    for (const auto& [section, page] : kSectionPage) {
        SCOPED_TRACE(section);
        ASSERT_TRUE(json.contains(section));
        std::vector<std::string> values;
        collectValues(json[section], values);
        EXPECT_FALSE(values.empty());
        for (const std::string& v : values) {
            // The pipeline class of the cover is printed on the forms that name it.
            const std::string& where = section == "Face_ReportData" && v == "GC2" ? all : formText[page];
            EXPECT_TRUE(printedWholeOrContinued(where, v)) << "not whole on its form: " << v;
            ++checked;
        }
    }
    EXPECT_GT(checked, 1500);
}

TEST(ReportPrint, TextsCutShortAreNamedOnStandardError) {
    // The long file opens on its drawing: title block texts too long for their cells end with
    // "…" (a drawing has no continuation sheet), and the print says which.
    TempDir tmp;
    const fs::path pdf = tmp.path / "drawing.pdf";
    const std::string err = standardError(
        [&] { EXPECT_EQ(call(tubra::cli::runPrint, {kLong.string(), "-o", pdf.string()}), 0); });
    for (const char* field : {"标题栏 制图", "标题栏 审核", "标题栏 制图日期", "标题栏 审核日期"})
        EXPECT_NE(err.find(field), std::string::npos) << field << " in " << err;
    // Those that fit are not named.
    EXPECT_EQ(err.find("标题栏 图号"), std::string::npos) << err;
    EXPECT_EQ(err.find("标题栏 图纸名称"), std::string::npos) << err;
    const std::string text = output("pdftotext -raw '" + pdf.string() + "' - 2>/dev/null");
    EXPECT_NE(text.find("…"), std::string::npos);
    // The sample's title block fits: nothing is named.
    EXPECT_EQ(standardError([&] {
                  call(tubra::cli::runPrint, {(fs::path(TUBRA_SOURCE_DIR) / "examples" / "pipeline.hcd").string(),
                                              "-o", pdf.string()});
              }),
              "");
}

TEST(ReportPrint, TheOnlineReportsContinuationSheetsCarryItsNumber) {
    // Printed and read back: every page of the online report, its continuation sheets too,
    // carries its 报告编号.
    TempDir tmp;
    auto doc = tubra::cli::openOrReport(kSample.c_str());
    ASSERT_TRUE(doc);
    tubra::report::InspectionReport& r = *tubra::report::inspectionReport(*doc);
    r.JianYan_IReportData.texts[42] = "ZX-2024-017";
    std::string defects;
    for (int k = 0; k < 30; ++k) defects += (k ? "\r\n" : "") + text::format("Defect%d", k);
    r.JianYan_IReportData.notes[1] = defects;
    const fs::path file = tmp.path / "continued.hcd";
    ASSERT_TRUE(doc->saveAs(file).ok());
    const fs::path online = tmp.path / "online.pdf";
    ASSERT_EQ(call(tubra::cli::runPrint, {file.string(), "--report", "26", "-o", online.string()}), 0);
    const int pages = pdfPages(online);
    ASSERT_GE(pages, 2);
    for (int n = 1; n <= pages; ++n) {
        const std::string k = std::to_string(n);
        const std::string page =
            withoutBlanks(output("pdftotext -raw -f " + k + " -l " + k + " '" + online.string() + "' - 2>/dev/null"));
        EXPECT_NE(page.find("报告编号：ZX-2024-017"), std::string::npos) << n << ": " << page;
    }
}

TEST(ReportPrint, OneLineOverTheLimitGoesOnAloneAndACodeGoesOnWhole) {
    // A 评定意见 of seven lines on a form that shows six, and a standard's code as a radiograph
    // defect's grade (a narrow column): read back from the PDFs, the form shows the first six
    // lines whole and the mark, the continuation sheet the seventh line; the code is never
    // parted on the form and is whole on its continuation sheet.
    TempDir tmp;
    auto doc = tubra::cli::openOrReport(kSample.c_str());
    ASSERT_TRUE(doc);
    tubra::report::InspectionReport& r = *tubra::report::inspectionReport(*doc);
    std::string seven;
    for (int k = 1; k <= 7; ++k) seven += (k > 1 ? "\r\n" : "") + text::utf8ToGbk(text::format("第%d行评定意见", k));
    r.YingDu_ReportData.note = seven;
    tubra::report::RadiographDefect d = r.radiographDefects.at(0);
    d.grade = "TSGD7005-2018-A1B";
    r.radiographDefects.at(0) = d;
    const fs::path file = tmp.path / "over.hcd";
    ASSERT_TRUE(doc->saveAs(file).ok());
    const auto pages = [&](const char* report) {
        const fs::path pdf = tmp.path / (std::string(report) + ".pdf");
        std::vector<std::string> out;
        if (call(tubra::cli::runPrint, {file.string(), "--report", report, "-o", pdf.string()}) != 0) return out;
        for (int n = 1; n <= pdfPages(pdf); ++n) {
            const std::string k = std::to_string(n);
            out.push_back(withoutBlanks(
                output("pdftotext -raw -f " + k + " -l " + k + " '" + pdf.string() + "' - 2>/dev/null")));
        }
        return out;
    };
    const std::vector<std::string> hardness = pages("12");
    ASSERT_EQ(hardness.size(), 2u);
    const std::string &form = hardness[0], &continued = hardness[1];
    for (int k = 1; k <= 6; ++k)
        EXPECT_NE(form.find(text::format("第%d行评定意见", k)), std::string::npos) << k << ": " << form;
    EXPECT_NE(form.find("…(见续页)"), std::string::npos);
    EXPECT_EQ(form.find("第7行"), std::string::npos);
    EXPECT_NE(continued.find("评定意见（续）第7行评定意见"), std::string::npos) << continued;
    EXPECT_EQ(continued.find("第6行"), std::string::npos);

    const std::vector<std::string> radiograph = pages("9");
    ASSERT_GE(radiograph.size(), 2u);
    for (std::size_t i = 0; i + 1 < radiograph.size(); ++i) EXPECT_EQ(radiograph[i].find("TSGD"), std::string::npos) << i;
    EXPECT_NE(radiograph.back().find("TSGD7005-2018-A1B"), std::string::npos) << radiograph.back();
}
