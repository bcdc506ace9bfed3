#include "tubra/report/RecordListForm.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "text/CFormat.h"
#include "text/Gbk.h"

namespace tubra::report {

using platform::FormContext;
using platform::ActionResult;
using platform::FormState;

RecordListForm::RecordListForm(int page, std::vector<Column> columns)
    : ReportPageForm(page), columns_(std::move(columns)) {
    // The closing button reads "退出"; scripts may name it so.
    addOkAlias("退出");
}

void RecordListForm::addEditingArea() {
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const int f = addText("item" + std::to_string(c), columns_[c].maxBytes, {},
                              TextKind::Token);
        if (firstItem_ < 0) firstItem_ = f;
    }
    addAction("add", "在尾部添加新记录");
    addAction("insert", "在当前位置插入新记录");
    addAction("modify", "修改选择的记录");
    addAction("delete", "删除选择的记录");
    refreshList();
}

void RecordListForm::placeList(int row) {
    LayoutGroup& l = group("", row);
    GroupBuilder(l).list(0, 0, "rows").dynamicLabel(1, 0, "status");
    LayoutGroup& e = group("数据编辑区", row + 1);
    GroupBuilder b(e);
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const int col = static_cast<int>(c);
        b.label(0, col, columns_[c].title).field(1, col, "item" + std::to_string(c));
    }
    LayoutGroup& buttons = group("", row + 2);
    GroupBuilder(buttons).button(0, 0, "add").button(0, 1, "insert").button(0, 2, "modify").button(0, 3, "delete");
}

const ListModel* RecordListForm::listModel(std::string_view name) const {
    return name == "rows" ? &list_ : nullptr;
}

std::vector<std::string> RecordListForm::editingArea() const {
    std::vector<std::string> v;
    for (std::size_t c = 0; c < columns_.size(); ++c) v.push_back(value(firstItem_ + static_cast<int>(c)));
    return v;
}

float RecordListForm::numberAt(std::size_t row, std::size_t column) const {
    return static_cast<float>(forms::number(rows_.at(row).at(column)));
}

std::string RecordListForm::formatNumber(float v) const {
    // The shortest text that reads back as the same value: opening and confirming the dialog
    // changes no measurement.
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

bool RecordListForm::editingAreaValid(FormContext& context) {
    const auto v = editingArea();
    if (std::all_of(v.begin(), v.end(), [](const std::string& s) { return s.empty(); })) {
        context.prompter.ask(forms::error(kAllBlank, kEditCaption));
        return false;
    }
    return measuresValid(v, context);
}

bool RecordListForm::measuresValid(const std::vector<std::string>& v, FormContext& context) const {
    // A measured value is a number in its range; left empty it is not given.
    for (std::size_t c = 0; c < columns_.size() && c < v.size(); ++c) {
        if (!columns_[c].measure) continue;
        const forms::Measured m = forms::measured(v[c]);
        if (m.kind == forms::Measured::Kind::Empty) continue;
        if (m.kind == forms::Measured::Kind::Value && columns_[c].measure->accepts(m.value)) continue;
        context.prompter.ask(forms::badMeasure(*columns_[c].measure, v[c], kEditCaption));
        return false;
    }
    return true;
}

void RecordListForm::select(std::vector<int> rows, bool show) {
    selected_.clear();
    for (int r : rows)
        if (r >= 0 && r < static_cast<int>(rows_.size()) &&
            std::find(selected_.begin(), selected_.end(), r) == selected_.end())
            selected_.push_back(r);
    // Clicking a row shows it in the editing area.
    if (show && !selected_.empty()) {
        const auto& row = rows_[static_cast<std::size_t>(selected_.back())];
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            std::string_view t = row[c];
            while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
            setValue(firstItem_ + static_cast<int>(c), t);
        }
    }
}

void RecordListForm::rowsChanged() { refreshList(); }

void RecordListForm::refreshList() {
    list_.columns = {"序号"};
    list_.widths = {50};
    for (const Column& c : columns_) {
        list_.columns.push_back(c.title);
        list_.widths.push_back(c.width);
    }
    list_.rows.clear();
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        std::vector<std::string> row = {std::to_string(r + 1)};
        for (const std::string& t : rows_[r]) row.push_back(text::gbkToUtf8(t));
        list_.rows.push_back(std::move(row));
    }
    list_.selected = selected_;
    list_.background = kListBackground;
    list_.foreground = kListText;
    const int count = static_cast<int>(rows_.size());
    setLabelText("status", selected_.empty()
                               ? text::format(kStatusNone, count)
                               : text::format(kStatus, count, selected_.back() + 1));
}

ActionResult RecordListForm::onFormAction(std::string_view name, std::string_view argument,
                                       FormContext& context) {
    const bool edits = name == "add" || name == "insert" || name == "modify";
    if (!edits && name != "delete" && name != "select")
        return ReportPageForm::onFormAction(name, argument, context);

    if (!argument.empty()) {
        const auto rows = forms::indexList(argument);
        const bool one = name == "insert" || name == "modify";
        if (name == "add" || !rows || (one && rows->size() != 1) ||
            std::any_of(rows->begin(), rows->end(),
                        [&](int r) { return r >= static_cast<int>(rows_.size()); })) {
            return platform::Error("对话框 \"" + caption() + "\" 没有可供 " + std::string(name) + " 的记录 '" +
                         std::string(argument) + "'（共 " + std::to_string(rows_.size()) + " 条记录，从 0 数起）");
        }
        // Only a click shows the row; the buttons keep what the editing area holds.
        select(*rows, name == "select");
    }
    if (name == "select") {
        rowsChanged();
        return state();
    }
    if (name == "delete") {
        std::vector<int> doomed = selected_;
        std::sort(doomed.rbegin(), doomed.rend());
        for (int r : doomed) rows_.erase(rows_.begin() + r);
        selected_.clear();
        rowsChanged();
        return state();
    }
    // Insert and modify work on the selected row; without one, modify has nothing to change
    // and insert appends.
    if (name == "modify" && selected_.empty()) return state();
    if (!editingAreaValid(context)) return state();
    const std::vector<std::string> row = editingArea();
    if (name == "add" || (name == "insert" && selected_.empty())) {
        rows_.push_back(row);
        for (std::size_t c = 0; c < columns_.size(); ++c) setValue(firstItem_ + static_cast<int>(c), "");
    } else if (name == "insert") {
        const int at = selected_.back();
        rows_.insert(rows_.begin() + at, row);
        for (int& s : selected_)
            if (s >= at) ++s;
    } else {
        rows_[static_cast<std::size_t>(selected_.back())] = row;
    }
    rowsChanged();
    return state();
}

bool RecordListForm::confirmOk(FormContext& context) {
    if (!askOnQuit_) return true;
    return context.prompter.ask(forms::question(kQuitQuestion, "信息:", true)) ==
           platform::Answer::Yes;
}

// ---------------------------------------------------------------------------------------------
// The six forms

namespace {

// Header labels by text index, laid out two pairs to a row.
using Labels = std::vector<std::pair<std::string, int>>;

std::vector<std::pair<std::string, std::string>> named(const Labels& labels) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& [label, i] : labels) out.emplace_back(label, "text" + std::to_string(i));
    return out;
}

class ThicknessForm : public RecordListForm {
public:
    static const Columns<ThicknessPoint>& columns() {
        static const auto c = Columns<ThicknessPoint>()
                                  .text("测点编号", 80, 11, &ThicknessPoint::pointId)
                                  .number("测点厚度(mm)", 120, 15, measures::thickness("测点厚度(mm)").kept(2),
                                          &ThicknessPoint::thickness);
        return c;
    }

    explicit ThicknessForm(const InspectionReport& r) : RecordListForm(kThicknessPage, columns().columns()) {
        addTexts(r.CeHou_ReportData.texts);
        autoCount_ = addCheck("autoCount", "自动", true);
        autoMin_ = addCheck("autoMin", "自动", true);
        loadRecords(columns(), r.thicknessPoints);
        // An empty point count shows the number of points; with "自动" checked, as it is at
        // opening, the least thickness is always the list's.
        addEditingArea();
        if (value(3).empty() && !rows_.empty())
            setValue(3, text::format("%4d", static_cast<int>(rows_.size())));
        computeLeast();
        lockAutomaticFields();
        // Typed by hand (without "自动") they are measurements like the list's.
        setMeasure(8, measures::thickness("实测最小壁厚(mm)"));
        setMeasure(1, measures::percent("管件测量比例(%)"));
        setMeasure(6, measures::percent("管子测量比例(%)"));

        LayoutGroup& g = group("", 0);
        int row = pairs(g, named({{"测量仪器型号", 0}, {"测量仪器精度", 5},
                                  {"管件测量比例(%)", 1}, {"管件测量比例(个)", 2},
                                  {"管子测量比例(%)", 6}, {"管子测量比例(段)", 7},
                                  {"表面状况", 4}}),
                        2);
        GroupBuilder(g)
            .label(row, 0, "实测点数")
            .field(row, 1, "text3")
            .field(row, 2, "autoCount")
            .label(row + 1, 0, "实测最小壁厚(mm)")
            .field(row + 1, 1, "text8")
            .field(row + 1, 2, "autoMin");
        signatureRows(g, row + 2, "检验日期", "text9",
                      {{"检验人员", "text10", "日期", "text11"}, {"审核人员", "text12", "日期", "text13"}});
        placeList(1);
        layout_.buttons = {"ok", "cancel"};
        setActionCaption("ok", "退出");
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.CeHou_ReportData.texts, 0);
        storeRecords(columns(), r.thicknessPoints);
    }

protected:
    std::string formatNumber(float v) const override { return text::format("%7.2f", v); }

    bool editingAreaValid(FormContext& context) override {
        const auto v = editingArea();
        // A thickness is a number above 0: not empty, not "nan", not negative.
        const forms::Measured t = forms::measured(v[1]);
        if (t.kind != forms::Measured::Kind::Value || !columns_[1].measure->accepts(t.value)) {
            context.prompter.ask(forms::error(kBadThickness, kEditCaption));
            return false;
        }
        if (v[0].empty()) {
            context.prompter.ask(forms::error(kNoPointId, kEditCaption));
            return false;
        }
        return true;
    }

    void rowsChanged() override {
        RecordListForm::rowsChanged();
        computeAutomaticFields();
    }

    void valueChanged(int index) override {
        if (index == autoCount_ || index == autoMin_) {
            computeAutomaticFields();
            lockAutomaticFields();
        }
    }

private:
    void computeAutomaticFields() {
        if (isChecked(autoCount_))
            setValue(3, rows_.empty() ? std::string() : std::to_string(rows_.size()));
        computeLeast();
    }

    // With "自动" checked: the least thickness of the list (of its real thicknesses: a row a
    // drawing file brought in with no number in it counts for nothing).
    void computeLeast() {
        if (!isChecked(autoMin_)) return;
        std::string shown;
        bool any = false;
        float least = 0;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const float t = numberAt(i, 1);
            if (!std::isfinite(t) || t <= 0) continue;
            least = any ? std::min(least, t) : t;
            any = true;
        }
        if (any) shown = text::format("%-7.2f", least);
        setValue(8, shown);
    }

    void lockAutomaticFields() {
        setFieldEnabled(3, !isChecked(autoCount_));
        setFieldEnabled(8, !isChecked(autoMin_));
    }

    int autoCount_ = 0;
    int autoMin_ = 0;
};

class MagneticForm : public RecordListForm {
public:
    static const Columns<MagneticDefect>& columns() {
        static const auto c = Columns<MagneticDefect>()
                                  .text("缺陷位置", 120, 19, &MagneticDefect::location)
                                  .size("缺陷长度(mm)", 110, 15, measures::defectSize("缺陷长度(mm)").kept(6),
                                          &MagneticDefect::length)
                                  .text("备注", 120, 19, &MagneticDefect::remark);
        return c;
    }

    explicit MagneticForm(const InspectionReport& r) : RecordListForm(kMagneticPage, columns().columns()) {
        addTexts(r.CiFeng_ReportData.texts);
        setMeasure(1, measures::percent("检测比例(%)"));
        loadRecords(columns(), r.magneticDefects);
        addEditingArea();
        LayoutGroup& g = group("", 0);
        const int row = pairs(g, named({{"使用仪器", 0}, {"检测比例(%)", 1}, {"检测比例(mm)", 2}, {"磁粉类型", 3},
                                        {"磁化时间", 4}, {"磁化电流", 5}, {"执行标准", 6}, {"表面状况", 7},
                                        {"检测部位", 8}, {"标准试块", 9}, {"安匝数", 10}, {"磁化方法", 11},
                                        {"喷洒方式", 12}}),
                              2);
        signatureRows(g, row, "检测日期", "text13",
                      {{"检测人员", "text14", "日期", "text15"}, {"审核", "text16", "日期", "text17"}});
        placeList(1);
        layout_.buttons = {"ok", "cancel"};
        setActionCaption("ok", "退出");
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.CiFeng_ReportData.texts, 0);
        storeRecords(columns(), r.magneticDefects);
    }
};

class PenetrantForm : public RecordListForm {
public:
    static const Columns<PenetrantDefect>& columns() {
        static const auto c = Columns<PenetrantDefect>()
                                  .text("缺陷位置", 150, 19, &PenetrantDefect::location)
                                  .size("缺陷长度(mm)", 120, 15, measures::defectSize("缺陷长度(mm)").kept(6),
                                          &PenetrantDefect::length);
        return c;
    }

    explicit PenetrantForm(const InspectionReport& r) : RecordListForm(kPenetrantPage, columns().columns()) {
        addTexts(r.ShenTou_ReportData.texts);
        setMeasure(1, measures::temperature("环境温度(℃)"));
        setMeasure(7, measures::percent("检测比例(%)"));
        loadRecords(columns(), r.penetrantDefects);
        addEditingArea();
        LayoutGroup& g = group("", 0);
        const int row = pairs(g, named({{"检测方法", 0}, {"环境温度(℃)", 1}, {"观察方式", 2}, {"清洗剂型号", 3},
                                        {"执行标准", 4}, {"表面状况", 5}, {"检测部位", 6}, {"检测比例(%)", 7},
                                        {"检测比例(mm)", 8}, {"对比试块", 9}, {"渗透剂型号", 10},
                                        {"显像剂型号", 11}}),
                              2);
        signatureRows(g, row, "检测日期", "text12",
                      {{"检测人员", "text13", "日期", "text14"}, {"审核", "text15", "日期", "text16"}});
        placeList(1);
        layout_.buttons = {"ok", "cancel"};
        setActionCaption("ok", "退出");
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.ShenTou_ReportData.texts, 0);
        storeRecords(columns(), r.penetrantDefects);
    }
};

class RadiographForm : public RecordListForm {
public:
    static constexpr std::string_view kHeightNote =
        "注＊：当缺陷为未熔合或未焊透时，可采用沟槽对比块或未焊透对比块估计缺陷高度";

    static const Columns<RadiographDefect>& columns() {
        static const auto c =
            Columns<RadiographDefect>()
                .text("底片编号", 80, 19, &RadiographDefect::filmNumber)
                .text("缺陷位置", 90, 19, &RadiographDefect::location)
                .text("缺陷性质", 80, 19, &RadiographDefect::nature)
                .size("缺陷长度(mm)", 90, 15, measures::defectSize("缺陷长度(mm)").kept(3), &RadiographDefect::length)
                .size("*缺陷高度(mm)", 100, 15, measures::defectDepth("缺陷高度(mm)").kept(3), &RadiographDefect::height)
                .text("评定级别", 70, 19, &RadiographDefect::grade)
                .text("备注", 80, 19, &RadiographDefect::remark);
        return c;
    }

    explicit RadiographForm(const InspectionReport& r) : RecordListForm(kRadiographPage, columns().columns()) {
        addTexts(r.SheXian_ReportData.texts);
        setMeasure(3, measures::percent("检测比例(%)"));
        loadRecords(columns(), r.radiographDefects);
        addEditingArea();
        LayoutGroup& g = group("", 0);
        const int row = pairs(g, named({{"检测部位", 0}, {"执行标准", 1}, {"源种类", 2}, {"检测比例(%)", 3},
                                        {"检测比例(mm)", 4}, {"仪器型号", 5}, {"仪器规格", 6},
                                        {"象质计指数", 7}, {"底片类型", 8}, {"底片长度(mm)", 9}, {"增感法", 10},
                                        {"管电压(KV)", 11}, {"透照方式", 12}, {"焦距(mm)", 13},
                                        {"有效长度(mm)", 14}, {"透度计类型", 15}, {"管电流(mA)", 16},
                                        {"曝光时间(min)", 17}, {"黑度", 18}}),
                              2);
        signatureRows(g, row, "检测日期", "text19",
                      {{"检测人员", "text20", "日期", "text21"},
                       {"初评", "text22", "日期", "text23"},
                       {"复评", "text24", "日期", "text25"}});
        placeList(1);
        LayoutGroup& n = group("", 4);
        GroupBuilder(n).label(0, 0, std::string(kHeightNote));
        layout_.scrolls = true;
        layout_.buttons = {"ok", "cancel"};
        setActionCaption("ok", "退出");
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.SheXian_ReportData.texts, 0);
        storeRecords(columns(), r.radiographDefects);
    }
};

class UltrasonicForm : public RecordListForm {
public:
    static const Columns<UltrasonicDefect>& columns() {
        static const auto c =
            Columns<UltrasonicDefect>()
                .text("缺陷位置", 90, 19, &UltrasonicDefect::location)
                .size("缺陷埋藏深度(mm)", 120, 15, measures::defectDepth("缺陷埋藏深度(mm)").kept(2), &UltrasonicDefect::depth)
                .size("缺陷长度(mm)", 90, 15, measures::defectSize("缺陷长度(mm)").kept(2), &UltrasonicDefect::length)
                .size("缺陷高度(mm)", 90, 15, measures::defectDepth("缺陷高度(mm)").kept(2), &UltrasonicDefect::height)
                .text("缺陷波反射区域", 110, 19, &UltrasonicDefect::reflectionZone)
                .text("评定级别", 70, 19, &UltrasonicDefect::grade)
                .text("备注", 80, 19, &UltrasonicDefect::remark);
        return c;
    }

    explicit UltrasonicForm(const InspectionReport& r) : RecordListForm(kUltrasonicPage, columns().columns()) {
        addTexts(r.ChaoShen_ReportData.texts);
        setMeasure(4, measures::percent("检测比例(%)"));
        loadRecords(columns(), r.ultrasonicDefects);
        addEditingArea();
        LayoutGroup& g = group("", 0);
        const int row = pairs(g, named({{"坡口形式", 0}, {"测试仪器型号", 1}, {"标准试块", 2}, {"耦合剂", 3},
                                        {"检测比例(%)", 4}, {"检测比例(mm)", 5}, {"表面状态", 6},
                                        {"检测部位", 7}, {"探头类型", 8}, {"灵敏度", 9}, {"耦合补偿(dB)", 10},
                                        {"执行标准", 11}}),
                              2);
        signatureRows(g, row, "检测日期", "text12",
                      {{"检测人员", "text13", "日期", "text14"}, {"审核", "text15", "日期", "text16"}});
        placeList(1);
        layout_.scrolls = true;
        layout_.buttons = {"ok", "cancel"};
        setActionCaption("ok", "退出");
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.ChaoShen_ReportData.texts, 0);
        storeRecords(columns(), r.ultrasonicDefects);
    }
};

class HardnessForm : public RecordListForm {
public:
    static const Columns<HardnessPoint>& columns() {
        static const auto c =
            Columns<HardnessPoint>()
                .text("硬度值(HB)", 120, 19, &HardnessPoint::value, measures::hardness("硬度值(HB)"))
                .text("硬度测定部位", 160, 19, &HardnessPoint::location);
        return c;
    }

    explicit HardnessForm(const InspectionReport& r) : RecordListForm(kHardnessPage, columns().columns()) {
        askOnQuit_ = false;
        addTexts(r.YingDu_ReportData.texts);
        note_ = addText("note", r.YingDu_ReportData.note.kMaxBytes, r.YingDu_ReportData.note.view(),
                        TextKind::Note);
        loadRecords(columns(), r.hardnessPoints);
        addEditingArea();
        LayoutGroup& g = group("", 0);
        const int row = pairs(g, named({{"仪器型号", 0}, {"评定标准", 1}, {"热处理状态", 2}, {"测定部位", 3}}), 2);
        signatureRows(g, row, "检验日期", "text4",
                      {{"检验员", "text5", "日期", "text6"}, {"审核", "text7", "日期", "text8"}});
        placeList(1);
        LayoutGroup& n = group("评定意见", 4);
        GroupBuilder(n).field(0, 0, "note").label(1, 0, "注：评定意见中最多可显示6行文字");
        layout_.buttons = {"ok", "cancel"};
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.YingDu_ReportData.texts, 0);
        r.YingDu_ReportData.note = value(note_);
        storeRecords(columns(), r.hardnessPoints);
    }

private:
    int note_ = 0;
};

}  // namespace

namespace detail {

std::unique_ptr<ReportPageForm> makeListPageForm(int page, const InspectionReport& r,
                                                 const model::CharacteristicTable&) {
    switch (page) {
        case kThicknessPage: return std::make_unique<ThicknessForm>(r);
        case kMagneticPage: return std::make_unique<MagneticForm>(r);
        case kPenetrantPage: return std::make_unique<PenetrantForm>(r);
        case kRadiographPage: return std::make_unique<RadiographForm>(r);
        case kUltrasonicPage: return std::make_unique<UltrasonicForm>(r);
        case kHardnessPage: return std::make_unique<HardnessForm>(r);
        default: return nullptr;
    }
}

}  // namespace detail

}  // namespace tubra::report
