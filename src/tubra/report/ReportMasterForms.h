#pragma once
// The two master dialogs of the report sets. A master lists the pages of its set with a button
// each (its title, and "<-空" while the page holds nothing), chooses the pages shown and their
// numbering, clears or imports the whole set, and opens the page dialogs.
//
// Unlike the page dialogs, a master works on the document's report itself: a confirmed page
// dialog, the clear and the import change the document at once, as the user sees them happen.
// The show boxes, the start page number and the mode are stored when the dialog is left.
//
// Fields: `flag0`...`flag16` (online `flag23`...`flag26`) the show boxes, named by the page
// flag they set; `start` the start page number; `byContents` and `noNumbers` its two check
// boxes; `mode` "编辑报告" or "显示报告". Buttons: `open=N` (the full set's pages 0 to 17,
// the online set's 0 to 3), `auto`, `all`, `showSelected`, `clear`, `import=FILE`, `退出`.

#include <functional>
#include <string>
#include <vector>

#include "tubra/model/Drawing.h"
#include "tubra/report/ReportForm.h"
#include "tubra/report/data/InspectionReport.h"

namespace tubra::report {

// The two modes of the masters' radio, kept by the view between openings.
enum ReportDialogMode : int { kEditReport = 0, kShowReport = 1 };

// Tells the page number each shown page will carry ("5", "6-1…6-2"), empty for none; the
// master shows it beside the page's button (`pageNumberText` of ReportPaging.h is the one the
// program uses). The report it gets holds the show boxes and the start page number as the
// dialog shows them, so the numbers follow every change. May be empty.
using PageNumberFunction = std::function<std::string(const InspectionReport&, int page)>;

class ReportMasterForm : public ReportForm {
public:
    static constexpr std::string_view kEmptyMark = "<-空";
    static constexpr std::string_view kImportTitle = "指定一个Tubra图形文档";
    static constexpr std::string_view kImportFilter = "Tubra文件(*.hcd)|*.hcd||";
    static constexpr std::string_view kImportFailed = "打开文件时出错!";
    static constexpr std::string_view kImportFailedCaption = "运行错误";
    static constexpr std::string_view kStartNote = "*** 注：起始页号为负数表示不显示页号 ***";

    // The page to show after the dialog: a page index, 22 or 28 for all shown pages of the
    // set, -1 for none.
    int pageToShow() const { return pageToShow_; }
    // The page buttons in order: page index of each.
    const std::vector<int>& pages() const { return pages_; }
    // Whether the page dialog of `page` was confirmed while the master was open.
    bool pageConfirmed(int page) const;
    // The report as the master last saw it (refreshed after every confirmed page).
    const InspectionReport& snapshot() const { return snapshot_; }

    void setPageNumberText(PageNumberFunction f) {
        pageNumbers_ = std::move(f);
        refresh();
    }

protected:
    ReportMasterForm(std::string caption, InspectionReport& report,
                     const model::CharacteristicTable& table, int& mode, std::vector<int> pages,
                     std::vector<std::string> titles, int showAll);

    // The page settings of the set in `report`.
    virtual PrintSetData& printSetOf(InspectionReport& report) const = 0;
    PrintSetData& printSet() { return printSetOf(report_); }
    // Empties the whole set on the report (for the clear and before an import).
    virtual void emptySet(InspectionReport& report) = 0;
    virtual std::vector<int> importSelection() const = 0;
    virtual std::string_view clearQuestion() const = 0;
    // The start page edit and its check boxes from the stored number, and their rules.
    virtual void loadStart(int start) = 0;
    virtual void startRulesChanged(int field) = 0;

    // The fields both masters begin with: the show boxes of the first `showBoxes` pages (from
    // `set`), the mode radio and the start page number.
    void addShowBoxesModeAndStart(const PrintSetData& set, int showBoxes);
    // Labels, enabled buttons, page numbers.
    virtual void refresh();
    void buildLayout(const std::string& importCaption);
    void storeSettings();
    // The show boxes and the start page number as the dialog shows them, into `set`.
    void writeShownSettings(PrintSetData& set) const;

    platform::ActionResult onFormAction(std::string_view name, std::string_view argument,
                                     platform::FormContext& context) override;
    bool confirmOk(platform::FormContext&) override {
        storeSettings();
        return true;
    }
    void valueChanged(int index) override;

    InspectionReport& report_;
    const model::CharacteristicTable& table_;
    InspectionReport snapshot_;
    int& mode_;
    std::vector<int> pages_;
    std::vector<std::string> titles_;  // UTF-8
    std::vector<bool> confirmed_;
    int showAll_;
    int showBoxes_ = 0;  // the first pages have show boxes
    bool hasShowBox(std::size_t k) const { return static_cast<int>(k) < showBoxes_; }
    int pageToShow_ = -1;
    int firstFlag_ = 0;
    int modeField_ = 0;
    int start_ = 0;
    int byContents_ = -1;
    int noNumbers_ = 0;
    PageNumberFunction pageNumbers_;
};

// "在用工业管道全面检验报告__总对话框".
class FullReportMasterForm : public ReportMasterForm {
public:
    static constexpr std::string_view kCaption = "在用工业管道全面检验报告__总对话框";
    static constexpr std::string_view kClearQuestion =
        "此操作将删除所有全面检验报告的内容，\n\n你确认要进行此操作吗？";

    FullReportMasterForm(InspectionReport& report, const model::CharacteristicTable& table,
                         int& mode);

protected:
    PrintSetData& printSetOf(InspectionReport& r) const override { return r.PrintSet_ReportData; }
    void emptySet(InspectionReport& report) override;
    std::vector<int> importSelection() const override;
    std::string_view clearQuestion() const override { return kClearQuestion; }
    void loadStart(int start) override;
    void startRulesChanged(int field) override;
    void refresh() override;
};

// "在用工业管道在线检验报告档案__总对话框".
class OnlineReportMasterForm : public ReportMasterForm {
public:
    static constexpr std::string_view kCaption = "在用工业管道在线检验报告档案__总对话框";
    static constexpr std::string_view kClearQuestion =
        "此操作将删除所有在线检验报告的内容，\n\n你确认要进行此操作吗？";
    static constexpr std::string_view kNoStart = "无";

    OnlineReportMasterForm(InspectionReport& report, const model::CharacteristicTable& table,
                           int& mode);

protected:
    PrintSetData& printSetOf(InspectionReport& r) const override { return r.PrintSet_IReportData; }
    void emptySet(InspectionReport& report) override;
    std::vector<int> importSelection() const override;
    std::string_view clearQuestion() const override { return kClearQuestion; }
    void loadStart(int start) override;
    void startRulesChanged(int field) override;
};

}  // namespace tubra::report
