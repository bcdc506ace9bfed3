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

#include <functional>
#include <optional>
#include <string>
#include <string_view>
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

    struct Column {
        std::string title;  // UTF-8
        int width = 100;
        bool number = false;
        std::size_t maxBytes = 19;
        std::optional<Measure> measure;  // a measured value: a number in its range, or nothing
    };

    // The columns of a list of `Record`s, each bound to a field of the record: what the list
    // shows of a record and what OK writes back into it come from the one binding.
    template <class Record>
    class Columns {
    public:
        template <std::size_t N>
        Columns text(std::string title, int width, std::size_t maxBytes, TokenText<N> Record::*field,
                     std::optional<Measure> measure = {}) const {
            Columns c = *this;
            c.columns_.push_back({std::move(title), width, false, maxBytes, std::move(measure)});
            c.show_.push_back([field](const Record& r, const NumberText&) { return (r.*field).str(); });
            c.take_.push_back([field](Record& r, const std::string& t) { r.*field = t; });
            return c;
        }
        Columns number(std::string title, int width, std::size_t maxBytes, Measure measure,
                       float Record::*field) const {
            Columns c = *this;
            c.columns_.push_back({std::move(title), width, true, maxBytes, std::move(measure)});
            c.show_.push_back([field](const Record& r, const NumberText& f) { return f(r.*field); });
            c.take_.push_back(
                [field](Record& r, const std::string& t) { r.*field = static_cast<float>(forms::number(t)); });
            return c;
        }
        // A measured size of a defect: 0 stands for none measured, shown as nothing.
        Columns size(std::string title, int width, std::size_t maxBytes, Measure measure,
                     float Record::*field) const {
            Columns c = number(std::move(title), width, maxBytes, std::move(measure), field);
            c.show_.back() = [field](const Record& r, const NumberText& f) {
                return r.*field == 0.0f ? std::string() : f(r.*field);
            };
            return c;
        }
        const std::vector<Column>& columns() const { return columns_; }

    private:
        friend class RecordListForm;
        using NumberText = std::function<std::string(float)>;
        std::vector<Column> columns_;
        std::vector<std::function<std::string(const Record&, const NumberText&)>> show_;
        std::vector<std::function<void(Record&, const std::string&)>> take_;
    };

protected:
    RecordListForm(int page, std::vector<Column> columns);

    // The rows of `records` as the list shows them (numbers as formatNumber writes them).
    template <class Record, class List>
    void loadRecords(const Columns<Record>& columns, const List& records) {
        const auto format = [this](float v) { return formatNumber(v); };
        for (const Record& r : records) {
            std::vector<std::string> row;
            for (const auto& show : columns.show_) row.push_back(show(r, format));
            rows_.push_back(std::move(row));
        }
    }
    // The rows, as typed, written back into `records`.
    template <class Record, class List>
    void storeRecords(const Columns<Record>& columns, List& records) const {
        records.removeAll();
        for (const auto& row : rows_) {
            Record r;
            for (std::size_t c = 0; c < columns.take_.size() && c < row.size(); ++c) columns.take_[c](r, row[c]);
            records.append(r);
        }
    }

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

    std::vector<std::string> editingArea() const;
    float numberAt(std::size_t row, std::size_t column) const;

    platform::ActionResult onFormAction(std::string_view name, std::string_view argument,
                                     platform::FormContext& context) override;
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
