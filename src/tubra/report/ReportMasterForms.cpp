#include "tubra/report/ReportMasterForms.h"

#include <algorithm>
#include <optional>
#include <fstream>
#include <iterator>
#include <sstream>

#include "text/Gbk.h"
#include "tubra/report/ReportPageForms.h"
#include "tubra/report/ReportPaging.h"

namespace tubra::report {

using platform::FormContext;
using platform::ActionResult;
using platform::FormState;
using text::gbk;

namespace {

std::string openName(int k) { return "open=" + std::to_string(k); }

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream data;
    data << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return data.str();
}

constexpr std::string_view kCoverTitle = "    封面设置(本页应首先编辑)";

}  // namespace

ReportMasterForm::ReportMasterForm(std::string caption, InspectionReport& report,
                                   const model::CharacteristicTable& table, int& mode,
                                   std::vector<int> pages, std::vector<std::string> titles,
                                   int showAll)
    : ReportForm(std::move(caption)),
      report_(report),
      table_(table),
      snapshot_(report),
      mode_(mode),
      pages_(std::move(pages)),
      titles_(std::move(titles)),
      confirmed_(pages_.size(), false),
      showAll_(showAll) {
    addOkAlias("退出");
}

bool ReportMasterForm::pageConfirmed(int page) const {
    for (std::size_t k = 0; k < pages_.size(); ++k)
        if (pages_[k] == page) return confirmed_[k];
    return false;
}

void ReportMasterForm::buildLayout(const std::string& importCaption) {
    for (std::size_t k = 0; k < pages_.size(); ++k)
        addAction(ActionDef{openName(static_cast<int>(k)), titles_[k], {}, {}, true, {}});
    addAction("auto", "自动安排显示");
    addAction("all", "全部显示/不显示");
    addAction("showSelected", "显示所有选择的报告");
    addAction("clear", "报告全部清空");
    addAction(ActionDef{"import", importCaption, std::string(kImportTitle),
                         std::string(kImportFilter), false, {}});
    addAction("退出", "退出");

    // The pages in a frame of their own, so that the column headings read apart from the
    // settings beside them.
    LayoutGroup pagesGroup;
    pagesGroup.title = "报告页面";
    GroupBuilder b(pagesGroup);
    b.label(0, 0, "显示").label(0, 1, "报告页").dynamicLabel(0, 2, "numbers");
    for (std::size_t k = 0; k < pages_.size(); ++k) {
        const int row = static_cast<int>(k) + 1;
        if (hasShowBox(k)) b.field(row, 0, "flag" + std::to_string(pages_[k]));
        b.button(row, 1, openName(static_cast<int>(k)))
            .dynamicLabel(row, 2, "number" + std::to_string(k));
    }
    pagesGroup.rowSpan = 5;
    layout_.groups.push_back(std::move(pagesGroup));

    LayoutGroup modeGroup;
    modeGroup.title = "操作方式";
    modeGroup.col = 1;
    GroupBuilder(modeGroup).field(0, 0, "mode");
    layout_.groups.push_back(std::move(modeGroup));

    LayoutGroup show;
    show.title = "显示设置";
    show.row = 1;
    show.col = 1;
    GroupBuilder(show).button(0, 0, "auto").button(1, 0, "all").button(2, 0, "showSelected");
    layout_.groups.push_back(std::move(show));

    LayoutGroup numbers;
    numbers.title = "页号设置";
    numbers.row = 2;
    numbers.col = 1;
    GroupBuilder nb(numbers);
    nb.label(0, 0, "起始页号：").field(0, 1, "start");
    int row = 1;
    if (byContents_ >= 0) nb.field(row++, 0, "byContents", 2);
    nb.field(row++, 0, "noNumbers", 2);
    nb.label(row, 0, std::string(kStartNote), 2);
    layout_.groups.push_back(std::move(numbers));

    LayoutGroup whole;
    whole.title = "全部报告";
    whole.row = 3;
    whole.col = 1;
    GroupBuilder(whole).button(0, 0, "clear").button(1, 0, "import");
    layout_.groups.push_back(std::move(whole));

    layout_.buttons = {"退出"};
}

void ReportMasterForm::refresh() {
    setLabelText("numbers", pageNumbers_ ? "页号" : "");
    // Numbers as the pages would carry them with the boxes and the start page shown now.
    std::optional<InspectionReport> shown;
    if (pageNumbers_) {
        shown.emplace(snapshot_);
        writeShownSettings(printSetOf(*shown));
    }
    for (std::size_t k = 0; k < pages_.size(); ++k) {
        const bool holds = reportPageHoldsData(snapshot_, pages_[k]);
        std::string label = titles_[k];
        if (!holds) label += (pages_[k] == 0 ? "             " : "  ") + std::string(kEmptyMark);
        setActionCaption(openName(static_cast<int>(k)), std::move(label));
        setLabelText("number" + std::to_string(k), shown ? pageNumbers_(*shown, pages_[k]) : std::string());
    }
}

void ReportMasterForm::writeShownSettings(PrintSetData& p) const {
    for (std::size_t k = 0; k < pages_.size(); ++k) {
        if (!hasShowBox(k)) continue;
        p.flags[static_cast<std::size_t>(pages_[k])] = isChecked(firstFlag_ + static_cast<int>(k)) ? 1 : 0;
    }
    p.start = static_cast<std::int32_t>(forms::number(value(start_)));
}

void ReportMasterForm::storeSettings() {
    writeShownSettings(printSet());
    mode_ = value(modeField_) == gbk("显示报告") ? kShowReport : kEditReport;
}

void ReportMasterForm::valueChanged(int index) {
    if (index == start_ || index == byContents_ || index == noNumbers_) startRulesChanged(index);
    if (pageNumbers_ && index != modeField_) refresh();
}

ActionResult ReportMasterForm::onFormAction(std::string_view name, std::string_view argument,
                                         FormContext& context) {
    if (name == "open") {
        const auto k = forms::indexList(argument);
        if (!k || k->size() != 1 || k->front() >= static_cast<int>(pages_.size())) {
            return platform::Error("对话框 \"" + caption() + "\" 没有页面按钮 '" + std::string(argument) + "'");
        }
        const auto slot = static_cast<std::size_t>(k->front());
        const int page = pages_[slot];
        if (value(modeField_) == gbk("显示报告")) {
            storeSettings();
            pageToShow_ = page;
            return FormState::Accepted;
        }
        std::unique_ptr<ReportPageForm> form = makeReportPageForm(page, report_, table_);
        if (form && context.host.run(*form)) {
            form->apply(report_);
            confirmed_[slot] = true;
            if (hasShowBox(slot)) {
                printSet().flags[static_cast<std::size_t>(page)] = 1;
                setChecked(firstFlag_ + static_cast<int>(slot), true);
            }
            snapshot_ = report_;
            refresh();
        }
        return state();
    }
    if (!argument.empty() && name != "import")
        return ReportForm::onFormAction(name, argument, context);
    if (name == "auto") {
        for (std::size_t k = 0; k < pages_.size() && hasShowBox(k); ++k)
            setChecked(firstFlag_ + static_cast<int>(k), reportPageHoldsData(snapshot_, pages_[k]));
        refresh();
        return state();
    }
    if (name == "all") {
        const bool on = !isChecked(firstFlag_);
        for (std::size_t k = 0; k < pages_.size() && hasShowBox(k); ++k) setChecked(firstFlag_ + static_cast<int>(k), on);
        refresh();
        return state();
    }
    if (name == "showSelected") {
        storeSettings();
        pageToShow_ = showAll_;
        return FormState::Accepted;
    }
    if (name == "clear") {
        if (context.prompter.ask(forms::question(clearQuestion(), "信息:", false)) !=
            platform::Answer::Yes)
            return state();
        emptySet(report_);
        emptySet(snapshot_);
        // The flags of the set's pages; the reserved ones keep what a new drawing and every
        // reading give them, so that saving, opening and saving again keeps the file as it is.
        for (std::size_t k = 0; k < pages_.size() && hasShowBox(k); ++k) {
            printSet().flags[static_cast<std::size_t>(pages_[k])] = 0;
            setChecked(firstFlag_ + static_cast<int>(k), false);
        }
        refresh();
        return state();
    }
    if (name == "import") {
        if (argument.empty()) return state();  // the file dialog was cancelled
        const auto data = readWholeFile(std::string(argument));
        if (!data) {
            context.prompter.ask(forms::error(kImportFailed, kImportFailedCaption));
            return state();
        }
        emptySet(report_);
        std::vector<int> selection = importSelection();
        selection.push_back(kSelectionEnd);
        report_.ImportReportSections(*data, selection);
        snapshot_ = report_;
        // The imported page settings bring their start number too: the boxes show it, so that
        // leaving the dialog keeps it.
        if (std::find(selection.begin(), selection.end(), kPrintSetSection) != selection.end())
            loadStart(printSet().start);
        for (std::size_t k = 0; k < pages_.size() && hasShowBox(k); ++k)
            setChecked(firstFlag_ + static_cast<int>(k), isPageShown(printSet(), pages_[k]));
        refresh();
        return state();
    }
    return ReportForm::onFormAction(name, argument, context);
}

// ---------------------------------------------------------------------------------------------
// Full set

namespace {

std::vector<int> fullPages() {
    std::vector<int> p;
    for (int i = kCoverPage; i <= kRepairPage; ++i) p.push_back(i);
    return p;
}

std::vector<std::string> fullTitles() {
    std::vector<std::string> t = {std::string(kCoverTitle), "    目录设置"};
    for (int page = kFirstFormPage; page <= kLastFormPage; ++page) t.emplace_back(reportPageCaption(page));
    t.emplace_back("附：检修更换记录");
    return t;
}

std::vector<std::string> modeChoices() { return {gbk("编辑报告"), gbk("显示报告")}; }

}  // namespace

void ReportMasterForm::addShowBoxesModeAndStart(const PrintSetData& set, int showBoxes) {
    showBoxes_ = showBoxes;
    for (std::size_t k = 0; k < pages_.size() && hasShowBox(k); ++k) {
        const int f = addCheck("flag" + std::to_string(pages_[k]), "", isPageShown(set, pages_[k]));
        if (k == 0) firstFlag_ = f;
    }
    modeField_ = addChoice("mode", modeChoices(), modeChoices()[mode_ == kShowReport ? 1 : 0],
                           FieldStyle::Radio);
    FieldDef start;
    start.name = "start";
    start.style = FieldStyle::Digits;
    start.maxBytes = 2;
    start.minWidth = 3;
    start_ = addField(std::move(start));
}

FullReportMasterForm::FullReportMasterForm(InspectionReport& report,
                                           const model::CharacteristicTable& table, int& mode)
    : ReportMasterForm(std::string(kCaption), report, table, mode, fullPages(), fullTitles(),
                       kAllFullPages) {
    const PrintSetData& p = report.PrintSet_ReportData;
    // The repair record is shown only by itself and has no show box.
    addShowBoxesModeAndStart(p, kRepairPage);
    byContents_ = addCheck("byContents", "根据目录设置中的页号显示", false);
    noNumbers_ = addCheck("noNumbers", "不显示页号", false);
    loadStart(p.start);
    buildLayout("从其它文件中读入全面检验报告");
    refresh();
}

void FullReportMasterForm::emptySet(InspectionReport& r) {
    r.ClearSection(kAllFullSections);
    r.removeAllItems();
}

std::vector<int> FullReportMasterForm::importSelection() const {
    std::vector<int> ids;
    for (int id = kFaceSection; id <= kJianXiuSection; ++id) ids.push_back(id);
    ids.push_back(kPrintSetSection);
    return ids;
}

void FullReportMasterForm::loadStart(int start) {
    setRawValue(start_, std::to_string(start).substr(0, 2));
    setChecked(byContents_, start == 0);
    setChecked(noNumbers_, start < 0);
    setFieldEnabled(start_, start > 0);
}

void FullReportMasterForm::startRulesChanged(int field) {
    if (field == byContents_) {
        if (isChecked(byContents_)) {
            setValue(start_, "0");
            setChecked(noNumbers_, false);
        } else {
            setValue(start_, "1");
        }
    } else if (field == noNumbers_) {
        if (isChecked(noNumbers_)) {
            setValue(start_, "-1");
            setChecked(byContents_, false);
        } else {
            setValue(start_, "1");
        }
    }
    setFieldEnabled(start_, !isChecked(byContents_) && !isChecked(noNumbers_));
}

void FullReportMasterForm::refresh() {
    ReportMasterForm::refresh();
    // The cover is edited first: until it holds something the other pages wait.
    const bool coverEmpty = snapshot_.Face_ReportData.empty();
    for (std::size_t k = 1; k < pages_.size(); ++k)
        setActionEnabled("open=" + std::to_string(k), !coverEmpty);
}

// ---------------------------------------------------------------------------------------------
// Online set

OnlineReportMasterForm::OnlineReportMasterForm(InspectionReport& report,
                                               const model::CharacteristicTable& table, int& mode)
    : ReportMasterForm(std::string(kCaption), report, table, mode,
                       {kOnlineCoverPage, kOnlineRegisterPage, kOnlineThicknessPage, kOnlineReportPage},
                       {" 封面设置", " 1. 在用工业管道原始资料登记表",
                        " 2. 在用工业管道在线检验测厚记录", " 3. 在用工业管道在线检验报告"},
                       kAllOnlinePages) {
    const PrintSetData& p = report.PrintSet_IReportData;
    addShowBoxesModeAndStart(p, static_cast<int>(pages_.size()));
    noNumbers_ = addCheck("noNumbers", "不显示页号", false);
    loadStart(p.start);
    buildLayout("从其它文件中读入在线检验报告档案");
    refresh();
}

void OnlineReportMasterForm::emptySet(InspectionReport& r) { r.ClearOnlineSection(kAllOnlineSections); }

std::vector<int> OnlineReportMasterForm::importSelection() const {
    return {kFaceOnlineSection, kDengJiSection, kCeHouOnlineSection, kJianYanSection};
}

void OnlineReportMasterForm::loadStart(int start) {
    // The online set numbers its pages only from a positive start.
    if (start > 0) {
        setRawValue(start_, std::to_string(start).substr(0, 2));
        setChecked(noNumbers_, false);
        setFieldEnabled(start_, true);
    } else {
        setRawValue(start_, gbk(kNoStart));
        setChecked(noNumbers_, true);
        setFieldEnabled(start_, false);
    }
}

void OnlineReportMasterForm::startRulesChanged(int field) {
    if (field != noNumbers_) return;
    if (isChecked(noNumbers_)) {
        setRawValue(start_, gbk(kNoStart));
        setFieldEnabled(start_, false);
    } else {
        setValue(start_, "1");
        setFieldEnabled(start_, true);
    }
}

}  // namespace tubra::report
