#include "FirstFrame.h"

#include <QApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

// Watches every event of the application for the window's first paint.
class FirstFrameExit : public QObject
{
public:
    explicit FirstFrameExit(QWidget& window) : QObject(&window), m_window(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &m_window) {
            qApp->removeEventFilter(this);
            // The paint comes before the frame is flushed to the display; the
            // flush ends the same pass, so the exit waits for the next one.
            QMetaObject::invokeMethod(this, &FirstFrameExit::exitNow, Qt::QueuedConnection);
        }
        return false;
    }

private:
    static void exitNow()
    {
        std::fputs("first frame\n", stdout);
        std::fflush(stdout);
        std::_Exit(0);
    }

    QWidget& m_window;
};

} // namespace

void exitOnFirstFrameWhenAsked(QWidget& window)
{
    if (qEnvironmentVariableIsSet("VELUMIX_EXIT_ON_FIRST_FRAME"))
        qApp->installEventFilter(new FirstFrameExit(window));
}
