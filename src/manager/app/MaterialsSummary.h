#pragma once
// 导出 → 材料汇总…: the bill of materials of the selected drawings added up, saved as a
// workbook or CSV, for planning an inspection campaign.

namespace manager::app {

class MainWindow;

// Adds the entry to the window's export menu.
void InstallMaterialsSummary(MainWindow& window);

}  // namespace manager::app
