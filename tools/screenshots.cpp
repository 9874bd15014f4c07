// Renders the window's screens to PNG files without a display:
//   QT_QPA_PLATFORM=offscreen velumix-screenshots OUTPUT_FOLDER

#include "Velumix.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

#include <functional>

namespace {

struct Screen
{
    const char* file;
    std::function<void(Velumix&)> show;
};

void showPage(Velumix& window, int tab)
{
    window.setPanelMode(2);
    window.ui.tabWidget->setCurrentIndex(tab);
    emit window.ui.tabWidget->tabBarClicked(tab);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: velumix-screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(output.path());
    Velumix window;
    window.resize(1176, 730);
    const Screen screens[] = {
        {"start-screen.png", [](Velumix& w) { w.setPanelMode(1); }},
        {"surround-page.png", [](Velumix& w) { showPage(w, 0); }},
        {"stereo-page.png", [](Velumix& w) { showPage(w, 1); }},
        {"microphone-page.png", [](Velumix& w) { showPage(w, 2); }},
        {"surround-test.png",
         [](Velumix& w) {
             showPage(w, 0);
             emit w.ui.pushButton_5->pressed();
         }},
    };
    for (const Screen& screen : screens) {
        screen.show(window);
        window.show();
        QApplication::processEvents();
        const QString path = output.filePath(screen.file);
        if (!window.grab().save(path)) {
            QTextStream(stderr) << "cannot write " << path << "\n";
            return 1;
        }
        QTextStream(stdout) << path << "\n";
    }
    window.shutDown();
    return 0;
}
