// The floor of the start-up and idle measurements (scripts/bench.sh): what
// a tray program with a window like Velumix's pays before doing anything. It
// shows a hidden-then-shown frameless window of the window's size holding
// one plot, puts a plain icon in the tray and then waits, doing nothing else.
// Built twice: linking Qt Widgets and QCustomPlot alone (the floor), and
// with all of the window's libraries loaded at start. With -autorun, as the
// desktop starts Velumix in the tray, the window is built but never shown.

#include "FirstFrame.h"

#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QMainWindow>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <qcustomplot.h>

namespace {

const QSize kWindowSize(1176, 730);

// A drawn icon: decoding a picture would be work the floor does not stand for.
QIcon plainIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(0x20, 0x80, 0xd0));
    return QIcon(pixmap);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QMainWindow window;
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    window.setFixedSize(kWindowSize);
    window.setCentralWidget(new QCustomPlot(&window));
    QSystemTrayIcon tray(plainIcon());
    tray.show();

    exitOnFirstFrameWhenAsked(window);
    if (!QCoreApplication::arguments().contains(QStringLiteral("-autorun"))) {
        window.hide();
        window.show();
    }
    return app.exec();
}
