#include "tubra/appcore/ImportDocument.h"

#include <new>

#include "platform/Clock.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/appcore/SettingsForms.h"
#include "tubra/edit/NullCanvas.h"
#include "tubra/exchange/PcfFile.h"
#include "tubra/view/Paint.h"
#include "tubra/view/ViewState.h"

namespace tubra::app {

platform::Result<ImportedDrawing> importPcfDrawing(model::AppContext& app, const std::filesystem::path& path,
                                                   layout::ImportOptions options) {
    try {
        const platform::Result<exchange::PcfFile> read = exchange::readPcfFile(path);
        if (read.failed()) return platform::Error(read.error(), read.message());
        const platform::CalendarTime now = platform::calendarNow();
        options.date = text::format("%04d.%02d.%02d", now.year, now.month, now.day);
        auto doc = std::make_unique<model::Document>(app);
        doc->onNewDocument();
        // The drawing is made here: no new-drawing dialog at its first paint.
        doc->newDrawingFlag = 0;
        bool choose = options.pageSize == kChoosePage;
        options.pageSize = choose ? 0 : options.pageSize;
        if (choose && !layout::fitsPageAtFullSize(read.value(), options)) {
            // Too large for A4 at full size, found before laying it out there: the larger sheet.
            options.pageSize = 1;
            choose = false;
        }
        platform::Result<layout::ImportWarnings> drawn =
            layout::importPcf(read.value(), options, doc->drawing, app.settings);
        if (drawn.ok() && choose && app.settings.DrawZoom_GJFM < 4.0) {
            // Drawn smaller than full size on A4 after all: the larger sheet.
            options.pageSize = 1;
            drawn = layout::importPcf(read.value(), options, doc->drawing, app.settings);
        }
        if (drawn.failed()) return platform::Error(drawn.error(), drawn.message());
        // The table's counts, as its automatic count makes them (the other rows as imported).
        CharacteristicTableForm table(doc->drawing.table, doc->drawing.objects);
        table.fillStatistics();
        for (int row = CharacteristicTableForm::kFirstCountRow;
             row <= CharacteristicTableForm::kLastCountRow; ++row)
            doc->drawing.table.values[static_cast<std::size_t>(row)] =
                text::utf8ToGbk(table.rows[static_cast<std::size_t>(row)]);
        // Labels placed and annotations laid out, as the first paint of the drawing does.
        view::ViewState view;
        view.pageExtent = view::pageExtent(doc->drawing.PageSize);
        view.scrollExtent = view.pageExtent;
        app.justOpened = true;
        view::applyOpenedDocument(view, *doc);
        edit::NullCanvas canvas(1.0, {view.pageExtent.cx, view.pageExtent.cy});
        view::onLayout(*doc, view, canvas);
        app.justOpened = true;  // a window showing it takes its values at its first paint
        doc->startModified();
        return ImportedDrawing{std::move(doc), std::move(drawn.value())};
    } catch (const std::bad_alloc&) {
        return platform::Error(std::make_error_code(std::errc::not_enough_memory), model::kOutOfMemory);
    }
}

}  // namespace tubra::app
