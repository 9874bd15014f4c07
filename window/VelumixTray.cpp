// The tray icon, hiding to the tray (or to the task bar where the desktop
// shows no tray), quitting with Ctrl+Q, the window buttons, dragging the
// frameless window and the hover cursor over the window buttons.

#include "Velumix.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLoggingCategory>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QWindow>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {
// Where a press may start dragging the window, in window coordinates.
const QRect kMainScreenDragArea(1, 1, 1175, 79);  // 0 < x < 1176, 0 < y < 80
const QRect kStartScreenDragArea(1, 1, 999, 629); // 0 < x < 1000, 0 < y < 630
} // namespace

void Velumix::initSystemTray()
{
    qCDebug(lcWindow).noquote() << "***** Init System Tray! *****";
    m_trayIcon = new QSystemTrayIcon(this);
    m_trayIcon->setIcon(windowIcon()); // the same picture, decoded once
    m_trayIcon->setToolTip(tr("KAVRO 7.1 Surround Sound"));
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &Velumix::on_activatedSysTrayIcon);
    m_trayIcon->show();
    m_trayIcon->showMessage("Message Title", QStringLiteral("欢迎使用此程序"),
                            QSystemTrayIcon::Information, 1000);
    initTrayActions();
    initTrayMenu();
    // Without a tray the menu's Quit is out of reach; the window offers it too.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &Velumix::on_ExitAppAction);
}

// Also called again when a headset arrives while the window sits in the tray.
void Velumix::initTrayActions()
{
    delete m_showMainAction;
    delete m_exitAppAction;
    m_showMainAction = new QAction(tr("Home Page"), this);
    m_exitAppAction = new QAction(tr("Quit"), this);
    connect(m_showMainAction, &QAction::triggered, this, &Velumix::on_ShowMainAction);
    connect(m_exitAppAction, &QAction::triggered, this, &Velumix::on_ExitAppAction);
}

void Velumix::initTrayMenu()
{
    delete m_trayMenu;
    m_trayMenu = new QMenu(this);
    m_trayMenu->addAction(m_showMainAction);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_exitAppAction);
    m_trayIcon->setContextMenu(m_trayMenu);
}

void Velumix::on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason)
{
    qCDebug(lcWindow).noquote() << "systemTray acticated!";
    if (reason == QSystemTrayIcon::Trigger)
        show();
}

void Velumix::on_ShowMainAction()
{
    show();
}

void Velumix::on_ExitAppAction()
{
    hide(); // not close(): without a tray that would only minimise
    m_trayIcon->hide();
    shutDown();
    QApplication::quit();
}

// The window never closes: it goes to the tray. Where the desktop shows no
// tray (GNOME's default, or no StatusNotifier host yet) a hidden window could
// never come back, so it goes to the task bar instead; the question is asked
// at every close, so a tray that appears later is used.
void Velumix::closeEvent(QCloseEvent* event)
{
    qCDebug(lcWindow).noquote() << "Close Dlg!";
    event->ignore();
    if (m_trayAvailable())
        hide();
    else
        showMinimized();
}

void Velumix::on_PushButton_Close_Clicked()
{
    close();
}

void Velumix::on_PushButton_DefaultClose_Clicked()
{
    close();
}

void Velumix::on_PushButton_Minimize_Clicked()
{
    showMinimized();
}

void Velumix::on_PushButton_Max_Clicked() {}

void Velumix::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QRect& dragArea = m_panelMode == 1 ? kMainScreenDragArea : kStartScreenDragArea;
    if (!dragArea.contains(event->pos()))
        return;
    // The window manager moves the window where it can: on Wayland a window
    // cannot place itself. Elsewhere the window follows the mouse itself.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_dragStartPos = event->pos();
}

void Velumix::mouseMoveEvent(QMouseEvent* event)
{
    if (ui.verticalSlider_30->geometry().contains(mapFromGlobal(QCursor::pos())))
        qCDebug(lcWindow).noquote() << "11111111111111";
    if (m_dragging)
        move(pos() + (event->pos() - m_dragStartPos));
}

void Velumix::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

bool Velumix::event(QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::HoverEnter || type == QEvent::HoverLeave || type == QEvent::HoverMove) {
        const QPoint cursor = mapFromGlobal(QCursor::pos());
        const bool overButton = ui.pushButton_DefaultClose->geometry().contains(cursor) ||
                                ui.pushButton_Close->geometry().contains(cursor) ||
                                ui.pushButton_Minimize->geometry().contains(cursor);
        setCursor(overButton ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
    return QMainWindow::event(event);
}
