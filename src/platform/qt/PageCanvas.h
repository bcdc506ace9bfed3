#pragma once
// A page drawn through a canvas into a file: PNG (an image), PDF or SVG, chosen by the file
// name's extension. The file is written at the end, replacing any old one atomically.

#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include <QImage>

#include "platform/Canvas.h"
#include "platform/Result.h"

namespace platform::qt {

enum class PageFormat { Png, Pdf, Svg };

// The format of a file name by its extension (case-insensitive); none for others.
std::optional<PageFormat> pageFormatFor(const std::filesystem::path& path);

class PageCanvas {
public:
    virtual ~PageCanvas() = default;
    // A page of `logicalSize` (0.1 mm). PNG images have `pixelsPerUnit` pixels per 0.1 mm and
    // start filled with `background`; PDF pages are printed at 600 dpi; SVG units are 0.1 mm.
    static std::unique_ptr<PageCanvas> create(PageFormat format, Size logicalSize,
                                              double pixelsPerUnit = 300.0 / 254.0,
                                              Colour background = 0xFFFFFF);

    virtual Canvas& canvas() = 0;
    // Ends the drawing and writes the file. Call once.
    virtual Result<> finish(const std::filesystem::path& path) = 0;
    // The image of a PNG page (valid after finish as well); null for other formats.
    virtual const QImage* image() const { return nullptr; }
};

}  // namespace platform::qt
