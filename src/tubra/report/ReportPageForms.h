#pragma once
// The editing dialog of every report page: the full-inspection set (cover, contents, forms (1)
// to (15), repair record; page indexes 0 to 17) and the online set (cover and forms (1) to (3);
// page indexes 23 to 26).
//
// A page dialog copies its section when it is made and changes only its copy; `apply` writes
// the copy into a report, which the master dialog does after the dialog was confirmed.
//
// Field names, as scripts use them: `text0`, `text1`, ... are the section's texts in file
// order; `note` its several-line text (`notes1` to `notes4` on the online report); `grade0`...
// the grades of the grading summary; `state0`... check states; `flag0`... and `page0`... the
// contents' not-inspected flags and page numbers; `date0`... the online cover's dates;
// `item0`... the editing area of a record list.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tubra/model/Drawing.h"
#include "tubra/report/ReportForm.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/report/data/InspectionReport.h"

namespace tubra::report {

class ReportPageForm : public ReportForm {
public:
    int page() const { return page_; }
    // Writes the dialog's values into `report` (the page's section and list).
    virtual void apply(InspectionReport& report) const = 0;

protected:
    // The dialog of page index `page`, captioned as `reportPageCaption` says.
    explicit ReportPageForm(int page);

    // A group at (row, col) of the dialog's grid.
    LayoutGroup& group(std::string title, int row, int col = 0, int colSpan = 1, int rowSpan = 1);
    // Label and field pairs, `perRow` pairs to a row, from `row` on; returns the next free row.
    // A label may carry its reference mark ("★管道名称").
    int pairs(LayoutGroup& g, const std::vector<std::pair<std::string, std::string>>& labelField,
              int perRow, int row = 0);
    // The usual closing buttons.
    void okCancel() { layout_.buttons = {"ok", "cancel"}; }
    // A signer: the name's label and field, the date's label and field.
    struct Signer {
        std::string nameLabel, nameField, dateLabel, dateField;
    };
    // The date of the work on a row of its own (when `dateField` is not empty), then a row for
    // each signer with the date of the signature beside the name, as the printed form pairs
    // them. Returns the next free row.
    int signatureRows(LayoutGroup& g, int row, const std::string& dateLabel, const std::string& dateField,
                      const std::vector<Signer>& signers);

private:
    int page_;
};

// Whether page index `page` has an editing dialog: every single page of the two sets (the
// stacked indexes 22 and 28 have none).
bool isReportPage(int page);
// The caption of a page's dialog (UTF-8), empty for an index that is no page. The forms'
// dialogs carry the forms' printed titles.
std::string_view reportPageCaption(int page);
// Whether a page holds data: a text not empty, a number not 0 or an item in its list; the
// conclusion's safety grade counts only when it is not "0".
bool reportPageHoldsData(const InspectionReport& report, int page);

// The dialog of a page, made from the report, its characteristic table (★) and, for the
// online set, the full cover and review report (☆, ○) it also reads. Null for no page.
std::unique_ptr<ReportPageForm> makeReportPageForm(int page, const InspectionReport& report,
                                                   const model::CharacteristicTable& table);

// Loads a picture for the metallography dialog; true when it could. The desktop shows the
// picture; without a window system the file is checked for a known picture format.
using PictureLoader = platform::PictureLoader;
bool pictureFileReadable(const std::string& path);


// Rows of the characteristic table the dialogs take reference values from.
namespace tablerow {
inline constexpr int kName = 0;          // 管线名称
inline constexpr int kNumber = 1;        // 管线编号
inline constexpr int kClass = 2;         // 管线类别
inline constexpr int kMedium = 3;        // 管内主要工作介质
inline constexpr int kPressure = 4;      // 最高工作压力
inline constexpr int kTemperature = 5;   // 工作温度
inline constexpr int kEnds = 6;          // 起止点
inline constexpr int kInsulation = 7;    // 保温材料
inline constexpr int kInService = 8;     // 投用日期
inline constexpr int kLength = 9;        // 管线总长
inline constexpr int kMaterial = 16;     // 管线材料
inline constexpr int kSize = 17;         // 管线规格
}  // namespace tablerow

// Internal: the factories of the page groups.
namespace detail {
std::unique_ptr<ReportPageForm> makeFullPageForm(int page, const InspectionReport& report,
                                                 const model::CharacteristicTable& table);
std::unique_ptr<ReportPageForm> makeListPageForm(int page, const InspectionReport& report,
                                                 const model::CharacteristicTable& table);
std::unique_ptr<ReportPageForm> makeOnlinePageForm(int page, const InspectionReport& report,
                                                   const model::CharacteristicTable& table);
}  // namespace detail

}  // namespace tubra::report
