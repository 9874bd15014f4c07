#include "FirstShow.h"

#include <QEvent>

#include <QWidget>
#include <utility>

namespace {

// Watches one widget until its first show event, then goes.
class FirstShowWatcher : public QObject
{
public:
    FirstShowWatcher(QWidget* widget, std::function<void()> action)
        : QObject(widget), m_action(std::move(action))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && m_action) {
            watched->removeEventFilter(this);
            deleteLater();
            std::exchange(m_action, nullptr)();
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

} // namespace

void onFirstShow(QWidget* widget, std::function<void()> action)
{
    new FirstShowWatcher(widget, std::move(action));
}
