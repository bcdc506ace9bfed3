#pragma once
// The CAD export and the material list in the window: 文件 → 导出 → DXF… writes the active
// drawing's sheet as a DXF file; 查看 → 材料表 shows its bill of materials, which can be saved
// as a workbook or CSV.

namespace tubra::app {

class MainWindow;

// Adds the entries to the window's menus (and keeps them there when a menu is rebuilt).
void InstallExchangeMenus(MainWindow& window);

}  // namespace tubra::app
