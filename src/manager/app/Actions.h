#pragma once
// The actions of the manager's window: its menus, tool bar and the list's context menu. The
// window builds its menus from these ids and code and tests find an action by its id, never by
// the text it shows (texts may change; ids do not).

namespace manager::app {

enum class ActionId {
    // file and export
    ExportList,            // 导出列表
    ExportChecklist,       // 导出到清单
    ExportCensus,          // 导出到普查
    ExportWorkbook,        // Excel 工作簿…
    ExportCensusWorkbook,  // 普查数据 Excel 工作簿…
    SumMaterials,          // 材料汇总…
    ReportCopy,            // 全面检验报告复制
    Quit,                  // 退出
    // view
    ShowToolBar,           // 工具栏
    ShowStatusBar,         // 状态栏
    ReportMode,            // 全面检验报告列表
    Renumber,              // 重整序号
    Refresh,               // 刷新
    // help
    Help,                  // 使用帮助
    About,                 // 关于 Vesko
    // the list's context menu
    FileInformation,       // 此图形文件信息
    CheckLengths,          // 校核管道长度
    MergeRows,             // 合并记录
    DeleteRows,            // 删除记录
    ChangeNumber,          // 修改编号
    DeleteFiles,           // 批量删除图形文件
    ChangeTable,           // 批量修改文件特性表
    ChangeTitle,           // 批量修改文件标题框
    BatchOpen,             // 批量打开图形文件
    PrintShown,            // 打印文件中当前的显示对象
    PrintDrawing,          // 打印文件中的图形
    PrintFullReport,       // 打印文件中的全面检验报告
    PrintOnlineReport,     // 打印文件中的在线检验报告
};

}  // namespace manager::app
