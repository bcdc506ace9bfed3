#include "manager/core/Forms.h"

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/report/data/InspectionReport.h"

namespace manager {

using platform::ActionResult;
using platform::FormState;
namespace form = platform::form;

namespace {

std::string utf8(std::string_view gbk) { return text::gbkToUtf8(gbk); }

constexpr std::size_t kNumberBytes = 39;

}  // namespace

platform::Message fileErrorMessage(const FileError& error) {
    const std::string_view text =
        error.kind == FileError::Read ? messages::kSourceUnreadable : messages::kTemporaryFailed;
    return {std::string(text), error.path.string(), platform::Buttons::Ok,
            platform::MessageIcon::Warning, platform::Answer::Ok};
}

// --- SectionEditForm ---

SectionEditForm::SectionEditForm(SectionKind kind, std::vector<std::string> gbkValues)
    : kind_(kind), values_(std::move(gbkValues)) {
    values_.resize(static_cast<std::size_t>(sectionLayout(kind).rows));
    std::vector<std::string> labels;
    for (const RowChoice& c : choices(kind)) labels.emplace_back(c.label);
    // Choosing a row proposes its value as the new one.
    const platform::FieldBinding row = {
        [this] {
            for (const RowChoice& c : choices(kind_))
                if (c.row == row_) return std::string(c.label);
            return std::string();
        },
        [this, labels](std::string_view label) -> platform::Result<> {
            for (const RowChoice& c : choices(kind_)) {
                if (c.label != label) continue;
                row_ = c.row;
                value_ = text::gbkCut(values_[static_cast<std::size_t>(row_)], sectionLayout(kind_).newValueBytes);
                return {};
            }
            return platform::Error(form::notAChoice("row", label, labels));
        }};
    declareChoice("row", "选择修改的项目", labels, row, platform::FieldStyle::Radio);
    declareText("original", "原值为:", platform::bind::shown([this] {
                    return row_ < 0 ? std::string() : utf8(values_[static_cast<std::size_t>(row_)]);
                }));
    declareText("value", "现改为:", platform::bind::gbk(value_, sectionLayout(kind).newValueBytes));
}

const std::vector<RowChoice>& SectionEditForm::choices(SectionKind kind) {
    static const std::vector<RowChoice> table = {
        {"管线名称", 0},     {"管线编号", 1},     {"管线类别", 2},     {"管内介质", 3},
        {"工作压力(MPa)", 4}, {"工作温度(℃)", 5}, {"起止点", 6},       {"保温材料", 7},
        {"投用日期", 8},     {"管线长度(m)", 9},  {"管线材料", 16},    {"管线规格", 17}};
    static const std::vector<RowChoice> title = {
        {"图纸名称", 5}, {"制图", 0}, {"制图日期", 3}, {"审核", 1},
        {"审核日期", 4}, {"图号", 2}, {"旧图号", 6}};
    return kind == SectionKind::Table ? table : title;
}

std::string SectionEditForm::caption() const {
    return kind_ == SectionKind::Table ? "修改特性表内容" : "修改标题框";
}

ActionResult SectionEditForm::onAction(std::string_view name, std::string_view, platform::FormContext& context) {
    if (name == "ok" && row_ < 0) {
        context.prompter.ask({std::string(messages::kChooseRow), std::string(messages::kChooseRowCaption),
                              platform::Buttons::Ok, platform::MessageIcon::Information,
                              platform::Answer::Ok});
        return FormState::Open;
    }
    return form::okOrCancel(*this, name);
}

// --- MergeRowsForm ---

MergeRowsForm::MergeRowsForm(std::string gbkNumber, float lengthSum)
    : before_(std::move(gbkNumber)) {
    number_ = proposeNumber(before_, position_);
    length_ = std::string(text::trimBlanks(text::format("%-8.2f", static_cast<double>(lengthSum))));
    declareText("before", "合并前的管道编号：", platform::bind::shown([this] { return utf8(before_); }));
    declareText("number", "合并后的管道编号：", platform::bind::gbk(number_, kNumberBytes));
    declareText("length", "合并后的管道长度：",
                {[this] { return length_; },
                 [this](std::string_view v) -> platform::Result<> {
                     length_ = std::string(text::gbkCut(v, kNumberBytes));
                     return {};
                 }})
        .unit = "米";
    // Choosing where the page number starts proposes the number anew.
    declareChoice("pageNumberPosition", "原管道编号中，倒数第", positions(),
                  {[this] { return std::to_string(position_); },
                   [this](std::string_view v) -> platform::Result<> {
                       for (const std::string& p : positions()) {
                           if (p != v) continue;
                           position_ = p[0] - '0';
                           number_ = proposeNumber(before_, position_);
                           return {};
                       }
                       return platform::Error(form::notAChoice("pageNumberPosition", v, positions()));
                   }});
    declareNote(kNotice);
}

const std::vector<std::string>& MergeRowsForm::positions() {
    static const std::vector<std::string> p = {"3", "2", "1"};
    return p;
}

std::string MergeRowsForm::proposeNumber(std::string_view gbkNumber, int n) {
    std::vector<std::size_t> separators;
    std::size_t i = 0;
    while (i < gbkNumber.size()) {
        const char c = gbkNumber[i];
        if (text::isGbkLeadByte(static_cast<unsigned char>(c)) && i + 1 < gbkNumber.size()) {
            i += 2;
            continue;
        }
        if (c == '-' || c == '/' || c == '_') separators.push_back(i);
        ++i;
    }
    if (n < 1 || separators.size() < static_cast<std::size_t>(n)) return std::string(text::gbkCut(gbkNumber, kNumberBytes));
    return std::string(text::gbkCut(gbkNumber.substr(0, separators[separators.size() - static_cast<std::size_t>(n)]), kNumberBytes));
}

std::string MergeRowsForm::caption() const { return "记录合并"; }

ActionResult MergeRowsForm::onAction(std::string_view name, std::string_view, platform::FormContext&) {
    return form::okOrCancel(*this, name);
}

// --- ChangeNumberForm ---

ChangeNumberForm::ChangeNumberForm(std::string gbkNumber) : original_(std::move(gbkNumber)), number_(original_) {
    declareText("original", "原编号：", platform::bind::shown([this] { return utf8(original_); }));
    declareText("number", "修改为：", platform::bind::gbk(number_, kNumberBytes));
    declareNote(kNotice);
}

std::string ChangeNumberForm::caption() const { return "修改管道编号"; }

ActionResult ChangeNumberForm::onAction(std::string_view name, std::string_view, platform::FormContext&) {
    return form::okOrCancel(*this, name);
}

// --- CensusExportForm ---

CensusExportForm::CensusExportForm(std::string device, std::string output)
    : device_(std::move(device)), output_(std::move(output)) {
    declareText("device", "装置名称", platform::bind::text(device_, 0));
    declareText("output", "输出文件", platform::bind::text(output_, 0));
}

std::string CensusExportForm::caption() const { return "转化到普查登记软件的数据导入格式"; }

ActionResult CensusExportForm::onAction(std::string_view name, std::string_view, platform::FormContext&) {
    return form::okOrCancel(*this, name);
}

// --- ReportCopyForm ---

ReportCopyForm::ReportCopyForm() {
    keep_.fill(true);
    declareText("templateNumber", "样板文件管道编号",
                platform::bind::shown([this] { return utf8(template_.pipeNumber); }));
    declareText("templateFile", "样板文件文件名", platform::bind::shown([this] { return utf8(template_.fileName); }));
    for (std::size_t i = 0; i < keepBoxes().size(); ++i) {
        const auto& [name, label] = keepBoxes()[i];
        declareCheck(name, std::string(label), platform::bind::check(keep_[i], name));
    }
    for (auto [name, caption] : {std::pair{"pickTemplate", "<< 选取样板文件"}, std::pair{"pickTargets", "<< 选取目标文件"},
                                 std::pair{"ok", "确 认"}, std::pair{"cancel", "取 消"}})
        declareAction({name, caption, {}, {}, false, {}});
}

const std::vector<std::pair<std::string, std::string_view>>& ReportCopyForm::keepBoxes() {
    static const std::vector<std::pair<std::string, std::string_view>> boxes = {
        {"keepUnit", "使用单位"},        {"keepDevice", "装置名称"},
        {"keepPipeName", "管道名称"},     {"keepPipeNumber", "管道编号"},
        {"keepReviewPipeName", "管道名称"}, {"keepDate", "检验日期"},
        {"keepReportNumber", "报告编号"}};
    return boxes;
}

void ReportCopyForm::setTemplate(Entry entry) { template_ = std::move(entry); }

void ReportCopyForm::addTargets(const std::vector<Entry>& entries) {
    auto key = [](const Entry& e) {
        return std::make_pair(e.path.parent_path(), text::gbkLower(text::trimBlanks(e.fileName)));
    };
    for (const Entry& e : entries) {
        bool known = false;
        for (const Entry& t : targets_) known = known || key(t) == key(e);
        if (!known) targets_.push_back(e);
    }
}

void ReportCopyForm::listClicked(const std::vector<Entry>& selected) {
    if (selected.empty()) return;
    if (pick_ == Pick::Template) setTemplate(selected.front());
    else if (pick_ == Pick::Targets) addTargets(selected);
}

std::string ReportCopyForm::caption() const { return "全面检验报告复制"; }

ActionResult ReportCopyForm::onAction(std::string_view name, std::string_view, platform::FormContext& context) {
    if (name == "pickTemplate") {
        pick_ = Pick::Template;
        return FormState::Open;
    }
    if (name == "pickTargets") {
        pick_ = Pick::Targets;
        return FormState::Open;
    }
    if (name == "cancel") {
        pick_ = Pick::None;
        return FormState::Rejected;
    }
    if (name != "ok") {
        return platform::Error(form::unknownAction(caption(), name));
    }
    if (template_.path.empty()) return FormState::Accepted;  // nothing to copy from
    tubra::report::InspectionReport report;
    if (readReport(template_.path, report).failed()) {
        context.prompter.ask({std::string(messages::kTemplateUnreadable),
                              std::string(messages::kTemplateUnreadableCaption), platform::Buttons::Ok,
                              platform::MessageIcon::Error, platform::Answer::Ok});
        return FormState::Open;
    }
    std::vector<std::filesystem::path> paths;
    for (const Entry& t : targets_) paths.push_back(t.path);
    const std::vector<FileError> errors = copyReportToFiles(report, paths, keep_);
    for (const FileError& e : errors) context.prompter.ask(fileErrorMessage(e));
    std::vector<std::filesystem::path> copied;
    for (const auto& p : paths) {
        bool failed = false;
        for (const FileError& e : errors) failed = failed || e.path == p;
        if (!failed) copied.push_back(p);
    }
    pick_ = Pick::None;
    if (onCopied) onCopied(copied);
    return FormState::Accepted;
}

}  // namespace manager
