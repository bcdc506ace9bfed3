#pragma once
// The record-list editor shared by the forms with measurement lists: thickness (5), magnetic
// particle (6), penetrant (7), radiographic (8), ultrasonic (9) and hardness (11).
//
// The list control holds its rows as texts, as typed; numbers are read when the dialog writes
// them back. Beside the section's header fields (`text0`...) the dialog has the editing area
// `item0`, `item1`... (one per item field) and the buttons
//   add         append the editing area as a new row
//   insert[=I]  insert it before row I (the selected row)
//   modify[=I]  replace row I (the selected row) by it
//   delete[=I,J...]  delete rows I, J... (the selected rows)
//   select=I[,J...]  select rows, copying the last into the editing area
// Rows are counted from 0: the row numbered 1 in the list is row 0.

#include <optional>
#include <string>
#include <vector>

#include "tubra/report/ReportPageForms.h"

namespace tubra::report {

class RecordListForm : public ReportPageForm {
public:
    static constexpr std::string_view kStatus = "共有记录%d条，当前选择在第%d条。";
    static constexpr std::string_view kStatusNone = "共有记录%d条，当前无选择。";
    static constexpr std::string_view kEditCaption = "编辑错误";
    static constexpr std::string_view kAllBlank = "编辑区内的记录项不能都为空白。";
    static constexpr std::string_view kBadThickness = "测厚值无效！。";
    static constexpr std::string_view kNoPointId = "测点编号不能为空！。";
    static constexpr std::string_view kQuitQuestion = "确认要退出吗？";
    static constexpr std::uint32_t kListBackground = 200 | (220 << 8) | (200 << 16);
    static constexpr std::uint32_t kListText = 230 << 16;

    const ListModel* listModel(std::string_view name) const override;
    // The rows as the list shows them (GBK), and the selected rows in order.
    const std::vector<std::vector<std::string>>& rows() const { return rows_; }
    const std::vector<int>& selectedRows() const { return selected_; }
    // "共有记录…" as shown.
    std::string status() const { return labelText("status"); }

protected:
    struct Column {
        std::string title;  // UTF-8
        int width = 100;
        bool number = false;
        std::size_t maxBytes = 19;
        std::optional<Measure> measure;  // a measured value: a number in its range, or nothing
    };
    RecordListForm(int page, std::vector<Column> columns);

    // Adds the editing area's fields and the buttons; call after the header fields.
    void addEditingArea();
    // Places the list, the editing area and its buttons from `row` of the dialog's grid on.
    void placeList(int row);
    // Tells that rows changed: renumbers, refreshes the status and what depends on the rows.
    virtual void rowsChanged();
    // Checks the editing area before add, insert and modify; false (after telling) refuses.
    virtual bool editingAreaValid(platform::FormContext& context);
    // The measured columns of a row: each empty or a number in its range; false (after
    // telling which) when one is not.
    bool measuresValid(const std::vector<std::string>& row, platform::FormContext& context) const;
    using ReportForm::measuresValid;
    // A number of the list as the rows show it.
    virtual std::string formatNumber(float v) const;
    // A defect's size as the rows show it: nothing for 0, which stands for none measured.
    std::string sizeNumber(float v) const;

    std::vector<std::string> editingArea() const;
    float numberAt(std::size_t row, std::size_t column) const;
    const std::string& textAt(std::size_t row, std::size_t column) const;

    platform::FormState onFormAction(std::string_view name, std::string_view argument,
                                     platform::FormContext& context, std::string* error) override;
    bool confirmOk(platform::FormContext& context) override;
    // The hardness form closes with 确定 and asks nothing.
    bool askOnQuit_ = true;

    std::vector<Column> columns_;
    std::vector<std::vector<std::string>> rows_;  // GBK, one text per column

private:
    void select(std::vector<int> rows, bool show);
    void refreshList();

    int firstItem_ = -1;
    std::vector<int> selected_;
    ListModel list_;
};

}  // namespace tubra::report
