#include "tubra/app/ToolIcons.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

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
const QColor kRed(200, 30, 30);
const QColor kSheet(250, 250, 245);

void pen(QPainter& p, QColor c, double w, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(c, w, style, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
}

void arrowHead(QPainter& p, QPointF tip, double angleDeg, double size, QColor c) {
    const double a = angleDeg * M_PI / 180.0;
    const QPointF back(tip.x() - size * std::cos(a), tip.y() + size * std::sin(a));
    const QPointF side(size * 0.45 * std::sin(a), size * 0.45 * std::cos(a));
    QPolygonF tri{tip, back + side, back - side};
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(tri);
}

void sheet(QPainter& p, QRectF r) {
    pen(p, kInk, 0.8);
    p.setBrush(kSheet);
    p.drawRect(r);
}

void magnifier(QPainter& p) {
    pen(p, kInk, 1.4);
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    pen(p, kInk, 2.4);
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
}

void letter(QPainter& p, const QString& text, QColor c, double size = 10.0) {
    QFont f = p.font();
    f.setPixelSize(static_cast<int>(size));
    f.setBold(true);
    p.setFont(f);
    p.setPen(c);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
}

// Draws a glyph into a 16 x 16 box.
void drawGlyph(QPainter& p, Glyph g) {
    const model::DrawingSettings& s = defaults();
    const QColor mainPipe = fromSetting(s.ZhuXianColor);
    const QColor branchPipe = fromSetting(s.ZhiXianColor);
    const QColor weld = fromSetting(s.HanFengColor);
    const QColor fitting = fromSetting(s.GuanJianColor);
    switch (g) {
        case Glyph::None: break;
        case Glyph::Refresh: {
            pen(p, QColor(30, 120, 40), 1.8);
            p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 280 * 16);
            arrowHead(p, QPointF(11.5, 2.2), 20, 4.5, QColor(30, 120, 40));
            break;
        }
        case Glyph::ZoomIn:
            magnifier(p);
            pen(p, kInk, 1.3);
            p.drawLine(QPointF(4.5, 6.5), QPointF(8.5, 6.5));
            p.drawLine(QPointF(6.5, 4.5), QPointF(6.5, 8.5));
            break;
        case Glyph::ZoomOut:
            magnifier(p);
            pen(p, kInk, 1.3);
            p.drawLine(QPointF(4.5, 6.5), QPointF(8.5, 6.5));
            break;
        case Glyph::Fit:
            pen(p, kInk, 1.0);
            p.drawRect(QRectF(4.5, 4.5, 7, 7));
            for (QPointF c : {QPointF(1, 1), QPointF(15, 1), QPointF(1, 15), QPointF(15, 15)}) {
                const double dx = c.x() < 8 ? 1 : -1, dy = c.y() < 8 ? 1 : -1;
                pen(p, kInk, 1.2);
                p.drawLine(c, QPointF(c.x() + 3 * dx, c.y()));
                p.drawLine(c, QPointF(c.x(), c.y() + 3 * dy));
            }
            break;
        case Glyph::Pan:
        case Glyph::MoveDrawing: {
            pen(p, kInk, 1.2);
            p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
            p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
            arrowHead(p, QPointF(8, 1), 90, 3.5, kInk);
            arrowHead(p, QPointF(8, 15), 270, 3.5, kInk);
            arrowHead(p, QPointF(1, 8), 180, 3.5, kInk);
            arrowHead(p, QPointF(15, 8), 0, 3.5, kInk);
            if (g == Glyph::MoveDrawing) {
                pen(p, mainPipe, 1.0);
                p.drawRect(QRectF(5, 5, 6, 6));
            }
            break;
        }
        case Glyph::Restore:
            sheet(p, QRectF(6.5, 6.5, 8, 8));
            pen(p, QColor(30, 120, 40), 1.6);
            p.drawArc(QRectF(1.5, 2.5, 10, 10), 90 * 16, 120 * 16);
            arrowHead(p, QPointF(8, 2.5), 0, 4, QColor(30, 120, 40));
            break;
        case Glyph::ClearAll:
            sheet(p, QRectF(2.5, 1.5, 11, 13));
            pen(p, kRed, 2.0);
            p.drawLine(QPointF(4.5, 4), QPointF(11.5, 12));
            p.drawLine(QPointF(11.5, 4), QPointF(4.5, 12));
            break;
        case Glyph::PageSetup:
            sheet(p, QRectF(1.5, 3.5, 13, 9));
            letter(p, QStringLiteral("A4"), kInk, 6.5);
            break;
        case Glyph::FrameSwitch:
            sheet(p, QRectF(1.5, 3.5, 13, 9));
            pen(p, kInk, 0.8);
            p.drawRect(QRectF(8.5, 9, 6, 3.5));
            p.drawRect(QRectF(8.5, 3.5, 6, 3));
            break;
        case Glyph::Colour:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(220, 40, 40));
            p.drawEllipse(QPointF(5.5, 6), 3.5, 3.5);
            p.setBrush(QColor(40, 160, 40));
            p.drawEllipse(QPointF(10.5, 6), 3.5, 3.5);
            p.setBrush(QColor(40, 80, 220));
            p.drawEllipse(QPointF(8, 10.5), 3.5, 3.5);
            break;
        case Glyph::LineWidth:
            for (int i = 0; i < 3; ++i) {
                pen(p, kInk, 0.8 + 1.2 * i);
                p.drawLine(QPointF(2, 3.5 + 4.5 * i), QPointF(14, 3.5 + 4.5 * i));
            }
            break;
        case Glyph::LineStyle: {
            const Qt::PenStyle styles[3] = {Qt::SolidLine, Qt::DashLine, Qt::DashDotLine};
            for (int i = 0; i < 3; ++i) {
                QPen q(kInk, 1.2, styles[i], Qt::FlatCap);
                p.setPen(q);
                p.drawLine(QPointF(1.5, 3.5 + 4.5 * i), QPointF(14.5, 3.5 + 4.5 * i));
            }
            break;
        }
        case Glyph::DimensionText:
            pen(p, fromSetting(s.DimLineColor), 1.0);
            p.drawLine(QPointF(2, 12), QPointF(14, 12));
            p.drawLine(QPointF(2, 9.5), QPointF(2, 14.5));
            p.drawLine(QPointF(14, 9.5), QPointF(14, 14.5));
            arrowHead(p, QPointF(2.2, 12), 180, 3, fromSetting(s.DimLineColor));
            arrowHead(p, QPointF(13.8, 12), 0, 3, fromSetting(s.DimLineColor));
            p.save();
            p.translate(0, -3.5);
            letter(p, QStringLiteral("25"), fromSetting(s.DimTextColor), 7.5);
            p.restore();
            break;
        case Glyph::Layers:
            for (int i = 2; i >= 0; --i) {
                const double y = 4 + 3.5 * i;
                QPolygonF r{QPointF(8, y - 3), QPointF(15, y), QPointF(8, y + 3), QPointF(1, y)};
                pen(p, kInk, 0.8);
                p.setBrush(i == 0 ? QColor(120, 170, 230) : QColor(220, 225, 235));
                p.drawPolygon(r);
            }
            break;
        case Glyph::Snap:
            pen(p, kInk, 1.0);
            p.drawLine(QPointF(8, 1), QPointF(8, 15));
            p.drawLine(QPointF(1, 8), QPointF(15, 8));
            pen(p, kRed, 1.4);
            p.drawRect(QRectF(5, 5, 6, 6));
            break;
        case Glyph::Table:
            sheet(p, QRectF(1.5, 2.5, 13, 11));
            pen(p, kInk, 0.7);
            for (double y : {5.25, 8.0, 10.75}) p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
            p.drawLine(QPointF(7, 2.5), QPointF(7, 13.5));
            break;
        case Glyph::TitleBlock:
            sheet(p, QRectF(1.5, 2.5, 13, 11));
            pen(p, kInk, 0.7);
            p.drawRect(QRectF(6.5, 8.5, 8, 5));
            p.drawLine(QPointF(6.5, 11), QPointF(14.5, 11));
            p.drawLine(QPointF(10.5, 8.5), QPointF(10.5, 13.5));
            break;
        case Glyph::ElbowTee: {
            pen(p, mainPipe, 2.0);
            QPainterPath path(QPointF(2, 14));
            path.lineTo(2, 8);
            path.quadTo(2, 3, 7, 3);
            path.lineTo(14, 3);
            p.drawPath(path);
            pen(p, fitting, 1.6);
            p.drawLine(QPointF(9, 9), QPointF(15, 9));
            p.drawLine(QPointF(12, 9), QPointF(12, 15));
            break;
        }
        case Glyph::Select: {
            QPolygonF arrow{QPointF(3, 1.5), QPointF(3, 13), QPointF(6, 10.2), QPointF(8.2, 14.5),
                            QPointF(10, 13.6), QPointF(7.8, 9.4), QPointF(11.5, 9.2)};
            pen(p, kInk, 0.9);
            p.setBrush(Qt::white);
            p.drawPolygon(arrow);
            break;
        }
        case Glyph::Delete:
            pen(p, mainPipe, 2.0);
            p.drawLine(QPointF(1.5, 12), QPointF(14.5, 4));
            pen(p, kRed, 2.0);
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case Glyph::CopyObjects:
        case Glyph::MoveObjects:
            pen(p, g == Glyph::CopyObjects ? kInk : QColor(150, 150, 150), 1.0,
                g == Glyph::CopyObjects ? Qt::SolidLine : Qt::DotLine);
            p.drawRect(QRectF(1.5, 1.5, 7, 7));
            pen(p, kInk, 1.0);
            p.drawRect(QRectF(7.5, 7.5, 7, 7));
            pen(p, QColor(30, 120, 40), 1.2);
            p.drawLine(QPointF(5, 5), QPointF(9.5, 9.5));
            arrowHead(p, QPointF(10.5, 10.5), -45, 3.5, QColor(30, 120, 40));
            break;
        case Glyph::Properties:
            sheet(p, QRectF(2.5, 1.5, 11, 13));
            pen(p, kInk, 0.8);
            for (double y : {4.5, 7.0, 9.5, 12.0}) p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
            break;
        case Glyph::MoveDimension:
            pen(p, fromSetting(s.DimLineColor), 1.0);
            p.drawLine(QPointF(2, 5), QPointF(14, 5));
            arrowHead(p, QPointF(2.2, 5), 180, 3, fromSetting(s.DimLineColor));
            arrowHead(p, QPointF(13.8, 5), 0, 3, fromSetting(s.DimLineColor));
            pen(p, QColor(30, 120, 40), 1.2);
            p.drawLine(QPointF(8, 7.5), QPointF(8, 13));
            arrowHead(p, QPointF(8, 15), 270, 3.5, QColor(30, 120, 40));
            break;
        case Glyph::FullReport:
        case Glyph::OnlineReport:
        case Glyph::ShowReport: {
            sheet(p, QRectF(2.5, 1, 11, 14));
            const QString t = g == Glyph::FullReport ? QStringLiteral("全")
                              : g == Glyph::OnlineReport ? QStringLiteral("线")
                                                         : QStringLiteral("报");
            letter(p, t, g == Glyph::ShowReport ? kRed : QColor(30, 60, 150), 8.5);
            break;
        }
        case Glyph::MainPipe:
        case Glyph::BranchPipe: {
            const QColor c = g == Glyph::MainPipe ? mainPipe : branchPipe;
            pen(p, c, g == Glyph::MainPipe ? 2.4 : 1.5);
            QPolygonF run{QPointF(1.5, 12), QPointF(7, 15), QPointF(7, 6), QPointF(14.5, 1.5)};
            p.drawPolyline(run);
            break;
        }
        case Glyph::PlaneSlant:
            pen(p, fromSetting(s.PingXieColor), 2.0);
            p.drawLine(QPointF(2, 14), QPointF(14, 2));
            pen(p, kInk, 0.7, Qt::DotLine);
            p.drawLine(QPointF(2, 14), QPointF(14, 14));
            p.drawLine(QPointF(14, 14), QPointF(14, 2));
            break;
        case Glyph::SpaceSlant:
            pen(p, fromSetting(s.LiXieColor), 2.0);
            p.drawLine(QPointF(2, 13), QPointF(14, 3));
            pen(p, kInk, 0.7, Qt::DotLine);
            p.drawPolyline(QPolygonF{QPointF(2, 13), QPointF(7, 15), QPointF(14, 11), QPointF(14, 3)});
            break;
        case Glyph::ClosedPipe:
            pen(p, mainPipe, 2.0);
            p.drawLine(QPointF(3, 12), QPointF(13, 4));
            p.setPen(Qt::NoPen);
            p.setBrush(kRed);
            p.drawEllipse(QPointF(3, 12), 2, 2);
            p.drawEllipse(QPointF(13, 4), 2, 2);
            break;
        case Glyph::CutLine: {
            pen(p, mainPipe, 2.0);
            p.drawLine(QPointF(1, 8), QPointF(6, 8));
            p.drawLine(QPointF(10, 8), QPointF(15, 8));
            pen(p, kInk, 1.0);
            QPainterPath s1(QPointF(6, 3));
            s1.cubicTo(QPointF(3, 6), QPointF(9, 10), QPointF(6, 13));
            QPainterPath s2(QPointF(10, 3));
            s2.cubicTo(QPointF(7, 6), QPointF(13, 10), QPointF(10, 13));
            p.drawPath(s1);
            p.drawPath(s2);
            break;
        }
        case Glyph::Weld:
            pen(p, mainPipe, 2.0);
            p.drawLine(QPointF(1, 8), QPointF(15, 8));
            pen(p, weld, 2.2);
            p.drawLine(QPointF(8, 3), QPointF(8, 13));
            break;
        case Glyph::Elbow: {
            pen(p, mainPipe, 2.2);
            QPainterPath path(QPointF(2, 15));
            path.lineTo(2, 9);
            path.quadTo(2, 2, 9, 2);
            path.lineTo(15, 2);
            p.drawPath(path);
            pen(p, weld, 1.6);
            p.drawLine(QPointF(0.5, 9), QPointF(3.5, 9));
            p.drawLine(QPointF(9, 0.5), QPointF(9, 3.5));
            break;
        }
        case Glyph::Tee:
            pen(p, mainPipe, 2.2);
            p.drawLine(QPointF(1, 5), QPointF(15, 5));
            pen(p, branchPipe, 1.8);
            p.drawLine(QPointF(8, 5), QPointF(8, 15));
            break;
        case Glyph::TextBlock:
            letter(p, QStringLiteral("文"), fromSetting(s.DimTextColor), 12);
            break;
        case Glyph::LetterB:
        case Glyph::LetterT:
        case Glyph::LetterD:
        case Glyph::LetterZ:
        case Glyph::LetterR:
        case Glyph::LetterH: {
            static const char kLetters[] = "BTDZRH";
            const int i = static_cast<int>(g) - static_cast<int>(Glyph::LetterB);
            pen(p, kInk, 0.8);
            p.setBrush(QColor(235, 240, 250));
            p.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
            letter(p, QString(QLatin1Char(kLetters[i])), QColor(30, 60, 150), 10);
            break;
        }
    }
}

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

}  // namespace

QImage glyphImage(Glyph glyph, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 16.0, size / 16.0);
    drawGlyph(p, glyph);
    return image;
}

namespace {

QIcon plainCommandIcon(const CommandInfo& command) {
    if (command.icon.symbol != 0) {
        QIcon icon = fromImages([&](int size) { return renderSymbolIcon(command.icon.symbol, size); });
        if (!icon.isNull()) return icon;
    }
    if (QIcon icon = themed(command.icon.theme); !icon.isNull()) return icon;
    if (command.icon.glyph != Glyph::None)
        return fromImages([&](int size) { return glyphImage(command.icon.glyph, size); });
    if (command.icon.symbol != 0 || !command.icon.theme.empty()) {
        // No symbol drawn and no theme: the first character of the name stands in.
        const QString name = QString::fromUtf8(command.name.data(), static_cast<qsizetype>(command.name.size()));
        return fromImages([&](int size) {
            QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.scale(size / 16.0, size / 16.0);
            pen(p, kInk, 0.8);
            p.setBrush(QColor(245, 245, 240));
            p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2, 2);
            letter(p, name.left(1), fromSetting(defaults().FaMenColor), 10);
            return image;
        });
    }
    return {};
}

}  // namespace

QIcon commandIcon(const CommandInfo& command) { return withDisabledLook(plainCommandIcon(command)); }

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
        return i.pixmap(32).isNull()
                   ? fromImages([](int size) { return glyphImage(Glyph::MainPipe, size); })
                   : i;
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
