#pragma once
// "打印页选择": which sheet of a split list page the view shows, asked when the page is chosen
// and its list fills more than one sheet.
//
// Field `page`: the sheet, "1" to the number of sheets (the drop-down list). Actions "ok",
// "cancel".

#include <string>
#include <string_view>
#include <vector>

#include "platform/Form.h"
#include "platform/FormFields.h"
#include "tubra/report/data/InspectionReport.h"

namespace tubra::report {

class SubPageForm : public platform::DeclaredForm<> {
public:
    static constexpr std::string_view kCaption = "打印页选择";
    static constexpr std::string_view kPageField = "page";

    // For a list page of `perPage` records a sheet with `sheets` sheets, starting at the
    // 0-based sheet `current` (the first when out of range).
    SubPageForm(int perPage, int sheets, int current);

    // "每页可打印%d条记录,目前有%d页打印页面可供选择!" (UTF-8).
    std::string message() const;
    // The entries of the drop-down list: "1" .. the number of sheets.
    std::vector<std::string> choices() const;
    int sheets() const { return sheets_; }
    // The chosen sheet, 0-based.
    int chosen() const { return chosen_; }
    void choose(int sheet);

    std::string caption() const override { return std::string(kCaption); }

    // The dialog described: the message over the list of sheets, OK and Cancel.
    const platform::FormLayout& layout() const override { return layout_; }

protected:
    platform::ActionResult onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context) override;

private:
    int perPage_;
    int sheets_;
    int chosen_;
    platform::FormLayout layout_;
};

// Chooses the sheet a split list page shows when it is picked for display: with more items
// than fit one sheet the dialog asks (its answer becomes the list's current sub-page; Cancel
// keeps it), otherwise the first sheet is taken without asking. Pages without a list are left
// alone. Returns the current sub-page afterwards.
int ChooseSubPage(InspectionReport& report, int pageIndex, platform::FormHost& host);

}  // namespace tubra::report
