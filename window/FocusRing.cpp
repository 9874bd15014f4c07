#include "FocusRing.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QTabBar>

FocusRing::FocusRing(QWidget* window) : QWidget(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(window->rect());
    window->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { follow(now); });
}

QRect FocusRing::ringRect() const
{
    if (!m_target || !m_target->isVisible() || !m_target->hasFocus())
        return {};
    QRect around = m_target->rect();
    if (const auto* tabs = qobject_cast<const QTabBar*>(m_target.data()))
        around = tabs->tabRect(tabs->currentIndex());
    const int margin = 2 * kLineWidth;
    const QRect ring(m_target->mapTo(parentWidget(), around.topLeft()), around.size());
    return ring.adjusted(-margin, -margin, margin, margin) & rect();
}

void FocusRing::follow(QWidget* focused)
{
    watchTarget(false);
    m_target = focused && parentWidget()->isAncestorOf(focused) ? focused : nullptr;
    watchTarget(true);
    redraw();
}

// The ring moves with its control, which moves when any of its parents does
// (a scrolled list, a folded one).
void FocusRing::watchTarget(bool watch)
{
    for (QWidget* widget = m_target; widget && widget != parentWidget();
         widget = widget->parentWidget()) {
        if (watch)
            widget->installEventFilter(this);
        else
            widget->removeEventFilter(this);
    }
    if (auto* tabs = qobject_cast<QTabBar*>(m_target.data())) {
        if (watch)
            connect(tabs, &QTabBar::currentChanged, this, &FocusRing::redraw);
        else
            disconnect(tabs, &QTabBar::currentChanged, this, &FocusRing::redraw);
    }
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == parentWidget())
            setGeometry(parentWidget()->rect());
        redraw();
        break;
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ZOrderChange:
        if (watched != parentWidget())
            redraw();
        break;
    case QEvent::ChildAdded:
        // A widget made later would lie above the ring.
        if (watched == parentWidget())
            raise();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::redraw()
{
    raise();
    const QRect ring = ringRect();
    update(m_drawn.united(ring));
    m_drawn = ring;
}

void FocusRing::paintEvent(QPaintEvent*)
{
    const QRect ring = ringRect();
    if (ring.isEmpty())
        return;
    QPainter painter(this);
    // Whole pixels, no smoothing: each line is exactly kLineWidth wide.
    const auto frame = [&painter](const QRect& outer, const QColor& colour) {
        const QRect inner = outer.adjusted(kLineWidth, kLineWidth, -kLineWidth, -kLineWidth);
        for (const QRect& part : QRegion(outer) - QRegion(inner))
            painter.fillRect(part, colour);
    };
    frame(ring, outerColour());
    frame(ring.adjusted(kLineWidth, kLineWidth, -kLineWidth, -kLineWidth), innerColour());
}
