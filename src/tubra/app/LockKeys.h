#pragma once
// The caps-lock, num-lock and scroll-lock indicators of the status bar ("CAP", "NUM",
// "SCRL"), shown while the key's light is on. Read from the X keyboard when the program runs
// on X11; elsewhere they stay blank.

#include <QObject>

class QLabel;

namespace tubra::app {

class LockKeyIndicators : public QObject {
public:
    explicit LockKeyIndicators(QWidget* parent);
    // 0 caps, 1 num, 2 scroll.
    QLabel* label(int index) const { return labels_[index]; }
    // Shows the given states (for a keyboard that cannot be asked, and for tests).
    void show(bool caps, bool num, bool scroll);
    // Reads the keyboard again.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* labels_[3] = {};
};

}  // namespace tubra::app
