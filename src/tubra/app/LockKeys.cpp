#include "tubra/app/LockKeys.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>

#include <optional>

namespace tubra::app {

namespace {
const char* const kTexts[3] = {"CAP", "NUM", "SCRL"};

}  // namespace

// The keyboard lights as a bit set (bit 0 caps, 1 num, 2 scroll), none when they cannot be
// read. At the end of the file: the X headers define names Qt uses.
static std::optional<unsigned> keyboardLights();

LockKeyIndicators::LockKeyIndicators(QWidget* parent) : QObject(parent) {
    for (int i = 0; i < 3; ++i) {
        labels_[i] = new QLabel(parent);
        labels_[i]->setFrameShape(QFrame::Panel);
        labels_[i]->setFrameShadow(QFrame::Sunken);
        labels_[i]->setAlignment(Qt::AlignCenter);
        labels_[i]->setMinimumWidth(QFontMetrics(labels_[i]->font()).horizontalAdvance(QLatin1String(kTexts[i])) + 8);
    }
    qApp->installEventFilter(this);
    refresh();
}

void LockKeyIndicators::show(bool caps, bool num, bool scroll) {
    const bool on[3] = {caps, num, scroll};
    for (int i = 0; i < 3; ++i) labels_[i]->setText(on[i] ? QLatin1String(kTexts[i]) : QString());
}

void LockKeyIndicators::refresh() {
    if (const auto state = keyboardLights()) show(*state & 1u, *state & 2u, *state & 4u);
}

bool LockKeyIndicators::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyRelease: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock) refresh();
            break;
        }
        case QEvent::ApplicationActivate: refresh(); break;
        default: break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tubra::app

#ifdef TUBRA_HAVE_X11
#include <QGuiApplication>
#include <X11/XKBlib.h>

static std::optional<unsigned> tubra::app::keyboardLights() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display()) return std::nullopt;
    unsigned state = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) != Success) return std::nullopt;
    return state;
}
#else
static std::optional<unsigned> tubra::app::keyboardLights() { return std::nullopt; }
#endif
