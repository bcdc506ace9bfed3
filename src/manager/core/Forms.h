#pragma once
// The manager's dialogs without their widgets. Fields are UTF-8 as the dialogs show them;
// the values the operations take are GBK.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "manager/core/DrawingFiles.h"
#include "platform/Form.h"
#include "platform/FormFields.h"

namespace manager {

// One radio button of the table and title dialogs: its label and the row it chooses.
struct RowChoice {
    std::string_view label;  // UTF-8
    int row;
};

// "修改特性表内容" and "修改标题框": choose a row, see its value, type the new one.
//   row       the chosen row, by its label ("管线名称", ...); empty while none is chosen
//   original  "原值为:" the chosen row's value (read-only)
//   value     "现改为:" the new value
class SectionEditForm : public platform::DeclaredForm<> {
public:
    SectionEditForm(SectionKind kind, std::vector<std::string> gbkValues);

    static const std::vector<RowChoice>& choices(SectionKind kind);

    SectionKind kind() const { return kind_; }
    int chosenRow() const { return row_; }
    // The new value (GBK), cut as the dialog takes it.
    const std::string& newValue() const { return value_; }

    std::string caption() const override;

protected:
    platform::ActionResult onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context) override;

private:
    SectionKind kind_;
    std::vector<std::string> values_;  // GBK, one per section row
    int row_ = -1;
    std::string value_;
};

// "记录合并": the merged pipeline number and length of the selected rows (list only).
//   before              "合并前的管道编号：" the first row's number (read-only)
//   number              "合并后的管道编号：" proposed without the page-number part
//   length              "合并后的管道长度：" the sum of the lengths, "%-8.2f"
//   pageNumberPosition  which separator from the end starts the page number: "3", "2" or "1"
class MergeRowsForm : public platform::DeclaredForm<> {
public:
    MergeRowsForm(std::string gbkNumber, float lengthSum);

    static constexpr std::string_view kNotice =
        "此操作只改变列表中的数据，图形文件本身不受影响！\n如果执行刷新操作，列表将恢复原值！";
    static const std::vector<std::string>& positions();

    // `number` without its page-number part: cut before the n-th last "-", "/" or "_"
    // (n = 1, 2 or 3); a number with fewer separators stays whole.
    static std::string proposeNumber(std::string_view gbkNumber, int n);

    const std::string& number() const { return number_; }  // GBK
    const std::string& length() const { return length_; }  // as typed

    std::string caption() const override;

protected:
    platform::ActionResult onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context) override;

private:
    std::string before_;
    std::string number_;
    std::string length_;
    int position_ = 1;
};

// "修改管道编号": a new pipeline number for one row of the list (the file stays as it is).
//   original  "原编号：" (read-only)
//   number    "修改为："
class ChangeNumberForm : public platform::DeclaredForm<> {
public:
    explicit ChangeNumberForm(std::string gbkNumber);
    static constexpr std::string_view kNotice = "此操作只改变列表中的数据，图形文件本身不受影响！";
    const std::string& number() const { return number_; }  // GBK

    std::string caption() const override;

protected:
    platform::ActionResult onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context) override;

private:
    std::string original_;
    std::string number_;
};

// "转化到普查登记软件的数据导入格式": the device name and the output file of the census export.
//   device  "装置名称"
//   output  "输出文件" (UTF-8 path)
class CensusExportForm : public platform::DeclaredForm<> {
public:
    CensusExportForm(std::string device, std::string output);
    const std::string& device() const { return device_; }  // UTF-8
    const std::string& output() const { return output_; }

    std::string caption() const override;

protected:
    platform::ActionResult onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context) override;

private:
    std::string device_;
    std::string output_;
};

// "全面检验报告复制": the template, the targets, and the fields each target keeps. It stays
// open beside the list: while "<< 选取样板文件" or "<< 选取目标文件" is chosen, a click in the
// list sets the template or adds the selected rows as targets.
//   templateNumber, templateFile   "样板文件管道编号", "样板文件文件名" (read-only)
//   keepUnit, keepDevice, keepPipeName, keepPipeNumber, keepReviewPipeName, keepDate,
//   keepReportNumber               the boxes under "保持不变的参数": "1" or "0"
// Actions: pickTemplate, pickTargets, ok ("确 认": copies), cancel ("取 消": hides).
class ReportCopyForm : public platform::DeclaredForm<> {
public:
    struct Entry {
        std::string pipeNumber;  // GBK
        std::string fileName;    // GBK, as column 18 shows it
        std::filesystem::path path;
    };
    enum class Pick { None, Template, Targets };

    ReportCopyForm();

    static const std::vector<std::pair<std::string, std::string_view>>& keepBoxes();  // name, label

    void setTemplate(Entry entry);
    // Adds targets; a file already a target (same directory, file name compared lower-cased
    // and trimmed) is not added twice.
    void addTargets(const std::vector<Entry>& entries);
    void clearTargets() { targets_.clear(); }
    // A click in the list while the dialog is open, with the rows selected then.
    void listClicked(const std::vector<Entry>& selected);

    const std::vector<Entry>& targets() const { return targets_; }
    Pick pick() const { return pick_; }
    const KeptFields& kept() const { return keep_; }

    // Told after a copy, with the files that were rewritten.
    std::function<void(const std::vector<std::filesystem::path>&)> onCopied;

    std::string caption() const override;

protected:
    platform::ActionResult onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context) override;

private:
    Entry template_;
    std::vector<Entry> targets_;
    Pick pick_ = Pick::None;
    KeptFields keep_{};
};

// Message texts and captions of the manager (UTF-8).
namespace messages {
inline constexpr std::string_view kTitle = "Vesko(Tubra图形文档管理程序)";
inline constexpr std::string_view kChooseRow = "请选定修改的项目！";
inline constexpr std::string_view kChooseRowCaption = "消息";
inline constexpr std::string_view kTemplateUnreadable = "打开样板文件时出错!!";
inline constexpr std::string_view kTemplateUnreadableCaption = "打开文件错误";
inline constexpr std::string_view kSourceUnreadable = "打开源文件时出错!";
inline constexpr std::string_view kTemporaryFailed = "在产生临时文件时出错!";
}  // namespace messages

// The message of a file the manager could not read or write, with the path as caption.
platform::Message fileErrorMessage(const FileError& error);

}  // namespace manager
