#include "tubra/report/SubPageForm.h"

#include <algorithm>

#include "text/CFormat.h"
#include "tubra/report/ReportPaging.h"

namespace tubra::report {

SubPageForm::SubPageForm(int perPage, int sheets, int current)
    : perPage_(perPage), sheets_(std::max(1, sheets)), chosen_(0) {
    choose(current);
    declareChoice(std::string(kPageField), {}, choices(),
                  platform::bind::choice(chosen_, choices(), std::string(kPageField)));
    platform::LayoutGroup group;
    platform::GroupBuilder(group).label(0, 0, message()).field(1, 0, std::string(kPageField));
    layout_.groups.push_back(std::move(group));
    layout_.buttons = {"ok", "cancel"};
}

std::string SubPageForm::message() const {
    return text::format("每页可打印%d条记录,目前有%d页打印页面可供选择!", perPage_, sheets_);
}

std::vector<std::string> SubPageForm::choices() const {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(sheets_));
    for (int i = 1; i <= sheets_; ++i) out.push_back(std::to_string(i));
    return out;
}

void SubPageForm::choose(int sheet) { chosen_ = sheet >= 0 && sheet < sheets_ ? sheet : 0; }

platform::ActionResult SubPageForm::onAction(std::string_view name, std::string_view,
                                          platform::FormContext&) {
    return platform::form::okOrCancel(*this, name);
}

int ChooseSubPage(InspectionReport& report, int pageIndex, platform::FormHost& host) {
    const int per = RecordsPerPage(pageIndex);
    if (per <= 0) return currentSubPage(report, pageIndex);
    const std::size_t items = listCount(report, pageIndex);
    if (items <= static_cast<std::size_t>(per)) {
        setCurrentSubPage(report, pageIndex, 0);
        return 0;
    }
    SubPageForm form(per, subPageCount(items, per), currentSubPage(report, pageIndex));
    if (host.run(form)) setCurrentSubPage(report, pageIndex, form.chosen());
    return currentSubPage(report, pageIndex);
}

}  // namespace tubra::report
