#include "platform/qt/PageCanvas.h"

#include <cmath>

#include <QBuffer>
#include <QByteArray>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "platform/AtomicFile.h"
#include "platform/qt/PdfText.h"
#include "platform/qt/QtCanvas.h"

namespace platform::qt {

namespace {

Result<> writeBytes(const std::filesystem::path& path, const QByteArray& bytes) {
    return writeFileAtomically(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

int pixels(int units, double pixelsPerUnit) {
    return std::max(1, static_cast<int>(std::ceil(units * pixelsPerUnit)));
}

class PngPage : public PageCanvas {
public:
    PngPage(Size logical, double ppu, Colour background)
        : image_(pixels(logical.cx, ppu), pixels(logical.cy, ppu), QImage::Format_RGB32) {
        // The image says how large it is on paper: printed, it comes out at the sheet's size.
        const int dotsPerMetre = static_cast<int>(std::lround(ppu * 10000.0));
        image_.setDotsPerMeterX(dotsPerMetre);
        image_.setDotsPerMeterY(dotsPerMetre);
        image_.fill(toQColor(background));
        if (!image_.isNull()) painter_.begin(&image_);
        QtCanvas::Options o;
        o.pixelsPerUnit = ppu;
        o.deviceSize = {image_.width(), image_.height()};
        o.antialias = true;
        canvas_ = std::make_unique<QtCanvas>(painter_, o);
    }
    Canvas& canvas() override { return *canvas_; }
    Result<> finish(const std::filesystem::path& path) override {
        canvas_.reset();
        if (painter_.isActive()) painter_.end();
        if (image_.isNull()) return std::make_error_code(std::errc::not_enough_memory);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!image_.save(&buffer, "PNG")) return std::make_error_code(std::errc::io_error);
        return writeBytes(path, bytes);
    }
    const QImage* image() const override { return &image_; }

private:
    QImage image_;
    QPainter painter_;
    std::unique_ptr<QtCanvas> canvas_;
};

// A vector page: the painter writes into a buffer, which becomes the file at the end.
class VectorPage : public PageCanvas {
public:
    Canvas& canvas() override { return *canvas_; }
    Result<> finish(const std::filesystem::path& path) override {
        canvas_.reset();
        if (!painter_.end()) return std::make_error_code(std::errc::io_error);
        buffer_.close();
        QByteArray bytes = buffer_.data();
        completed(bytes);
        return writeBytes(path, bytes);
    }

protected:
    VectorPage() { buffer_.open(QIODevice::WriteOnly); }
    // The finished file before it is written.
    virtual void completed(QByteArray&) {}
    void start(QPaintDevice& device, QtCanvas::Options o) {
        painter_.begin(&device);
        o.antialias = true;
        canvas_ = std::make_unique<QtCanvas>(painter_, o);
    }
    // Ends the painting before the device, a member of the page, is gone.
    void stop() {
        canvas_.reset();
        if (painter_.isActive()) painter_.end();
    }

    QBuffer buffer_;

private:
    QPainter painter_;
    std::unique_ptr<QtCanvas> canvas_;
};

class PdfPage : public VectorPage {
public:
    static constexpr int kDpi = 600;
    explicit PdfPage(Size logical) : writer_(&buffer_) {
        writer_.setResolution(kDpi);
        writer_.setCreator(QStringLiteral("Tubra"));
        // Page sizes are given upright; a wide sheet is a landscape page.
        const double w = logical.cx / 10.0, h = logical.cy / 10.0;
        const QPageSize size(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter,
                             QString(), QPageSize::ExactMatch);
        writer_.setPageLayout(QPageLayout(size, w > h ? QPageLayout::Landscape : QPageLayout::Portrait,
                                          QMarginsF(0, 0, 0, 0)));
        QtCanvas::Options o = QtCanvas::optionsFor(writer_, true);
        o.pixelsPerUnit = kDpi / 254.0;
        start(writer_, o);
    }
    ~PdfPage() override { stop(); }

protected:
    // Searches and text extraction find the characters that were drawn; the date is the one
    // clock's.
    void completed(QByteArray& bytes) override {
        std::string pdf(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (finishPdf(pdf)) bytes = QByteArray(pdf.data(), static_cast<qsizetype>(pdf.size()));
    }

private:
    QPdfWriter writer_;
};

class SvgPage : public VectorPage {
public:
    explicit SvgPage(Size logical) {
        generator_.setOutputDevice(&buffer_);
        generator_.setResolution(254);  // one unit is 0.1 mm
        generator_.setSize(QSize(logical.cx, logical.cy));
        generator_.setViewBox(QRect(0, 0, logical.cx, logical.cy));
        generator_.setTitle(QStringLiteral("Tubra"));
        QtCanvas::Options o;
        o.pixelsPerUnit = 1.0;
        o.deviceSize = logical;
        start(generator_, o);
    }
    ~SvgPage() override { stop(); }

private:
    QSvgGenerator generator_;
};

}  // namespace

std::optional<PageFormat> pageFormatFor(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".png") return PageFormat::Png;
    if (ext == ".pdf") return PageFormat::Pdf;
    if (ext == ".svg") return PageFormat::Svg;
    return std::nullopt;
}

std::unique_ptr<PageCanvas> PageCanvas::create(PageFormat format, Size logicalSize,
                                               double pixelsPerUnit, Colour background) {
    logicalSize.cx = std::max(1, logicalSize.cx);
    logicalSize.cy = std::max(1, logicalSize.cy);
    switch (format) {
        case PageFormat::Png: return std::make_unique<PngPage>(logicalSize, pixelsPerUnit, background);
        case PageFormat::Pdf: return std::make_unique<PdfPage>(logicalSize);
        case PageFormat::Svg: return std::make_unique<SvgPage>(logicalSize);
    }
    return nullptr;
}

}  // namespace platform::qt
