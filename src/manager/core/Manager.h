#pragma once
// What the manager does with the rows of its list: start the drawing program on them, delete
// their files, change a value in all their files, copy a report into them, merge and remove
// rows, export the list. The window and the command line drive the same operations; the
// window adds only the widgets.
//
// Selections are row indices in list order, the first selected row first.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "manager/core/DrawingFiles.h"
#include "manager/core/Forms.h"
#include "manager/core/Listing.h"
#include "manager/core/PipelineList.h"
#include "platform/Form.h"
#include "platform/Prompter.h"

namespace manager {

using Selection = std::vector<int>;

// Starts the drawing program as a separate process, without waiting for it.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // False when the program could not be started.
    virtual bool start(const std::vector<std::string>& arguments,
                       const std::filesystem::path& workingDirectory) = 0;
};

// Where the drawing program is looked for, in order: the directory the manager was started in,
// beside the manager's own program (both install into the same directory), and the drawing
// program's folder of the same build tree (build/src/manager/app -> build/src/tubra/app).
std::vector<std::filesystem::path> drawingProgramCandidates(const std::filesystem::path& startDirectory,
                                                            const std::filesystem::path& programDirectory);
// The first candidate that is an executable file; empty when there is none.
std::filesystem::path findDrawingProgram(const std::vector<std::filesystem::path>& candidates);
inline constexpr std::string_view kDrawingProgramName = "tubra";

// The text of "此图形文件信息" for a row (UTF-8).
std::string fileInformationText(const PipelineList& list, int row);

class Manager {
public:
    Manager(platform::Prompter& prompter, platform::FormHost& forms, ProgramStarter& starter);

    PipelineList list;
    // The directory the manager was started in.
    std::filesystem::path startDirectory;

    platform::Prompter& prompter() { return prompter_; }

    // Double-click: opens the selected row's file; with no row selected offers a new drawing.
    void openOrNew(const Selection& selected);
    // "批量打开图形文件".
    void batchOpen(const Selection& selected);
    // "打印文件中当前的显示对象": the drawing program prints each file.
    void batchPrint(const Selection& selected);
    bool printing() const { return printing_; }
    // The other entries of the print submenu.
    void printNotAvailable();
    // "批量删除图形文件". True when the files were deleted (the directory is to be listed again).
    bool deleteFiles(const Selection& selected);
    // "此图形文件信息".
    void fileInformation(const Selection& selected);

    // "批量修改文件特性表" / "批量修改文件标题框". When confirmed, the directory is to be listed
    // again and the row numbered `rememberedNumber` selected.
    struct EditOutcome {
        bool confirmed = false;
        std::string rememberedNumber;
    };
    EditOutcome changeSection(SectionKind kind, const Selection& selected);

    // "合并记录", "删除记录", "修改编号": the list only. True when the list changed.
    bool mergeRows(const Selection& selected);
    bool deleteRows(const Selection& selected);
    bool changeNumber(const Selection& selected);

    // "全面检验报告复制": the dialog's form, kept for the whole run.
    ReportCopyForm& reportCopy() { return reportCopy_; }
    // Prepares the dialog as it opens: one selected row is the template, several the targets.
    void openReportCopy(const Selection& selected);
    // A click in the list while the dialog is open.
    void reportCopyClicked(const Selection& selected);
    std::vector<ReportCopyForm::Entry> entries(const Selection& selected) const;

    // Text export to `chosen` + ".txt" (UTF-8 path). Reports success or failure.
    bool exportText(std::string_view chosen);
    // The list as an Excel workbook at `path` (the window's save dialog has chosen it; nothing is
    // appended). Reports success or failure.
    bool exportWorkbook(const std::filesystem::path& path);
    // Census export with its dialog, preset from the selected directory's node text and path;
    // the output is preset to the census workbook's name when `workbook`. An output whose name
    // ends in ".xlsx" gets the workbook, any other the import file.
    bool exportCensus(std::string_view nodeText, const std::filesystem::path& nodePath, bool workbook = false);
    // A length check's result as an Excel workbook at `path`.
    bool exportLengthCheck(const std::vector<LengthMismatch>& result, const std::filesystem::path& path);

private:
    bool startDrawingProgram(const std::vector<std::string>& arguments);

    platform::Prompter& prompter_;
    platform::FormHost& forms_;
    ProgramStarter& starter_;
    bool printing_ = false;
    ReportCopyForm reportCopy_;
};

// Message texts of the operations (UTF-8).
namespace messages {
inline constexpr std::string_view kNewDrawing =
    "增加新图形文档,确定吗?\n\n如果增加,新文件名将暂定为$$tmp.hcd, 请另存为新的文件名!";
inline constexpr std::string_view kNewDrawingCaption = "增加新图形";
inline constexpr std::string_view kOpenFailed = "打开文件出错！\n\n还要继续打开下一个文件吗？";
inline constexpr std::string_view kErrorCaption = "错误提示";
inline constexpr std::string_view kPrintQuestion = "确定要打印吗?";
inline constexpr std::string_view kPrintQuestionCaption = "确认";
inline constexpr std::string_view kStillPrinting = "前次打印还未结束，请稍等...";
inline constexpr std::string_view kStillPrintingCaption = "打印还未结束";
inline constexpr std::string_view kPrintFailed = "打印文件出错！\n\n还要继续打印下一个文件吗？";
inline constexpr std::string_view kNotAvailable = "此功能尚未完成，请等待新版本的出现！";
inline constexpr std::string_view kDeleteQuestion =
    "注意: 此删除操作将是不可被Windows系统挽回的!!\n\n你确定要删除被选中的图形文件吗?";
inline constexpr std::string_view kDeleteCaption = "删除确认";
inline constexpr std::string_view kDeleteFailed = "删除文件时出错!";
inline constexpr std::string_view kStartFailed = "打开文件出错！";
inline constexpr std::string_view kFileInfoCaption = "管线一览表";
inline constexpr std::string_view kExportFailed = "打开文件时出错!";
inline constexpr std::string_view kExportFailedCaption = "运行错误";
inline constexpr std::string_view kExportDone =
    "数据导出成功!\n\n请用Office办公软件Excel打开此文本文件，即可编辑成表格!";
inline constexpr std::string_view kExportDoneCaption = "数据导出";
inline constexpr std::string_view kCensusEmpty =
    "列表中无管道信息，导出操作取消！\n\n*** 请在左边列表栏中选择存有Tubra图纸的目录 ***";
inline constexpr std::string_view kCensusEmptyCaption = "导出错误";
// An export never replaces a drawing.
inline constexpr std::string_view kOutputIsDrawing = "输出文件是图形文件，导出操作取消！";
inline constexpr std::string_view kCensusDone =
    "导出数据已被保存在下列文件中\n\n%s\n\n\n注意: 请先在《压力管道注册登记系统》中设置好装置的信息,\n\n"
    "装置名称应和此次转换的装置名称一致, 然后导入该文件!";
inline constexpr std::string_view kCensusDoneCaption = "导出数据完成";
inline constexpr std::string_view kWorkbookDone = "数据导出成功!\n\nExcel 工作簿已保存在下列文件中\n\n%s";
}  // namespace messages

}  // namespace manager
