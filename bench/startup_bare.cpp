// The baseline of the start-up benchmark: a Qt Widgets program with a main window and a
// scrolling area, which says "first-paint" after its first paint and ends, as the drawing
// program does under TUBRA_STARTUP_PROBE.

#include <cstdio>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QTimer>

namespace {

class Area : public QAbstractScrollArea {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), Qt::white);
        p.drawLine(0, 0, viewport()->width(), viewport()->height());
        p.end();
        if (!reported_) {
            reported_ = true;
            std::fputs("first-paint\n", stdout);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
    }

private:
    bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new Area);
    window.resize(1280, 800);
    window.show();
    return QApplication::exec();
}
