#include "tubra/report/ReportPageForms.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/report/ReportPagePainter.h"

namespace tubra::report {

using platform::FormContext;
using platform::ActionResult;
using platform::FormState;
using text::gbk;

// ---------------------------------------------------------------------------------------------
// Shared

ReportPageForm::ReportPageForm(int page) : ReportForm(std::string(reportPageCaption(page))), page_(page) {}

LayoutGroup& ReportPageForm::group(std::string title, int row, int col, int colSpan, int rowSpan) {
    LayoutGroup g;
    g.title = std::move(title);
    g.row = row;
    g.col = col;
    g.colSpan = colSpan;
    g.rowSpan = rowSpan;
    layout_.groups.push_back(std::move(g));
    return layout_.groups.back();
}

int ReportPageForm::pairs(LayoutGroup& g,
                          const std::vector<std::pair<std::string, std::string>>& labelField,
                          int perRow, int row) {
    GroupBuilder b(g);
    int k = 0;
    for (const auto& [label, name] : labelField) {
        b.label(row, 2 * k, label).field(row, 2 * k + 1, name);
        if (++k == perRow) {
            k = 0;
            ++row;
        }
    }
    return k == 0 ? row : row + 1;
}

int ReportPageForm::signatureRows(LayoutGroup& g, int row, const std::string& dateLabel,
                                  const std::string& dateField, const std::vector<Signer>& signers) {
    GroupBuilder b(g);
    if (!dateField.empty()) {
        b.label(row, 0, dateLabel).field(row, 1, dateField);
        ++row;
    }
    for (const Signer& s : signers) {
        b.label(row, 0, s.nameLabel).field(row, 1, s.nameField).label(row, 2, s.dateLabel).field(row, 3, s.dateField);
        ++row;
    }
    return row;
}

namespace {

std::string textName(int i) { return "text" + std::to_string(i); }

// Dialog captions that differ from the printed titles of their pages; the forms' dialogs carry
// the printed titles.
constexpr std::string_view kCoverCaption = "在用工业管道全面检验报告";
constexpr std::string_view kContentsCaption = "目  录";
constexpr std::string_view kRepairCaption = "检修更换记录(14)";
constexpr std::string_view kOnlineCoverCaption = "在用工业管道在线检验报告档案_封面";

// Pipeline classes of the cover and the review report, with the empty entry first.
std::vector<std::string> classChoices(std::string_view stored) {
    std::vector<std::string> c = {"", "GA1", "GA2", "GA3", "GB1", "GB2", "GC1", "GC2", "GC3"};
    // A class the list does not offer (written by hand into a file) stays choosable, so that
    // confirming the dialog does not lose it.
    if (std::find(c.begin(), c.end(), stored) == c.end()) c.emplace_back(stored);
    return c;
}

// ---------------------------------------------------------------------------------------------
// Cover

class CoverForm : public ReportPageForm {
public:
    CoverForm(const InspectionReport& r, const model::CharacteristicTable& table)
        : ReportPageForm(kCoverPage) {
        const auto& t = r.Face_ReportData.texts;
        for (int i = 0; i < 9; ++i) addText(textName(i), t[i].kMaxBytes, t[i].view());
        addChoice(textName(9), classChoices(t[9].view()), t[9].view());
        // Name and number come from the characteristic table while the cover has none.
        addReference(4, table.values[tablerow::kName].view(), false);
        addReference(5, table.values[tablerow::kNumber].view(), false);
        const std::string_view cls = table.values[tablerow::kClass].view();
        if (!cls.empty() && std::find(def(9).choices.begin(), def(9).choices.end(), cls) !=
                                def(9).choices.end())
            addReference(9, cls, false);
        fillEmptyReferences();

        LayoutGroup& g = group("", 0);
        int row = pairs(g, {{"使用登记证号", "text0"}, {"注册编号", "text1"},
                            {"使用单位", "text2"}, {"装置名称", "text3"},
                            {"★管道名称", "text4"}, {"★管道编号", "text5"},
                            {"检验日期", "text6"}, {"报告编号", "text7"},
                            {"检验单位", "text8"}, {"★管道级别", "text9"}},
                        2);
        GroupBuilder(g)
            .label(row, 0, "以上栏目中，打★的数据由管道特性表中引入。", 4)
            .label(row + 1, 0, "各项数据在此修改后，将在其它报告中被使用。", 4);
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        for (int i = 0; i < 10; ++i) r.Face_ReportData.texts[i] = value(i);
    }
};

// ---------------------------------------------------------------------------------------------
// Contents

class ContentsForm : public ReportPageForm {
public:
    static constexpr std::string_view kDrawingLine = "在用工业管道单线图";

    explicit ContentsForm(const InspectionReport& r)
        : ReportPageForm(kContentsPage) {
        const MuluData& m = r.Mulu_ReportData;
        LayoutGroup& g = group("", 0);
        GroupBuilder b(g);
        b.label(0, 0, "序号").label(0, 1, "检 验 项 目 报 告").label(0, 2, "未检验").label(0, 3, "页号");
        for (int row = 0; row < 16; ++row) {
            const std::string flag = "flag" + std::to_string(row);
            const std::string page = "page" + std::to_string(row);
            addCheck(flag, "未检验", m.flags[row] != 0, FieldStyle::Toggle);
            // A page number is shown only within 1 to 998.
            const int n = m.pages[row];
            FieldDef f;
            f.name = page;
            f.style = FieldStyle::Digits;
            f.maxBytes = 3;
            f.minWidth = 4;
            addField(std::move(f), (n >= 1 && n <= 998) ? std::to_string(n) : std::string());
            b.label(row + 1, 0, std::to_string(row + 1))
                .label(row + 1, 1, std::string(row < 15 ? reportPageCaption(kFirstFormPage + row) : kDrawingLine))
                .field(row + 1, 2, flag)
                .field(row + 1, 3, page);
        }
        b.label(17, 0, "注: 选择栏中，将未检验项目前的按钮点下，", 4)
            .label(18, 0, "已检验项目前的按钮则保持弹起", 4)
            .label(19, 0, "＊＊此设置将影响到检验结论报告中的相关项目＊＊", 4);
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        for (int row = 0; row < 16; ++row) {
            r.Mulu_ReportData.flags[row] = isChecked(2 * row) ? 1 : 0;
            const int n = static_cast<int>(forms::number(value(2 * row + 1)));
            r.Mulu_ReportData.pages[row] = n > 0 ? n : 0;
        }
    }
};

// ---------------------------------------------------------------------------------------------
// (1) Conclusion

class ConclusionForm : public ReportPageForm {
public:
    static constexpr std::string_view kGradeFourMessage =
        "当安全状况等级为4时，不能再继续使用！\n\n因此允许继续使用的条件参数不能填写！";
    static constexpr std::string_view kGradeFourCaption = "数据输入错误";
    static constexpr std::string_view kDefaultAuthority = "duzezurarureveder";
    static constexpr std::string_view kDefaultScope = "压力管道检验和安全评估。";

    ConclusionForm(const InspectionReport& r, const model::CharacteristicTable& table)
        : ReportPageForm(kConclusionPage) {
        const auto& t = r.JieLun_ReportData.texts;
        // The grade comes first: choosing it changes the fields below, so a recorded line sets
        // it before them.
        const int stored = static_cast<int>(forms::number(t[11].view()));
        const int grade = (stored >= 1 && stored <= 4) ? stored : 0;
        grade_ = addChoice(textName(11), {"", "1", "2", "3", "4"},
                           grade ? std::to_string(grade) : std::string());
        for (int i = 0; i < 15; ++i) {
            if (i == 11) continue;
            field_[i] = addText(textName(i), t[i].kMaxBytes, t[i].view());
        }
        field_[11] = grade_;
        if (grade != 4) {
            fillIfEmpty(0, table.values[tablerow::kPressure].view());
            fillIfEmpty(1, table.values[tablerow::kTemperature].view());
            fillIfEmpty(2, table.values[tablerow::kMedium].view());
        }
        fillIfEmpty(7, gbk(kDefaultAuthority));
        fillIfEmpty(8, gbk(kDefaultScope));
        lastGrade_ = value(grade_);
        setMeasure(field_[0], measures::pressure("最大工作压力(MPa)"));
        setMeasure(field_[1], measures::temperature("工作温度(℃)"));

        LayoutGroup& g = group("", 0);
        GroupBuilder b(g);
        b.label(0, 0, "一、安全状况等级").field(0, 1, textName(11));
        b.label(1, 0, "二、允许继续使用的参数为：", 4);
        int row = pairs(g, {{"最大工作压力(MPa)", "text0"}, {"工作温度(℃)", "text1"},
                            {"工作介质", "text2"}},
                        2, 2);
        b.label(row, 0, "三、监控使用的限制性条件").field(row, 1, "text3", 3);
        b.label(row + 1, 0, "四、下次检验日期").field(row + 1, 1, "text4", 3);
        b.label(row + 2, 0, "五、判废的依据").field(row + 2, 1, "text5", 3);
        b.label(row + 3, 0, "六、其它").field(row + 3, 1, "text6", 3);
        LayoutGroup& u = group("检验单位", 1);
        GroupBuilder(u)
            .label(0, 0, "本检验单位经(")
            .field(0, 1, "text7", 3)
            .label(1, 0, "批准的检验工作范围")
            .field(1, 1, "text8", 3)
            .label(2, 0, "检验许可证批准号")
            .field(2, 1, "text9", 3)
            .label(3, 0, "检验员证件编号")
            .field(3, 1, "text10", 3);
        LayoutGroup& d = group("日期", 2);
        pairs(d, {{"检验人员签字日期", "text12"}, {"技术负责人签字日期", "text13"},
                  {"检验单位盖章日期", "text14"}},
              2);
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        auto& t = r.JieLun_ReportData.texts;
        for (int i = 0; i < 15; ++i) t[i] = value(field_[i]);
        t[11] = value(grade_).empty() ? std::string("0") : value(grade_);
    }

protected:
    void valueChanged(int index) override {
        if (index != grade_) return;
        const bool four = value(grade_) == "4";
        const bool wasFour = lastGrade_ == "4";
        if (four && !wasFour) {
            // Parameters for further use make no sense at grade 4: put them aside.
            std::array<std::string, 5> moved;
            for (int i = 0; i < 5; ++i) {
                moved[i] = value(field_[i]);
                setValue(field_[i], "");
            }
            aside_ = moved;
        } else if (!four && wasFour && aside_) {
            for (int i = 0; i < 5; ++i) setValue(field_[i], (*aside_)[i]);
            aside_.reset();
        }
        lastGrade_ = value(grade_);
    }

    bool confirmOk(FormContext& context) override {
        if (value(grade_) == "4") {
            for (int i = 0; i < 3; ++i) {
                if (!value(field_[i]).empty()) {
                    context.prompter.ask(forms::error(kGradeFourMessage, kGradeFourCaption));
                    return false;
                }
            }
        }
        return true;
    }

private:
    void fillIfEmpty(int text, std::string_view v) {
        if (value(field_[text]).empty()) setValue(field_[text], v);
    }

    std::array<int, 15> field_{};
    int grade_ = 0;
    std::string lastGrade_;
    std::optional<std::array<std::string, 5>> aside_;
};

// ---------------------------------------------------------------------------------------------
// (2) Grading summary

class SummaryForm : public ReportPageForm {
public:
    static constexpr std::array<std::string_view, 23> kItems = {
        "管道位置及结构", "与设计不符", "材质不明", "材料劣化和损伤", "硬度异常",
        "管子及管件全面减薄", "管子局部减薄", "裂纹", "咬边", "气孔", "夹渣", "未焊透",
        "未熔合", "错边", "裂纹、皱褶、重皮", "碰伤", "变形", "损坏", "支吊架异常",
        "安全附属装置", "其它附属设施", "压力试验或其它泄漏行性试验", "管道安全状况等级"};
    static constexpr int kOverall = 22;
    static constexpr std::string_view kNoDefects = "缺陷全无＝》";

    explicit SummaryForm(const InspectionReport& r)
        : ReportPageForm(kSummaryPage) {
        const HuiZongData& h = r.HuiZong_ReportData;
        for (int i = 0; i < 23; ++i) {
            text_[i] = addText(textName(i), h.texts[i].kMaxBytes, h.texts[i].view(), TextKind::Token);
            const int g = h.grades[i];
            grade_[i] = addChoice("grade" + std::to_string(i), {"", "1", "2", "3", "4"},
                                  (g >= 1 && g <= 4) ? std::to_string(g) : std::string());
        }
        for (int i = 23; i < 27; ++i)
            text_[i] = addText(textName(i), h.texts[i].kMaxBytes, h.texts[i].view(), TextKind::Token);
        for (int k = 0; k < 3; ++k) addAction("clear=" + std::to_string(k), std::string(kNoDefects));

        struct Part {
            const char* title;
            int first, last, button;
        };
        const Part parts[] = {{"管道材料", 0, 6, 0},        {"管子焊接缺陷", 7, 13, 1},
                              {"组成件其它异常", 14, 17, 2}, {"附属设施", 18, 20, -1},
                              {"其它", 21, 22, -1}};
        // One grid for all groups, so that their columns line up.
        LayoutGroup& g = group("", 0, 0);
        GroupBuilder b(g);
        b.label(0, 0, "项  目").label(0, 1, "情况概述").label(0, 2, "等级");
        int row = 1;
        for (const Part& p : parts) {
            b.label(row, 0, std::string("【") + p.title + "】", 2);
            if (p.button >= 0) b.button(row, 2, "clear=" + std::to_string(p.button));
            ++row;
            for (int i = p.first; i <= p.last; ++i, ++row) {
                b.label(row, 0, std::string(kItems[i]))
                    .field(row, 1, textName(i))
                    .field(row, 2, "grade" + std::to_string(i));
            }
        }
        row = 1;
        LayoutGroup& s = group("", row, 0);
        pairs(s, {{"检验人员", "text23"}, {"检验日期", "text24"}, {"审核人员", "text25"},
                  {"审核日期", "text26"}},
              2);
        layout_.scrolls = true;
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        HuiZongData& h = r.HuiZong_ReportData;
        for (int i = 0; i < 27; ++i) h.texts[i] = value(text_[i]);
        for (int i = 0; i < 23; ++i) h.grades[i] = gradeOf(i);
    }

protected:
    void valueChanged(int index) override {
        for (int i = 0; i < kOverall; ++i)
            if (index == grade_[i]) raiseOverall();
    }

    ActionResult onFormAction(std::string_view name, std::string_view argument, FormContext& context) override {
        if (name == "clear" && (argument == "0" || argument == "1" || argument == "2")) {
            const int k = argument[0] - '0';
            const int first = k * 7;
            const std::string text = gbk(k == 1 ? "未发现" : "正常");
            for (int i = first; i < first + 7; ++i) {
                setValue(text_[i], text);
                setValue(grade_[i], "2");
            }
            raiseOverall();
            return state();
        }
        return ReportPageForm::onFormAction(name, argument, context);
    }

private:
    int gradeOf(int item) const {
        const std::string& v = value(grade_[item]);
        return v.empty() ? 0 : v[0] - '0';
    }

    // The overall grade follows the worst item but never falls back by itself.
    void raiseOverall() {
        int worst = gradeOf(kOverall);
        for (int i = 0; i < kOverall; ++i) worst = std::max(worst, gradeOf(i));
        setValue(grade_[kOverall], worst ? std::to_string(worst) : std::string());
    }

    std::array<int, 27> text_{};
    std::array<int, 23> grade_{};
};

// ---------------------------------------------------------------------------------------------
// (3) Review of the source documents

class ReviewForm : public ReportPageForm {
public:
    ReviewForm(const InspectionReport& r, const model::CharacteristicTable& table)
        : ReportPageForm(kReviewPage) {
        const auto& t = r.ShengCha_ReportData.texts;
        addTexts(t);
        addReference(0, r.Face_ReportData.texts[3].view(), false);
        const std::pair<int, int> fromTable[] = {
            {1, tablerow::kName},      {2, tablerow::kNumber},      {3, tablerow::kLength},
            {4, tablerow::kEnds},      {8, tablerow::kMaterial},    {9, tablerow::kSize},
            {18, tablerow::kInService}, {20, tablerow::kPressure},  {21, tablerow::kTemperature},
            {22, tablerow::kMedium},   {23, tablerow::kInsulation}, {34, tablerow::kClass}};
        for (const auto& [field, row] : fromTable)
            addReference(field, table.values[row].view(), false);
        fillEmptyReferences();
        addAction(std::string(kReloadAction), "重新读入参考值");
        setMeasure(6, measures::pressure("设计压力(MPa)"));
        setMeasure(7, measures::temperature("设计温度(℃)"));
        setMeasure(10, measures::depth("腐蚀裕量 mm"));
        setMeasure(20, measures::pressure("工作压力(MPa)"));
        setMeasure(21, measures::temperature("工作温度(℃)"));
        setMeasure(24, measures::depth("绝热层厚度(mm)"));

        LayoutGroup& g = group("", 0);
        int row = pairs(g, {{"☆装置名称", "text0"}, {"★管道名称", "text1"},
                            {"★管道编号", "text2"}, {"★管道级别", "text34"},
                            {"★管道长度(m)", "text3"}, {"★起止位置", "text4"},
                            {"敷设方式", "text5"}, {"设计压力(MPa)", "text6"},
                            {"设计温度(℃)", "text7"}, {"★管子材料牌号", "text8"},
                            {"★管道规格(外径mm×壁厚mm)", "text9"}, {"腐蚀裕量 mm", "text10"},
                            {"上次全面检验日期", "text11"}, {"设计单位", "text12"},
                            {"设计日期", "text13"}, {"设计规范", "text14"},
                            {"安装单位", "text15"}, {"安装与验收规范", "text16"},
                            {"验收日期", "text17"}, {"★投用日期", "text18"},
                            {"实际使用时间", "text19"}, {"★工作压力(MPa)", "text20"},
                            {"★工作温度(℃)", "text21"}, {"★工作介质", "text22"},
                            {"★绝热层材料", "text23"}, {"绝热层厚度(mm)", "text24"},
                            {"防腐层材料", "text25"}, {"上次全面检验报告编号", "text26"}},
                        2);
        GroupBuilder b(g);
        b.label(row, 0, "原始资料及记录审查问题记载", 4).field(row + 1, 0, "text27", 4);
        b.label(row + 2, 0, "上次全面检验及自上次全面检验以来历次在线检验问题记载", 4)
            .field(row + 3, 0, "text28", 4);
        row = signatureRows(g, row + 4, "检验日期", "text29",
                            {{"检验人员", "text30", "日期", "text31"}, {"审核人员", "text32", "日期", "text33"}});
        b.label(row, 0, "(打★、☆项目的数据分别来自特性表和报告封面)", 3)
            .button(row, 3, std::string(kReloadAction));
        b.label(row + 1, 0, std::string(kReferenceNote), 4);
        layout_.scrolls = true;
        okCancel();
    }

    void apply(InspectionReport& r) const override { storeTexts(r.ShengCha_ReportData.texts, 0); }
};

// ---------------------------------------------------------------------------------------------
// (4) Visual inspection

class VisualInspectionForm : public ReportPageForm {
public:
    explicit VisualInspectionForm(const InspectionReport& r)
        : ReportPageForm(kVisualPage) {
        const HongGuanData& h = r.HongGuan_ReportData;
        // The check boxes carry the options the page prints.
        const auto& items = visualInspectionItems();
        int state = 0;
        for (std::size_t item = 0; item < items.size(); ++item) {
            first_.push_back(state);
            LayoutGroup& g = group(std::string(items[item].name), static_cast<int>(item), 0);
            GroupBuilder b(g);
            int col = 0, row = 0;
            for (std::string_view option : optionNames(items[item].options)) {
                const std::string name = "state" + std::to_string(state);
                addCheck(name, std::string(option) + "；", h.states[state] != 0);
                owner_.push_back(static_cast<int>(item));
                b.field(row, col, name);
                if (++col == 3) {
                    col = 0;
                    ++row;
                }
                ++state;
            }
            remarkRow_.push_back(row + (col ? 1 : 0));
        }
        last_ = state;
        texts_ = addTexts(h.texts);
        setMeasure(texts_, measures::depth("最大错边量(mm)"));
        setMeasure(texts_ + 1, measures::depth("最大咬边量(mm)"));
        for (std::size_t item = 0; item < items.size(); ++item) {
            GroupBuilder(layout_.groups[item])
                .label(remarkRow_[item], 0, "备注")
                .field(remarkRow_[item], 1, textName(static_cast<int>(item) + 2), 2);
        }
        LayoutGroup& g = group("", static_cast<int>(items.size()), 0);
        const int row = pairs(g, {{"其它", "text20"}, {"备注", "text21"}, {"最大错边量(mm)", "text0"},
                                  {"最大咬边量(mm)", "text1"}},
                              2);
        signatureRows(g, row, "检验日期", "text22",
                      {{"检验人员", "text23", "日期", "text24"}, {"审核人员", "text25", "日期", "text26"}});
        layout_.scrolls = true;
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        HongGuanData& h = r.HongGuan_ReportData;
        for (int s = 0; s < last_; ++s) h.states[s] = isChecked(s) ? 1 : 0;
        storeTexts(h.texts, texts_);
    }

protected:
    // The first option of an item ("正常", "完好", "合格") excludes the others.
    void valueChanged(int index) override {
        if (index >= last_ || !isChecked(index)) return;
        const int item = owner_[static_cast<std::size_t>(index)];
        const int first = first_[static_cast<std::size_t>(item)];
        const int end = item + 1 < static_cast<int>(first_.size())
                            ? first_[static_cast<std::size_t>(item) + 1]
                            : last_;
        if (index == first) {
            for (int s = first + 1; s < end; ++s) setChecked(s, false);
        } else {
            setChecked(first, false);
        }
    }

private:
    std::vector<int> first_;   // first state of each item
    std::vector<int> owner_;   // item of each state
    std::vector<int> remarkRow_;
    int last_ = 0;
    int texts_ = 0;
};

// ---------------------------------------------------------------------------------------------
// (10) Chemical analysis

class ChemicalForm : public ReportPageForm {
public:
    explicit ChemicalForm(const InspectionReport& r)
        : ReportPageForm(kChemicalPage) {
        const FengXiData& f = r.FengXi_ReportData;
        addTexts(f.texts);
        note_ = addText("note", f.note.kMaxBytes, f.note.view(), TextKind::Note);

        LayoutGroup& g = group("", 0);
        pairs(g, {{"取样部位", "text0"}, {"执行标准", "text1"}, {"取样方法", "text2"},
                  {"试件编号", "text3"}},
              2);
        // Thirteen fixed elements, then eight whose symbols the user types.
        LayoutGroup& e = group("化学成分(%)", 1);
        GroupBuilder b(e);
        const std::pair<const char*, int> fixed[] = {{"C", 4},   {"Si", 5},  {"Mn", 6}, {"S", 7},
                                                     {"P", 8},   {"Mo", 11}, {"V", 12}, {"Al", 13},
                                                     {"Cr", 14}, {"Ni", 15}, {"Ti", 18}, {"Nb", 19},
                                                     {"Cu", 20}};
        b.label(0, 0, "元素").label(1, 0, "含量");
        int col = 1;
        for (const auto& [symbol, text] : fixed) {
            b.label(0, col, symbol).field(1, col, textName(text));
            ++col;
        }
        const std::pair<int, int> custom[] = {{9, 25},  {10, 26}, {16, 27}, {17, 28},
                                              {21, 29}, {22, 30}, {23, 31}, {24, 32}};
        b.label(2, 0, "元素").label(3, 0, "含量");
        col = 1;
        for (const auto& [valueText, symbolText] : custom) {
            b.field(2, col, textName(symbolText)).field(3, col, textName(valueText));
            ++col;
        }
        LayoutGroup& n = group("补充说明", 2);
        GroupBuilder(n).field(0, 0, "note");
        LayoutGroup& s = group("", 3);
        signatureRows(s, 0, "检验日期", "text33",
                      {{"检验人员", "text34", "日期", "text35"}, {"审核人员", "text36", "日期", "text37"}});
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.FengXi_ReportData.texts, 0);
        r.FengXi_ReportData.note = value(note_);
    }

private:
    int note_ = 0;
};

// ---------------------------------------------------------------------------------------------
// (12) Metallography

bool hasPrefix(const std::string& s, std::string_view p) { return s.compare(0, p.size(), p) == 0; }

class MetallographyForm : public ReportPageForm {
public:
    static constexpr std::string_view kNotYet = "此功能尚未开通！";
    static constexpr std::string_view kPreviewNotYet = "有关图片的显示和注释功能尚未开通！";
    static constexpr std::string_view kLoadFailed = "打开文件失败!";
    static constexpr std::string_view kLoadFailedCaption = "文件无效";

    explicit MetallographyForm(const InspectionReport& r)
        : ReportPageForm(kMetallographPage) {
        const JinXiangData& j = r.JinXiang_ReportData;
        addTexts(j.texts);
        note_ = addText("note", j.note.kMaxBytes, j.note.view(), TextKind::Note);
        for (const MetallographImage& m : r.metallographImages)
            images_.push_back({m.annotation.str(), m.fileName.str()});
        addAction(ActionDef{"add", "添加图象", "添加图象",
                             "图象文件(*.bmp *.png *.jpg *.jpeg *.gif)|*.bmp;*.png;*.jpg;*.jpeg;*.gif|所有文件(*.*)|*.*||",
                             false, {}});
        addAction("remove", "删除图象");
        loader_ = pictureFileReadable;

        LayoutGroup& g = group("", 0, 0, 2);
        pairs(g, {{"取样部位", "text0"}, {"仪器型号", "text1"}, {"腐蚀方法", "text2"},
                  {"执行标准", "text3"}, {"热处理方法", "text4"}, {"试样编号", "text5"},
                  {"放大倍数", "text6"}, {"抛光方法", "text7"}},
              2);
        LayoutGroup& p = group("金相照片", 1, 0);
        GroupBuilder(p)
            .list(0, 0, "images", 2)
            .label(1, 0, "注　释")
            .label(1, 1, std::string(kNotYet))
            .label(2, 0, "文件名")
            .label(2, 1, std::string(kNotYet))
            .button(3, 0, "add")
            .button(3, 1, "remove");
        LayoutGroup& v = group("", 1, 1);
        GroupBuilder(v).picture(0, 0, std::string(kPreviewNotYet));
        LayoutGroup& n = group("分析结果(实际最多显示8行文字)", 2, 0, 2);
        GroupBuilder(n).field(0, 0, "note");
        LayoutGroup& s = group("", 3, 0, 2);
        signatureRows(s, 0, "分析日期", "text8",
                      {{"分析人员", "text9", "日期", "text10"}, {"审核", "text11", "日期", "text12"}});
        okCancel();
        refreshList();
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.JinXiang_ReportData.texts, 0);
        r.JinXiang_ReportData.note = value(note_);
        r.metallographImages.removeAll();
        for (const auto& [annotation, file] : images_) {
            MetallographImage m;
            m.annotation = annotation;
            m.fileName = file;
            r.metallographImages.append(m);
        }
    }

    const ListModel* listModel(std::string_view name) const override {
        return name == "images" ? &list_ : nullptr;
    }

    // Without a dialog showing pictures, a file is only checked to be a picture.
    void setPictureLoader(PictureLoader loader) override {
        loader_ = loader ? std::move(loader) : PictureLoader(pictureFileReadable);
    }

protected:
    ActionResult onFormAction(std::string_view name, std::string_view argument, FormContext& context) override {
        if (name == "add") {
            if (argument.empty()) return state();  // the file dialog was cancelled
            const std::string path(argument);
            if (!loader_ || !loader_(path)) {
                context.prompter.ask(forms::error(kLoadFailed, kLoadFailedCaption));
                return state();
            }
            MetallographImage probe;
            probe.fileName = text::utf8ToGbk(path);
            images_.push_back({std::string(), probe.fileName.str()});
            refreshList();
            return state();
        }
        if (name == "select" || name == "remove") {
            // "删除图象" removes the selected pictures; a script may name others. Pictures are
            // selected as records are: one or several.
            std::optional<std::vector<int>> rows;
            if (name == "remove" && argument.empty()) {
                if (!list_.selected.empty()) rows = list_.selected;
            } else {
                rows = forms::indexList(argument);
            }
            if (!rows || std::any_of(rows->begin(), rows->end(),
                                     [&](int r) { return r >= static_cast<int>(images_.size()); })) {
                return platform::Error("对话框 \"" + caption() + "\" 没有图象 '" + std::string(argument) + "'（共 " +
                             std::to_string(images_.size()) + " 幅，从 0 数起）");
            }
            std::sort(rows->begin(), rows->end());
            rows->erase(std::unique(rows->begin(), rows->end()), rows->end());
            if (name == "remove") {
                for (auto r = rows->rbegin(); r != rows->rend(); ++r)
                    images_.erase(images_.begin() + static_cast<std::ptrdiff_t>(*r));
                list_.selected.clear();
            } else {
                list_.selected = *rows;
            }
            refreshList();
            return state();
        }
        return ReportPageForm::onFormAction(name, argument, context);
    }

private:
    void refreshList() {
        list_.columns = {"序号", "注　释", "文件名"};
        list_.widths = {50, 150, 300};
        list_.rows.clear();
        for (std::size_t i = 0; i < images_.size(); ++i)
            list_.rows.push_back({std::to_string(i + 1), text::gbkToUtf8(images_[i].first),
                                  text::gbkToUtf8(images_[i].second)});
        setActionEnabled("remove", !list_.selected.empty());
    }

    int note_ = 0;
    std::vector<std::pair<std::string, std::string>> images_;  // annotation, file (GBK)
    ListModel list_;
    PictureLoader loader_;
};

// ---------------------------------------------------------------------------------------------
// (13) and (14) Pressure and leak tests

class PressureTestForm : public ReportPageForm {
public:
    PressureTestForm(int page, const PressureTestData& d)
        : ReportPageForm(page) {
        const bool leak = page == kLeakTestPage;
        const std::string machine = leak ? "压气设备" : "机泵";
        addTexts(d.texts);
        // Fields 16 to 22 are reserved: kept as they are and not shown.
        for (int i = 16; i < 23; ++i) setFieldVisible(i, false);
        setMeasure(1, measures::temperature("介质温度(℃)"));
        setMeasure(5, measures::pressure("最高工作压力(MPa)"));
        setMeasure(6, measures::pressure("试验压力(MPa)"));
        setMeasure(7, measures::temperature("环境温度(℃)"));
        note_ = addText("note", d.note.kMaxBytes, d.note.view(), TextKind::Note);

        LayoutGroup& g = group("", 0);
        pairs(g, {{"试验介质", "text0"}, {"介质温度(℃)", "text1"},
                  {machine + "出口压力表规格(MPa)", "text2"}, {"管线压力表规格(MPa)", "text3"},
                  {machine + "型号", "text4"}, {"最高工作压力(MPa)", "text5"},
                  {"试验压力(MPa)", "text6"}, {"环境温度(℃)", "text7"},
                  {machine + "出口压力表精度(级)", "text8"}, {"管线压力表精度(级)", "text9"},
                  {"执行标准", "text10"}},
              2);
        LayoutGroup& n = group(leak ? "泄漏性试验结论(最多可有5行文字)" : "压力试验结论(最多可有5行文字)", 1);
        GroupBuilder(n).field(0, 0, "note");
        LayoutGroup& s = group("", 2);
        signatureRows(s, 0, "试验日期", "text11",
                      {{"检验人员", "text12", "日期", "text13"}, {"审核", "text14", "日期", "text15"}});
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        PressureTestData& d = page() == kLeakTestPage ? r.QiMi_ReportData : r.NaiYa_ReportData;
        storeTexts(d.texts, 0);
        d.note = value(note_);
    }

private:
    int note_ = 0;
};

// ---------------------------------------------------------------------------------------------
// (15) Safety accessories

class AccessoriesForm : public ReportPageForm {
public:
    AccessoriesForm(const InspectionReport& r, const model::CharacteristicTable& table)
        : ReportPageForm(kAccessoryPage) {
        addTexts(r.FuShu_ReportData.texts);
        setMeasure(0, measures::temperature("设计温度(℃)"));
        setMeasure(1, measures::pressure("设计压力(MPa)"));
        setMeasure(19, measures::pressure("设计要求 公称压力(MPa)"));
        setMeasure(23, measures::pressure("检查情况 公称压力(MPa)"));
        setMeasure(25, measures::pressure("开启压力(MPa)"));
        setMeasure(26, measures::temperature("工作温度(℃)"));
        setMeasure(37, measures::pressure("爆破应力(MPa)"));

        // Pipeline data from the table and the cover, shown for reference only.
        LayoutGroup& d = group("(打★、☆项目的数据分别来自特性表和报告封面，此处不可编辑)", 0);
        const auto utf8 = [](std::string_view g) { return text::gbkToUtf8(g); };
        GroupBuilder(d)
            .label(0, 0, "☆使用单位")
            .label(0, 1, utf8(r.Face_ReportData.texts[2].view()))
            .label(0, 2, "☆装置名称")
            .label(0, 3, utf8(r.Face_ReportData.texts[3].view()))
            .label(1, 0, "★管道名称")
            .label(1, 1, utf8(table.values[tablerow::kName].view()))
            .label(1, 2, "★管道编号")
            .label(1, 3, utf8(table.values[tablerow::kNumber].view()))
            .label(2, 0, "★管道级别")
            .label(2, 1, utf8(table.values[tablerow::kClass].view()))
            .label(2, 2, "★工作介质")
            .label(2, 3, utf8(table.values[tablerow::kMedium].view()));
        LayoutGroup& top = group("", 1);
        pairs(top, {{"设计温度(℃)", "text0"}, {"设计压力(MPa)", "text1"}}, 2);
        LayoutGroup& gauges = group("压　力　表　检　查", 2);
        pairs(gauges, {{"设计规定数", "text2"}, {"量程", "text3"}, {"实际安装数", "text4"},
                       {"精度", "text5"}, {"安装位置", "text6"}, {"表盘直径(mm)", "text7"},
                       {"有效期", "text8"}, {"外观质量", "text9"}},
              2);
        LayoutGroup& thermo = group("测　温　仪　表　检　查", 3);
        pairs(thermo, {{"设计规定数", "text10"}, {"量程", "text11"}, {"实际安装数", "text12"},
                       {"精度", "text13"}, {"安装位置", "text14"}, {"外观质量", "text15"},
                       {"有效期", "text16"}},
              2);
        LayoutGroup& valves = group("安　全　阀　检　查", 4);
        GroupBuilder(valves).label(0, 0, "设计要求", 4);
        int row = pairs(valves, {{"数量", "text17"}, {"型号", "text18"},
                                 {"公称压力(MPa)", "text19"}, {"公称通经(mm)", "text20"}},
                        2, 1);
        GroupBuilder(valves).label(row, 0, "检查情况", 4);
        pairs(valves, {{"数量", "text21"}, {"型号", "text22"}, {"公称压力(MPa)", "text23"},
                       {"公称通经(mm)", "text24"}, {"开启压力(MPa)", "text25"},
                       {"工作温度(℃)", "text26"}, {"工作介质", "text27"}, {"外观质量", "text28"},
                       {"有效期", "text29"}, {"铅封", "text30"}, {"安装位置", "text31"},
                       {"合格证编号", "text32"}, {"制造许可证", "text33"}},
              2, row + 1);
        LayoutGroup& discs = group("爆　破　片　装　置　检　查", 5);
        GroupBuilder(discs).label(0, 0, "设计要求", 4);
        row = pairs(discs, {{"数量", "text34"}, {"型号", "text35"}, {"规格", "text36"},
                            {"爆破应力(MPa)", "text37"}, {"公称直径(mm)", "text38"},
                            {"材料", "text39"}},
                    2, 1);
        GroupBuilder(discs).label(row, 0, "检查情况", 4);
        pairs(discs, {{"数量", "text40"}, {"型号", "text41"}, {"规格", "text42"},
                      {"公称直径(mm)", "text43"}, {"外观质量", "text44"}, {"有效期", "text45"},
                      {"安装位置", "text46"}, {"合格证编号", "text47"}, {"制造许可证", "text48"}},
              2, row + 1);
        LayoutGroup& shut = group("紧　急　切　断　阀　检　查", 6);
        pairs(shut, {{"制造厂家", "text49"}, {"制造许可证号", "text50"}, {"合格证编号", "text51"},
                     {"型式及规格", "text52"}, {"切断时间(秒)", "text53"}, {"有效期", "text54"},
                     {"耐压试验", "text55"}, {"密封压力试验", "text56"}, {"铅封", "text57"}},
              2);
        LayoutGroup& s = group("", 7);
        signatureRows(s, 0, "检验日期", "text58",
                      {{"检验人员", "text59", "日期", "text60"}, {"审核人员", "text61", "日期", "text62"}});
        layout_.scrolls = true;
        okCancel();
    }

    void apply(InspectionReport& r) const override { storeTexts(r.FuShu_ReportData.texts, 0); }
};

// ---------------------------------------------------------------------------------------------
// Repair record

class RepairRecordForm : public ReportPageForm {
public:
    explicit RepairRecordForm(const InspectionReport& r)
        : ReportPageForm(kRepairPage) {
        addTexts(r.JianXiu_ReportData.texts);
        LayoutGroup& g = group("", 0);
        GroupBuilder b(g);
        b.label(0, 0, "序号").label(0, 1, "更换日期").label(0, 2, "长度(m)").label(0, 3, "负责人");
        for (int row = 0; row < 16; ++row) {
            b.label(row + 1, 0, std::to_string(row + 1));
            for (int c = 0; c < 3; ++c) b.field(row + 1, c + 1, textName(3 * row + c));
        }
        okCancel();
    }

    void apply(InspectionReport& r) const override { storeTexts(r.JianXiu_ReportData.texts, 0); }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Catalogue

bool isReportPage(int page) { return isReportPageIndex(page) && !isStackedIndex(page); }

std::string_view reportPageCaption(int page) {
    switch (page) {
        case kCoverPage: return kCoverCaption;
        case kContentsPage: return kContentsCaption;
        case kRepairPage: return kRepairCaption;
        case kOnlineCoverPage: return kOnlineCoverCaption;
        default: return isReportPage(page) ? pageTitle(page) : std::string_view();
    }
}

bool reportPageHoldsData(const InspectionReport& r, int page) {
    switch (page) {
        case kCoverPage: return !r.Face_ReportData.empty();
        case kContentsPage: return !r.Mulu_ReportData.empty();
        case kConclusionPage: {
            const auto& t = r.JieLun_ReportData.texts;
            for (std::size_t i = 0; i < t.size(); ++i) {
                if (i == 11 ? (!t[i].empty() && t[i].view() != "0") : !t[i].empty()) return true;
            }
            return false;
        }
        case kSummaryPage: return !r.HuiZong_ReportData.empty();
        case kReviewPage: return !r.ShengCha_ReportData.empty();
        case kVisualPage: return !r.HongGuan_ReportData.empty();
        case kThicknessPage: return !r.CeHou_ReportData.empty() || !r.thicknessPoints.empty();
        case kMagneticPage: return !r.CiFeng_ReportData.empty() || !r.magneticDefects.empty();
        case kPenetrantPage: return !r.ShenTou_ReportData.empty() || !r.penetrantDefects.empty();
        case kRadiographPage: return !r.SheXian_ReportData.empty() || !r.radiographDefects.empty();
        case kUltrasonicPage: return !r.ChaoShen_ReportData.empty() || !r.ultrasonicDefects.empty();
        case kChemicalPage: return !r.FengXi_ReportData.empty();
        case kHardnessPage: return !r.YingDu_ReportData.empty() || !r.hardnessPoints.empty();
        case kMetallographPage: return !r.JinXiang_ReportData.empty() || !r.metallographImages.empty();
        case kPressureTestPage: return !r.NaiYa_ReportData.empty();
        case kLeakTestPage: return !r.QiMi_ReportData.empty();
        case kAccessoryPage: return !r.FuShu_ReportData.empty();
        case kRepairPage: return !r.JianXiu_ReportData.empty();
        case kOnlineCoverPage: return !r.Face_IReportData.empty();
        case kOnlineRegisterPage: return !r.DengJi_IReportData.empty();
        case kOnlineThicknessPage: return !r.CeHou_IReportData.empty();
        case kOnlineReportPage: return !r.JianYan_IReportData.empty();
        default: return false;
    }
}

std::unique_ptr<ReportPageForm> makeReportPageForm(int page, const InspectionReport& report,
                                                   const model::CharacteristicTable& table) {
    if (auto f = detail::makeFullPageForm(page, report, table)) return f;
    if (auto f = detail::makeListPageForm(page, report, table)) return f;
    return detail::makeOnlinePageForm(page, report, table);
}

bool pictureFileReadable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string head(8, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return hasPrefix(head, "BM") || hasPrefix(head, "\x89PNG") || hasPrefix(head, "\xFF\xD8\xFF") ||
           hasPrefix(head, "GIF8");
}

namespace detail {

std::unique_ptr<ReportPageForm> makeFullPageForm(int page, const InspectionReport& r,
                                                 const model::CharacteristicTable& table) {
    switch (page) {
        case kCoverPage: return std::make_unique<CoverForm>(r, table);
        case kContentsPage: return std::make_unique<ContentsForm>(r);
        case kConclusionPage: return std::make_unique<ConclusionForm>(r, table);
        case kSummaryPage: return std::make_unique<SummaryForm>(r);
        case kReviewPage: return std::make_unique<ReviewForm>(r, table);
        case kVisualPage: return std::make_unique<VisualInspectionForm>(r);
        case kChemicalPage: return std::make_unique<ChemicalForm>(r);
        case kMetallographPage: return std::make_unique<MetallographyForm>(r);
        case kPressureTestPage: return std::make_unique<PressureTestForm>(kPressureTestPage, r.NaiYa_ReportData);
        case kLeakTestPage: return std::make_unique<PressureTestForm>(kLeakTestPage, r.QiMi_ReportData);
        case kAccessoryPage: return std::make_unique<AccessoriesForm>(r, table);
        case kRepairPage: return std::make_unique<RepairRecordForm>(r);
        default: return nullptr;
    }
}

}  // namespace detail

}  // namespace tubra::report
