#pragma once
// 导出 → 材料汇总…: the bill of materials of the selected drawings added up, saved as a
// workbook or CSV, for planning an inspection campaign.

namespace manager::app {

class MainWindow;

// Adds up the material lists of the drawings selected in the window's list and saves the sum
// where the user chooses.
void summariseMaterials(MainWindow& window);

}  // namespace manager::app
