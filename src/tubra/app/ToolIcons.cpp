#include "tubra/app/ToolIcons.h"

#include <functional>

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "tubra/app/Rendering.h"
#include "tubra/model/DrawingSettings.h"

// The bundled files live in a static library: their registration has to be asked for.
static void initTubraResources() { Q_INIT_RESOURCE(tubra); }

namespace tubra::app {

namespace {

QColor fromSetting(model::Colour c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

const model::DrawingSettings& defaults() {
    static const model::DrawingSettings s;
    return s;
}

const QColor kInk(40, 40, 40);

QIcon themed(std::string_view name) {
    if (name.empty()) return {};
    const QString n = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (QIcon::hasThemeIcon(n)) return QIcon::fromTheme(n);
    if (QIcon::hasThemeIcon(n + QStringLiteral("-symbolic")))
        return QIcon::fromTheme(n + QStringLiteral("-symbolic"));
    return {};
}

// Sizes the bars and menus ask icons for.
constexpr int kIconSizes[] = {16, 20, 24, 32};

// The picture of a command that cannot be used now: grey and faint, whatever its colours, so
// that a black symbol does not look the same enabled and disabled.
QImage disabledLook(const QImage& normal) {
    QImage image = normal.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            // Light grey ink at a third of the strength.
            const int grey = 150 + qGray(p) * 80 / 255;
            line[x] = qRgba(grey, grey, grey, qAlpha(p) * 2 / 5);
        }
    }
    return image;
}

// An icon with its own disabled pictures at every size it is drawn in.
QIcon withDisabledLook(const QIcon& icon) {
    if (icon.isNull()) return icon;
    QIcon out;
    for (int size : kIconSizes) {
        const QPixmap normal = icon.pixmap(QSize(size, size), QIcon::Normal, QIcon::Off);
        if (normal.isNull()) continue;
        out.addPixmap(normal, QIcon::Normal, QIcon::Off);
        out.addPixmap(QPixmap::fromImage(disabledLook(normal.toImage())), QIcon::Disabled, QIcon::Off);
    }
    return out.isNull() ? icon : out;
}

QIcon fromImages(const std::function<QImage(int)>& make) {
    QIcon icon;
    for (int size : kIconSizes) {
        const QImage image = make(size);
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

// A picture the program ships, drawn from its SVG file.
QIcon bundled(std::string_view file) {
    if (file.empty()) return {};
    initResources();
    QSvgRenderer svg(QStringLiteral(":/tubra/icons/%1.svg")
                         .arg(QString::fromUtf8(file.data(), static_cast<qsizetype>(file.size()))));
    if (!svg.isValid()) return {};
    return fromImages([&](int size) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        svg.render(&p);
        return image;
    });
}

QIcon plainCommandIcon(const Action& command) {
    if (command.icon.symbol != 0) {
        QIcon icon = fromImages([&](int size) { return renderSymbolIcon(command.icon.symbol, size); });
        if (!icon.isNull()) return icon;
    }
    if (QIcon icon = themed(command.icon.theme); !icon.isNull()) return icon;
    if (QIcon icon = bundled(command.icon.file); !icon.isNull()) return icon;
    if (command.icon.symbol != 0 || !command.icon.theme.empty()) {
        // No symbol drawn and no theme: the first character of the name stands in.
        const QString name = QString::fromUtf8(command.name.data(), static_cast<qsizetype>(command.name.size()));
        return fromImages([&](int size) {
            QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.scale(size / 16.0, size / 16.0);
            p.setPen(QPen(kInk, 0.8));
            p.setBrush(QColor(245, 245, 240));
            p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2, 2);
            QFont f = p.font();
            f.setPixelSize(10);
            f.setBold(true);
            p.setFont(f);
            p.setPen(fromSetting(defaults().FaMenColor));
            p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, name.left(1));
            return image;
        });
    }
    return {};
}

}  // namespace

QIcon commandIcon(const Action& command) { return withDisabledLook(plainCommandIcon(command)); }

void initResources() {
    static const bool done = [] {
        initTubraResources();
        return true;
    }();
    (void)done;
}

QIcon applicationIcon() {
    static const QIcon icon = [] {
        initResources();
        QIcon i(QStringLiteral(":/tubra/tubra.svg"));
        return i.pixmap(32).isNull() ? bundled("main-pipe") : i;
    }();
    return icon;
}

QIcon documentIcon() {
    static const QIcon icon = [] {
        initResources();
        QIcon i(QStringLiteral(":/tubra/tubra-document.svg"));
        return i.pixmap(32).isNull() ? applicationIcon() : i;
    }();
    return icon;
}

}  // namespace tubra::app
