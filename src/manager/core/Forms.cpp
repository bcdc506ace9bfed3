#include "manager/core/Forms.h"

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/report/InspectionReport.h"

namespace manager {

using platform::FormState;
namespace form = platform::form;

namespace {

std::string utf8(std::string_view gbk) { return text::gbkToUtf8(gbk); }

std::string gbkCut(std::string_view utf8Value, std::size_t maxBytes) {
    return std::string(text::gbkCut(text::utf8ToGbk(utf8Value), maxBytes));
}

constexpr std::size_t kNumberBytes = 39;

bool readOnly(std::string_view name, std::string* error) {
    if (error) *error = "'" + std::string(name) + "' cannot be changed";
    return false;
}

}  // namespace

platform::Message fileErrorMessage(const FileError& error) {
    const std::string_view text =
        error.kind == FileError::Read ? messages::kSourceUnreadable : messages::kTemporaryFailed;
    return {std::string(text), error.path.string(), platform::Buttons::Ok,
            platform::MessageIcon::Warning, platform::Answer::Ok};
}

// --- SectionEditForm ---

namespace {
// A row of a described dialog.
platform::TableDescription::Row row(std::string name, std::string label, bool readOnly = false) {
    platform::TableDescription::Row r;
    r.def.name = std::move(name);
    r.def.minWidth = 24;
    r.label = std::move(label);
    r.readOnly = readOnly;
    return r;
}
platform::TableDescription::Row choice(std::string name, std::string label, std::vector<std::string> choices,
                                       bool radio = false) {
    platform::TableDescription::Row r = row(std::move(name), std::move(label));
    r.def.kind = platform::FieldKind::Choice;
    r.def.style = radio ? platform::FieldStyle::Radio : platform::FieldStyle::Plain;
    r.def.choices = std::move(choices);
    return r;
}
}  // namespace

SectionEditForm::SectionEditForm(SectionKind kind, std::vector<std::string> gbkValues)
    : kind_(kind), values_(std::move(gbkValues)) {
    values_.resize(static_cast<std::size_t>(sectionLayout(kind).rows));
    std::vector<std::string> labels;
    for (const RowChoice& c : choices(kind)) labels.emplace_back(c.label);
    describe({choice("row", "选择修改的项目", std::move(labels), true), row("original", "原值为:", true),
              row("value", "现改为:")});
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

std::vector<std::string> SectionEditForm::fieldNames() const { return {"row", "original", "value"}; }

std::string SectionEditForm::field(std::string_view name) const {
    if (name == "row") {
        for (const RowChoice& c : choices(kind_))
            if (c.row == row_) return std::string(c.label);
        return {};
    }
    if (name == "original")
        return row_ < 0 ? std::string() : utf8(values_[static_cast<std::size_t>(row_)]);
    if (name == "value") return utf8(value_);
    return {};
}

bool SectionEditForm::setField(std::string_view name, std::string_view value, std::string* error) {
    if (name == "row") {
        for (const RowChoice& c : choices(kind_)) {
            if (c.label != value) continue;
            row_ = c.row;
            value_ = text::gbkCut(values_[static_cast<std::size_t>(row_)],
                                  sectionLayout(kind_).newValueBytes);
            return true;
        }
        if (error) {
            std::vector<std::string> labels;
            for (const RowChoice& c : choices(kind_)) labels.emplace_back(c.label);
            *error = form::notAChoice(name, value, labels);
        }
        return false;
    }
    if (name == "original") return readOnly(name, error);
    if (name == "value") {
        value_ = gbkCut(value, sectionLayout(kind_).newValueBytes);
        return true;
    }
    if (error) *error = form::unknownField(caption(), name);
    return false;
}

FormState SectionEditForm::onAction(std::string_view name, std::string_view, platform::FormContext& context,
                                    std::string* error) {
    if (name == "ok" && row_ < 0) {
        context.prompter.ask({std::string(messages::kChooseRow), std::string(messages::kChooseRowCaption),
                              platform::Buttons::Ok, platform::MessageIcon::Information,
                              platform::Answer::Ok});
        return FormState::Open;
    }
    return form::okOrCancel(*this, name, error);
}

// --- MergeRowsForm ---

MergeRowsForm::MergeRowsForm(std::string gbkNumber, float lengthSum)
    : before_(std::move(gbkNumber)) {
    number_ = proposeNumber(before_, position_);
    length_ = std::string(text::trimBlanks(text::format("%-8.2f", static_cast<double>(lengthSum))));
    auto length = row("length", "合并后的管道长度：");
    length.unit = "米";
    describe({row("before", "合并前的管道编号：", true), row("number", "合并后的管道编号："), length,
              choice("pageNumberPosition", "原管道编号中，倒数第", positions())},
             {std::string(kNotice)});
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

std::vector<std::string> MergeRowsForm::fieldNames() const {
    return {"before", "number", "length", "pageNumberPosition"};
}

std::string MergeRowsForm::field(std::string_view name) const {
    if (name == "before") return utf8(before_);
    if (name == "number") return utf8(number_);
    if (name == "length") return length_;
    if (name == "pageNumberPosition") return std::to_string(position_);
    return {};
}

bool MergeRowsForm::setField(std::string_view name, std::string_view value, std::string* error) {
    if (name == "before") return readOnly(name, error);
    if (name == "number") {
        number_ = gbkCut(value, kNumberBytes);
        return true;
    }
    if (name == "length") {
        length_ = std::string(text::gbkCut(value, kNumberBytes));
        return true;
    }
    if (name == "pageNumberPosition") {
        for (const std::string& p : positions()) {
            if (p != value) continue;
            position_ = p[0] - '0';
            number_ = proposeNumber(before_, position_);
            return true;
        }
        if (error) *error = form::notAChoice(name, value, positions());
        return false;
    }
    if (error) *error = form::unknownField(caption(), name);
    return false;
}

FormState MergeRowsForm::onAction(std::string_view name, std::string_view, platform::FormContext&,
                                  std::string* error) {
    return form::okOrCancel(*this, name, error);
}

// --- ChangeNumberForm ---

ChangeNumberForm::ChangeNumberForm(std::string gbkNumber) : original_(std::move(gbkNumber)), number_(original_) {
    describe({row("original", "原编号：", true), row("number", "修改为：")}, {std::string(kNotice)});
}

std::string ChangeNumberForm::caption() const { return "修改管道编号"; }
std::vector<std::string> ChangeNumberForm::fieldNames() const { return {"original", "number"}; }

std::string ChangeNumberForm::field(std::string_view name) const {
    if (name == "original") return utf8(original_);
    if (name == "number") return utf8(number_);
    return {};
}

bool ChangeNumberForm::setField(std::string_view name, std::string_view value, std::string* error) {
    if (name == "original") return readOnly(name, error);
    if (name == "number") {
        number_ = gbkCut(value, kNumberBytes);
        return true;
    }
    if (error) *error = form::unknownField(caption(), name);
    return false;
}

FormState ChangeNumberForm::onAction(std::string_view name, std::string_view, platform::FormContext&,
                                     std::string* error) {
    return form::okOrCancel(*this, name, error);
}

// --- CensusExportForm ---

CensusExportForm::CensusExportForm(std::string device, std::string output)
    : device_(std::move(device)), output_(std::move(output)) {
    describe({row("device", "装置名称"), row("output", "输出文件")});
}

std::string CensusExportForm::caption() const { return "转化到普查登记软件的数据导入格式"; }
std::vector<std::string> CensusExportForm::fieldNames() const { return {"device", "output"}; }

std::string CensusExportForm::field(std::string_view name) const {
    if (name == "device") return device_;
    if (name == "output") return output_;
    return {};
}

bool CensusExportForm::setField(std::string_view name, std::string_view value, std::string* error) {
    if (name == "device") {
        device_ = value;
        return true;
    }
    if (name == "output") {
        output_ = value;
        return true;
    }
    if (error) *error = form::unknownField(caption(), name);
    return false;
}

FormState CensusExportForm::onAction(std::string_view name, std::string_view, platform::FormContext&,
                                     std::string* error) {
    return form::okOrCancel(*this, name, error);
}

// --- ReportCopyForm ---

ReportCopyForm::ReportCopyForm() {
    keep_.fill(true);
    std::vector<platform::TableDescription::Row> rows = {row("templateNumber", "样板文件管道编号", true),
                                                         row("templateFile", "样板文件文件名", true)};
    for (const auto& [name, label] : keepBoxes()) {
        auto r = row(name, {});
        r.def.kind = platform::FieldKind::Check;
        r.def.text = std::string(label);
        rows.push_back(std::move(r));
    }
    describe(rows, {}, {{"pickTemplate", "<< 选取样板文件", {}, {}, false}, {"pickTargets", "<< 选取目标文件", {}, {}, false},
                    {"ok", "确 认", {}, {}, false}, {"cancel", "取 消", {}, {}, false}});
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

std::vector<std::string> ReportCopyForm::fieldNames() const {
    std::vector<std::string> names = {"templateNumber", "templateFile"};
    for (const auto& [name, label] : keepBoxes()) names.push_back(name);
    return names;
}

std::string ReportCopyForm::field(std::string_view name) const {
    if (name == "templateNumber") return utf8(template_.pipeNumber);
    if (name == "templateFile") return utf8(template_.fileName);
    const auto& boxes = keepBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i].first == name) return keep_[i] ? "1" : "0";
    return {};
}

bool ReportCopyForm::setField(std::string_view name, std::string_view value, std::string* error) {
    if (name == "templateNumber" || name == "templateFile") return readOnly(name, error);
    const auto& boxes = keepBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (boxes[i].first != name) continue;
        if (value != "0" && value != "1") {
            if (error) *error = form::notAChoice(name, value, {"0", "1"});
            return false;
        }
        keep_[i] = value == "1";
        return true;
    }
    if (error) *error = form::unknownField(caption(), name);
    return false;
}

FormState ReportCopyForm::onAction(std::string_view name, std::string_view, platform::FormContext& context,
                                   std::string* error) {
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
        *error = form::unknownAction(caption(), name);
        return state();
    }
    if (template_.path.empty()) return FormState::Accepted;  // nothing to copy from
    tubra::report::InspectionReport report;
    std::error_code ec;
    if (!readReport(template_.path, report, ec)) {
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
