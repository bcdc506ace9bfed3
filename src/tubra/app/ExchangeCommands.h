#pragma once
// The CAD export and the material list of the window's commands: 文件 → 导出 → DXF… writes the
// active drawing's sheet as a DXF file; 查看 → 材料表 shows its bill of materials, which can be
// saved as a workbook or CSV. Both work on the active drawing and do nothing without one.

namespace tubra::app {

class MainWindow;

// Asks for a file name and writes the active drawing's sheet there as DXF.
void exportDxf(MainWindow& window);
// Shows the material list of the active drawing.
void showMaterials(MainWindow& window);

}  // namespace tubra::app
