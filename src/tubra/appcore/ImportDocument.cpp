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

ImportedDrawing importPcfDrawing(model::AppContext& app, const std::filesystem::path& path,
                                 layout::ImportOptions options) {
    ImportedDrawing out;
    try {
        const platform::Result<exchange::PcfFile> read = exchange::readPcfFile(path);
        if (read.failed()) {
            out.error = read.message();
            return out;
        }
        const platform::CalendarTime now = platform::calendarNow();
        options.date = text::format("%04d.%02d.%02d", now.year, now.month, now.day);
        auto doc = std::make_unique<model::Document>(app);
        doc->onNewDocument();
        // The drawing is made here: no new-drawing dialog at its first paint.
        doc->newDrawingFlag = 0;
        const bool choose = options.pageSize == kChoosePage;
        options.pageSize = choose ? 0 : options.pageSize;
        layout::ImportResult result =
            layout::importPcf(read.value(), options, doc->drawing, app.settings);
        if (result.ok() && choose && app.settings.DrawZoom_GJFM < 4.0) {
            // Too large for A4 at full size: the larger sheet.
            options.pageSize = 1;
            result = layout::importPcf(read.value(), options, doc->drawing, app.settings);
        }
        if (!result.ok()) {
            out.error = result.error;
            return out;
        }
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
        out.document = std::move(doc);
        out.warnings = std::move(result.warnings);
    } catch (const std::bad_alloc&) {
        out.document.reset();
        out.error = model::kOutOfMemory;
    }
    return out;
}

}  // namespace tubra::app
