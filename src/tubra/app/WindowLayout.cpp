#include "tubra/app/WindowLayout.h"

#include <algorithm>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOptionTitleBar>

namespace tubra::app {

QRect placeWithin(QSize wanted, QRect available, QRect over, int margin) {
    const QRect room = available.adjusted(margin, margin, -margin, -margin);
    if (room.isEmpty()) return QRect(available.topLeft(), wanted.boundedTo(available.size()));
    QRect r(QPoint(0, 0), wanted.boundedTo(room.size()));
    r.moveCenter(over.isEmpty() ? room.center() : over.center());
    // Back onto the screen, the top left corner last so the title bar stays reachable.
    r.moveRight(std::min(r.right(), room.right()));
    r.moveBottom(std::min(r.bottom(), room.bottom()));
    r.moveLeft(std::max(r.left(), room.left()));
    r.moveTop(std::max(r.top(), room.top()));
    return r;
}

std::vector<QRect> cascadeLayout(QSize area, int count, int step) {
    std::vector<QRect> out;
    if (count <= 0 || area.isEmpty()) return out;
    step = std::max(step, 1);
    // How many windows one stack holds while each keeps two thirds of the area.
    const int room = std::min(area.width(), area.height()) / 3;
    const int perStack = std::max(1, room / step + 1);
    const int stacked = std::min(count, perStack);
    const QSize size(area.width() - (stacked - 1) * step, area.height() - (stacked - 1) * step);
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int offset = (i % perStack) * step;
        out.emplace_back(QPoint(offset, offset), size);
    }
    return out;
}

void cascadeWindows(QMdiArea& area) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : area.subWindowList(QMdiArea::StackingOrder))
        if (!w->isMinimized() && !w->isHidden()) windows << w;
    if (windows.isEmpty()) return;
    QMdiSubWindow* active = area.activeSubWindow();
    // The active window goes last, in front of the others.
    if (active && windows.removeOne(active)) windows << active;
    QStyleOptionTitleBar option;
    option.initFrom(windows.front());
    const QStyle* style = windows.front()->style();
    const int step = style->pixelMetric(QStyle::PM_TitleBarHeight, &option, windows.front()) +
                     style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, windows.front());
    const std::vector<QRect> places =
        cascadeLayout(area.viewport()->size(), static_cast<int>(windows.size()), step);
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized()) w->showNormal();
        w->setGeometry(places[static_cast<std::size_t>(i)]);
        w->raise();
    }
    if (active) area.setActiveSubWindow(active);
}

}  // namespace tubra::app
