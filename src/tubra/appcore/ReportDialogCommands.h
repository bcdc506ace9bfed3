#pragma once
// The report commands of the tool bar and menus: "全面检验报告" (`cmd::FullReport`) opens the
// full set's master dialog, "在线检验报告" (`cmd::OnlineReport`) the online set's. The masters
// show beside each page the number it will carry. When the master chose a page to show, the
// view switches to report mode on it, after asking which sheet of a list that fills several.

#include <functional>

#include "tubra/edit/CommandRegistry.h"

namespace tubra::app {

// Shows report page `page` (a page index, or 22 / 28 for a whole set) in the context's view.
// Replaceable, so that the report display decides how a page is entered (the sheet of a
// split list page, the zoom, what the document stores).
using ShowReportPage = std::function<void(edit::CommandContext&, int page)>;
void setShowReportPage(ShowReportPage show);
// The program's way: the sheet question for a split list page ("打印页选择"), then the page in
// the view (report mode entered at zoom 1 when it was off; the document keeps mode and page).
void enterReportPage(edit::CommandContext& context, int page);

// Run the master dialogs on the context's document; false when it has no inspection report.
bool runFullReportDialog(edit::CommandContext& context);
bool runOnlineReportDialog(edit::CommandContext& context);

namespace commands {
bool hasReport(const edit::CommandContext& c);
void fullReport(edit::CommandContext& c);
void onlineReport(edit::CommandContext& c);
}  // namespace commands

}  // namespace tubra::app
