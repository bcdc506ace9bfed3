#include "manager/cli/Commands.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>

#include <nlohmann/json.hpp>

#include "manager/core/DrawingFiles.h"
#include "manager/core/Exports.h"
#include "manager/core/Forms.h"
#include "manager/core/ListFields.h"
#include "manager/core/Listing.h"
#include "manager/core/Manager.h"
#include "platform/AtomicFile.h"
#include "platform/ProgramHelp.h"
#include "platform/SystemError.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/LineReader.h"
#include "tubra/exchange/MaterialsExport.h"
#include "tubra/report/data/InspectionReport.h"

namespace manager::cli {

namespace fs = std::filesystem;
using common::isWorkbookName;
using common::Workbook;
using common::writeWorkbook;

namespace {

constexpr int kOk = 0, kFileError = 1, kUsageError = 2;

// A wrong command line: says what is wrong and shows the command's usage.
struct UsageError {
    std::string message;
};

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // "--name" -> value ("" for flags)
    std::vector<std::string> flags;               // flags seen, for validation

    bool has(const std::string& name) const { return options.count(name) != 0; }
    std::optional<std::string> get(const std::string& name) const {
        const auto it = options.find(name);
        if (it == options.end()) return std::nullopt;
        return it->second;
    }
};

// Splits arguments into positional ones and options; `valued` options take the next argument.
Args parse(const std::vector<std::string>& raw, const std::vector<std::string>& valued,
           const std::vector<std::string>& flags) {
    Args a;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::string& s = raw[i];
        if (s.size() > 2 && s.rfind("--", 0) == 0) {
            if (std::find(valued.begin(), valued.end(), s) != valued.end()) {
                if (i + 1 >= raw.size()) throw UsageError{s + " 需要一个值"};
                a.options[s] = raw[++i];
            } else if (std::find(flags.begin(), flags.end(), s) != flags.end()) {
                a.options[s] = "";
            } else {
                throw UsageError{"未知的选项 " + s};
            }
        } else {
            a.positional.push_back(s);
        }
    }
    return a;
}

void warn(const std::string& message) { std::cerr << "vesko-cli: " << message << "\n"; }

// Why a file or directory could not be used, in the words tubra-cli uses.
std::string reason(const std::error_code& ec) {
    if (ec == platform::FileError::tooLarge)
        return "文件超过 " + std::to_string(tubra::model::kMaxDrawingFileBytes >> 20) + " MB";
    return platform::describe(ec);
}

std::string cannotOpen(const fs::path& path, const std::error_code& ec) {
    return "无法打开文件 " + path.string() + ": " + reason(ec);
}

std::string describe(const FileError& e) {
    if (e.kind == FileError::Read) return cannotOpen(e.path, e.error);
    return "无法保存文件 " + e.path.string() + ": " + reason(e.error);
}

// Lists a directory as the window does; each file that cannot be read is named on standard
// error, and `failed` counts them.
bool listOrReport(PipelineList& list, const fs::path& dir, bool reportMode, int& failed) {
    list.reportMode = reportMode;
    std::vector<UnreadableFile> unreadable;
    if (const auto listed = listDirectory(list, dir, &unreadable); listed.failed()) {
        warn("无法读取目录 " + dir.string() + ": " + reason(listed.error()));
        ++failed;
        return false;
    }
    for (const UnreadableFile& f : unreadable) {
        warn(cannotOpen(dir / f.name, f.error));
        ++failed;
    }
    return true;
}

// The exit code of a command that went through every file; after failures the last line on
// standard error sums them up.
int finish(int failed, const std::string& summary) {
    if (failed == 0) return kOk;
    warn(summary);
    return kFileError;
}

std::string notListed(int failed) { return text::format("有 %d 个文件无法读取，未列出", failed); }

// The text the window shows for the directory's node: its name.
std::string nodeText(const fs::path& dir) {
    const fs::path clean = fs::absolute(dir).lexically_normal();
    std::string name = clean.filename().string();
    if (name.empty()) name = clean.parent_path().filename().string();
    return name.empty() ? clean.string() : name;
}

std::string utf8(std::string_view gbk) { return text::gbkToUtf8(gbk); }

void printList(const PipelineList& list, const fs::path& dir, std::string_view format) {
    const int columns = list.columnCount();
    if (format == "tsv") {
        const std::string out = textExport(list);
        std::fwrite(out.data(), 1, out.size(), stdout);
        return;
    }
    const std::string summary = statusSummary(nodeText(dir), list.size(), list.totalLength());
    if (format == "json") {
        nlohmann::json j;
        j["directory"] = dir.string();
        j["columns"] = nlohmann::json::array();
        for (int c = 0; c < columns; ++c) j["columns"].push_back(std::string(kColumnHeaders[static_cast<std::size_t>(c)]));
        j["rows"] = nlohmann::json::array();
        for (const ListRow& row : list.rows) {
            nlohmann::json r = nlohmann::json::array();
            for (int c = 0; c < columns; ++c) r.push_back(utf8(row.cell(c)));
            j["rows"].push_back(std::move(r));
        }
        j["count"] = list.size();
        j["totalLength"] = list.totalLength();
        j["summary"] = summary;
        std::cout << j.dump(2) << "\n";
        return;
    }
    for (int c = 0; c < columns; ++c) std::cout << (c ? "\t" : "") << kColumnHeaders[static_cast<std::size_t>(c)];
    std::cout << "\n";
    for (const ListRow& row : list.rows) {
        for (int c = 0; c < columns; ++c) std::cout << (c ? "\t" : "") << utf8(row.cell(c));
        std::cout << "\n";
    }
    std::cout << summary << "\n";
}

std::string outputFormat(const Args& a) {
    if (a.has("--tsv") && a.has("--json")) throw UsageError{"--tsv 和 --json 不能同时使用"};
    return a.has("--tsv") ? "tsv" : a.has("--json") ? "json" : "text";
}

void wantPositional(const Args& a, std::size_t min, std::size_t max) {
    if (a.positional.size() < min) throw UsageError{"缺少参数"};
    if (a.positional.size() > max) throw UsageError{"多余的参数: " + a.positional[max]};
}

bool reportWrite(const fs::path& path, const platform::Result<>& written) {
    if (written.ok()) return true;
    warn(describe({FileError::Write, path, written.error()}));
    return false;
}

bool writeOrReport(const fs::path& path, std::string_view data) {
    return reportWrite(path, platform::writeFileAtomically(path, data));
}

bool writeOrReport(const fs::path& path, const Workbook& book) { return reportWrite(path, writeWorkbook(path, book)); }

// One rule for every workbook the tools write: its name ends in ".xlsx".
void wantWorkbookName(const fs::path& path) {
    if (!isWorkbookName(path)) throw UsageError{"Excel 工作簿的文件名应以 .xlsx 结尾：" + path.string()};
}

// An export never replaces a drawing, neither a "*.hcd" file nor one of the listed files.
bool refusedOutput(const fs::path& out, const PipelineList& list) {
    if (!isDrawingOutput(out, list)) return false;
    warn("输出文件 " + out.string() + " 是图形文件，导出操作取消！");
    return true;
}



int runList(const std::vector<std::string>& raw) {
    const Args a = parse(raw, {}, {"--report", "--tsv", "--json"});
    wantPositional(a, 1, 1);
    const std::string format = outputFormat(a);
    const fs::path given = a.positional[0];
    PipelineList list;
    std::error_code ec;
    if (!fs::is_directory(given, ec)) {
        // One drawing, as `vesko FILE.hcd` takes one: its row as its directory lists it.
        if (!isDrawingFileName(given.filename().string()))
            throw UsageError{"list 需要一个目录或一个图形文件 (*.hcd)：" + given.string()};
        list.reportMode = a.has("--report");
        if (const auto listed = listFile(list, given); listed.failed()) {
            warn(cannotOpen(given, listed.error()));
            return kFileError;
        }
        printList(list, list.directory, format);
        return kOk;
    }
    int failed = 0;
    if (!listOrReport(list, given, a.has("--report"), failed)) return kFileError;
    printList(list, given, format);
    return finish(failed, notListed(failed));
}

int runExportTsv(const std::vector<std::string>& raw) {
    const Args a = parse(raw, {}, {"--report"});
    wantPositional(a, 2, 2);
    PipelineList list;
    int failed = 0;
    if (!listOrReport(list, a.positional[0], a.has("--report"), failed)) return kFileError;
    if (refusedOutput(a.positional[1], list)) return kFileError;
    if (!writeOrReport(a.positional[1], textExport(list))) return kFileError;
    return finish(failed, notListed(failed));
}

int runExportXlsx(const std::vector<std::string>& raw) {
    const Args a = parse(raw, {}, {"--report"});
    wantPositional(a, 2, 2);
    wantWorkbookName(a.positional[1]);
    PipelineList list;
    int failed = 0;
    if (!listOrReport(list, a.positional[0], a.has("--report"), failed)) return kFileError;
    if (refusedOutput(a.positional[1], list)) return kFileError;
    if (!writeOrReport(a.positional[1], listWorkbook(list))) return kFileError;
    return finish(failed, notListed(failed));
}

int runExportCensus(const std::vector<std::string>& raw) {
    const Args a = parse(raw, {"--device"}, {});
    wantPositional(a, 2, 2);
    PipelineList list;
    int failed = 0;
    if (!listOrReport(list, a.positional[0], false, failed)) return kFileError;
    if (list.rows.empty()) {
        // As the window says it; nothing is written.
        warn("列表中无管道信息，导出操作取消！");
        return kFileError;
    }
    if (refusedOutput(a.positional[1], list)) return kFileError;
    const std::string device = a.get("--device").value_or(nodeText(a.positional[0]));
    const fs::path out = a.positional[1];
    const std::string deviceGbk = text::utf8ToGbk(device);
    const bool written = isWorkbookName(out) ? writeOrReport(out, censusWorkbook(list, deviceGbk))
                                             : writeOrReport(out, censusExport(list, deviceGbk));
    if (!written) return kFileError;
    return finish(failed, notListed(failed));
}

// The bill of materials of every drawing of the directories, added up.
int runMaterials(const std::vector<std::string>& raw) {
    const Args a = parse(raw, {}, {});
    wantPositional(a, 2, 100000);
    const fs::path out = a.positional.back();
    std::string ext = out.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ".xlsx" && ext != ".csv") throw UsageError{"输出文件应以 .xlsx 或 .csv 结尾：" + out.string()};
    std::vector<fs::path> files;
    int failed = 0;
    for (std::size_t i = 0; i + 1 < a.positional.size(); ++i) {
        PipelineList list;
        if (!listOrReport(list, a.positional[i], false, failed)) return kFileError;
        if (refusedOutput(out, list)) return kFileError;
        for (int r = 0; r < list.size(); ++r) files.push_back(list.pathOf(r));
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    std::vector<tubra::exchange::MaterialsFileError> errors;
    const tubra::exchange::MaterialList sum = tubra::exchange::sumMaterials(files, &errors);
    for (const auto& e : errors) {
        warn(cannotOpen(e.path, e.error));
        ++failed;
    }
    const std::string title = text::format("材料汇总（%d 个图形文件）", sum.drawings);
    if (!reportWrite(out, tubra::exchange::saveMaterials(out, sum, title))) return kFileError;
    return finish(failed, text::format("有 %d 个文件无法读取，未计入汇总", failed));
}

int runCheckLengths(const std::vector<std::string>& raw) {
    const Args a = parse(raw, {"--xlsx"}, {});
    wantPositional(a, 1, 1);
    if (const auto workbook = a.get("--xlsx")) wantWorkbookName(*workbook);
    PipelineList list;
    int failed = 0;
    if (!listOrReport(list, a.positional[0], false, failed)) return kFileError;
    const auto workbook = a.get("--xlsx");
    if (workbook && refusedOutput(*workbook, list)) return kFileError;
    const auto result = checkLengths(list);
    if (workbook && !writeOrReport(*workbook, lengthCheckWorkbook(result))) return kFileError;
    for (const LengthMismatch& m : result) {
        std::cout << utf8(m.number) << "\t" << utf8(m.listLength) << "\t" << drawnLengthText(m) << "\n";
        if (!m.drawn) {
            warn(cannotOpen(m.path, m.error));
            ++failed;
        }
    }
    std::cout << lengthCheckTitle(result.size()) << "\n";
    return finish(failed, text::format("有 %d 个文件无法读取", failed));
}

// The files named on the command line: a directory stands for its drawing files in list order.
std::vector<fs::path> filesOf(const std::vector<std::string>& names, int& failed) {
    std::vector<fs::path> files;
    for (const std::string& name : names) {
        std::error_code ec;
        if (fs::is_directory(name, ec)) {
            const auto drawings = drawingFileNames(name, ec);
            if (ec) {
                warn("无法读取目录 " + name + ": " + reason(ec));
                ++failed;
            }
            for (const std::string& d : drawings) files.push_back(fs::path(name) / d);
        } else {
            files.emplace_back(name);
        }
    }
    return files;
}

int runSetSection(SectionKind kind, const std::vector<std::string>& raw) {
    const Args a = parse(raw, {"--row", "--value"}, {});
    if (a.positional.empty()) throw UsageError{"缺少文件"};
    const auto rowText = a.get("--row");
    const auto value = a.get("--value");
    if (!rowText || !value) throw UsageError{"需要 --row 和 --value"};
    const int rows = sectionLayout(kind).rows;
    int row = 0;
    std::size_t used = 0;
    try {
        row = std::stoi(*rowText, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != rowText->size() || row < 1 || row > rows)
        throw UsageError{"--row 必须是 1 到 " + std::to_string(rows) + " 的数"};
    int failed = 0;
    const std::vector<fs::path> files = filesOf(a.positional, failed);
    int errors = 0;
    for (const FileError& e : changeSectionValue(files, kind, row - 1, text::utf8ToGbk(*value), false)) {
        warn(describe(e));
        ++errors;
    }
    return finish(failed + errors,
                  text::format("%d 个文件中有 %d 个未能修改", static_cast<int>(files.size()), errors));
}

// Rows named by their list numbers (column 0), in list order.
Selection rowsByNumber(const PipelineList& list, const std::vector<std::string>& numbers) {
    Selection selected;
    for (const std::string& n : numbers) {
        const int row = list.findByNumber(n);
        if (row < 0) throw UsageError{"列表中没有序号为 " + n + " 的行"};
        selected.push_back(row);
    }
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    return selected;
}

// Answers the manager's dialogs with the values of the command line.
class OptionForms : public platform::FormHost {
public:
    explicit OptionForms(std::vector<std::pair<std::string, std::string>> fields) : fields_(std::move(fields)) {}
    bool run(platform::Form& form) override {
        for (const auto& [name, value] : fields_)
            if (const platform::Result<> taken = form.setField(name, value); taken.failed())
                throw UsageError{taken.message()};
        return true;
    }

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

// The list operations never start the drawing program.
class NoProgram : public ProgramStarter {
public:
    bool start(const std::vector<std::string>&, const fs::path&) override { return false; }
};

int runMergeRows(const std::vector<std::string>& raw) {
    const Args a = parse(raw, {"--number", "--length", "--page-number-position"},
                         {"--report", "--tsv", "--json"});
    wantPositional(a, 3, static_cast<std::size_t>(-1));
    const std::string format = outputFormat(a);
    // The dialog's proposals, unless the command line gives the values.
    std::vector<std::pair<std::string, std::string>> fields;
    if (const auto p = a.get("--page-number-position")) fields.emplace_back("pageNumberPosition", *p);
    if (const auto n = a.get("--number")) fields.emplace_back("number", *n);
    if (const auto l = a.get("--length")) fields.emplace_back("length", *l);
    platform::DefaultAnswerPrompter prompter;
    OptionForms forms(std::move(fields));
    NoProgram program;
    Manager manager(prompter, forms, program);
    int failed = 0;
    if (!listOrReport(manager.list, a.positional[0], a.has("--report"), failed)) return kFileError;
    const Selection selected =
        rowsByNumber(manager.list, std::vector<std::string>(a.positional.begin() + 1, a.positional.end()));
    if (selected.size() < 2) throw UsageError{"合并至少需要两行"};
    manager.mergeRows(selected);
    printList(manager.list, a.positional[0], format);
    return finish(failed, notListed(failed));
}

int runDeleteRows(const std::vector<std::string>& raw) {
    const Args a = parse(raw, {}, {"--report", "--tsv", "--json"});
    wantPositional(a, 2, static_cast<std::size_t>(-1));
    const std::string format = outputFormat(a);
    PipelineList list;
    int failed = 0;
    if (!listOrReport(list, a.positional[0], a.has("--report"), failed)) return kFileError;
    list.removeRows(rowsByNumber(list, std::vector<std::string>(a.positional.begin() + 1, a.positional.end())));
    printList(list, a.positional[0], format);
    return finish(failed, notListed(failed));
}

KeptFields keptFields(const std::optional<std::string>& list) {
    KeptFields keep{};
    if (!list) {
        keep.fill(true);
        return keep;
    }
    if (*list == "none") return keep;
    static const std::map<std::string, KeptField> names = {
        {"unit", KeptField::Unit},
        {"device", KeptField::Device},
        {"pipe-name", KeptField::PipeName},
        {"pipe-number", KeptField::PipeNumber},
        {"review-pipe-name", KeptField::ReviewPipeName},
        {"date", KeptField::InspectionDate},
        {"report-number", KeptField::ReportNumber}};
    std::size_t start = 0;
    while (start <= list->size()) {
        const std::size_t comma = list->find(',', start);
        const std::string name = list->substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto it = names.find(name);
        if (it == names.end())
            throw UsageError{"--keep 的值是 none，或用逗号分隔的 unit, device, pipe-name, pipe-number, "
                             "review-pipe-name, date, report-number"};
        keep[static_cast<std::size_t>(it->second)] = true;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return keep;
}

int runCopyReport(const std::vector<std::string>& raw) {
    const Args a = parse(raw, {"--keep"}, {});
    wantPositional(a, 2, static_cast<std::size_t>(-1));
    const KeptFields keep = keptFields(a.get("--keep"));
    tubra::report::InspectionReport report;
    if (const platform::Result<> read = readReport(a.positional[0], report); read.failed()) {
        warn("无法打开样板文件 " + a.positional[0] + ": " + reason(read.error()));
        return kFileError;
    }
    int failed = 0;
    const std::vector<fs::path> targets =
        filesOf(std::vector<std::string>(a.positional.begin() + 1, a.positional.end()), failed);
    int errors = 0;
    for (const FileError& e : copyReportToFiles(report, targets, keep)) {
        warn(describe(e));
        ++errors;
    }
    return finish(failed + errors, text::format("%d 个目标文件中有 %d 个未能复制报告",
                                                 static_cast<int>(targets.size()), errors));
}

struct Command {
    std::string_view name;
    std::string_view usage;  // the arguments, after the command's name
    std::string_view text;   // what it does, for --help
    int (*run)(const std::vector<std::string>&);
};

int runSetTable(const std::vector<std::string>& a) { return runSetSection(SectionKind::Table, a); }
int runSetTitle(const std::vector<std::string>& a) { return runSetSection(SectionKind::Title, a); }

const std::vector<Command>& commands() {
    static const std::vector<Command> c = {
        {"list", "list DIR|FILE.hcd [--report] [--tsv|--json]",
         "列出目录中各图形文件的管道信息（或一个图形文件的）", runList},
        {"export-tsv", "export-tsv DIR OUT [--report]", "把列表导出为制表符分隔的文本文件 OUT", runExportTsv},
        {"export-xlsx", "export-xlsx DIR OUT.xlsx [--report]", "把列表导出为 Excel 工作簿", runExportXlsx},
        {"export-census", "export-census DIR OUT.csv|OUT.xlsx [--device NAME]", "导出管道普查的导入文件",
         runExportCensus},
        {"check-lengths", "check-lengths DIR [--xlsx OUT.xlsx]", "列出列表长度与图纸管长不符的管道",
         runCheckLengths},
        {"materials", "materials DIR... OUT.xlsx|OUT.csv", "所列图形文件的材料汇总", runMaterials},
        {"set-table", "set-table FILE|DIR... --row N --value V",
         "把管道特性表第 N 行（1-18）改为 V：1 管线名称，2 管线编号，3 管线类别，\n"
         "4 管内主要工作介质，5 最高工作压力，6 工作温度，7 起止点，8 保温材料，\n"
         "9 投用日期，10 管线总长，11 弯头总数，12 焊缝总数，13 三通总数，\n"
         "14 阀门总数，15 管段总数，16 其他管配件，17 管线材料，18 管线规格",
         runSetTable},
        {"set-title", "set-title FILE|DIR... --row N --value V",
         "把图纸标题框第 N 行（1-7）改为 V：1 制图，2 审核，3 图号，\n"
         "4 日期（制图），5 日期（审核），6 图纸名称，7 旧图号",
         runSetTitle},
        {"merge-rows",
         "merge-rows DIR NUMBER... [--number TEXT] [--length L] [--page-number-position 1|2|3] "
         "[--report] [--tsv|--json]",
         "把列表中这些序号的行合并为一行后列出（不改文件）", runMergeRows},
        {"delete-rows", "delete-rows DIR NUMBER... [--report] [--tsv|--json]",
         "从列表中去掉这些序号的行后列出（不改文件）", runDeleteRows},
        {"copy-report", "copy-report TEMPLATE TARGET... [--keep none|unit,device,pipe-name,...]",
         "把样板文件的全面检验报告复制到各目标文件", runCopyReport},
    };
    return c;
}

std::vector<std::string_view> commandNames() {
    std::vector<std::string_view> names;
    for (const Command& c : commands()) names.push_back(c.name);
    return names;
}

}  // namespace

std::string usageText() {
    platform::ProgramHelp help{"vesko-cli",
                               {"命令 参数..."},
                               "不开窗口管理单线图文件目录：列表、导出、成批修改，与 vesko 同样的结果。\n"
                               "文本列表和普查导入文件供程序读取，单元格按图纸原样写出；要用电子表格打开，请用 .xlsx 导出。\n"
                               "Excel 工作簿的文件名应以 .xlsx 结尾。",
                               {},
                               "0 成功；1 有文件不能读或不能写，或导出被拒绝；2 命令行有错"};
    platform::HelpSection commandSection{"命令", {}};
    for (const Command& c : commands()) commandSection.entries.push_back({c.usage, c.text});
    help.sections.push_back(std::move(commandSection));
    help.sections.push_back({"选项",
                             {{"--report", "列出报告数据（39 列），而不是管道数据（21 列）"},
                              {"--tsv", "列表按文本导出的格式（制表符分隔）输出"},
                              {"--json", "列表以 JSON 输出"}}});
    return platform::helpText(help);
}

void usage(std::FILE* out) { std::fputs(usageText().c_str(), out); }

int run(std::string_view command, const std::vector<std::string>& args) {
    for (const Command& c : commands()) {
        if (c.name != command) continue;
        try {
            return c.run(args);
        } catch (const UsageError& e) {
            std::fputs(platform::usageErrorText("vesko-cli", e.message, c.usage).c_str(), stderr);
            return kUsageError;
        }
    }
    const std::vector<std::string_view> names = commandNames();
    std::fputs(platform::unknownCommandText("vesko-cli", command, names).c_str(), stderr);
    return kUsageError;
}

}  // namespace manager::cli
