// The dialogs of the online-inspection set: cover, registration of the source documents,
// thickness records and the inspection report.

#include <algorithm>
#include <array>

#include "text/Gbk.h"
#include "tubra/report/ReportPageForms.h"
#include "tubra/report/ReportPagePainter.h"

namespace tubra::report {

using platform::FormContext;
using platform::ActionResult;
using platform::FormState;
using text::gbk;

namespace {

std::string textName(int i) { return "text" + std::to_string(i); }

// What a ☆ field of the online set refers to: the online cover's plant name, or the full
// cover's while the online cover has none.
std::string_view onlinePlantName(const InspectionReport& r) {
    const std::string_view own = r.Face_IReportData.texts[2].view();
    return own.empty() ? r.Face_ReportData.texts[3].view() : own;
}

// Pages of the online set share labelled fields with "←" buttons.
class OnlinePageForm : public ReportPageForm {
protected:
    using ReportPageForm::ReportPageForm;

    struct Labelled {
        std::string label;  // UTF-8, with its mark
        int text;
    };

    // Label, field and (for a referenced field) its "←" button, `perRow` to a row.
    int labelled(LayoutGroup& g, const std::vector<Labelled>& items, int perRow, int row = 0) {
        GroupBuilder b(g);
        int k = 0;
        for (const Labelled& item : items) {
            const std::string name = textName(item.text);
            b.label(row, 3 * k, item.label).field(row, 3 * k + 1, name);
            if (actionDef("ref=" + name)) b.button(row, 3 * k + 2, "ref=" + name);
            if (++k == perRow) {
                k = 0;
                ++row;
            }
        }
        return k == 0 ? row : row + 1;
    }
};

// ---------------------------------------------------------------------------------------------
// Cover

class OnlineCoverForm : public OnlinePageForm {
public:
    OnlineCoverForm(const InspectionReport& r, const model::CharacteristicTable& table)
        : OnlinePageForm(kOnlineCoverPage) {
        const FaceOnlineData& f = r.Face_IReportData;
        addTexts(f.texts);
        // Name and number belong to the characteristic table and are not edited here.
        const std::pair<int, int> fromTable[] = {{3, tablerow::kName}, {4, tablerow::kNumber}};
        for (const auto& [text, row] : fromTable) {
            const std::string_view v = table.values[row].view();
            if (!v.empty()) setValue(text, v);
            setFieldEnabled(text, false);
        }
        // The other texts start from the full cover.
        const std::pair<int, int> fromCover[] = {{0, 0}, {1, 1}, {2, 3}, {5, 2}};
        for (const auto& [text, coverField] : fromCover)
            addReference(text, r.Face_ReportData.texts[coverField].view(), true);
        fillEmptyReferences();

        for (int d = 0; d < 19; ++d) {
            const int stored = f.dates[d];
            std::vector<std::string> choices = {""};
            int first = 1, last = 12;
            if (d == 18) {
                last = 31;
            } else if (d % 2 == 0) {
                first = 2001;
                last = 2020;
            }
            for (int v = first; v <= last; ++v) choices.push_back(std::to_string(v));
            // A date the list does not offer stays choosable, so confirming keeps it.
            if (stored != 0 && (stored < first || stored > last))
                choices.push_back(std::to_string(stored));
            addChoice("date" + std::to_string(d), std::move(choices),
                      stored ? std::to_string(stored) : std::string());
        }

        LayoutGroup& g = group("", 0);
        labelled(g, {{"☆使用登记证号", 0}, {"☆注册编号", 1}, {"☆装置名称", 2},
                     {"★管道名称", 3}, {"★管道编号", 4}, {"☆使用单位", 5}},
                 2);
        LayoutGroup& p = group("全面检验日期", 1);
        GroupBuilder b(p);
        for (int k = 0; k < 4; ++k) {
            b.field(k, 0, "date" + std::to_string(2 * k))
                .label(k, 1, "年")
                .field(k, 2, "date" + std::to_string(2 * k + 1))
                .label(k, 3, "月至")
                .field(k, 4, "date" + std::to_string(8 + 2 * k))
                .label(k, 5, "年")
                .field(k, 6, "date" + std::to_string(9 + 2 * k))
                .label(k, 7, "月");
        }
        LayoutGroup& c = group("建档日期", 2);
        GroupBuilder(c)
            .field(0, 0, "date16")
            .label(0, 1, "年")
            .field(0, 2, "date17")
            .label(0, 3, "月")
            .field(0, 4, "date18")
            .label(0, 5, "日");
        LayoutGroup& n = group("", 3);
        GroupBuilder(n)
            .label(0, 0, "(打★、☆项目的数据分别来自特性表和全面检验报告封面)")
            .label(1, 0, std::string(kReferenceNote));
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        FaceOnlineData& f = r.Face_IReportData;
        storeTexts(f.texts, 0);
        for (int d = 0; d < 19; ++d) {
            const std::string& v = value(6 + d);
            f.dates[d] = v.empty() ? 0 : static_cast<std::int32_t>(forms::number(v));
        }
    }
};

// ---------------------------------------------------------------------------------------------
// (1) Registration of the source documents

class RegistrationForm : public OnlinePageForm {
public:
    static constexpr int kRemarkLines = 12;

    RegistrationForm(const InspectionReport& r, const model::CharacteristicTable& table)
        : OnlinePageForm(kOnlineRegisterPage) {
        const DengJiData& d = r.DengJi_IReportData;
        addTexts(d.texts);
        FieldDef remark;
        remark.name = "note";
        remark.kind = FieldKind::Note;
        remark.textKind = TextKind::Note;
        remark.maxBytes = d.note.kMaxBytes;
        remark.maxLines = kRemarkLines;
        remark.visibleLines = 6;
        note_ = addField(std::move(remark), d.note.view());

        addReference(0, onlinePlantName(r), true);
        const std::pair<int, int> fromTable[] = {
            {1, tablerow::kName},      {2, tablerow::kNumber},      {3, tablerow::kClass},
            {4, tablerow::kLength},    {5, tablerow::kEnds},        {9, tablerow::kMaterial},
            {10, tablerow::kSize},     {18, tablerow::kInService},  {19, tablerow::kPressure},
            {20, tablerow::kTemperature}, {21, tablerow::kMedium}, {22, tablerow::kInsulation}};
        for (const auto& [text, row] : fromTable) addReference(text, table.values[row].view(), true);
        const std::pair<int, int> fromReview[] = {{6, 5},   {7, 6},   {8, 7},   {11, 10},
                                                  {12, 12}, {13, 13}, {14, 14}, {15, 15},
                                                  {16, 16}, {17, 17}, {23, 24}, {24, 25}};
        for (const auto& [text, field] : fromReview)
            addReference(text, r.ShengCha_ReportData.texts[field].view(), true);
        fillEmptyReferences();
        addAction(std::string(kReloadAction), "重新读入参考值");
        addAction("clear", "全部清空");
        setMeasure(7, measures::pressure("设计压力(MPa)"));
        setMeasure(8, measures::temperature("设计温度(℃)"));
        setMeasure(11, measures::depth("腐蚀裕量 mm"));
        setMeasure(19, measures::pressure("工作压力(MPa)"));
        setMeasure(20, measures::temperature("工作温度(℃)"));
        setMeasure(23, measures::depth("绝热层厚度(mm)"));

        LayoutGroup& g = group("", 0);
        int row = labelled(
            g,
            {{"☆装置名称", 0},        {"★管道名称", 1},      {"★管道编号", 2},
             {"★管道级别", 3},        {"★管道长度(m)", 4},   {"★起止位置", 5},
             {"○敷设方式", 6},        {"○设计压力(MPa)", 7}, {"○设计温度(℃)", 8},
             {"★管子材料牌号", 9},    {"★管道规格(外径mm×壁厚mm)", 10},
             {"○腐蚀裕量 mm", 11},    {"○设计单位", 12},     {"○设计日期", 13},
             {"○设计规范", 14},       {"○安装单位", 15},     {"○安装与验收规范", 16},
             {"○验收日期", 17},       {"★投用日期", 18},     {"★工作压力(MPa)", 19},
             {"★工作温度(℃)", 20},    {"★工作介质", 21},     {"★绝热层材料", 22},
             {"○绝热层厚度(mm)", 23}, {"○防腐层材料", 24}},
            2);
        GroupBuilder b(g);
        // Twelve further texts without labels, four to a row.
        constexpr int kColumns[] = {0, 1, 3, 4};
        for (int k = 0; k < 12; ++k) b.field(row + k / 4, kColumns[k % 4], textName(25 + k));
        LayoutGroup& n = group("备注：(最大行数12行，最大字符数255个，汉字为122个)", 1);
        GroupBuilder(n).field(0, 0, "note");
        LayoutGroup& s = group("", 2);
        GroupBuilder(s)
            .label(0, 0, "(打★、☆、○项目的数据分别来自特性表、报告封面和原始资料审查报告)", 2)
            .label(1, 0, std::string(kReferenceNote), 2)
            .button(2, 0, std::string(kReloadAction))
            .button(2, 1, "clear");
        layout_.scrolls = true;
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.DengJi_IReportData.texts, 0);
        r.DengJi_IReportData.note = value(note_);
    }

protected:
    ActionResult onFormAction(std::string_view name, std::string_view argument, FormContext& context) override {
        if (name == "clear" && argument.empty()) {
            for (int i = 0; i < fieldCount(); ++i) setValue(i, "");
            updateArrows();
            return state();
        }
        return OnlinePageForm::onFormAction(name, argument, context);
    }

private:
    int note_ = 0;
};

// ---------------------------------------------------------------------------------------------
// (2) Thickness records of five online inspections

class OnlineThicknessForm : public OnlinePageForm {
public:
    static constexpr int kBlockSize = 27;

    OnlineThicknessForm(const InspectionReport& r, const model::CharacteristicTable& table)
        : OnlinePageForm(kOnlineThicknessPage) {
        const CeHouOnlineData& d = r.CeHou_IReportData;
        addTexts(d.texts);
        for (int block = 0; block < 5; ++block)
            for (int p = 0; p < 10; ++p)
                setMeasure(6 + kBlockSize * block + 13 + p,
                           measures::thickness("第" + std::to_string(block + 1) + "次在线检验 厚度(mm)"));
        note_ = addText("note", d.note.kMaxBytes, d.note.view(), TextKind::Note);
        const std::pair<int, int> fromTable[] = {{0, tablerow::kName},
                                                 {1, tablerow::kSize},
                                                 {2, tablerow::kMaterial},
                                                 {3, tablerow::kNumber},
                                                 {5, tablerow::kClass}};
        for (const auto& [text, row] : fromTable) addReference(text, table.values[row].view(), true);
        addReference(4, r.ShengCha_ReportData.texts[10].view(), true);
        fillEmptyReferences();

        LayoutGroup& g = group("", 0);
        labelled(g, {{"★管道名称", 0}, {"★管道规格(mm×mm)", 1}, {"★管道材质", 2},
                     {"★管道编号", 3}, {"○腐蚀裕量(mm)", 4}, {"★管道级别", 5}},
                 2);
        for (int block = 0; block < 5; ++block) {
            const int base = 6 + kBlockSize * block;
            LayoutGroup& bg = group("第" + std::to_string(block + 1) + "次在线检验", block + 1);
            GroupBuilder b(bg);
            b.label(0, 0, "检验年份")
                .field(0, 1, textName(base), 2)
                .label(0, 3, "仪器型号/精度")
                .field(0, 4, textName(base + 1), 3)
                .label(0, 7, "表面状况")
                .field(0, 8, textName(base + 2), 3);
            b.label(1, 0, "测点编号").label(2, 0, "厚度(mm)");
            for (int p = 0; p < 10; ++p) {
                b.field(1, p + 1, textName(base + 3 + p));
                b.field(2, p + 1, textName(base + 13 + p));
            }
            b.label(3, 0, "检验人员")
                .field(3, 1, textName(base + 23), 2)
                .label(3, 3, "检验日期")
                .field(3, 4, textName(base + 24), 2)
                .label(3, 6, "审核人员")
                .field(3, 7, textName(base + 25), 2)
                .label(3, 9, "审核日期")
                .field(3, 10, textName(base + 26));
        }
        LayoutGroup& n = group("备注", 6);
        GroupBuilder(n).field(0, 0, "note").label(1, 0, std::string(kReferenceNote));
        layout_.scrolls = true;
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        storeTexts(r.CeHou_IReportData.texts, 0);
        r.CeHou_IReportData.note = value(note_);
    }

private:
    int note_ = 0;
};

// ---------------------------------------------------------------------------------------------
// (3) The online inspection report

class OnlineInspectionForm : public OnlinePageForm {
public:
    OnlineInspectionForm(const InspectionReport& r, const model::CharacteristicTable& table)
        : OnlinePageForm(kOnlineReportPage) {
        const JianYanData& j = r.JianYan_IReportData;
        addTexts(j.texts);
        notes_ = -1;
        for (int n = 0; n < 4; ++n) {
            const int f = addText("notes" + std::to_string(n + 1), j.notes[n].kMaxBytes,
                                  j.notes[n].view(), TextKind::Note);
            if (notes_ < 0) notes_ = f;
        }
        // The source documents as the page prints them, one check box each.
        std::vector<std::string_view> documents;
        for (std::string_view line : onlineSourceDocumentLines())
            for (std::string_view name : optionNames(line)) documents.push_back(name);
        states_ = -1;
        for (std::size_t s = 0; s < documents.size() && s < j.states.size(); ++s) {
            const int f = addCheck("state" + std::to_string(s), std::string(documents[s]), j.states[s] != 0);
            if (states_ < 0) states_ = f;
        }
        addReference(0, onlinePlantName(r), true);
        const std::pair<int, int> fromTable[] = {{1, tablerow::kNumber},
                                                 {2, tablerow::kSize},
                                                 {3, tablerow::kName},
                                                 {4, tablerow::kClass},
                                                 {5, tablerow::kMaterial}};
        for (const auto& [text, row] : fromTable) addReference(text, table.values[row].view(), true);
        fillEmptyReferences();

        LayoutGroup& h = group("", 0);
        labelled(h, {{"☆装置名称", 0}, {"★管道编号", 1}, {"★管道规格(mm×mm)", 2},
                     {"★管道名称", 3}, {"★管道级别", 4}, {"★管道材质", 5},
                     {"报告编号", 42}},
                 2);
        LayoutGroup& docs = group("资料准备与记录审查", 1);
        GroupBuilder db(docs);
        for (int s = 0; s < 13; ++s) db.field(s / 4, s % 4, "state" + std::to_string(s));
        db.label(4, 0, "问题记载", 4).field(5, 0, "notes1", 4);
        LayoutGroup& items = group("检查项目及检查结果", 2);
        int row = labelled(items,
                           {{"管道表面", 6},   {"绝热层", 7},         {"支吊架", 8},
                            {"法兰", 9},       {"法兰间接触电阻", 10}, {"焊接接头", 11},
                            {"防腐层", 12},    {"阀门", 13},           {"管道结构", 14},
                            {"对地电阻", 15},  {"泄漏", 16},           {"管道振动", 17},
                            {"膨胀节", 18},    {"管道标识", 19},       {"壁厚测定", 20},
                            {"其它", 21},      {"其它", 22},           {"其它", 23},
                            {"其它", 24},      {"其它", 25}},
                           3);
        GroupBuilder(items).label(row, 0, "安全附属装置", 9);
        labelled(items, {{"压力表", 26}, {"测温仪表", 27}, {"安全阀", 28}, {"爆破片装置", 29},
                         {"其它", 30}},
                 3, row + 1);
        LayoutGroup& t = group("", 3);
        GroupBuilder(t)
            .label(0, 0, "缺陷情况说明：")
            .field(1, 0, "notes2")
            .label(2, 0, "检验结论：根据《在用工业管道定期检验规程》的规定，对本管线已完成所要求的检查和检验。检验结果是：")
            .field(3, 0, "notes3")
            .label(4, 0, "缺陷处理情况说明：")
            .field(5, 0, "notes4");
        LayoutGroup& s = group("", 4);
        row = signatureRows(s, 0, "下次外部检验日期", textName(31),
                            {{"检验人员", textName(32), "日期", textName(33)},
                             {"审核", textName(34), "日期", textName(35)},
                             {"确认", textName(36), "日期", textName(37)},
                             {"审核", textName(38), "日期", textName(39)}});
        signatureRows(s, row, {}, {}, {{"使用单位盖章日期", textName(40), "检验单位盖章日期", textName(41)}});
        layout_.scrolls = true;
        okCancel();
    }

    void apply(InspectionReport& r) const override {
        JianYanData& j = r.JianYan_IReportData;
        storeTexts(j.texts, 0);
        for (int n = 0; n < 4; ++n) j.notes[n] = value(notes_ + n);
        for (int s = 0; s < 13; ++s) j.states[s] = isChecked(states_ + s) ? 1 : 0;
    }

private:
    int notes_ = 0;
    int states_ = 0;
};

}  // namespace

namespace detail {

std::unique_ptr<ReportPageForm> makeOnlinePageForm(int page, const InspectionReport& r,
                                                   const model::CharacteristicTable& table) {
    switch (page) {
        case kOnlineCoverPage: return std::make_unique<OnlineCoverForm>(r, table);
        case kOnlineRegisterPage: return std::make_unique<RegistrationForm>(r, table);
        case kOnlineThicknessPage: return std::make_unique<OnlineThicknessForm>(r, table);
        case kOnlineReportPage: return std::make_unique<OnlineInspectionForm>(r, table);
        default: return nullptr;
    }
}

}  // namespace detail

}  // namespace tubra::report
